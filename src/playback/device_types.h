// Which back end plays a file extension and whether it can on this machine,
// and the start-up probe built on it (the lists of the MCI check dialog).
// The look-up is plain logic over facts that GatherPlatformFacts collects.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "audio_outputs.h"

namespace nuko::playback {

enum class BackendType { None, Sequencer, Disc, Mpv };

// The device type names.
inline constexpr std::string_view kSequencerType = "sequencer";  // MIDI on FluidSynth
inline constexpr std::string_view kCdAudioType = "cdaudio";      // audio CD
inline constexpr std::string_view kMpvType = "mpv";              // movies and sound files

struct PlatformFacts {
    std::string sound_font;               // the font chain's first usable font; empty: none
    bool mpv = false;                     // the libmpv back-end module is there
    std::vector<std::string> cd_drives;   // "/dev/sr0", ...
    AudioOutputs outputs;
    bool rcp_converter = false;           // librcpcv.so with all its functions
    bool smf_converter = false;           // libsmfk32.so with all its functions
    bool archive_library = false;         // liblhasa
};

struct DeviceType {
    std::string name;                     // empty when no back end plays the extension
    BackendType backend = BackendType::None;
    bool driver = false;                  // the back end is there: an open may go ahead
    bool usable = false;                  // and it can play now (sound font, drive)
    // The universal back end (the one that plays everything, like a
    // DirectShow device) plays this type.
    bool universal = false;
};

// The device type of an extension (lower case, without the dot). Movie
// extensions play through the universal back end whether or not
// `active_movie` is on; the flag only decides whether they count as played
// through it (which the movie window's mouse actions follow).
DeviceType LookupDeviceType(std::string_view extension, const PlatformFacts& facts, bool active_movie);

// Looks at the machine: sound font, CD drives, audio outputs, and the
// libmpv back-end module and the outside libraries in `program_folder`.
// Loads no back-end module.
PlatformFacts GatherPlatformFacts(const std::vector<std::string>& sound_fonts, const std::string& program_folder);

struct ProbeResult {
    std::vector<std::string> playable;     // "MID\tMIDI用ﾄﾞﾗｲﾊﾞｰ", ...
    std::vector<std::string> need_driver;  // strings::kAllMediaPlayable alone when everything plays
    bool all_playable = false;
    std::vector<std::string> tools;        // converter and archive libraries
};

// The lists of the MCI check dialog.
ProbeResult BuildProbe(const PlatformFacts& facts, bool active_movie);

}  // namespace nuko::playback
