// Runs a fuzz target without libFuzzer: every seed file given on the command
// line (folders are walked) is fed as it is and then in mutated copies, for a
// bounded number of rounds, so the target runs in every CI build under the
// sanitizers. NUKO_FUZZ_ROUNDS sets the rounds (default 3000). Every seed
// path must give at least one seed, unless the build left the corpus out
// (NUKO_CORPUS_DIR defined empty).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Feed(const std::string& s) {
    // A copy of exactly the input's size, so that the sanitizer sees any read
    // past its end.
    std::vector<std::uint8_t> buf(s.begin(), s.end());
    LLVMFuzzerTestOneInput(buf.empty() ? nullptr : buf.data(), buf.size());
}

std::string Mutate(std::string s, std::mt19937& rng) {
    auto pick = [&](std::size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    int edits = 1 + static_cast<int>(pick(8));
    for (int e = 0; e < edits; ++e) {
        switch (pick(7)) {
            case 0:  // flip a byte
                if (!s.empty()) s[pick(s.size())] ^= static_cast<char>(1 + pick(255));
                break;
            case 1:  // cut short
                s.resize(pick(s.size() + 1));
                break;
            case 2:  // insert random bytes
                s.insert(pick(s.size() + 1), std::string(1 + pick(16), static_cast<char>(pick(256))));
                break;
            case 3:  // a large little-endian number somewhere (lengths, offsets)
                if (s.size() >= 4) {
                    std::size_t at = pick(s.size() - 3);
                    for (int i = 0; i < 4; ++i) s[at + static_cast<std::size_t>(i)] = static_cast<char>(0xFF - pick(2));
                }
                break;
            case 4:  // duplicate a chunk
                if (!s.empty()) {
                    std::size_t at = pick(s.size());
                    std::size_t len = 1 + pick(std::min<std::size_t>(64, s.size() - at));
                    s.insert(pick(s.size() + 1), s.substr(at, len));
                }
                break;
            case 5:  // zero a run
                if (!s.empty()) {
                    std::size_t at = pick(s.size());
                    std::size_t len = 1 + pick(std::min<std::size_t>(16, s.size() - at));
                    for (std::size_t i = 0; i < len; ++i) s[at + i] = '\0';
                }
                break;
            case 6:  // a byte of the interesting kind
                if (!s.empty()) {
                    static const char kBytes[] = {'\0', '\r', '\n', '\x1a', '\\', '[', ']', '=', ',', '@', '\x81', '\xff'};
                    s[pick(s.size())] = kBytes[pick(sizeof kBytes)];
                }
                break;
        }
    }
    return s;
}

// Adds the seeds at `p` (a file, or every file under a folder); how many.
std::size_t Collect(const std::filesystem::path& p, std::vector<std::string>& seeds) {
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) {
        std::size_t n = 0;
        for (auto& e : std::filesystem::recursive_directory_iterator(p, ec))
            if (e.is_regular_file(ec)) n += Collect(e.path(), seeds);
        return n;
    }
    std::ifstream f(p, std::ios::binary);
    if (!f) return 0;
    std::ostringstream s;
    s << f.rdbuf();
    std::string data = s.str();
    if (data.size() > (1u << 20)) return 0;
    seeds.push_back(std::move(data));
    return 1;
}

// Whether the build was configured without a corpus on purpose
// (-DNUKO_CORPUS_DIR=): its seeds then name folders that do not exist.
bool CorpusLeftOut() {
#ifdef NUKO_CORPUS_DIR
    return std::string_view(NUKO_CORPUS_DIR).empty();
#else
    return false;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    // A seed path that gives nothing fails the run: a lost corpus must not
    // pass for a fuzzed one.
    std::vector<std::string> seeds;
    int missing = 0;
    for (int i = 1; i < argc; ++i) {
        if (Collect(argv[i], seeds) > 0) continue;
        std::fprintf(stderr, "no seed in %s\n", argv[i]);
        ++missing;
    }
    if (missing > 0 && !CorpusLeftOut()) return 1;
    seeds.push_back("");
    long rounds = 3000;
    if (const char* r = std::getenv("NUKO_FUZZ_ROUNDS")) rounds = std::strtol(r, nullptr, 10);
    std::mt19937 rng(12345);
    for (const auto& s : seeds) Feed(s);
    for (long i = 0; i < rounds; ++i) Feed(Mutate(seeds[static_cast<std::size_t>(i) % seeds.size()], rng));
    std::printf("fed %zu seeds and %ld mutations\n", seeds.size(), rounds);
    return 0;
}
