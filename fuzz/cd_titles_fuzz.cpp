// CD title data from files: a disc read from a title file in both id forms,
// a bca file, another player's csv export, pasted text and registration
// values.
#include <cstdint>
#include <string_view>

#include "cd/cd_imports.h"
#include "cd/cd_title_db.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    nuko::media::MediaList record;
    record.items.resize(3);
    record.items[0].name = "04:12:40";
    record.items[1].name = "03:58:20";
    record.items[2].name = "03:58:21";
    for (const char* id : {"0030811600412", "003081160"}) {
        record.section = id;
        nuko::cd::LoadDiscFromBytes(record, bytes);
    }
    auto match = nuko::cd::FindBcaDisc(bytes, {12345, 678});
    if (!match.section.empty()) nuko::cd::LoadBcaDisc(bytes, match.section, record);
    nuko::cd::ApplyCsv(nuko::cd::ParseCsv(bytes, 99), record);
    nuko::cd::PasteText(bytes, record);
    (void)nuko::cd::CopyText(record);
    (void)nuko::cd::PathOfRegistration(bytes);
    return 0;
}
