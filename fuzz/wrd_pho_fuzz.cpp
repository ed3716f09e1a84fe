// PHO screens: decode and draw.
#include <cstdint>
#include <string_view>

#include "nuko/pho_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto pic = nuko::wrd::DecodePho(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!pic) return 0;
    static nuko::wrd::Page page;
    nuko::wrd::DrawPicture(*pic, page, {});
    return 0;
}
