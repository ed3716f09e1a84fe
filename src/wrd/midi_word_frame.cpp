#include "midi_word_frame.h"

#include <algorithm>

#include "nuko/wrd_files.h"

namespace nuko::wrd {

namespace {

constexpr int kMinFontSize = 4;
constexpr int kMaxFontSize = 96;

// A 3-bit text colour as 0x00RRGGBB.
constexpr std::uint32_t kTextRgb[8] = {0x000000, 0x0000FF, 0x00FF00, 0x00FFFF,
                                       0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

}  // namespace

CMidiWordFrame::CMidiWordFrame(GlyphSource* glyphs, Dispatcher* dispatcher)
    : glyphs_(glyphs), reader_(*this, dispatcher) {
    SetFont(kDefaultWordFace, kDefaultWordFontSize);
}

CMidiWordFrame::~CMidiWordFrame() = default;

bool CMidiWordFrame::LoadScript(const std::string& song_path) { return reader_.Load(song_path); }

bool CMidiWordFrame::LoadScriptBytes(std::string bytes, const std::string& song_path) {
    return reader_.LoadBytes(std::move(bytes), song_path);
}

void CMidiWordFrame::ResetAndStart() {
    reader_.Reset();
    ResetScreen();
    // The song's own picture: the first of song.bmp, .mag, .pho, .com that
    // exists, shown when it is a MAG or PHO picture.
    if (!reader_.song_path().empty()) {
        auto found = FindWrdFile(reader_.song_path(), -1);
        if (found && (found->kind == PictureKind::Mag || found->kind == PictureKind::Pho))
            LoadPicture(found->kind, found->path, -1, -1, 1, kPaletteApply, nullptr);
    }
    reader_.StartRun();
}

void CMidiWordFrame::SetFont(const std::string& face, int size) {
    if (size <= 0) size = kDefaultWordFontSize;
    size = std::clamp(size, kMinFontSize, kMaxFontSize);
    face_ = face.empty() ? std::string(kDefaultWordFace) : face;
    font_size_ = size;
    glyph_cache_.clear();
    if (glyphs_) glyphs_->SetFont(face_, size);
    layers_.Resize(size / 2, size & ~1);
    RedrawText();
}

void CMidiWordFrame::ResetScreen() {
    grid_ = TextGrid();
    layers_.ClearRows(0, kRows - 1);
    col_ = row_ = 0;
    attr_ = 37;
    text_on_ = true;
    text_width_ = 1;
    graphics_on_ = true;
    display_page_ = draw_page_ = 0;
    palettes_.Reset();
    ApplyPalette0();
}

RgbImage CMidiWordFrame::Compose() const {
    RgbImage out;
    out.width = layers_.width();
    out.height = layers_.height();
    out.pixels.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height), 0xFF000000u);
    const Page* page = graphics_on_ ? ShownPage() : nullptr;
    std::array<std::uint32_t, 16> colours{};
    std::vector<int> page_x(static_cast<std::size_t>(out.width));
    if (page) {
        for (std::size_t i = 0; i < 16; ++i) colours[i] = page->Colors()[i].Argb32();
        for (int x = 0; x < out.width; ++x)
            page_x[static_cast<std::size_t>(x)] = static_cast<int>(std::int64_t{x} * kPageWidth / out.width);
    }
    for (int y = 0; y < out.height; ++y) {
        std::uint32_t* dst = out.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width);
        if (page) {
            const std::uint8_t* row = page->Row(static_cast<int>(std::int64_t{y} * kPageHeight / out.height)).data();
            if (out.width == kPageWidth) {
                for (int x = 0; x < out.width; ++x) dst[x] = colours[row[x] & 15];
            } else {
                for (int x = 0; x < out.width; ++x) dst[x] = colours[row[page_x[static_cast<std::size_t>(x)]] & 15];
            }
        }
        if (!text_on_) continue;
        const std::uint8_t* c = layers_.ColourRow(y);
        const std::uint8_t* m = layers_.MaskRow(y);
        for (int x = 0; x < out.width; ++x) dst[x] = ((dst[x] | kTextRgb[c[x] & 7]) & kTextRgb[m[x] & 7]) | 0xFF000000u;
    }
    return out;
}

void CMidiWordFrame::SetTextDisplay(std::int64_t n) {
    if (n <= 0) {
        text_on_ = false;
        return;
    }
    int width = static_cast<int>(std::min<std::int64_t>(n, 1 << 16));
    bool redraw = (width == 2) != (text_width_ == 2);
    text_on_ = true;
    text_width_ = width;
    if (redraw) RedrawText();
}

void CMidiWordFrame::SetGraphicsDisplay(std::int64_t n) { graphics_on_ = n != 0; }

void CMidiWordFrame::SetGraphicsScreen(std::int64_t draw, std::int64_t display) {
    draw_page_ = draw >= 1 ? 1 : 0;
    SetDisplayPage(display >= 1 ? 1 : 0);
}

void CMidiWordFrame::InitGraphics() {
    draw_page_ = 0;
    SetDisplayPage(0);
    graphics_on_ = true;
}

void CMidiWordFrame::SetDisplayPage(int page) {
    page = page == 1 ? 1 : 0;
    if (page == display_page_) return;
    display_page_ = page;
    // Each page brings its own colours.
    palettes_[0] = palettes_.PagePalette(page);
    ApplyPalette0();
}

// ---- Palettes ----

void CMidiWordFrame::SetPaletteColors(int n, bool named, const Palette& colors) {
    n = std::clamp(n, 0, kPaletteCount - 1);
    if (!named) {
        n = 0;
        palettes_.fade_target().reset();
    }
    palettes_[n] = colors;
    if (n != 0 || (named && palettes_.fade_target())) return;
    palettes_.fade().running = false;
    palettes_.CopyCurrentToPages();
    ApplyPalette0();
}

void CMidiWordFrame::InvertPalette(int n) {
    n = std::clamp(n, 0, kPaletteCount - 1);
    for (auto& c : palettes_[n]) c = static_cast<std::uint16_t>(0xFFF - (c & 0xFFF));
    if (n == 0) {
        palettes_.fade().running = false;
        palettes_.CopyCurrentToPages();
        ApplyPalette0();
    }
    palettes_.fade_target().reset();
}

void CMidiWordFrame::StartFade(int from, int to, std::int64_t speed, std::int32_t due_time) {
    from = std::clamp(from, 0, kPaletteCount - 1);
    to = std::clamp(to, 0, kPaletteCount - 1);
    palettes_.fade_target() = palettes_[to];
    Fade& fade = palettes_.fade();
    if (speed == 0) {
        fade.running = false;
        TakeColors(palettes_[to]);
        return;
    }
    TakeColors(palettes_[from]);
    std::int64_t magnitude = speed < 0 ? -speed : speed;
    fade.interval = static_cast<std::int32_t>(std::clamp<std::int64_t>(magnitude / 2, 1, 1 << 20));
    fade.end = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{due_time} + 15 * std::int64_t{fade.interval}, 1 << 30));
    fade.next = 0;
    fade.repeats = speed == -1 ? 4 : speed == 1 ? 2 : 1;
    fade.running = true;
}

bool CMidiWordFrame::FadeStep() {
    bool arrived = true;
    for (int i = 0; i < palettes_.fade().repeats; ++i) {
        arrived = palettes_.MoveTowardTarget();
        palettes_.CopyCurrentToPages();
        ApplyPalette0();
    }
    return arrived;
}

void CMidiWordFrame::TakeColors(const Palette& colors) {
    palettes_[0] = colors;
    palettes_.CopyCurrentToPages();
    ApplyPalette0();
}

void CMidiWordFrame::ApplyDisplayPalette() {
    palettes_[0] = palettes_.PagePalette(display_page_);
    ApplyPalette0();
}

// ---- The drawing operations of a text-only screen ----

bool CMidiWordFrame::LoadPicture(PictureKind, const std::string&, int, int, int, int, std::string* text) {
    if (text) text->clear();
    return true;
}

void CMidiWordFrame::Circle(std::int64_t, std::int64_t, std::int64_t, std::int64_t, std::int64_t, std::int64_t) {}
void CMidiWordFrame::ClearGraphics(std::int64_t) {}
void CMidiWordFrame::LineOrBox(std::int64_t, std::int64_t, std::int64_t, std::int64_t, std::int64_t, std::int64_t,
                               std::int64_t) {}
void CMidiWordFrame::SetGraphicsMode(std::int64_t) {}
void CMidiWordFrame::BlockMove(std::int64_t, std::int64_t, std::int64_t, std::int64_t, std::int64_t, std::int64_t,
                               std::int64_t, std::int64_t, std::int64_t) {}
void CMidiWordFrame::ClearDisplayPage() {}
void CMidiWordFrame::ApplyPalette0() {}

}  // namespace nuko::wrd
