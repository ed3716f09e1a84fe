// Picture programs: header, call set-up, decode and draw.
#include <cstdint>
#include <string_view>

#include "nuko/picture_program.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto header = nuko::wrd::ReadProgramHeader(bytes)) {
        (void)nuko::wrd::ProgramCallFor(*header, "019912");
        (void)nuko::wrd::ProgramCallFor(*header, "");
    }
    auto pic = nuko::wrd::DecodeProgram(bytes);
    if (!pic) return 0;
    static nuko::wrd::Page page;
    nuko::wrd::DrawPicture(*pic, page, {});
    nuko::wrd::DrawPicture(*pic, page, {600, 380, 2});
    return 0;
}
