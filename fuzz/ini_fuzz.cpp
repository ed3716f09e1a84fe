// INI documents: parse, look up, write a key, serialize; and the settings
// model read from the same bytes.
#include <cstdint>
#include <string_view>

#include "nuko/ini.h"
#include "settings/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (auto enc : {nuko::ini::Encoding::Legacy, nuko::ini::Encoding::Utf8}) {
        auto doc = nuko::ini::Document::Parse(bytes, enc);
        for (const auto& section : doc.Sections()) {
            for (const auto& key : doc.Keys(section)) (void)doc.Get(section, key);
        }
        doc.Set("Main", "Key", "値");
        doc.RemoveSection("Cd\\File");
        (void)doc.Serialize();
    }
    auto settings = nuko::settings::ReadSettings(nuko::ini::Document::Parse(bytes, nuko::ini::Encoding::Utf8), "/");
    (void)settings;
    return 0;
}
