#include "synth_engine.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "media_errors.h"
#include "rcpcv_binding.h"
#include "sound_font.h"
#include "nuko/fileio.h"
#include "nuko/files.h"

namespace nuko::playback {
namespace {

constexpr std::size_t kMaxSongBytes = 64u << 20;

std::mutex g_log_mutex;
std::string g_last_log;

void QuietLog(int level, const char* message, void*) {
    if (level > FLUID_WARN || !message) return;
    std::lock_guard lock(g_log_mutex);
    g_last_log = message;
}

}  // namespace

void InstallFluidLog() {
    // FluidSynth logs through process-wide functions; keep its last
    // complaint for the error text instead of printing it.
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, QuietLog, nullptr);
    });
}

std::string TakeFluidLog() {
    std::lock_guard lock(g_log_mutex);
    std::string out;
    out.swap(g_last_log);
    return out;
}

int ReadMidiSong(const std::string& path, const std::string& rcp_library, std::optional<midi::Song>* song,
                 std::string* why) {
    std::error_code ec;
    auto bytes = fileio::ReadFile(path, kMaxSongBytes, &ec);
    if (!bytes) {
        *why = ec.message();
        return files::IsFileFound(path, true) ? mci::kFileRead : mci::kFileNotFound;
    }
    if (HasRcpSignature(*bytes)) {
        // Converted in memory; the song never exists as a file of its own.
        std::optional<std::string> smf;
        if (!rcp_library.empty()) smf = RcpcvBinding(rcp_library).Convert(path);
        if (!smf) {
            *why = "RCP conversion through " + rcp_library + " failed";
            return mci::kInvalidFile;
        }
        bytes = std::move(smf);
    }
    *song = midi::ParseSmf(*bytes, why);
    return *song ? mci::kOk : mci::kInvalidFile;
}

PreparedSong PrepareSong(const midi::Song& song, const midi::LoopOptions& loops) {
    PreparedSong p;
    p.mode = midi::DetectMode(song);
    p.plan = midi::PlanLoops(song, loops, &p.problems);
    for (const auto& e : song.events()) {
        std::uint8_t status = e.Status();
        if ((status & 0xF0) == 0x90 && e.bytes.size() >= 3 && e.bytes[2] != 0) {
            if (!p.has_notes) p.first_note_ms = song.TickToMs(e.tick);
            p.has_notes = true;
            p.used_channels[status & 0x0F] = true;
        }
    }
    return p;
}

SynthEngine::SynthEngine() {
    InstallFluidLog();
    settings_ = new_fluid_settings();
    if (!settings_) return;
    fluid_settings_setnum(settings_, "synth.sample-rate", kSampleRate);
    // The player counts time in rendered samples, so the silent output can
    // run faster than real time and still keep the song's timing.
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    fluid_settings_setint(settings_, "synth.lock-memory", 0);
    // The sound server's mixer lists the stream as music.
    fluid_settings_setstr(settings_, "audio.pulseaudio.media-role", "music");
    synth_ = new_fluid_synth(settings_);
    if (synth_) gain_ = fluid_synth_get_gain(synth_);
}

SynthEngine::~SynthEngine() {
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
}

bool SynthEngine::UseFonts(const std::vector<std::string>& chain) {
    if (!synth_) return false;
    if (LoadChain(chain)) return true;
    // Nothing of the chain loaded: the system's fonts, if they are not what
    // just failed.
    auto defaults = DefaultSoundFonts();
    return defaults != chain && !defaults.empty() && LoadChain(defaults);
}

bool SynthEngine::LoadChain(const std::vector<std::string>& chain) {
    std::vector<Font> next;
    for (const auto& path : chain) {
        if (std::any_of(next.begin(), next.end(), [&](const Font& f) { return f.path == path; })) continue;
        auto old = std::find_if(fonts_.begin(), fonts_.end(), [&](const Font& f) { return f.path == path; });
        if (old != fonts_.end()) {
            next.push_back(*old);
            continue;
        }
        int id = fluid_synth_sfload(synth_, path.c_str(), 0);
        if (id == FLUID_FAILED) {
            std::string why = TakeFluidLog();
            if (std::find(failed_fonts_.begin(), failed_fonts_.end(), path) == failed_fonts_.end()) {
                failed_fonts_.push_back(path);
                Notice("ｻｳﾝﾄﾞﾌｫﾝﾄを読めません。次のﾌｫﾝﾄで演奏します: " + path + (why.empty() ? "" : " (" + why + ")"));
            }
            continue;
        }
        next.push_back({path, id});
    }
    if (next.empty()) return false;
    auto same = [](const Font& a, const Font& b) { return a.id == b.id; };
    if (std::equal(next.begin(), next.end(), fonts_.begin(), fonts_.end(), same)) return true;
    for (const auto& f : fonts_)
        if (std::none_of(next.begin(), next.end(), [&](const Font& n) { return n.id == f.id; }))
            fluid_synth_sfunload(synth_, static_cast<unsigned>(f.id), 0);
    fonts_ = std::move(next);
    font_paths_.clear();
    catalog_ = midi::PresetCatalog();
    for (const auto& f : fonts_) {
        font_paths_.push_back(f.path);
        std::vector<midi::FontPreset> presets;
        if (fluid_sfont_t* sfont = fluid_synth_get_sfont_by_id(synth_, f.id)) {
            fluid_sfont_iteration_start(sfont);
            while (fluid_preset_t* p = fluid_sfont_iteration_next(sfont)) {
                const char* name = fluid_preset_get_name(p);
                presets.push_back({fluid_preset_get_banknum(p), fluid_preset_get_num(p), name ? name : ""});
            }
        }
        catalog_.AddFont(std::move(presets));
    }
    // The module resolved its presets against the old catalog.
    if (module_) module_ = std::make_unique<midi::SoundModule>(module_->mode(), &catalog_);
    return true;
}

void SynthEngine::BeginSong(const PreparedSong& song) {
    for (auto& p : song.problems) Notice(p);
    bool carry = module_ && !last_song_had_notes_;
    if (carry) {
        // The channels stay as the initialisation file left them, and its
        // GS or XG mode holds for a song that names no module (its GM is
        // only the want of anything else).
        fluid_synth_all_notes_off(synth_, -1);
        if (song.mode != midi::ModuleMode::GM && song.mode != module_->mode())
            module_ = std::make_unique<midi::SoundModule>(song.mode, &catalog_);
    } else {
        module_ = std::make_unique<midi::SoundModule>(song.mode, &catalog_);
        module_->Reset(*this);
    }
    last_song_had_notes_ = song.has_notes;
    fade_ = 1.0;
    ApplyGain();
}

void SynthEngine::Play(const midi::Event& event) {
    if (event.IsMeta() || event.bytes.empty()) return;
    if (!module_) {
        module_ = std::make_unique<midi::SoundModule>(midi::ModuleMode::GM, &catalog_);
        module_->Reset(*this);
    }
    module_->Feed(event, *this);
}

midi::ModuleMode SynthEngine::mode() const { return module_ ? module_->mode() : midi::ModuleMode::GM; }

void SynthEngine::Silence() {
    if (synth_) fluid_synth_all_notes_off(synth_, -1);
}

void SynthEngine::SetMuted(bool muted) {
    muted_ = muted;
    ApplyGain();
}

void SynthEngine::SetFade(double factor) {
    factor = std::clamp(factor, 0.0, 1.0);
    if (factor == fade_) return;
    fade_ = factor;
    ApplyGain();
}

void SynthEngine::SetLevel(double factor) {
    level_ = std::max(0.0, factor);
    ApplyGain();
}

void SynthEngine::ApplyGain() {
    // FluidSynth takes gains up to 10: a song 34 dB quieter than its target
    // stops there.
    if (synth_)
        fluid_synth_set_gain(synth_, muted_ ? 0.0f : static_cast<float>(std::min(10.0, gain_ * fade_ * level_)));
}

std::vector<MidiChannelInfo> SynthEngine::Channels(const std::vector<bool>& used) const {
    std::vector<MidiChannelInfo> out;
    for (int c = 0; c < 16; ++c) {
        if (c >= static_cast<int>(used.size()) || !used[static_cast<std::size_t>(c)]) continue;
        MidiChannelInfo info;
        info.channel = c + 1;
        if (module_) {
            const auto& ch = module_->channel(c);
            info.bank_msb = ch.bank_msb;
            info.bank_lsb = ch.bank_lsb;
            info.program = ch.program;
            info.drum = ch.drum;
            info.fallback = ch.preset.fallback;
        }
        if (fluid_preset_t* p = fluid_synth_get_channel_preset(synth_, c)) {
            const char* name = fluid_preset_get_name(p);
            info.preset = name ? name : "";
        }
        out.push_back(std::move(info));
    }
    return out;
}

std::vector<std::string> SynthEngine::TakeNotices() {
    if (module_)
        for (auto& p : module_->TakeProblems()) Notice(std::move(p));
    std::vector<std::string> out;
    out.swap(notices_);
    return out;
}

void SynthEngine::Notice(std::string text) {
    if (std::find(notices_.begin(), notices_.end(), text) == notices_.end()) notices_.push_back(std::move(text));
}

void SynthEngine::ResetSynth() {
    fluid_synth_system_reset(synth_);
    fade_ = 1.0;
    ApplyGain();
}

void SynthEngine::SetDrumChannel(int channel, bool drum) {
    fluid_synth_set_channel_type(synth_, channel, drum ? CHANNEL_TYPE_DRUM : CHANNEL_TYPE_MELODIC);
}

void SynthEngine::SelectPreset(int channel, const midi::ResolvedPreset& preset) {
    if (preset.font < 0 || preset.font >= static_cast<int>(fonts_.size())) {
        fluid_synth_unset_program(synth_, channel);
        return;
    }
    fluid_synth_program_select(synth_, channel, fonts_[static_cast<std::size_t>(preset.font)].id, preset.bank,
                               preset.program);
}

void SynthEngine::SetReverb(const midi::ReverbParams& p) {
    fluid_synth_set_reverb_group_roomsize(synth_, -1, p.room_size);
    fluid_synth_set_reverb_group_damp(synth_, -1, p.damping);
    fluid_synth_set_reverb_group_width(synth_, -1, p.width);
    fluid_synth_set_reverb_group_level(synth_, -1, p.level);
}

void SynthEngine::SetChorus(const midi::ChorusParams& p) {
    fluid_synth_set_chorus_group_nr(synth_, -1, p.voices);
    fluid_synth_set_chorus_group_level(synth_, -1, p.level);
    fluid_synth_set_chorus_group_speed(synth_, -1, p.speed);
    fluid_synth_set_chorus_group_depth(synth_, -1, p.depth);
    fluid_synth_set_chorus_group_type(synth_, -1, p.triangle ? FLUID_CHORUS_MOD_TRIANGLE : FLUID_CHORUS_MOD_SINE);
}

void SynthEngine::Forward(const midi::Event& e) {
    const auto* b = reinterpret_cast<const unsigned char*>(e.bytes.data());
    std::size_t n = e.bytes.size();
    if (n == 0) return;
    std::uint8_t status = b[0];
    if (status == 0xF0 || status == 0xF7) {
        std::string_view body(e.bytes);
        body.remove_prefix(1);
        if (!body.empty() && body.back() == '\xF7') body.remove_suffix(1);
        if (!body.empty())
            fluid_synth_sysex(synth_, body.data(), static_cast<int>(body.size()), nullptr, nullptr, nullptr, 0);
        return;
    }
    int chan = status & 0x0F;
    int d1 = n > 1 ? b[1] & 0x7F : 0;
    int d2 = n > 2 ? b[2] & 0x7F : 0;
    switch (status & 0xF0) {
        case 0x80: fluid_synth_noteoff(synth_, chan, d1); break;
        case 0x90:
            if (d2 == 0) fluid_synth_noteoff(synth_, chan, d1);
            else fluid_synth_noteon(synth_, chan, d1, d2);
            break;
        case 0xA0: fluid_synth_key_pressure(synth_, chan, d1, d2); break;
        case 0xB0: fluid_synth_cc(synth_, chan, d1, d2); break;
        case 0xC0: fluid_synth_program_change(synth_, chan, d1); break;
        case 0xD0: fluid_synth_channel_pressure(synth_, chan, d1); break;
        case 0xE0: fluid_synth_pitch_bend(synth_, chan, d1 | (d2 << 7)); break;
        default: break;
    }
}

}  // namespace nuko::playback
