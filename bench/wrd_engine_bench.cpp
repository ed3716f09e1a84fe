// The WRD engine: reader and screen cost per tick over a generated script of
// 5,000 lines that uses every command (pictures included), with characters
// drawn by the Qt glyph source, beside a plain copy of one 640 x 400 page in
// the same run. Also the cost of composing the screen once.
#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "wrd/midi_word_dib_frame.h"
#include "nuko/dispatch.h"
#include "nuko/text.h"
#include "wrd/wrd_qt_glyphs.h"

namespace {

constexpr int kLines = 5000;

// Every command of the reader, and text with ESC sequences, in a cycle; the
// line time of @WMODE(23) keeps the script at one line a beat.
std::string GenerateScript() {
    const std::vector<std::string> cycle = {
        "@COLOR(33);@LOCATE(1;1);",
        "歌詞の一行、ここから表示します",
        "@COL(34;7)@LOC(10,3);",
        "REVERSE\tTAB \x1b[31mRED\x1b[0m\x1b[K",
        "@TCL(1,5,80,6,9,42)",
        "@SCR(1,5,40,6,2,3,61)",
        "@TCL(-1,5,80,6)",
        "@GLINE(0,0,639,399,7)",
        "@GLI(10,10,100,60,4,1,170)",
        "@GLI(200,10,300,60,2,2)",
        "@GCIRCLE(320,200,50,6,0)",
        "@GCI(320,200,30,5,2,1)",
        "@GMODE(3)@GLI(0,100,639,100,15,0,0)@GMOD(15)",
        "@GMOV(0,0,159,99,320,200,0,1,0)",
        "@GMOV(0,0,159,99,320,200,0,1,1)",
        "@GCLS(1)",
        "@GSCREEN(1,1)@GON(0)@GON(1)@GINIT",
        "@PAL(#3,FFF,EEE,DDD,CCC,BBB,AAA,999,888,777,666,555,444,333,222,111,000)",
        "@PALR(3)@PALR(0)",
        "@FADE(0,3,8)",
        "@FAD(3,0,0)",
        "@TON(2)",
        "ダブル幅の文字",
        "@TON(1)@ESC(2J)",
        "\x1b[5;5H\x1b[32mESC\x1b[0m",
        "@MAG(small,100,100,1,0)",
        "@PLOAD(screen)",
        "@EXEC(program_plain 000000)",
        "@EXE(gcls)",
        "@OFFSET(0)@REST(0,48)",
        "@WMODE(23)",
        "行末で止めない\\",
        "続く;",
        "行",
        "@IN @MI @STA(380)",
        "長い行" + std::string(60, '-'),
    };
    std::string script = "@WMODE(23)\r\n";
    for (int i = 0; i < kLines; ++i) {
        script += *nuko::text::Utf8ToCp932(cycle[static_cast<std::size_t>(i) % cycle.size()]);
        script += "\r\n";
    }
    return script;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / "nuko-wrd-bench";
    fs::create_directories(dir);
    const fs::path data = NUKO_TEST_DATA_DIR;
    for (const char* f : {"small.mag", "screen.pho", "program_plain.com"})
        fs::copy_file(data / "wrd" / f, dir / f, fs::copy_options::overwrite_existing);
    std::FILE* gcls = std::fopen((dir / "GCLS.COM").c_str(), "wb");
    if (gcls) std::fclose(gcls);
    const std::string script = GenerateScript();
    const std::string song = (dir / "song.mid").string();

    std::vector<std::uint8_t> from(nuko::wrd::kPagePoints, 7), to(nuko::wrd::kPagePoints, 0);
    double copy = nuko::bench::BestMs(200, [&] {
        std::memcpy(to.data(), from.data(), nuko::wrd::kPagePoints);
        asm volatile("" : : "r"(to.data()) : "memory");
    });

    nuko::wrd::QtGlyphSource glyphs;
    nuko::CallQueue queue;
    double best_total = 1e300, worst_tick = 0;
    long ticks = 0;
    for (int run = 0; run < 3; ++run) {
        nuko::wrd::CMidiWordDibFrame frame(&glyphs, &queue);
        frame.LoadScriptBytes(script, song);
        frame.ResetAndStart();
        double total = 0, worst = 0;
        long n = 0;
        for (int p = 0; !frame.reader().ended(); ++p, ++n) {
            auto t0 = std::chrono::steady_clock::now();
            frame.OnWrdTick(p);
            queue.RunPending();
            double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            total += ms;
            worst = std::max(worst, ms);
        }
        if (total < best_total) best_total = total, worst_tick = worst, ticks = n;
    }
    std::printf("script: %d lines, %zu bytes, %ld ticks (one per sixteenth)\n", kLines, script.size(), ticks);
    std::printf("copy of a 640 x 400 page: %.4f ms\n", copy);
    nuko::bench::Report("reader and screen, mean per tick", best_total / static_cast<double>(ticks), "page copy", copy);
    nuko::bench::Report("reader and screen, mean per line", best_total / kLines, "page copy", copy);
    nuko::bench::Report("reader and screen, slowest tick", worst_tick, "page copy", copy);

    nuko::wrd::CMidiWordDibFrame frame(&glyphs, &queue);
    frame.LoadScriptBytes(script, song);
    frame.ResetAndStart();
    for (int p = 0; p < 200; ++p) frame.OnWrdTick(p);
    double compose = nuko::bench::BestMs(20, [&] { (void)frame.Compose(); });
    nuko::bench::Report("compose the 640 x 400 screen", compose, "page copy", copy);
    fs::remove_all(dir);
    return 0;
}
