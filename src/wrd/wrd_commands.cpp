// The commands of WRD command lines: the table of names, and what each does
// with its parameters.
#include <algorithm>
#include <array>

#include "nuko/text.h"
#include "nuko/wrd_files.h"
#include "wrd_params.h"
#include "wrd_reader.h"
#include "wrd_text_grid.h"

namespace nuko::wrd {

namespace {

enum class Cmd {
    Color, End, Escape, Exec, Fade, Circle, GraphicsClear, GraphicsInit, Line, GraphicsMode, BlockMove,
    GraphicsOn, GraphicsScreen, Ignored, Locate, Mag, Offset, Palette, PaletteInvert, Pho, Rest,
    TextScroll, Start, TextClear, TextOn, Wait, Wmode,
};

struct Entry {
    std::string_view letters;  // compared case-insensitively, as far as given
    Cmd cmd;
};

// In this order: "PAL(" keeps @PALR from matching @PAL.
constexpr std::array<Entry, 28> kCommands = {{
    {"COL", Cmd::Color},          {"END", Cmd::End},
    {"ESC", Cmd::Escape},         {"EXE", Cmd::Exec},
    {"FAD", Cmd::Fade},           {"GCI", Cmd::Circle},
    {"GCL", Cmd::GraphicsClear},  {"GIN", Cmd::GraphicsInit},
    {"GLI", Cmd::Line},           {"GMOD", Cmd::GraphicsMode},
    {"GMOV", Cmd::BlockMove},     {"GON", Cmd::GraphicsOn},
    {"GSC", Cmd::GraphicsScreen}, {"IN", Cmd::Ignored},
    {"LOC", Cmd::Locate},         {"MAG", Cmd::Mag},
    {"MI", Cmd::Ignored},         {"OFF", Cmd::Offset},
    {"PAL(", Cmd::Palette},       {"PALR", Cmd::PaletteInvert},
    {"PLO", Cmd::Pho},            {"RES", Cmd::Rest},
    {"SCR", Cmd::TextScroll},     {"STA", Cmd::Start},
    {"TCL", Cmd::TextClear},      {"TON", Cmd::TextOn},
    {"WAI", Cmd::Wait},           {"WMO", Cmd::Wmode},
}};

const Entry* Match(std::string_view line, std::size_t at) {
    for (const Entry& e : kCommands) {
        if (line.size() - at < e.letters.size()) continue;
        if (text::EqualsIgnoreAsciiCase(line.substr(at, e.letters.size()), e.letters)) return &e;
    }
    return nullptr;
}

bool TakesNoParameters(Cmd c) { return c == Cmd::End || c == Cmd::GraphicsInit || c == Cmd::Ignored; }

int Clamp(std::int64_t v, int lo, int hi) { return static_cast<int>(std::clamp<std::int64_t>(v, lo, hi)); }

// A file name item: up to "," or the end, blanks around it dropped.
std::string_view FileItem(std::string_view params, std::string_view* rest) {
    std::size_t comma = params.find(',');
    std::string_view name = params.substr(0, comma);
    if (rest) *rest = comma == std::string_view::npos ? std::string_view() : params.substr(comma + 1);
    return text::TrimBlanks(name);
}

}  // namespace

WrdReader::LineResult WrdReader::RunCommandLine(std::string_view line) {
    LineResult result;
    std::size_t pos = 0;
    end_met_ = false;
    while (!end_met_) {
        pos = FindCommandMark(line, pos);
        if (pos == std::string_view::npos) break;
        std::size_t resume = pos + 1;
        bool waiting = RunCommand(line, pos + 1, &resume);
        pos = resume;
        if (waiting) {
            result.waiting = true;
            std::size_t next = FindCommandMark(line, pos);
            if (next != std::string_view::npos) result.rest = std::string(line.substr(next));
            break;
        }
    }
    return result;
}

bool WrdReader::RunCommand(std::string_view line, std::size_t name_at, std::size_t* resume) {
    const Entry* e = Match(line, name_at);
    if (!e) return false;
    // The "(" of "PAL(" opens the parameters.
    std::size_t after = name_at + e->letters.size() - (e->cmd == Cmd::Palette ? 1 : 0);
    *resume = after;
    if (TakesNoParameters(e->cmd)) {
        if (e->cmd == Cmd::End) ended_ = end_met_ = true;
        if (e->cmd == Cmd::GraphicsInit) screen_.InitGraphics();
        return false;
    }
    std::size_t params_end = after;
    auto params = ParameterText(line, after, &params_end);
    if (e->cmd == Cmd::Start) {
        if (params) *resume = params_end;
        CmdStart(params.value_or(std::string_view()), params.has_value());
        return false;
    }
    if (!params) return false;
    *resume = params_end;
    std::string_view p = *params;
    switch (e->cmd) {
        case Cmd::Color: CmdColor(p); break;
        case Cmd::Escape: CmdEscape(p); break;
        case Cmd::Exec: CmdExec(p); break;
        case Cmd::Fade: CmdFade(p); break;
        case Cmd::Circle: CmdCircle(p); break;
        case Cmd::GraphicsClear: CmdGraphicsClear(p); break;
        case Cmd::Line: CmdLine(p); break;
        case Cmd::GraphicsMode: CmdGraphicsMode(p); break;
        case Cmd::BlockMove: CmdBlockMove(p); break;
        case Cmd::GraphicsOn: CmdGraphicsOn(p); break;
        case Cmd::GraphicsScreen: CmdGraphicsScreen(p); break;
        case Cmd::Locate: CmdLocate(p); break;
        case Cmd::Mag: CmdMag(p); break;
        case Cmd::Offset: CmdOffset(p); break;
        case Cmd::Palette: CmdPalette(p); break;
        case Cmd::PaletteInvert: CmdPaletteInvert(p); break;
        case Cmd::Pho: CmdPho(p); break;
        case Cmd::Rest: CmdRest(p); return true;
        case Cmd::TextScroll: CmdTextScroll(p); break;
        case Cmd::TextClear: CmdTextClear(p); break;
        case Cmd::TextOn: CmdTextOn(p); break;
        case Cmd::Wait: CmdWait(p); return true;
        case Cmd::Wmode: CmdWmode(p); return true;
        default: break;
    }
    return false;
}

void WrdReader::CmdColor(std::string_view params) {
    int attr = 0;
    bool reverse = false;
    for (std::string_view item : SplitItems(params, ';')) {
        auto v = ParseNumber(item);
        if (!v) continue;
        if (*v == 7) reverse = true;
        else if (*v > 7) attr = Clamp(*v, 0, 255);
    }
    screen_.SetAttribute(reverse ? MakeReverse(attr) : attr);
}

void WrdReader::CmdEscape(std::string_view params) {
    std::string seq = "[";
    seq += params.substr(0, 10);
    text::AsciiUpper(seq);
    screen_.Escape(seq);
}

void WrdReader::CmdExec(std::string_view params) {
    params = text::TrimBlanks(params);
    std::size_t blank = params.find_first_of(" \t");
    std::string_view program = params.substr(0, blank);
    std::string_view parameter =
        blank == std::string_view::npos ? std::string_view() : text::TrimBlanks(params.substr(blank));
    parameter = parameter.substr(0, parameter.find_first_of(" \t"));
    if (program.empty()) return;
    auto found = FindWrdFile(ScriptPicturePath(song_folder_, program), static_cast<int>(PictureKind::Program));
    if (!found) return;
    auto call = GetWrdComData(found->path, parameter);
    if (!call) return;
    if (call->clear_only) {
        screen_.ClearDisplayPage();
        return;
    }
    screen_.SetDrawPage(call->draw_page);
    screen_.SetDisplayPage(call->display_page);
    if (call->graphics_on) screen_.SetGraphicsOn(true);
    int mode = call->draw_page != call->display_page ? kPaletteKeep : kPaletteApply;
    std::string program_text;
    if (!screen_.LoadPicture(PictureKind::Program, found->path, call->x, call->y, 1, mode, &program_text)) return;
    screen_.ApplyDisplayPalette();
    if (!program_text.empty()) screen_.PrintProgramText(program_text);
}

void WrdReader::CmdFade(std::string_view params) {
    auto n = ParseNumbers(params, ',', {0, 0, -1});
    screen_.StartFade(Clamp(n[0], 0, 19), Clamp(n[1], 0, 19), n[2], due_);
}

void WrdReader::CmdCircle(std::string_view params) {
    auto n = ParseNumbers(params, ',', {0, 0, 0, 0, 0, 0});
    screen_.Circle(n[0], n[1], n[2], n[3], n[4], n[5]);
}

void WrdReader::CmdGraphicsClear(std::string_view params) {
    screen_.ClearGraphics(ParseNumbers(params, ',', {0})[0]);
}

void WrdReader::CmdLine(std::string_view params) {
    auto n = ParseNumbers(params, ',', {0, 0, 0, 0, 0, 0, -1});
    screen_.LineOrBox(n[0], n[1], n[2], n[3], n[4], n[5], n.given[6] ? n[6] : -1);
}

void WrdReader::CmdGraphicsMode(std::string_view params) {
    screen_.SetGraphicsMode(ParseNumbers(params, ',', {0})[0]);
}

void WrdReader::CmdBlockMove(std::string_view params) {
    auto n = ParseNumbers(params, ',', {0, 0, 0, 0, 0, 0, 0, 0, 0});
    screen_.BlockMove(n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8]);
}

void WrdReader::CmdGraphicsOn(std::string_view params) {
    screen_.SetGraphicsDisplay(ParseNumbers(params, ',', {1})[0]);
}

void WrdReader::CmdGraphicsScreen(std::string_view params) {
    auto n = ParseNumbers(params, ',', {0, 0});
    screen_.SetGraphicsScreen(n[0], n[1]);
}

void WrdReader::CmdLocate(std::string_view params) {
    std::size_t comma = params.find(','), semicolon = params.find(';');
    // Without either separator nothing is set.
    if (comma == std::string_view::npos && semicolon == std::string_view::npos) return;
    bool column_first = comma < semicolon;
    auto n = ParseNumbers(params, column_first ? ',' : ';', {0, 0});
    std::int64_t column = column_first ? n[0] : n[1];
    std::int64_t row = column_first ? n[1] : n[0];
    bool column_given = column_first ? n.given[0] : n.given[1];
    bool row_given = column_first ? n.given[1] : n.given[0];
    // 1-based; a missing value keeps the cursor's.
    if (!column_given) column = screen_.cursor_column() + 1;
    if (!row_given) row = screen_.cursor_row() + 1;
    if (column > kColumns) {
        column = 1;
        ++row;
    }
    screen_.SetCursor(Clamp(column, 1, kColumns) - 1, Clamp(row, 1, kRows) - 1);
}

void WrdReader::CmdMag(std::string_view params) {
    std::string_view rest;
    std::string_view name = FileItem(params, &rest);
    if (name.empty()) return;
    auto n = ParseNumbers(rest, ',', {-1, -1, 1, 0});
    auto found = FindWrdFile(ScriptPicturePath(song_folder_, name), static_cast<int>(PictureKind::Mag));
    if (!found) return;
    screen_.LoadPicture(PictureKind::Mag, found->path, Clamp(n[0], -1, kPageWidth * 4),
                       Clamp(n[1], -1, kPageHeight * 4), Clamp(n[2], 1, 1 << 16), Clamp(n[3], 0, 1 << 16), nullptr);
}

void WrdReader::CmdOffset(std::string_view params) {
    offset_ = static_cast<std::int32_t>(ParseNumbers(params, ',', {0})[0]);
}

void WrdReader::CmdPalette(std::string_view params) {
    auto items = SplitItems(params, ',');
    std::size_t first = 0;
    bool named = false;
    int n = 0;
    std::string_view head = text::TrimBlanks(items[0]);
    if (!head.empty() && head[0] == '#') {
        named = true;
        n = Clamp(ParseNumber(head.substr(1)).value_or(0), 0, kPaletteCount - 1);
        first = 1;
    }
    Palette colors{};
    for (std::size_t i = 0; i < 16; ++i) {
        // A list that ends early, or an empty item, leaves the palette as
        // it is.
        if (first + i >= items.size()) return;
        int c = ParseHexColor(items[first + i]);
        if (c < 0) return;
        colors[i] = static_cast<std::uint16_t>(c);
    }
    screen_.SetPaletteColors(n, named, colors);
}

void WrdReader::CmdPaletteInvert(std::string_view params) {
    screen_.InvertPalette(Clamp(ParseNumbers(params, ',', {0})[0], 0, kPaletteCount - 1));
}

void WrdReader::CmdPho(std::string_view params) {
    std::string_view name = FileItem(params, nullptr);
    if (name.empty()) return;
    auto found = FindWrdFile(ScriptPicturePath(song_folder_, name), static_cast<int>(PictureKind::Pho));
    if (!found) return;
    screen_.LoadPicture(PictureKind::Pho, found->path, 0, 0, 1, kPaletteKeep, nullptr);
}

void WrdReader::CmdRest(std::string_view params) {
    auto n = ParseNumbers(params, ',', {0, 0});
    rest_bars_ = static_cast<std::uint16_t>(n[0]);
    rest_steps_ = static_cast<std::uint16_t>(n[1] / 2);
}

void WrdReader::CmdTextScroll(std::string_view params) {
    auto n = ParseNumbers(params, ',', {1, 1, 80, 25, 0, 0, 32});
    screen_.TextScroll(Clamp(n[0], 0, 1000), Clamp(n[1], 0, 1000), Clamp(n[2], 0, 1000), Clamp(n[3], 0, 1000),
                      Clamp(n[4], 0, 1000), Clamp(n[5], 0, 1000), Clamp(n[6], 0, 1 << 16));
}

void WrdReader::CmdStart(std::string_view params, bool has_params) {
    start_marker_absent_ = true;
    if (!has_params) return;
    auto v = ParseNumber(SplitItems(params, ',')[0]).value_or(0);
    version_ = v == 0 ? 300 : v < 380 ? 379 : v < 400 ? 380 : 400;
}

void WrdReader::CmdTextClear(std::string_view params) {
    auto n = ParseNumbers(params, ',', {-1, 1, 80, 25, 0, 32});
    screen_.TextClear(n.given[0] ? Clamp(n[0], 0, 1000) : -1, Clamp(n[1], 0, 1000), Clamp(n[2], 0, 1000),
                     Clamp(n[3], 0, 1000), Clamp(n[4], 0, 1000), Clamp(n[5], 0, 1 << 16));
}

void WrdReader::CmdTextOn(std::string_view params) { screen_.SetTextDisplay(ParseNumbers(params, ',', {1})[0]); }

void WrdReader::CmdWait(std::string_view params) {
    auto n = ParseNumbers(params, ',', {0, 0});
    std::int64_t bar = n[0], step = n[1];
    std::int64_t b = ratio_beats_, u = ratio_unit_;
    std::int64_t wait_bar = b == u ? bar : b * bar / u;
    std::int64_t wait_step = b == u ? step / 2 : b * step / (2 * u);
    wait_bar_ = static_cast<std::uint16_t>(wait_bar);
    wait_step_ = static_cast<std::uint16_t>(wait_step);
    if (wait_bar_ != 0) --wait_bar_;
    wait_pending_ = true;
}

void WrdReader::CmdWmode(std::string_view params) {
    auto n = ParseNumbers(params, ',', {0, -1});
    std::int64_t time = std::min<std::int64_t>(n[0], 255);
    line_time_ = static_cast<std::int32_t>(time == 0 ? 0 : time + 1);
    if (n.given[1]) {
        text_mode_ = static_cast<int>(std::min<std::int64_t>(n[1], 1 << 16));
        text_mode_given_ = true;
    }
    wmode_met_ = true;
}

}  // namespace nuko::wrd
