// ID3 version 1 tags (the last 128 bytes) of MP3 and WAVE files.
#include <cstdint>

#include "media_fuzz_util.h"
#include "nuko/media_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes = nuko::fuzz::Bytes(data, size);
    std::string_view tag = bytes.size() >= 128 ? bytes.substr(bytes.size() - 128) : bytes;
    nuko::fuzz::CheckTitle(nuko::media::Id3v1TitleText(tag), true);
    // The same bytes as a tag on their own, whatever their length.
    nuko::fuzz::CheckTitle(nuko::media::Id3v1TitleText(bytes.substr(0, 128)), true);
    (void)nuko::media::IsWaveCarryingMp3(bytes.substr(0, 512));
    return 0;
}
