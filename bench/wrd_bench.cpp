// WRD pictures: decoding a MAG, a PHO screen and a picture program, and
// drawing a whole-page picture, beside a plain copy of a 640 x 400 page.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_util.h"
#include "nuko/fileio.h"
#include "nuko/mag_decoder.h"
#include "nuko/pho_decoder.h"
#include "nuko/picture_program.h"

namespace {

std::string Read(const std::string& path) {
    auto bytes = nuko::fileio::ReadFile(path);
    if (!bytes) std::printf("cannot read %s\n", path.c_str());
    return bytes ? *bytes : std::string();
}

}  // namespace

int main() {
    using namespace nuko::wrd;
    const std::string corpus = NUKO_CORPUS_DIR;
    const std::string data = NUKO_TEST_DATA_DIR;
    const int kRepeat = 50;

    std::vector<std::uint8_t> from(kPagePoints, 7), to(kPagePoints, 0);
    double copy = nuko::bench::BestMs(kRepeat, [&] {
        std::memcpy(to.data(), from.data(), kPagePoints);
        asm volatile("" : : "r"(to.data()) : "memory");
    });
    std::printf("copy of a 640 x 400 page: %.4f ms\n", copy);

    struct Case {
        const char* what;
        std::string path;
        std::optional<Picture> (*decode)(std::string_view);
    };
    const Case cases[] = {
        {"MAG 640x400 (corpus)", corpus + "/mag/vavi-image_test2.mag", DecodeMag},
        {"MAG 640x200 (corpus)", corpus + "/mag/vavi-image_test.mag", DecodeMag},
        {"PHO 640x400", data + "/wrd/screen.pho", DecodePho},
        {"program plain 192x96", data + "/wrd/program_plain.com", DecodeProgram},
        {"program Huffman 192x96", data + "/wrd/program_huffman.com", DecodeProgram},
    };
    Page page;
    for (const auto& c : cases) {
        std::string bytes = Read(c.path);
        if (bytes.empty()) continue;
        std::optional<Picture> pic;
        double ms = nuko::bench::BestMs(kRepeat, [&] { pic = c.decode(bytes); });
        if (!pic) {
            std::printf("%s: not decoded\n", c.what);
            continue;
        }
        nuko::bench::Report((std::string("decode ") + c.what).c_str(), ms, "page copy", copy);
        double draw = nuko::bench::BestMs(kRepeat, [&] { DrawPicture(*pic, page, {}); });
        nuko::bench::Report((std::string("draw ") + c.what).c_str(), draw, "page copy", copy);
    }
    return 0;
}
