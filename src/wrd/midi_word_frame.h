// The MIDI-Word screen as a model: CMidiWordFrame owns the text screen
// (grid, cursor, attribute, the two text layers), the palette bank and the
// WRD reader, which draws on it through WrdScreen. Of the drawing operations
// the base frame does none, which makes it a text-only screen.
// CMidiWordDibFrame (midi_word_dib_frame.h) adds the two graphics pages.
//
// No toolkit here: the window that shows a frame, and the glyph source that
// rasterises its characters, live apart. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "nuko/dispatch.h"
#include "nuko/wrd_picture.h"
#include "wrd_glyphs.h"
#include "wrd_palettes.h"
#include "wrd_reader.h"
#include "wrd_screen.h"
#include "wrd_text_grid.h"
#include "wrd_text_layers.h"

namespace nuko::wrd {

// A composed screen: 0xFFRRGGBB points, row by row.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

inline constexpr const char* kDefaultWordFace = "ＭＳ 明朝";
inline constexpr int kDefaultWordFontSize = 16;

class CMidiWordFrame : public WrdScreen {
public:
    // `glyphs` draws the characters (none: cells are filled but carry no
    // characters); `dispatcher` takes the catch-up re-posts (none: catch-up
    // cannot re-post). Both must outlive the frame.
    CMidiWordFrame(GlyphSource* glyphs, Dispatcher* dispatcher);
    virtual ~CMidiWordFrame();
    CMidiWordFrame(const CMidiWordFrame&) = delete;
    CMidiWordFrame& operator=(const CMidiWordFrame&) = delete;

    // ---- The reader's operations for the main frame ----

    // Loads the script beside the song ("song.mid" -> "song.wrd", its letters
    // in any case). False when there is none or it is empty.
    bool LoadScript(const std::string& song_path);
    // The same from bytes, as if read from a script beside `song_path`.
    bool LoadScriptBytes(std::string bytes, const std::string& song_path);
    // Clears screen and reader, shows the song's own picture if it has one
    // and runs the start run. Then the caller sets the wait ratio.
    void ResetAndStart() override;
    void SetWaitRatio(int beats, int unit) { reader_.SetWaitRatio(beats, unit); }
    void SetOptions(bool catch_up, bool restart_on_rewind) { reader_.SetOptions(catch_up, restart_on_rewind); }
    void SetRunOnlyWhileVisible(bool on) { reader_.SetRunOnlyWhileVisible(on); }
    // Whether the window is shown (a frame without a window counts as shown).
    void SetVisible(bool visible) { visible_ = visible; }
    bool visible() const override { return visible_; }
    // Face and size s of the text font: cells of s / 2 x s (rounded down to
    // even), the screen 80 x 25 cells. Redraws the text.
    void SetFont(const std::string& face, int size);
    // UM_WRDTICK: the song position in sixteenth notes.
    void OnWrdTick(std::int32_t position) { reader_.Tick(position); }
    void FreeScript() { reader_.Free(); }
    // Frees the script and clears the screen for what draws without one
    // (a song's lyrics).
    void ClearWithoutScript() {
        reader_.Free();
        reader_.Reset();
        ResetScreen();
    }
    bool HasScript() const { return reader_.loaded(); }
    const WrdReader& reader() const { return reader_; }

    // ---- What the screen shows ----

    const TextGrid& grid() const { return grid_; }
    const TextLayers& layers() const { return layers_; }
    const PaletteBank& palettes() const { return palettes_; }
    int cursor_column() const override { return col_; }
    int cursor_row() const override { return row_; }
    int attribute() const { return attr_; }
    bool text_on() const { return text_on_; }
    int text_width() const { return text_width_; }
    bool graphics_on() const { return graphics_on_; }
    int display_page() const { return display_page_; }
    int draw_page() const { return draw_page_; }
    int client_width() const { return layers_.width(); }
    int client_height() const { return layers_.height(); }
    const std::string& font_face() const { return face_; }

    // The screen as the window shows it: the display page (black when
    // graphics are off or there are none), then with text on the colour
    // layer ORed and the mask layer ANDed.
    RgbImage Compose() const;

    // ---- Text operations of the reader ----

    // Text at the cursor in the current attribute, ESC sequences
    // interpreted.
    void PrintText(std::string_view bytes) override;
    // Interprets one ESC sequence; `seq` starts after the ESC byte. Returns
    // the bytes it took (0: not a sequence, the ESC alone is dropped).
    std::size_t Escape(std::string_view seq) override;
    // Column 0 of the next row, scrolling the text up on row 24.
    void NewLine() override;
    // A picture program's text: attribute 37, a new row at line ends and
    // after 80 columns, never beyond row 24.
    void PrintProgramText(std::string_view cp932) override;
    void SetCursor(int column, int row) override;
    void SetAttribute(int attr) override;
    // @TCL and @SCR with their 1-based values as given (-1 = not given).
    void TextClear(int x1, int y1, int x2, int y2, int colour, int ch) override;
    void TextScroll(int x1, int y1, int x2, int y2, int mode, int colour, int ch) override;
    // @TON, @GON, @GSC, @GIN.
    void SetTextDisplay(std::int64_t n) override;
    void SetGraphicsDisplay(std::int64_t n) override;
    void SetGraphicsScreen(std::int64_t draw, std::int64_t display) override;
    void InitGraphics() override;

    // ---- Palettes ----

    // @PAL: `named` when the list began with "#n". Applies palette 0 unless
    // it was named while a fade target is set.
    void SetPaletteColors(int n, bool named, const Palette& colors) override;
    // @PALR.
    void InvertPalette(int n) override;
    // @FAD, at the reader's due time.
    void StartFade(int from, int to, std::int64_t speed, std::int32_t due_time) override;
    Fade& fade() override { return palettes_.fade(); }
    // One step of a running fade; true when every colour has arrived.
    bool FadeStep() override;
    // Palette 0 and both page palettes take `colors`, and they are applied.
    void TakeColors(const Palette& colors);
    // Palette 0 takes the display page's palette and is applied.
    void ApplyDisplayPalette() override;
    void SetDisplayPage(int page) override;
    void SetDrawPage(int page) override { draw_page_ = page == 1 ? 1 : 0; }
    void SetGraphicsOn(bool on) override { graphics_on_ = on; }

    // ---- Drawing operations of the frame family ----
    // The base frame is a text-only screen: it loads no pictures (and says
    // it did) and draws no graphics.

    // Draws a picture file into the draw page and takes over its colours by
    // the palette mode; a picture program's text goes to `text`.
    bool LoadPicture(PictureKind kind, const std::string& path, int x, int y, int reduction, int palette_mode,
                     std::string* text) override;
    void Circle(std::int64_t x, std::int64_t y, std::int64_t r, std::int64_t colour, std::int64_t mode,
                std::int64_t fill) override;
    void ClearGraphics(std::int64_t n) override;
    // `pattern` < 0: not given.
    void LineOrBox(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::int64_t colour,
                   std::int64_t mode, std::int64_t pattern) override;
    void SetGraphicsMode(std::int64_t n) override;
    void BlockMove(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::int64_t x3,
                   std::int64_t y3, std::int64_t from_page, std::int64_t to_page, std::int64_t mode) override;
    // Fills the display page with colour 0 (the clearing picture program).
    void ClearDisplayPage() override;
    virtual void ApplyPalette0();

protected:
    PaletteBank& palettes_mutable() { return palettes_; }
    // The page shown under the text, or null for black.
    virtual const Page* ShownPage() const { return nullptr; }
    // Back to the state after creation: text, palettes, graphics.
    virtual void ResetScreen();

    // Draws the cells c1..c2 of a row from the grid into the layers.
    void DrawTextCells(int row, int c1, int c2);
    // Blanks rows r1..r2 in grid and layers.
    void ClearTextRows(int r1, int r2);
    // Draws every cell again (after a font or width change).
    void RedrawText();

private:
    void OutputRun(std::string_view run);
    void PutChars(const std::vector<TextChar>& chars, bool wrap_with_scroll);
    void ConvertText(std::string_view run, int column, std::vector<TextChar>& out) const;
    void EscapeBracket(char final, const std::vector<std::int64_t>& params);
    void ClearCellRange(int row, int c1, int c2);
    void ScrollTextUp(int top, int n);
    void ScrollTextDown(int top, int n);
    void CursorDown();
    void CursorUp();
    void RepairAndDraw(int row, int c1, int c2);
    const GlyphMask& Glyph(const TextChar& ch, bool double_width, int width, int height);

    GlyphSource* glyphs_;
    WrdReader reader_;
    TextGrid grid_;
    TextLayers layers_;
    PaletteBank palettes_;
    std::string face_ = kDefaultWordFace;
    int font_size_ = kDefaultWordFontSize;
    std::unordered_map<std::uint32_t, GlyphMask> glyph_cache_;

    bool visible_ = true;
    int col_ = 0;
    int row_ = 0;
    int attr_ = 37;
    bool text_on_ = true;
    int text_width_ = 1;
    bool graphics_on_ = true;
    int display_page_ = 0;
    int draw_page_ = 0;
    // ESC [ s / ESC [ u: kept across scripts, as the saved position
    // belongs to the screen rather than to one script.
    int saved_col_ = 0;
    int saved_row_ = 0;
    int saved_attr_ = 37;
};

}  // namespace nuko::wrd
