// Media titles of 2,000 files in one process beside reading the first 999
// bytes of the same files; wrapping a 50 MB MP3 into a WAVE file beside
// copying it.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include <nu_32std.h>
#include "nuko/fileio.h"
#include "nuko/files.h"

namespace fs = std::filesystem;

namespace {

// Real media files when the corpus is there, else generated MIDI files.
std::vector<std::string> Samples() {
    std::vector<std::string> out;
    std::error_code ec;
    for (const char* sub : {"midi", "mp3", "rcp", "asf", "wav"}) {
        fs::path dir = fs::path(NUKO_CORPUS_DIR) / sub;
        for (auto& e : fs::directory_iterator(dir, ec))
            if (e.is_regular_file(ec)) out.push_back(e.path().string());
    }
    return out;
}

std::string GeneratedSmf(int i) {
    std::string name = "Song " + std::to_string(i);
    std::string track = std::string("\x00\xFF\x58\x04\x03\x02\x18\x08", 8) + std::string("\x00\xFF\x03", 3) +
                        static_cast<char>(name.size()) + name;
    for (int n = 0; n < 2000; ++n) track += std::string("\x10\x90\x3C\x40\x10\x80\x3C\x40", 8);
    track += std::string("\x00\xFF\x2F\x00", 4);
    std::string len = {static_cast<char>(track.size() >> 24), static_cast<char>((track.size() >> 16) & 0xFF),
                       static_cast<char>((track.size() >> 8) & 0xFF), static_cast<char>(track.size() & 0xFF)};
    return std::string("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xE0", 14) + "MTrk" + len + track;
}

void CopyAndSync(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    int out = ::open(to.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
    std::vector<char> buf(std::size_t{8} << 20);
    ssize_t n = 0;
    while (in >= 0 && out >= 0 && (n = ::read(in, buf.data(), buf.size())) > 0)
        if (::write(out, buf.data(), static_cast<std::size_t>(n)) != n) break;
    if (out >= 0) ::fsync(out);
    if (in >= 0) ::close(in);
    if (out >= 0) ::close(out);
}

}  // namespace

int main() {
    char tmpl[] = "/tmp/nuko-media-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    const std::string dir = std::string(tmpl) + "/";

    std::vector<std::string> samples = Samples();
    std::vector<std::string> files;
    for (int i = 0; i < 2000; ++i) {
        std::string bytes, ext = "mid";
        if (!samples.empty()) {
            const std::string& src = samples[static_cast<std::size_t>(i) % samples.size()];
            bytes = nuko::fileio::ReadFile(src).value_or("");
            ext = fs::path(src).extension().string().substr(1);
        } else {
            bytes = GeneratedSmf(i);
        }
        files.push_back(dir + "file" + std::to_string(i) + "." + ext);
        if (nuko::fileio::WriteFileAtomic(files.back(), bytes)) return 1;
    }
    std::printf("%zu files (%s)\n", files.size(), samples.empty() ? "generated MIDI" : "copies of the corpus");

    double read_head = nuko::bench::BestMs(5, [&] {
        for (const auto& f : files) (void)nuko::fileio::ReadFile(f, 999);
    });
    char title[512], title2[512];
    NuKoWaitRatio ratio;
    double titles = nuko::bench::BestMs(5, [&] {
        for (const auto& f : files) Nu_koGetMidiTitle(f.c_str(), title, title2, sizeof title, 0, &ratio);
    });
    nuko::bench::Report("titles of 2000 files", titles, "read 999 bytes", read_head);

    // 50 MB of 128 kbit/s frames.
    std::string frame = std::string("\xFF\xFB\x90\x64", 4) + std::string(413, '\x11');
    std::string mp3;
    mp3.reserve(50u << 20);
    while (mp3.size() + frame.size() <= (50u << 20)) mp3 += frame;
    const std::string src = dir + "big.mp3";
    if (nuko::fileio::WriteFileAtomic(src, mp3)) return 1;
    int wrap_result = 0;
    auto wrap = [&] { wrap_result = Nu_koMp3Convert(src.c_str(), (dir + "big.wav").c_str(), nullptr, nullptr); };
    double copy = nuko::bench::BestMs(3, [&] { (void)nuko::files::CopyFile(src, dir + "copy.mp3", {}); });
    // The floor of a wrap: the same bytes copied in large blocks and flushed
    // to disk once, as the wrap flushes its file before the rename. Timed in
    // turn with the wrap: the disk's flushes vary from one minute to the next.
    const nuko::bench::PairMs synced = nuko::bench::BestPairMs(5, wrap, [&] { CopyAndSync(src, dir + "synced.mp3"); });
    if (wrap_result != 0) std::printf("wrapping failed: %d\n", wrap_result);
    nuko::bench::Report("wrap a 50 MB MP3", synced.ms, "copy it", copy);
    nuko::bench::Report("wrap a 50 MB MP3", synced.ms, "copy it with fsync", synced.baseline_ms);

    std::error_code ec;
    fs::remove_all(tmpl, ec);
    return 0;
}
