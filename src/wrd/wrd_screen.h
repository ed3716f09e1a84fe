// What the WRD reader draws on: the operations its commands and text lines
// need of the MIDI-Word screen, which CMidiWordFrame (midi_word_frame.h)
// implements. The reader knows its screen through this alone. Numbers are
// the script's, limited by the reader where it limits them. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "nuko/wrd_picture.h"
#include "wrd_palettes.h"

namespace nuko::wrd {

class WrdScreen {
public:
    // ---- The window and the script ----

    // Whether the window is shown (a screen without a window counts as shown).
    virtual bool visible() const = 0;
    // Clears screen and reader, shows the song's own picture if it has one
    // and runs the start run (a restart after the script was loaded again).
    virtual void ResetAndStart() = 0;

    // ---- Text ----

    // Text at the cursor in the current attribute, ESC sequences interpreted.
    virtual void PrintText(std::string_view bytes) = 0;
    // Interprets one ESC sequence; `seq` starts after the ESC byte. Returns
    // the bytes it took (0: not a sequence, the ESC alone is dropped).
    virtual std::size_t Escape(std::string_view seq) = 0;
    // Column 0 of the next row, scrolling the text up on the last row.
    virtual void NewLine() = 0;
    // A picture program's text.
    virtual void PrintProgramText(std::string_view cp932) = 0;
    virtual int cursor_column() const = 0;
    virtual int cursor_row() const = 0;
    virtual void SetCursor(int column, int row) = 0;
    virtual void SetAttribute(int attr) = 0;
    // @TCL and @SCR with their 1-based values as given (-1 = not given).
    virtual void TextClear(int x1, int y1, int x2, int y2, int colour, int ch) = 0;
    virtual void TextScroll(int x1, int y1, int x2, int y2, int mode, int colour, int ch) = 0;
    // @TON.
    virtual void SetTextDisplay(std::int64_t n) = 0;

    // ---- Palettes ----

    // @PAL: `named` when the list began with "#n".
    virtual void SetPaletteColors(int n, bool named, const Palette& colors) = 0;
    // @PALR.
    virtual void InvertPalette(int n) = 0;
    // @FAD, at the reader's due time.
    virtual void StartFade(int from, int to, std::int64_t speed, std::int32_t due_time) = 0;
    // The fade under way; the reader times its steps.
    virtual Fade& fade() = 0;
    // One step of a running fade; true when every colour has arrived.
    virtual bool FadeStep() = 0;
    // Palette 0 takes the display page's palette and is applied.
    virtual void ApplyDisplayPalette() = 0;

    // ---- Graphics ----

    // @GON, @GSC, @GIN.
    virtual void SetGraphicsDisplay(std::int64_t n) = 0;
    virtual void SetGraphicsScreen(std::int64_t draw, std::int64_t display) = 0;
    virtual void InitGraphics() = 0;
    virtual void SetDisplayPage(int page) = 0;
    virtual void SetDrawPage(int page) = 0;
    virtual void SetGraphicsOn(bool on) = 0;
    // Draws a picture file into the draw page and takes over its colours by
    // the palette mode; a picture program's text goes to `text`.
    virtual bool LoadPicture(PictureKind kind, const std::string& path, int x, int y, int reduction,
                             int palette_mode, std::string* text) = 0;
    virtual void Circle(std::int64_t x, std::int64_t y, std::int64_t r, std::int64_t colour, std::int64_t mode,
                        std::int64_t fill) = 0;
    virtual void ClearGraphics(std::int64_t n) = 0;
    // `pattern` < 0: not given.
    virtual void LineOrBox(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::int64_t colour,
                           std::int64_t mode, std::int64_t pattern) = 0;
    virtual void SetGraphicsMode(std::int64_t n) = 0;
    virtual void BlockMove(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::int64_t x3,
                           std::int64_t y3, std::int64_t from_page, std::int64_t to_page, std::int64_t mode) = 0;
    // Fills the display page with colour 0 (the clearing picture program).
    virtual void ClearDisplayPage() = 0;

protected:
    // Not deleted through the interface: the reader does not own its screen.
    ~WrdScreen() = default;
};

}  // namespace nuko::wrd
