// MAG pictures: decode, then draw at the stored position and at an edge.
#include <cstdint>
#include <string_view>

#include "nuko/mag_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto pic = nuko::wrd::DecodeMag(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!pic) return 0;
    static nuko::wrd::Page page;
    nuko::wrd::DrawPicture(*pic, page, {});
    nuko::wrd::DrawPicture(*pic, page, {632, 396, 3});
    return 0;
}
