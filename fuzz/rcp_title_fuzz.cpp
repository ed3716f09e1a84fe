// RCP, R36 and G36 title fields.
#include <cstdint>

#include "media_fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view head = nuko::fuzz::Bytes(data, size).substr(0, nuko::media::kTitleHeadBytes);
    for (std::size_t limit : {nuko::media::kNoLimit, std::size_t{0}, std::size_t{3}, std::size_t{79}})
        nuko::fuzz::CheckTitle(nuko::media::RcpTitleText(head, limit), false);
    return 0;
}
