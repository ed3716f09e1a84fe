// Title texts inside media files, read from bytes.
#include "nuko/media_title.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "nuko/text.h"

namespace nuko::media {
namespace {

unsigned char Byte(std::string_view b, std::size_t at) { return static_cast<unsigned char>(b[at]); }

std::uint16_t Le16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(Byte(b, at) | (Byte(b, at + 1) << 8));
}

std::uint64_t Le64(std::string_view b, std::size_t at) {
    std::uint64_t v = 0;
    for (std::size_t i = 8; i-- > 0;) v = (v << 8) | Byte(b, at + i);
    return v;
}

// C-string semantics of the fixed fields: the text ends at a zero byte.
std::string_view UpToZero(std::string_view b) { return b.substr(0, b.find('\0')); }

bool HasDoubleByteCharacter(std::string_view cp932) {
    for (std::size_t i = 0; i + 1 < cp932.size(); ++i)
        if (text::IsCp932LeadByte(cp932[i])) return true;
    return false;
}

// Decodes a text found in a media file, at most `limit` of its bytes.
std::string DecodeFound(std::string_view raw, std::size_t limit) {
    if (raw.size() > limit) raw = text::IsValidCp932(raw) ? text::Cp932Cut(raw, limit) : raw.substr(0, limit);
    // A double-byte character split where the writer ran out of room: its
    // lone lead byte would make the whole text look like Latin-1.
    if (!raw.empty() && text::IsCp932LeadByte(raw.back()) && !text::IsValidCp932(raw)) {
        std::string_view shorter = raw.substr(0, raw.size() - 1);
        if (text::IsValidCp932(shorter) && HasDoubleByteCharacter(shorter)) raw = shorter;
    }
    return text::DecodeUnmarked(raw);
}

using Guid = std::array<unsigned char, 16>;
constexpr Guid kAsfHeader = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                             0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
// The content description differs from the header object only in its first
// byte.
constexpr Guid kAsfContentDescription = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                         0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

std::string_view GuidView(const Guid& g) { return {reinterpret_cast<const char*>(g.data()), g.size()}; }

// The UTF-16 text of `bytes` up to its terminator, as UTF-8.
std::string AsfText(std::string_view bytes) {
    std::string s = text::Utf16LeToUtf8(bytes);
    return s.substr(0, s.find('\0'));
}

// The first value of the line after a section header: comment lines skipped,
// up to "," or the line end. nullopt when the section is missing.
std::optional<std::string> FirstValueOf(std::string_view text, std::string_view section) {
    bool in_section = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        std::string_view trimmed = text::TrimBlanks(line);
        if (!in_section) {
            in_section = trimmed.size() >= section.size() &&
                         text::EqualsIgnoreAsciiCase(trimmed.substr(0, section.size()), section);
            continue;
        }
        if (trimmed.empty() || trimmed.front() == ';') continue;
        if (trimmed.front() == '[') return std::string();  // the section has no line
        return std::string(line.substr(0, line.find(',')));
    }
    if (in_section) return std::string();
    return std::nullopt;
}

std::string CollapseBlanks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == ' ' && !out.empty() && out.back() == ' ') continue;
        out += c;
    }
    return out;
}

}  // namespace

WaitRatio SmfWaitRatio(std::string_view head) {
    WaitRatio ratio;
    std::size_t at = head.find("\xFF\x58");
    if (at == std::string_view::npos || at + 3 >= head.size()) return ratio;
    unsigned char length = Byte(head, at + 2);
    unsigned char numerator = Byte(head, at + 3);
    if (length != 0 && numerator != 0) ratio = {numerator, length};
    return ratio;
}

std::optional<std::string> SmfTitleText(std::string_view head, std::size_t max_bytes, SmfEncoding encoding) {
    for (std::size_t at = head.find('\xFF'); at != std::string_view::npos; at = head.find('\xFF', at + 1)) {
        if (at + 2 >= head.size()) break;
        unsigned char type = Byte(head, at + 1);
        if (type != 0x03 && type != 0x01) continue;
        std::size_t length = Byte(head, at + 2);
        if (length == 0) continue;
        std::string_view raw = UpToZero(head.substr(at + 3, length));
        if (raw.empty()) return std::nullopt;
        if (IsXfControlText(raw)) continue;
        if (encoding == SmfEncoding::Auto || encoding == SmfEncoding::Cp932) return DecodeFound(raw, max_bytes);
        return DecodeSmfText(raw.substr(0, SmfTextCutLength(raw, max_bytes, encoding)), encoding);
    }
    return std::nullopt;
}

std::optional<std::string> RcpTitleText(std::string_view head, std::size_t max_bytes) {
    constexpr std::size_t kOffset = 32;
    // RCP 2.0 files hold a 64-byte title with the memo right behind it;
    // R36 and G36 files a longer one, of which 80 bytes are shown.
    const std::size_t field_size = head.starts_with("RCM-PC98V2.0") ? 64 : 80;
    if (head.size() <= kOffset) return std::nullopt;
    std::string_view field = UpToZero(head.substr(kOffset, field_size));
    if (field.find_first_not_of(' ') == std::string_view::npos) return std::nullopt;
    return DecodeFound(field, std::min(max_bytes, field_size));
}

std::optional<std::string> Id3v1TitleText(std::string_view tag) {
    if (tag.size() != 128 || !text::EqualsIgnoreAsciiCase(tag.substr(0, 3), "tag")) return std::nullopt;
    auto field = [&](std::size_t at) {
        std::string raw(tag.substr(at, 30));
        for (char& c : raw)
            if (static_cast<unsigned char>(c) <= 31) c = ' ';  // zero and control bytes
        return DecodeFound(raw, raw.size());
    };
    return field(33) + " / " + field(3);
}

std::optional<std::string> AsfTitleText(std::string_view header) {
    if (!header.starts_with(GuidView(kAsfHeader))) return std::nullopt;
    std::size_t at = header.find(GuidView(kAsfContentDescription), 16);
    if (at == std::string_view::npos || header.size() - at < 34) return std::nullopt;
    std::string_view object = header.substr(at);
    std::uint64_t object_size = Le64(object, 16);
    if (object_size >= 34 && object_size < object.size()) object = object.substr(0, object_size);
    std::size_t title_length = Le16(object, 24);
    std::size_t author_length = Le16(object, 26);
    std::string_view strings = object.substr(34);
    std::string title = AsfText(strings.substr(0, title_length));
    std::string author = AsfText(strings.substr(std::min(title_length, strings.size()), author_length));
    if (author.empty()) return title;
    if (title.empty()) return author;
    return author + " / " + title;
}

std::optional<std::string> CatalogTitleText(std::string_view head) {
    std::size_t end = head.find_first_of("\r\n");
    if (end == std::string_view::npos) return std::nullopt;
    // CR LF, or the lone line feed of a file edited on Linux.
    std::size_t start = end + (head.substr(end, 2) == "\r\n" ? 2 : 1);
    if (start >= head.size()) return std::nullopt;
    std::string_view line = head.substr(start);
    line = line.substr(0, line.find_first_of("\r\n\x1A"));
    if (line.empty()) return std::nullopt;
    if (head.starts_with(text::kUtf8Bom)) return text::SanitizeUtf8(line);
    return text::Cp932ToUtf8(line);
}

std::optional<std::string> ConverterTitleText(std::string_view head) {
    std::string decoded = text::DecodeLegacy(head);
    auto source = FirstValueOf(decoded, "[SOURCE]");
    auto destination = FirstValueOf(decoded, "[DESTINATION]");
    if (!source && !destination) return std::nullopt;
    std::string out(LoadString(strings::kConverterFileTitle));
    out += "  ( ";
    out += source.value_or("");
    out += " --> ";
    out += destination.value_or("");
    out += " )";
    return out;
}

std::optional<TitlePair> FinishTitle(std::string_view text, bool id3) {
    TitlePair pair;
    // A full-width blank counts as two blanks.
    constexpr std::string_view kFullWidthBlank = "\xE3\x80\x80";
    pair.title.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text.substr(i, 3) == kFullWidthBlank) {
            pair.title += "  ";
            i += 3;
        } else {
            pair.title += text[i++];
        }
    }
    pair.title2 = CollapseBlanks(pair.title);
    if (pair.title2.empty() || pair.title2 == " ") return std::nullopt;
    if (id3) {
        if (pair.title2 == " / ") return std::nullopt;
        if (pair.title2.starts_with(" / ")) pair.title2.erase(0, 3);
        if (pair.title2.ends_with(" / ")) pair.title2.erase(pair.title2.size() - 3);
    }
    return pair;
}

}  // namespace nuko::media
