// Checks shared by the media fuzz targets.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "nuko/media_title.h"
#include "nuko/text.h"

namespace nuko::fuzz {

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return size ? std::string_view(reinterpret_cast<const char*>(data), size) : std::string_view();
}

// Every title is valid UTF-8, before and after finishing.
inline void CheckTitle(const std::optional<std::string>& text, bool id3) {
    if (!text) return;
    if (!text::IsValidUtf8(*text)) std::abort();
    if (auto pair = media::FinishTitle(*text, id3)) {
        if (!text::IsValidUtf8(pair->title) || !text::IsValidUtf8(pair->title2)) std::abort();
        if (pair->title2.size() > pair->title.size()) std::abort();
    }
}

}  // namespace nuko::fuzz
