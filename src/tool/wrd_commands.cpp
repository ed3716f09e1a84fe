// nu_kotool wrd: runs the WRD script beside a song as the play controller
// would, from position 0, and writes the screen at chosen song positions as
// PNG files (and, with --grid, the text grid as lines). Lets a user preview a
// script without playing it; a song without a script shows its lyrics as the
// player would. nu_kotool lyrics: the lines a song sings and when.
#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wrd/lyric_screen.h"
#include "wrd/lyrics.h"
#include "wrd/midi_word_dib_frame.h"
#include "nuko/dispatch.h"
#include "nuko/media_title.h"
#include "nuko/paths.h"
#include "settings/settings_store.h"
#include "tool_commands.h"
#include "wrd/wrd_qt_glyphs.h"
#include "wrd/wrd_screen_image.h"

namespace nuko::tool {

namespace {

constexpr const char* kUsage =
    "usage: nu_kotool wrd SONG OUTDIR [--at P1,P2,...] [--grid] [--catchup] [--tempo BPM --interval MS]\n";

// Song positions run in sixteenth notes; beyond this many (about 260,000
// bars) a script that still waits is not followed further.
constexpr std::int64_t kLastPosition = std::int64_t{1} << 22;

bool ParsePositions(const std::string& s, std::vector<std::int64_t>& out) {
    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t comma = s.find(',', start);
        std::string item = s.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        char* end = nullptr;
        long long v = std::strtoll(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || v < 0 || v > kLastPosition) return false;
        out.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return !out.empty();
}

bool ParseNumber(const std::string& s, double lo, double hi, double& out) {
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (s.empty() || *end != '\0' || !(v >= lo && v <= hi)) return false;
    out = v;
    return true;
}

struct Options {
    std::string song;
    std::string out_dir;
    std::vector<std::int64_t> at;
    bool grid = false;
    bool catch_up = false;
    double tempo = 0;
    double interval = 0;
};

bool ParseOptions(const Args& args, Options& o) {
    if (args.size() < 2) return false;
    o.song = args[0];
    o.out_dir = args[1];
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool has_value = i + 1 < args.size();
        if (a == "--grid") o.grid = true;
        else if (a == "--catchup") o.catch_up = true;
        else if (a == "--at" && has_value && ParsePositions(args[i + 1], o.at)) ++i;
        else if (a == "--tempo" && has_value && ParseNumber(args[i + 1], 1, 10000, o.tempo)) ++i;
        else if (a == "--interval" && has_value && ParseNumber(args[i + 1], 1, 600000, o.interval)) ++i;
        else return false;
    }
    // Tempo and interval go together.
    return (o.tempo > 0) == (o.interval > 0);
}

// The song position of the k-th tick: k itself, or where playback at the
// tempo has got after k intervals.
std::int64_t PositionOfTick(const Options& o, std::int64_t k) {
    if (o.tempo <= 0) return k;
    return static_cast<std::int64_t>(std::floor(static_cast<double>(k) * o.interval * o.tempo / 15000.0));
}

}  // namespace

int RunWrd(const Args& args) {
    Options o;
    if (!ParseOptions(args, o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Characters are drawn with Qt's fonts; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "nu_kotool";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    settings::SettingsStore store(folders::SettingsFile());
    const settings::WordSection word = store.ReadAll().word;
    const std::string& face = word.font.face;

    CallQueue queue;
    wrd::QtGlyphSource glyphs;
    wrd::CMidiWordDibFrame frame(&glyphs, &queue);
    // Size 16 gives the screen's own 640 x 400 points.
    frame.SetFont(face, 16);
    std::unique_ptr<wrd::LyricScreen> lyrics;
    if (!frame.LoadScript(o.song)) {
        const auto encoding = media::SmfEncodingFromSetting(word.lyrics_encoding);
        std::optional<wrd::Lyrics> found = wrd::ReadLyricsFile(o.song, encoding);
        if (!found || found->empty()) {
            std::fprintf(stderr, "nu_kotool: no WRD script beside %s and no lyrics in it\n", o.song.c_str());
            return 1;
        }
        media::TitleOptions title_options;
        title_options.smf_encoding = encoding;
        lyrics = std::make_unique<wrd::LyricScreen>(std::move(*found),
                                                    media::ReadMediaTitle(o.song, title_options).title2);
    }
    if (auto ec = folders::EnsureFolder(o.out_dir)) {
        std::fprintf(stderr, "nu_kotool: cannot create %s: %s\n", o.out_dir.c_str(), ec.message().c_str());
        return 1;
    }
    frame.SetOptions(o.catch_up, false);
    if (lyrics) {
        frame.ClearWithoutScript();
        lyrics->Start(frame);
    } else {
        frame.ResetAndStart();
        media::TitleOptions title_options;
        title_options.want_title = false;
        media::WaitRatio ratio = media::ReadMediaTitle(o.song, title_options).ratio;
        frame.SetWaitRatio(ratio.beats, ratio.unit);
    }

    bool failed = false;
    auto write_screen = [&](std::int64_t position) {
        std::string png = path::Join(o.out_dir, std::to_string(position) + ".png");
        if (!wrd::WriteScreenPng(frame.Compose(), png)) {
            std::fprintf(stderr, "nu_kotool: cannot write %s\n", png.c_str());
            failed = true;
        }
        if (o.grid) {
            std::printf("at %lld\n", static_cast<long long>(position));
            for (int row = 0; row < wrd::kRows; ++row) std::printf("%s\n", frame.grid().RowText(row).c_str());
        }
    };

    std::size_t next_at = 0;
    std::int64_t last = 0;
    for (std::int64_t k = 0;; ++k) {
        std::int64_t position = PositionOfTick(o, k);
        // What the screen shows at a position is what the last tick at or
        // before it drew.
        while (next_at < o.at.size() && o.at[next_at] < position) write_screen(o.at[next_at++]);
        if (!o.at.empty() && next_at == o.at.size()) break;
        // Lyrics have no end of their own: without positions the screen
        // at the song's start is written.
        if (o.at.empty() && (lyrics || frame.reader().ended() || position > kLastPosition)) {
            write_screen(last);
            break;
        }
        if (position > kLastPosition) break;
        if (lyrics) lyrics->Show(frame, static_cast<std::uint32_t>(position));
        else frame.OnWrdTick(static_cast<std::int32_t>(position));
        queue.RunPending();
        last = position;
    }
    return failed ? 1 : 0;
}

int RunLyrics(const Args& args) {
    std::string file;
    media::SmfEncoding forced = media::SmfEncoding::Auto;
    bool ok = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--encoding" && i + 1 < args.size()) {
            const std::string& name = args[++i];
            bool known = false;
            for (int v = 0; v <= 3 && !known; ++v) {
                known = name == media::SmfEncodingName(static_cast<media::SmfEncoding>(v));
                if (known) forced = static_cast<media::SmfEncoding>(v);
            }
            ok = ok && known;
        } else if (file.empty() && !args[i].starts_with("--")) {
            file = args[i];
        } else {
            ok = false;
        }
    }
    if (!ok || file.empty()) {
        std::fputs("usage: nu_kotool lyrics FILE [--encoding auto|cp932|utf-8|euc-jp]\n", stderr);
        return 2;
    }
    std::optional<wrd::Lyrics> lyrics = wrd::ReadLyricsFile(file, forced);
    if (!lyrics) {
        std::fprintf(stderr, "nu_kotool: cannot read %s\n", file.c_str());
        return 1;
    }
    std::printf("encoding: %s\n", media::SmfEncodingName(lyrics->encoding));
    for (const wrd::LyricLine& line : lyrics->lines)
        std::printf("line %lld %s\n", static_cast<long long>(line.ms()), line.Text().c_str());
    std::printf("syllables: %zu\n", lyrics->syllables);
    return 0;
}

}  // namespace nuko::tool
