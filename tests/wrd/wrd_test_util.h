// Helpers of the WRD tests: scripts written as UTF-8 lines, a screen driven
// tick by tick, and a glyph source that inks whole boxes.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "wrd/midi_word_dib_frame.h"
#include "nuko/dispatch.h"
#include "nuko/text.h"

namespace nuko::test {

// The lines in CP932, each ended by CR LF.
inline std::string Script(std::initializer_list<std::string> utf8_lines) {
    std::string out;
    for (const auto& line : utf8_lines) {
        auto bytes = text::Utf8ToCp932(line);
        out += bytes ? *bytes : line;
        out += "\r\n";
    }
    return out;
}

inline std::string Sjis(const std::string& utf8) { return *text::Utf8ToCp932(utf8); }

// Inks the left half of the box it is given, so tests can see which cells
// carry a character, how wide it was drawn, and which points are ink. (The
// real source is tested in wrd_qt_test.cpp.)
class BoxGlyphs final : public wrd::GlyphSource {
public:
    void SetFont(const std::string&, int) override {}
    wrd::GlyphMask Render(std::string_view cp932, bool double_width, int width, int height) override {
        drawn.emplace_back(cp932);
        last_double = double_width;
        wrd::GlyphMask g{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width * height), 0)};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width / 2; ++x) g.ink[static_cast<std::size_t>(y * width + x)] = 1;
        return g;
    }
    std::vector<std::string> drawn;
    bool last_double = false;
};

// A screen with its reader, driven by song positions.
struct TestScreen {
    explicit TestScreen(wrd::GlyphSource* glyphs = nullptr) : frame(glyphs, &queue) {}

    // Loads the script as if it lay beside `song` and starts it.
    bool Start(const std::string& script, const std::string& song = "/nonexistent/song.mid") {
        if (!frame.LoadScriptBytes(script, song)) return false;
        frame.ResetAndStart();
        return true;
    }
    void Tick(int position) {
        frame.OnWrdTick(position);
        queue.RunPending();
    }
    // Ticks every position from `from` to `to`.
    void TickRange(int from, int to) {
        for (int p = from; p <= to; ++p) Tick(p);
    }
    // The first position in from..to after whose tick the row shows `text`;
    // -1 when it never does.
    int PositionShowing(int row, const std::string& text, int from, int to) {
        for (int p = from; p <= to; ++p) {
            Tick(p);
            if (Row(row) == text) return p;
        }
        return -1;
    }
    std::string Row(int row) const { return frame.grid().RowText(row); }
    std::string Rows(int first, int last) const {
        std::string out;
        for (int r = first; r <= last; ++r) out += Row(r) + "|";
        return out;
    }

    CallQueue queue;
    wrd::CMidiWordDibFrame frame;
};

}  // namespace nuko::test
