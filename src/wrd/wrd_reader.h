// The WRD reader: a one-pass interpreter of the script that comes with a
// MIDI song. It keeps a read position and a due time in WRD clocks (24 per
// quarter note, 96 per bar) and, on every song position it is told, reads and
// runs lines until the script says to wait. Lines are never read twice; the
// whole script is loaded again only on a restart.
//
// The reader works on the script's raw CP932 bytes and draws through its
// screen (wrd_screen.h); the MIDI-Word frame is that screen and owns it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "nuko/dispatch.h"
#include "wrd_screen.h"

namespace nuko::wrd {

// Longest line kept; the rest of an overlong line is folded into its last
// byte.
inline constexpr std::size_t kLineMax = 2048;
// Largest script read.
inline constexpr std::size_t kScriptMaxBytes = 64u << 20;
// WRD clocks per bar, and per sixteenth note of the song position.
inline constexpr std::int32_t kClocksPerBar = 96;
inline constexpr std::int32_t kClocksPerPosition = 6;

class WrdReader {
public:
    // `screen` must outlive the reader; `dispatcher` (may be null) takes the
    // catch-up re-posts.
    WrdReader(WrdScreen& screen, Dispatcher* dispatcher);
    ~WrdReader();
    WrdReader(const WrdReader&) = delete;
    WrdReader& operator=(const WrdReader&) = delete;

    // The script of `song_path` from disk, or given bytes as if it were.
    bool Load(const std::string& song_path);
    bool LoadBytes(std::string bytes, const std::string& song_path);
    void Free();
    bool loaded() const { return loaded_; }

    // The reader fields to their values at load.
    void Reset();
    // The start run: reads the script's head before the song starts, when
    // the script has "@start" in its first 1000 bytes and the window shows.
    void StartRun();

    void SetWaitRatio(int beats, int unit);
    void SetOptions(bool catch_up, bool restart_on_rewind) {
        catch_up_ = catch_up;
        restart_on_rewind_ = restart_on_rewind;
    }
    void SetRunOnlyWhileVisible(bool on) { run_only_visible_ = on; }

    // One time message: the song position in sixteenth notes.
    void Tick(std::int32_t position);

    // ---- State, for the screen and for tests ----
    bool ended() const { return ended_; }
    std::int32_t due_time() const { return due_; }
    std::int32_t line_time() const { return line_time_; }
    int text_mode() const { return text_mode_; }
    int version() const { return version_; }
    int start_run_state() const { return start_run_; }
    bool in_start_run() const { return start_run_ != 0; }
    std::int32_t offset() const { return offset_; }
    std::pair<int, int> wait_ratio() const { return {ratio_beats_, ratio_unit_}; }
    const std::string& pending_line() const { return pending_; }
    std::size_t bytes_consumed() const { return read_; }
    // The song's folder ("/" at the end): picture names are taken from it.
    const std::string& song_folder() const { return song_folder_; }
    const std::string& song_path() const { return song_path_; }

private:
    struct LineResult {
        bool waiting = false;  // a @RES, @WAI or @WMO ran
        std::string rest;      // the commands after it, for later
    };

    bool ReadLine(std::string& line);
    void RunTick(std::int32_t position);
    LineResult RunCommandLine(std::string_view line);
    void PrintTextLine(std::string_view line, bool stop);
    bool StepTextUnit();
    bool ContinueStepText();
    void SetDue(std::int64_t v);

    // Commands (wrd_commands.cpp).
    bool RunCommand(std::string_view line, std::size_t name_at, std::size_t* resume);
    void CmdColor(std::string_view params);
    void CmdEscape(std::string_view params);
    void CmdExec(std::string_view params);
    void CmdFade(std::string_view params);
    void CmdCircle(std::string_view params);
    void CmdGraphicsClear(std::string_view params);
    void CmdLine(std::string_view params);
    void CmdGraphicsMode(std::string_view params);
    void CmdBlockMove(std::string_view params);
    void CmdGraphicsOn(std::string_view params);
    void CmdGraphicsScreen(std::string_view params);
    void CmdLocate(std::string_view params);
    void CmdMag(std::string_view params);
    void CmdOffset(std::string_view params);
    void CmdPalette(std::string_view params);
    void CmdPaletteInvert(std::string_view params);
    void CmdPho(std::string_view params);
    void CmdRest(std::string_view params);
    void CmdTextScroll(std::string_view params);
    void CmdStart(std::string_view params, bool has_params);
    void CmdTextClear(std::string_view params);
    void CmdTextOn(std::string_view params);
    void CmdWait(std::string_view params);
    void CmdWmode(std::string_view params);

    WrdScreen& screen_;
    Dispatcher* dispatcher_;
    // Lets a queued re-post find out that the reader is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    // The script.
    bool loaded_ = false;
    std::string script_;
    std::string song_path_;
    std::string song_folder_;
    std::size_t read_ = 0;
    std::string pending_;
    std::string step_text_;

    // Options.
    bool catch_up_ = false;
    bool restart_on_rewind_ = false;
    bool run_only_visible_ = false;

    // Timing. Due time and clock are WRD clocks.
    std::int32_t due_ = 0;
    std::int32_t clock_now_ = 0;
    std::int32_t last_position_ = -1;
    bool ended_ = false;
    bool end_met_ = false;  // @END ran on the line under way
    bool wait_pending_ = false;
    std::uint16_t wait_bar_ = 0;
    std::uint16_t wait_step_ = 0;
    std::int32_t offset_ = 0;
    std::uint16_t rest_bars_ = 0;
    std::uint16_t rest_steps_ = 0;
    bool wmode_met_ = false;
    std::int32_t line_time_ = 0;
    bool line_time_latch_ = false;
    int text_mode_ = 0;
    bool text_mode_given_ = false;
    bool step_text_active_ = false;
    bool step_continued_ = false;
    bool step_break_pending_ = false;
    int version_ = 380;
    int start_run_ = 0;
    bool start_marker_absent_ = true;
    int ratio_beats_ = 4;
    int ratio_unit_ = 4;
    // The ratio the main frame gave, kept for a restart on rewind.
    int given_beats_ = 4;
    int given_unit_ = 4;

    // Marks of the tick under way.
    bool busy_ = false;  // the re-entrancy guard
    bool wmode_seen_tick_ = false;
    bool hold_next_line_ = false;
    std::int32_t tick_line_time_ = 0;
    // A @WMO met on a line that did not end the tick, carried to the next
    // line that does.
    bool wmode_carry_ = false;
};

}  // namespace nuko::wrd
