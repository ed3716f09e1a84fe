// The RCP conversion the play path runs before an RCP, R36 or G36 song
// when the "Tool\Rcpcv" "Used" setting is on: the song becomes a standard
// MIDI file in the work folder through librcpcv.so, with a progress window
// when "DlgView" is on.
#pragma once

#include <string>
#include <string_view>

namespace nuko::playback {

// What shows the conversion ("RCPCV 実行中..."); the Qt dialog in the
// player, fakes in tests.
class RcpConversionView {
public:
    virtual ~RcpConversionView() = default;
    // Shown with the song's file name before the conversion starts.
    virtual void Begin(std::string_view song_file_name) = 0;
    virtual void SetProgress(int percent) = 0;
    // Closes, with OK when `ok`, else with Cancel.
    virtual void End(bool ok) = 0;
};

// Converts `song` into `temp` with the library at `library`; `view` null
// runs without a window. False (no message) when the library or one of its
// functions is missing; false after message 195 when its version is below
// 1.8. True once the version passed, also when the library made nothing
// of the song: nothing is written then, and an earlier file at `temp` is
// gone, so the play that follows fails instead of playing another song.
// False too when `temp` cannot be written.
bool ConvertRcp(const std::string& library, const std::string& song, const std::string& temp,
                RcpConversionView* view, void* owner_window = nullptr);

}  // namespace nuko::playback
