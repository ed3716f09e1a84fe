// Title lines of catalog files and converter definitions.
#include <cstdint>

#include "media_fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view head = nuko::fuzz::Bytes(data, size).substr(0, nuko::media::kTitleHeadBytes);
    nuko::fuzz::CheckTitle(nuko::media::CatalogTitleText(head), false);
    nuko::fuzz::CheckTitle(nuko::media::ConverterTitleText(head), false);
    return 0;
}
