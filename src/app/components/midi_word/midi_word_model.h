// The MIDI-Word window without its widget: which screen a song gets, when
// the window shows, the full-screen mark that carries from song to song,
// what a key does, and where the window may stand on the desktop. Plain C++;
// the window (midi_word_window.h) draws what the screen composes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "settings/settings.h"
#include "nuko/dispatch.h"
#include "library/media_kinds.h"
#include "wrd/lyric_screen.h"
#include "wrd/midi_word_frame.h"

namespace nuko::app {

struct WordRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WordRect&) const = default;
};

// Where a window at `r` stands so that the user can reach it: one wholly
// left of or above the desktop goes to 0 on that axis; one starting beyond
// the right or bottom edge is moved in by its own size.
WordRect KeepOnDesktop(WordRect r, WordRect desktop);

// Where a window of `width` x `height` first stands beside the owner's
// frame, so that it covers neither the owner's caption nor its panels: to
// the right, below, to the left or above, the first of these that the
// desktop holds whole. When none does, the place on the desktop that covers
// the least of the owner.
WordRect FirstPlaceBeside(WordRect owner, int width, int height, WordRect desktop);

// The screen's picture in full screen: scaled by the largest whole factor
// that fits (pixel art stays sharp) and centred. A picture larger than the
// screen keeps its shape and is scaled down to fit.
WordRect FullScreenPicture(int width, int height, WordRect screen);

enum class WordKey { None, Previous, Play, Next, Stop, Pause, FullScreen };

// Windows virtual keys the window knows by name.
namespace vk {
inline constexpr int kReturn = 13;
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kF = 'F';
}  // namespace vk

// What a key pressed in the window does. The hot key table comes first
// (its play keys and WrdFull, enabled records only, modifiers Shift 1,
// Ctrl 2, Alt 4 compared without the extended bit); then Esc pause, Space
// stop, Left/Up previous, Right/Down next, Enter play and F full screen.
// Play commands count only in full screen, where the main window cannot be
// reached; full screen only where the window system allows it.
WordKey WordKeyAction(int virtual_key, int modifiers, const settings::HotkeySection& hotkeys, bool full_screen,
                      bool can_full_screen);

class MidiWordModel {
public:
    // `glyphs` and `dispatcher` outlive the model; glyphs may be null (no
    // characters drawn).
    MidiWordModel(wrd::GlyphSource* glyphs, Dispatcher* dispatcher);
    ~MidiWordModel();
    MidiWordModel(const MidiWordModel&) = delete;
    MidiWordModel& operator=(const MidiWordModel&) = delete;

    // `word_on`: the main switch (menu "WRDﾌｧｲﾙ表示"). A change of the
    // graphics switch builds the other screen, unless a script runs now.
    void ApplySettings(const settings::WordSection& word, bool word_on);
    void StoreSettings(settings::WordSection& word) const;
    bool word_on() const { return word_on_; }

    // An item started. Loads the script beside a MIDI song (`source` is the
    // song's own file, before any conversion) when the switch is on, resets
    // the screen and runs its start run; a song without a script shows its
    // lyrics when it has some and `Word`/`Lyrics` is on. True when the
    // window is to show.
    bool SongStarted(media::MediaKind kind, const std::string& source);
    // The main switch: off frees the script (the window hides); on loads the
    // script of the song playing now, if any. True when the window is to
    // show.
    bool SetWordOn(bool on);
    // The song position in sixteenth notes.
    void Tick(std::uint32_t position);

    // A script runs, or a song's lyrics show: the window shows and the
    // clock sends ticks.
    bool open() const { return open_; }
    // The lyrics shown for a song without a script, or null.
    const wrd::LyricScreen* lyrics() const { return lyrics_.get(); }
    wrd::CMidiWordFrame& frame() { return *frame_; }
    const wrd::CMidiWordFrame& frame() const { return *frame_; }
    // The song whose script is loaded (empty when none), and its script
    // file (empty when it is gone meanwhile).
    const std::string& song() const { return song_; }
    std::string ScriptPath() const;

    // Full screen: the window's state, and the mark that a script-less song
    // keeps for the next script.
    void SetFullScreen(bool on);
    bool full_screen() const { return full_screen_; }
    bool full_screen_mark() const { return full_screen_mark_; }

    // The window's place when not in full screen.
    void SetPosition(int x, int y) { x_ = x, y_ = y; }
    int x() const { return x_; }
    int y() const { return y_; }

    const settings::WordSection& settings() const { return word_; }

private:
    void BuildScreen();
    bool LoadFor(const std::string& source);
    bool LoadLyricsFor(const std::string& source);
    void Close();

    wrd::GlyphSource* glyphs_;
    Dispatcher* dispatcher_;
    std::unique_ptr<wrd::CMidiWordFrame> frame_;
    std::unique_ptr<wrd::LyricScreen> lyrics_;
    bool graphics_ = true;
    settings::WordSection word_;
    bool word_on_ = true;
    bool open_ = false;
    bool full_screen_ = false;
    bool full_screen_mark_ = false;
    int x_ = 0;
    int y_ = 0;
    // The MIDI song playing now and the one whose script is loaded.
    std::string playing_;
    std::string song_;
};

}  // namespace nuko::app
