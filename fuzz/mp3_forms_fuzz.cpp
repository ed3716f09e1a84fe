// MP3 wrapping on bytes: source forms, ID3 version 2 sizes, frame headers,
// the wrap plan and the cut offsets.
#include <cstdint>
#include <cstdlib>

#include "media_fuzz_util.h"
#include "nuko/media_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nuko::media;
    std::string_view bytes = nuko::fuzz::Bytes(data, size);
    (void)ClassifySource(bytes);
    (void)NeedsConvert(bytes.substr(0, 17));
    (void)IsWaveCarryingMp3(bytes.substr(0, 512));
    (void)Id3v2TagSize(bytes);
    if (auto frame = ParseFrameHeader(bytes)) {
        if (WaveHeader(*frame, static_cast<std::uint32_t>(size)).size() != kWaveHeaderSize) std::abort();
    }
    WrapPlan plan = PlanWrap(bytes);
    if (plan.result == kConvertWritten) {
        // The plan never points outside the source.
        if (plan.data_offset > size || plan.data_length > size - plan.data_offset) std::abort();
        if (!plan.header.empty() && plan.header.size() != kWaveHeaderSize) std::abort();
    }
    if (auto offset = MacRmpCutOffset(bytes.substr(0, 512))) {
        if (*offset >= size) std::abort();
    }
    return 0;
}
