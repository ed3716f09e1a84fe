#include "sound_module.h"

#include <algorithm>
#include <cmath>

namespace nuko::midi {
namespace {

constexpr int kDrumBank = 128;
constexpr int kDrumIndex = 9;  // channel 10
constexpr unsigned kReverbChanged = 1;
constexpr unsigned kChorusChanged = 2;

int Byte(const std::string& bytes, std::size_t at) { return static_cast<unsigned char>(bytes[at]); }

// What one system exclusive message is, as far as modes go.
enum class SysexKind { Other, GmOn, GmOff, Gm2On, GsReset, GsParameter, XgReset, XgParameter, Mt32 };

// `d` is the message between F0 and F7.
SysexKind Classify(std::string_view d) {
    auto at = [&](std::size_t i) { return i < d.size() ? static_cast<unsigned char>(d[i]) : 0x100u; };
    if (at(0) == 0x7E && at(2) == 0x09) {
        if (at(3) == 0x01) return SysexKind::GmOn;
        if (at(3) == 0x02) return SysexKind::GmOff;
        if (at(3) == 0x03) return SysexKind::Gm2On;
    }
    if (at(0) == 0x41 && at(1) < 0x80) {
        if (at(2) == 0x16) return SysexKind::Mt32;
        if (at(2) == 0x42 && at(3) == 0x12) {
            // 40 00 7F: GS reset; 00 00 7F: the system mode set, which resets too.
            if (at(5) == 0x00 && at(6) == 0x7F && (at(4) == 0x40 || at(4) == 0x00)) return SysexKind::GsReset;
            return SysexKind::GsParameter;
        }
    }
    if (at(0) == 0x43 && (at(1) & 0xF0) == 0x10 && at(2) == 0x4C) {
        if (at(3) == 0x00 && at(4) == 0x00 && (at(5) == 0x7E || at(5) == 0x7F)) return SysexKind::XgReset;
        return SysexKind::XgParameter;
    }
    return SysexKind::Other;
}

// The body of a well-formed exclusive: between F0 and the closing F7, every
// byte a data byte. nullopt when it is cut short or broken.
std::optional<std::string_view> SysexBody(const std::string& bytes) {
    if (bytes.size() < 2 || Byte(bytes, 0) != 0xF0 || Byte(bytes, bytes.size() - 1) != 0xF7) return std::nullopt;
    std::string_view body(bytes.data() + 1, bytes.size() - 2);
    for (char c : body)
        if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
    return body;
}

std::uint32_t Address3(std::string_view d, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(d[at])) << 14) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(d[at + 1])) << 7) |
           static_cast<unsigned char>(d[at + 2]);
}
constexpr std::uint32_t Addr(int a, int b, int c) {
    return (static_cast<std::uint32_t>(a) << 14) | (static_cast<std::uint32_t>(b) << 7) | static_cast<std::uint32_t>(c);
}

// The GS part of a 40 1x block: part 0 is channel 10, parts 1-9 channels
// 1-9, parts 10-15 channels 11-16.
int GsPartChannel(int part) {
    if (part == 0) return kDrumIndex;
    if (part <= 9) return part - 1;
    return part;
}

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

struct RoomShape {
    double room_size;
    double damping;
    double width;
};

// Rooms small and damped, halls large, the plate bright.
constexpr RoomShape kGsReverb[8] = {
    {0.30, 0.60, 0.6},  // Room 1
    {0.40, 0.50, 0.7},  // Room 2
    {0.50, 0.45, 0.8},  // Room 3
    {0.70, 0.30, 0.9},  // Hall 1
    {0.80, 0.25, 1.0},  // Hall 2
    {0.60, 0.05, 1.0},  // Plate
    {0.55, 0.35, 0.5},  // Delay
    {0.60, 0.35, 1.0},  // Panning delay
};

RoomShape XgReverbShape(int msb) {
    switch (msb) {
        case 0x02: return {0.40, 0.50, 0.7};   // Room
        case 0x03: return {0.60, 0.35, 0.9};   // Stage
        case 0x04: return {0.60, 0.05, 1.0};   // Plate
        case 0x10: return {0.35, 0.20, 0.8};   // White room: small and bright
        case 0x11: return {0.90, 0.40, 1.0};   // Tunnel
        case 0x12: return {0.95, 0.30, 1.0};   // Canyon
        case 0x13: return {0.30, 0.75, 0.5};   // Basement: small, dull
        default: return {0.80, 0.25, 1.0};     // Hall and what a font synthesizer has no match for
    }
}

struct ChorusShape {
    int voices;
    bool triangle;
    int rate;  // the macro's own rate and depth (0..127)
    int depth;
};

constexpr ChorusShape kGsChorus[8] = {
    {3, false, 3, 5},     // Chorus 1
    {3, false, 9, 19},    // Chorus 2
    {3, false, 3, 19},    // Chorus 3
    {4, false, 9, 16},    // Chorus 4
    {5, false, 2, 24},    // Feedback chorus
    {2, true, 1, 127},    // Flanger
    {1, false, 0, 127},   // Short delay
    {2, false, 0, 127},   // Short delay with feedback
};

// Rate 0..127 to Hz and depth 0..127 to ms, in the synthesizer's ranges.
double ChorusSpeed(int rate) { return std::clamp(0.1 + rate * (4.9 / 127.0), 0.1, 5.0); }
double ChorusDepth(int depth) { return 1.0 + depth * 0.25; }
double ChorusLevel(int level) { return level * (4.0 / 127.0); }

}  // namespace

std::string_view ModeName(ModuleMode mode) {
    switch (mode) {
        case ModuleMode::GM: return "GM";
        case ModuleMode::GM2: return "GM2";
        case ModuleMode::GS: return "GS";
        case ModuleMode::XG: return "XG";
        case ModuleMode::MT32: return "MT-32";
    }
    return "GM";
}

ModuleMode DetectMode(const Song& song) {
    // GM System On is sent ahead of a GS or XG reset by many songs made for
    // those modules: it decides only when nothing more particular follows.
    std::optional<ModuleMode> first;
    bool gm_on = false;
    bool gs_xg_reset = false;
    bool xg_banks = false, gm2_banks = false, gs_banks = false;
    int msb[16] = {};
    int lsb[16] = {};
    for (const auto& e : song.events()) {
        std::uint8_t status = e.Status();
        if (status == 0xF0) {
            auto body = SysexBody(e.bytes);
            if (!body) continue;
            SysexKind kind = Classify(*body);
            std::optional<ModuleMode> names;
            switch (kind) {
                case SysexKind::GmOn: gm_on = true; break;
                case SysexKind::Gm2On: names = ModuleMode::GM2; break;
                case SysexKind::GsReset: gs_xg_reset = true; names = ModuleMode::GS; break;
                case SysexKind::GsParameter: names = ModuleMode::GS; break;
                case SysexKind::XgReset: gs_xg_reset = true; names = ModuleMode::XG; break;
                case SysexKind::XgParameter: names = ModuleMode::XG; break;
                case SysexKind::Mt32:
                    if (!gs_xg_reset) return ModuleMode::MT32;
                    break;
                default: break;
            }
            if (!first && names) first = names;
            if (first && gs_xg_reset) break;  // nothing later can change it
            continue;
        }
        if (status < 0x80 || status >= 0xF0 || e.bytes.size() < 2) continue;
        int ch = status & 0x0F;
        int type = status & 0xF0;
        if (type == 0xB0 && e.bytes.size() >= 3) {
            if (Byte(e.bytes, 1) == 0) msb[ch] = Byte(e.bytes, 2);
            if (Byte(e.bytes, 1) == 32) lsb[ch] = Byte(e.bytes, 2);
        } else if (type == 0xC0) {
            // The banks count where a program change uses them.
            int m = msb[ch], l = lsb[ch];
            if (m == 127 || m == 126 || m == 64 || (m == 0 && l != 0))
                xg_banks = true;
            else if ((m == 120 && l == 0) || (m == 121 && l <= 9))
                gm2_banks = true;
            else if (m >= 1 && m <= 63)
                gs_banks = true;
        }
    }
    if (first) return *first;
    if (gm_on) return ModuleMode::GM;
    if (xg_banks) return ModuleMode::XG;
    if (gm2_banks) return ModuleMode::GM2;
    if (gs_banks) return ModuleMode::GS;
    return ModuleMode::GM;
}

void PresetCatalog::AddFont(std::vector<FontPreset> presets) { fonts_.push_back(std::move(presets)); }

std::optional<int> PresetCatalog::Find(int bank, int program) const {
    for (std::size_t f = 0; f < fonts_.size(); ++f)
        for (const auto& p : fonts_[f])
            if (p.bank == bank && p.program == program) return static_cast<int>(f);
    return std::nullopt;
}

std::string PresetCatalog::Name(int font, int bank, int program) const {
    if (font < 0 || font >= font_count()) return {};
    for (const auto& p : fonts_[static_cast<std::size_t>(font)])
        if (p.bank == bank && p.program == program) return p.name;
    return {};
}

bool PresetCatalog::HasBank(int bank) const {
    for (const auto& font : fonts_)
        for (const auto& p : font)
            if (p.bank == bank) return true;
    return false;
}

std::optional<FontPreset> PresetCatalog::First(bool drum) const {
    for (const auto& font : fonts_)
        for (const auto& p : font)
            if ((p.bank == kDrumBank) == drum) return p;
    return std::nullopt;
}

SoundModule::SoundModule(ModuleMode mode, const PresetCatalog* catalog) : mode_(mode), catalog_(catalog) {
    channels_[kDrumIndex].drum = true;
    if (mode_ == ModuleMode::XG) channels_[kDrumIndex].bank_msb = 127;
}

void SoundModule::Reset(SynthSink& sink) {
    reported_.clear();
    problems_.clear();
    for (auto& c : channels_) c.used = false;
    ResetModule(sink);
}

void SoundModule::ResetModule(SynthSink& sink) {
    sink.ResetSynth();
    gs_ = GsEffects{};
    xg_ = XgEffects{};
    for (int i = 0; i < 16; ++i) {
        Channel& c = channels_[static_cast<std::size_t>(i)];
        bool used = c.used;  // a reset inside the song keeps what it has played
        c = Channel{};
        c.used = used;
        c.drum = i == kDrumIndex;
        if (c.drum && mode_ == ModuleMode::XG) c.bank_msb = 127;
        if (c.drum && mode_ == ModuleMode::GM2) c.bank_msb = 120;
        sink.SetDrumChannel(i, c.drum);
        SelectFor(i, sink);
    }
    bool xg = mode_ == ModuleMode::XG;
    ApplyReverb(sink, xg);
    ApplyChorus(sink, xg);
}

void SoundModule::SelectFor(int index, SynthSink& sink) {
    Channel& c = channels_[static_cast<std::size_t>(index)];
    c.preset = Resolve(index);
    if (c.preset.font >= 0) sink.SelectPreset(index, c.preset);
}

ResolvedPreset SoundModule::Resolve(int index) {
    const Channel& c = channels_[static_cast<std::size_t>(index)];
    ResolvedPreset r;
    if (!catalog_) return r;
    auto take = [&](int bank, int program, bool fallback) {
        auto font = catalog_->Find(bank, program);
        if (!font) return false;
        r.font = *font;
        r.bank = bank;
        r.program = program;
        r.name = catalog_->Name(*font, bank, program);
        r.fallback = fallback;
        return true;
    };
    if (c.drum) {
        // XG's SFX kits are where GS keeps its own: kit 56.
        bool sfx = mode_ == ModuleMode::XG && c.bank_msb == 126;
        if (sfx && (take(kDrumBank, 56, false) || take(kDrumBank, 0, true))) return r;
        if (take(kDrumBank, c.program, false) || take(kDrumBank, 0, true)) return r;
        if (auto any = catalog_->First(true); any && take(any->bank, any->program, true)) return r;
        Problem("nodrums", "ﾄﾞﾗﾑｾｯﾄがｻｳﾝﾄﾞﾌｫﾝﾄにありません");
        return r;
    }
    int bank = c.bank_msb;
    if (mode_ == ModuleMode::XG && c.bank_msb == 0) bank = c.bank_lsb;
    if (mode_ == ModuleMode::GM2 && c.bank_msb == 121) bank = c.bank_lsb;
    if (take(bank, c.program, false)) return r;
    if (bank != 0 && !catalog_->HasBank(bank))
        Problem("bank" + std::to_string(bank), "音色ﾊﾞﾝｸ " + std::to_string(bank) + " はｻｳﾝﾄﾞﾌｫﾝﾄにありません");
    if (take(0, c.program, bank != 0) || take(0, 0, true)) return r;
    if (auto any = catalog_->First(false); any && take(any->bank, any->program, true)) return r;
    return r;
}

void SoundModule::Feed(const Event& event, SynthSink& sink) {
    if (event.bytes.empty() || event.IsMeta()) return;
    std::uint8_t status = event.Status();
    if (status == 0xF0) {
        FeedSysex(event, sink);
        return;
    }
    if (status < 0x80 || status > 0xEF) {
        sink.Forward(event);
        return;
    }
    int index = status & 0x0F;
    Channel& c = channels_[static_cast<std::size_t>(index)];
    switch (status & 0xF0) {
        case 0x90:
            if (event.bytes.size() >= 3 && Byte(event.bytes, 2) > 0) c.used = true;
            break;
        case 0xB0:
            if (event.bytes.size() < 3) break;
            if (Byte(event.bytes, 1) == 0) {
                c.bank_msb = Byte(event.bytes, 2);
                return;
            }
            if (Byte(event.bytes, 1) == 32) {
                c.bank_lsb = Byte(event.bytes, 2);
                return;
            }
            break;
        case 0xC0: {
            if (event.bytes.size() < 2) break;
            c.program = Byte(event.bytes, 1);
            bool drum = c.drum;
            if (mode_ == ModuleMode::XG) drum = c.bank_msb == 127 || c.bank_msb == 126;
            if (mode_ == ModuleMode::GM2 && (c.bank_msb == 120 || c.bank_msb == 121)) drum = c.bank_msb == 120;
            if (drum != c.drum) {
                c.drum = drum;
                sink.SetDrumChannel(index, drum);
            }
            SelectFor(index, sink);
            return;
        }
        default: break;
    }
    sink.Forward(event);
}

void SoundModule::FeedSysex(const Event& event, SynthSink& sink) {
    auto cut_short = [&] { Problem("truncated", "途中で切れたｼｽﾃﾑ･ｴｸｽｸﾙｰｼﾌﾞ･ﾒｯｾｰｼﾞを飛ばしました"); };
    auto body = SysexBody(event.bytes);
    if (!body) return cut_short();
    std::string_view d = *body;
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(d[i]); };

    // Universal non-real-time: the General MIDI messages.
    if (!d.empty() && at(0) == 0x7E && d.size() >= 3 && at(2) == 0x09) {
        if (d.size() < 4) return cut_short();
        switch (at(3)) {
            case 0x01: mode_ = ModuleMode::GM; ResetModule(sink); return;
            case 0x03: mode_ = ModuleMode::GM2; ResetModule(sink); return;
            case 0x02: return;  // GM off: the module stays as it is
            default: break;
        }
    }

    // Roland data set: address, data, checksum.
    if (!d.empty() && at(0) == 0x41 && d.size() < 4) return cut_short();
    if (d.size() >= 4 && at(0) == 0x41 && at(3) == 0x12) {
        if (d.size() < 4 + 3 + 1 + 1) return cut_short();
        int sum = 0;
        for (std::size_t i = 4; i + 1 < d.size(); ++i) sum += at(i);
        if ((128 - sum % 128) % 128 != at(d.size() - 1)) {
            Problem("checksum", "ﾁｪｯｸｻﾑの合わないｼｽﾃﾑ･ｴｸｽｸﾙｰｼﾌﾞ･ﾒｯｾｰｼﾞを飛ばしました");
            return;
        }
        if (at(2) == 0x42) {
            std::uint32_t address = Address3(d, 4);
            if (Classify(d) == SysexKind::GsReset) {
                mode_ = ModuleMode::GS;
                ResetModule(sink);
                return;
            }
            bool all_taken = true;
            unsigned effects = 0;
            for (std::size_t i = 7; i + 1 < d.size(); ++i)
                if (!RolandParameter(address + static_cast<std::uint32_t>(i - 7), at(i), sink, effects)) all_taken = false;
            ApplyEffects(effects, false, sink);
            if (all_taken) return;
        }
        sink.Forward(event);
        return;
    }

    // Yamaha XG parameter change: address and data, no checksum.
    if (d.size() >= 3 && at(0) == 0x43 && (at(1) & 0xF0) == 0x10 && at(2) == 0x4C) {
        if (d.size() < 3 + 3 + 1) return cut_short();
        if (Classify(d) == SysexKind::XgReset) {
            mode_ = ModuleMode::XG;
            ResetModule(sink);
            return;
        }
        std::uint32_t address = Address3(d, 3);
        bool all_taken = true;
        unsigned effects = 0;
        for (std::size_t i = 6; i < d.size(); ++i)
            if (!YamahaParameter(address + static_cast<std::uint32_t>(i - 6), at(i), effects)) all_taken = false;
        ApplyEffects(effects, true, sink);
        if (all_taken) return;
    }
    sink.Forward(event);
}

bool SoundModule::RolandParameter(std::uint32_t address, int value, SynthSink& sink, unsigned& effects) {
    int hi = static_cast<int>(address >> 14) & 0x7F;
    int mid = static_cast<int>(address >> 7) & 0x7F;
    int lo = static_cast<int>(address) & 0x7F;
    if (hi != 0x40) return false;
    if ((mid & 0x70) == 0x10 && lo == 0x15) {  // use for rhythm part
        int index = GsPartChannel(mid & 0x0F);
        bool drum = value != 0;
        channels_[static_cast<std::size_t>(index)].drum = drum;
        sink.SetDrumChannel(index, drum);
        SelectFor(index, sink);
        return true;
    }
    if (mid != 0x01) return false;
    switch (lo) {
        case 0x30:
            gs_.reverb_macro = std::min(value, 7);
            gs_.reverb_time = 64;
            effects |= kReverbChanged;
            return true;
        case 0x33: gs_.reverb_level = value; effects |= kReverbChanged; return true;
        case 0x34: gs_.reverb_time = value; effects |= kReverbChanged; return true;
        case 0x38:
            gs_.chorus_macro = std::min(value, 7);
            gs_.chorus_rate = kGsChorus[gs_.chorus_macro].rate;
            gs_.chorus_depth = kGsChorus[gs_.chorus_macro].depth;
            effects |= kChorusChanged;
            return true;
        case 0x3A: gs_.chorus_level = value; effects |= kChorusChanged; return true;
        case 0x3D: gs_.chorus_rate = value; effects |= kChorusChanged; return true;
        case 0x3E: gs_.chorus_depth = value; effects |= kChorusChanged; return true;
        default: return false;
    }
}

bool SoundModule::YamahaParameter(std::uint32_t address, int value, unsigned& effects) {
    switch (address) {
        case Addr(0x02, 0x01, 0x00): xg_.reverb_msb = value; xg_.reverb_lsb = 0; break;
        case Addr(0x02, 0x01, 0x01): xg_.reverb_lsb = value; break;
        case Addr(0x02, 0x01, 0x0C): xg_.reverb_return = value; break;
        case Addr(0x02, 0x01, 0x20): xg_.chorus_msb = value; xg_.chorus_lsb = 0; effects |= kChorusChanged; return true;
        case Addr(0x02, 0x01, 0x21): xg_.chorus_lsb = value; effects |= kChorusChanged; return true;
        case Addr(0x02, 0x01, 0x2C): xg_.chorus_return = value; effects |= kChorusChanged; return true;
        default: return false;
    }
    effects |= kReverbChanged;
    return true;
}

void SoundModule::ApplyEffects(unsigned effects, bool xg, SynthSink& sink) {
    if (effects & kReverbChanged) ApplyReverb(sink, xg);
    if (effects & kChorusChanged) ApplyChorus(sink, xg);
}

void SoundModule::ApplyReverb(SynthSink& sink, bool xg) {
    ReverbParams p;
    if (xg) {
        RoomShape shape = XgReverbShape(xg_.reverb_msb);
        p.room_size = Clamp01(shape.room_size + xg_.reverb_lsb * 0.05);
        p.damping = shape.damping;
        p.width = shape.width;
        p.level = xg_.reverb_msb == 0 ? 0.0 : xg_.reverb_return / 127.0;
    } else {
        const RoomShape& shape = kGsReverb[gs_.reverb_macro];
        p.room_size = Clamp01(shape.room_size + (gs_.reverb_time - 64) * (0.3 / 64.0));
        p.damping = shape.damping;
        p.width = shape.width;
        p.level = gs_.reverb_level / 127.0;
    }
    sink.SetReverb(p);
}

void SoundModule::ApplyChorus(SynthSink& sink, bool xg) {
    ChorusParams p;
    if (xg) {
        int type = xg_.chorus_msb;
        bool flanger = type == 0x43;
        bool celeste = type == 0x42;
        p.voices = flanger ? 2 : celeste ? 4 : 3;
        p.speed = flanger ? 0.2 : celeste ? 0.5 : 0.4;
        p.depth = flanger ? 3.0 : 8.0 + xg_.chorus_lsb;
        p.triangle = flanger;
        p.level = type == 0 ? 0.0 : ChorusLevel(xg_.chorus_return);
    } else {
        const ChorusShape& shape = kGsChorus[gs_.chorus_macro];
        p.voices = shape.voices;
        p.speed = ChorusSpeed(gs_.chorus_rate);
        p.depth = ChorusDepth(gs_.chorus_depth);
        p.triangle = shape.triangle;
        p.level = ChorusLevel(gs_.chorus_level);
    }
    sink.SetChorus(p);
}

void SoundModule::Problem(const std::string& kind, std::string text) {
    if (std::find(reported_.begin(), reported_.end(), kind) != reported_.end()) return;
    reported_.push_back(kind);
    problems_.push_back(std::move(text));
}

std::vector<std::string> SoundModule::TakeProblems() {
    std::vector<std::string> out;
    out.swap(problems_);
    return out;
}

}  // namespace nuko::midi
