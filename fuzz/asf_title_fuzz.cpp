// Content descriptions of ASF header objects.
#include <cstdint>

#include "media_fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nuko::fuzz::CheckTitle(nuko::media::AsfTitleText(nuko::fuzz::Bytes(data, size)), false);
    return 0;
}
