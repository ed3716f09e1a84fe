// The words of a song without a WRD script on the MIDI-Word screen, drawn
// with the screen's own text engine in its double-width letters: the song's
// title at the top, then the line being sung, coloured syllable by syllable
// as the song reaches it, with the next line below. A song that marks its
// pages shows a page at a time (up to three lines) and turns it where the
// song says; one without shows the current line and the next. Lines longer
// than the screen wrap once and are cut after that. Harmony tracks are not
// shown: the lead voice's words (the track with the most syllables) are.
// Plain C++; main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lyrics.h"
#include "midi_word_frame.h"

namespace nuko::wrd {

// Text attributes of the lyric screen.
inline constexpr int kLyricTitleAttribute = 36;  // cyan
inline constexpr int kLyricSungAttribute = 33;   // yellow
inline constexpr int kLyricWaitingAttribute = 37;  // white

class LyricScreen {
public:
    // `title`: UTF-8, as the song's title is shown everywhere else.
    LyricScreen(Lyrics lyrics, std::string title);

    // Clears the frame and shows the first lines, nothing sung yet.
    void Start(CMidiWordFrame& frame);
    // The song position in sixteenth notes. Draws again when the page or
    // the sung part changed; true when it did.
    bool Show(CMidiWordFrame& frame, std::uint32_t sixteenths);

    // What is shown: lines first..first+count-1 of shown_lines(), of which
    // line `current` (-1: none yet) has `sung` syllables sung.
    struct View {
        std::size_t first = 0;
        std::size_t count = 0;
        long current = -1;
        std::size_t sung = 0;
        bool operator==(const View&) const = default;
    };
    // The view at a song tick.
    View ViewAt(std::uint32_t tick) const;
    const View& view() const { return view_; }
    const std::vector<LyricLine>& shown_lines() const { return lines_; }
    const std::string& title() const { return title_; }

private:
    void Draw(CMidiWordFrame& frame, const View& v);

    std::vector<LyricLine> lines_;
    bool paged_ = false;
    int division_ = 480;
    std::string title_;
    View view_;
    bool drawn_ = false;
};

}  // namespace nuko::wrd
