// WRD scripts: load, start, then ticks at a few positions and far ahead until
// the reader ends, with and without catch-up; the screen composed at the
// end. The reader must always reach the end.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "wrd/midi_word_dib_frame.h"
#include "nuko/dispatch.h"

namespace {

// Inks a diagonal, so glyph drawing and double width run without a font.
class DiagonalGlyphs final : public nuko::wrd::GlyphSource {
public:
    void SetFont(const std::string&, int) override {}
    nuko::wrd::GlyphMask Render(std::string_view, bool, int width, int height) override {
        nuko::wrd::GlyphMask g{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width * height), 0)};
        for (int y = 0; y < height; ++y) g.ink[static_cast<std::size_t>(y * width + y * width / height)] = 1;
        return g;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One screen for every input, as the player keeps one window for every
    // song: loading a script starts it from a clean state.
    static DiagonalGlyphs glyphs;
    static nuko::CallQueue queue;
    static nuko::wrd::CMidiWordDibFrame frame(&glyphs, &queue);
    std::string script(reinterpret_cast<const char*>(data), size);
    if (!frame.LoadScriptBytes(script, "/nonexistent/wrd-fuzz/song.mid")) return 0;
    frame.ResetAndStart();
    frame.SetWaitRatio(3, 4);
    // (Restart on rewind would read the script from disk again.)
    frame.SetOptions(size % 2 == 1, false);
    for (int p : {0, 1, 17, 5, 300}) {
        frame.OnWrdTick(p);
        queue.RunPending();
    }
    frame.SetOptions(true, false);
    // Every tick reads at least one line or one unit of step text.
    for (std::size_t i = 0; i <= 2 * size + 2 && !frame.reader().ended(); ++i) {
        frame.OnWrdTick(INT_MAX);
        queue.RunPending();
    }
    if (!frame.reader().ended()) {
        std::fprintf(stderr, "the reader did not reach the end of a script of %zu bytes\n", size);
        std::abort();
    }
    // Composing is the same work for any script; now and then is enough.
    if (size % 8 == 0) (void)frame.Compose();
    return 0;
}
