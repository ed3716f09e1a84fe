// Standard MIDI file titles and wait ratios, and the MacBinary check of the
// MIDI header cut.
#include <cstdint>

#include "media_fuzz_util.h"
#include "nuko/media_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes = nuko::fuzz::Bytes(data, size);
    std::string_view head = bytes.substr(0, nuko::media::kTitleHeadBytes);
    nuko::media::WaitRatio ratio = nuko::media::SmfWaitRatio(head);
    if (ratio.beats <= 0 || ratio.unit <= 0) std::abort();
    for (std::size_t limit : {nuko::media::kNoLimit, std::size_t{0}, std::size_t{1}, std::size_t{5}}) {
        auto text = nuko::media::SmfTitleText(head, limit);
        nuko::fuzz::CheckTitle(text, false);
    }
    (void)nuko::media::IsMacBinaryMidi(bytes);
    return 0;
}
