// The sound module that a MIDI song was made for, modelled in plain C++:
// which module the song asks for (GM, GM2, GS, XG, MT-32), what each of its
// system exclusive messages means, which preset of the loaded fonts each
// channel plays (with the fallback a real module makes when a variation tone
// or kit is missing) and the reverb and chorus it sets. The synthesizer is
// driven through SynthSink, so the rules are tested without one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "midi_song.h"

namespace nuko::midi {

enum class ModuleMode { GM, GM2, GS, XG, MT32 };

// "GM", "GM2", "GS", "XG", "MT-32".
std::string_view ModeName(ModuleMode mode);

// The mode a song asks for: from its resets and exclusives first (the first
// one that names a module decides, GM System On only when no GS, XG or GM2
// message follows it; an MT-32 exclusive anywhere makes it
// MT-32 unless a GS or XG reset comes first), failing those from its bank
// use (bank MSB 127/126 or a non-zero LSB with MSB 0: XG; MSB 120/121 with
// GM2's LSBs: GM2; MSB 1-63: GS); else GM.
ModuleMode DetectMode(const Song& song);

// One preset of a sound font: its bank as the font numbers it (128 for the
// drum kits) and program.
struct FontPreset {
    int bank = 0;
    int program = 0;
    std::string name;
};

// The presets of a chain of fonts, the first font winning where two offer
// the same bank and program.
class PresetCatalog {
public:
    void AddFont(std::vector<FontPreset> presets);  // the next font, lower in priority
    int font_count() const { return static_cast<int>(fonts_.size()); }
    // The font (index in AddFont order) that offers bank:program, or nullopt.
    std::optional<int> Find(int bank, int program) const;
    // The preset's name in that font ("" when none).
    std::string Name(int font, int bank, int program) const;
    // Whether any font has a preset in `bank`.
    bool HasBank(int bank) const;
    // The first preset of the chain that is a drum kit (bank 128) or not.
    std::optional<FontPreset> First(bool drum) const;

private:
    std::vector<std::vector<FontPreset>> fonts_;
};

// The preset a channel plays, as resolved against the catalog.
struct ResolvedPreset {
    int font = -1;  // index in the catalog; -1: no font has anything for it
    int bank = 0;   // the font's bank (128: drum kits)
    int program = 0;
    std::string name;
    bool fallback = false;  // not what the song asked for
};

struct ReverbParams {
    double room_size = 0.2;  // 0..1
    double damping = 0.0;    // 0..1
    double width = 0.5;      // 0..100
    double level = 0.9;      // 0..1
};

struct ChorusParams {
    int voices = 3;        // 0..99
    double level = 2.0;    // 0..10
    double speed = 0.3;    // Hz, 0.1..5
    double depth = 8.0;    // ms, 0..256
    bool triangle = false; // else sine
};

// What the model makes the synthesizer do. Channels count from 0.
class SynthSink {
public:
    virtual ~SynthSink() = default;
    // Everything back to power-on: notes off, controllers, programs.
    virtual void ResetSynth() = 0;
    virtual void SetDrumChannel(int channel, bool drum) = 0;
    virtual void SelectPreset(int channel, const ResolvedPreset& preset) = 0;
    virtual void SetReverb(const ReverbParams& params) = 0;
    virtual void SetChorus(const ChorusParams& params) = 0;
    // Any other event, to be played as it is: notes, controllers other than
    // bank select, pitch bend, exclusives the model does not take over
    // (tuning, master volume, ...). Meta events never come here.
    virtual void Forward(const Event& event) = 0;
};

class SoundModule {
public:
    struct Channel {
        int bank_msb = 0;
        int bank_lsb = 0;
        int program = 0;
        bool drum = false;
        bool used = false;  // a note has sounded on it
        ResolvedPreset preset;
    };

    // `catalog` (not owned) outlives the module.
    SoundModule(ModuleMode mode, const PresetCatalog* catalog);

    ModuleMode mode() const { return mode_; }

    // A clean module in this mode: the sink's synthesizer reset, channel 10
    // (index 9) the only drum channel, every channel on program 0 of bank 0
    // (resolved), the mode's default reverb and chorus.
    void Reset(SynthSink& sink);

    // Plays one event of the song. Bank selects are held until the next
    // program change (as modules do); a program change resolves and selects
    // the preset; the GS "use for rhythm part" exclusive switches the part at
    // once and selects its kit; GM/GM2/GS/XG resets reset (a reset of
    // another module than the mode's switches the mode); GS reverb and
    // chorus macros and levels, XG reverb and chorus types set the effects.
    // Broken exclusives (wrong Roland checksum, cut short) are dropped.
    void Feed(const Event& event, SynthSink& sink);

    // 0..15.
    const Channel& channel(int index) const { return channels_[static_cast<std::size_t>(index)]; }

    // What went wrong since the last call, each kind of problem once per
    // song (a broken exclusive, a bank that no font has, ...), in Japanese.
    std::vector<std::string> TakeProblems();

private:
    // The effect settings as the song's exclusives left them, in the units
    // of the messages (0..127, macro and type numbers).
    struct GsEffects {
        int reverb_macro = 4;  // Hall 2
        int reverb_level = 64;
        int reverb_time = 64;
        int chorus_macro = 2;  // Chorus 3
        int chorus_level = 64;
        int chorus_rate = 3;
        int chorus_depth = 19;
    };
    struct XgEffects {
        int reverb_msb = 0x01;  // Hall 1
        int reverb_lsb = 0;
        int reverb_return = 64;
        int chorus_msb = 0x41;  // Chorus 1
        int chorus_lsb = 0;
        int chorus_return = 64;
    };

    void ResetModule(SynthSink& sink);
    void SelectFor(int index, SynthSink& sink);
    ResolvedPreset Resolve(int index);
    void FeedSysex(const Event& event, SynthSink& sink);
    // One parameter of a data set; false when the model does not take it
    // over. `effects` collects which effects changed.
    bool RolandParameter(std::uint32_t address, int value, SynthSink& sink, unsigned& effects);
    bool YamahaParameter(std::uint32_t address, int value, unsigned& effects);
    void ApplyEffects(unsigned effects, bool xg, SynthSink& sink);
    void ApplyReverb(SynthSink& sink, bool xg);
    void ApplyChorus(SynthSink& sink, bool xg);
    void Problem(const std::string& kind, std::string text);

    ModuleMode mode_;
    const PresetCatalog* catalog_;
    GsEffects gs_;
    XgEffects xg_;
    std::array<Channel, 16> channels_{};
    std::vector<std::string> problems_;
    std::vector<std::string> reported_;  // kinds already said
};

}  // namespace nuko::midi
