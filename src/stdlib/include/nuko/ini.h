// INI files with the semantics of the Windows private-profile calls:
// sections and keys compared case-insensitively, the first match wins, a
// value is trimmed and loses one pair of enclosing quotes, writing a key
// replaces its line in place and keeps every other byte of the file
// (comments, order, spacing, line ends). Every write replaces the file
// atomically and reports failure.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace nuko::ini {

enum class Encoding {
    Legacy,  // CP932, or UTF-8 when the file begins with a byte order mark
    Utf8,    // UTF-8 (a byte order mark is accepted and kept)
};

class Document {
public:
    explicit Document(Encoding encoding = Encoding::Utf8);

    static Document Parse(std::string_view bytes, Encoding encoding);

    // Texts in and out are UTF-8.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view fallback) const;
    bool HasSection(std::string_view section) const;
    // Names as written in the file, in file order, first occurrence only.
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(std::string_view section) const;
    // Key and value pairs of the first matching section, in file order.
    std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;

    // Returns false when the name cannot be stored (a key with "=", a section
    // with "]", an empty name). CR and LF in a value become blanks. A value
    // that the file's CP932 cannot hold turns the file into UTF-8 behind a
    // byte order mark.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    bool RemoveKey(std::string_view section, std::string_view key);
    bool RemoveSection(std::string_view section);

    std::string Serialize() const;

    bool utf8() const { return utf8_; }
    bool empty() const { return lines_.empty(); }

private:
    struct Line {
        std::string text;  // bytes in the file's encoding, without line end
        std::string eol;   // "\r\n", "\n", "\r" or "" on a last line without one
    };
    std::optional<std::string> ToFile(std::string_view utf8) const;
    std::string FromFile(std::string_view bytes) const;
    void ConvertToUtf8();
    // Index of the first matching section header, or npos.
    std::size_t FindSection(std::string_view wanted) const;
    // End (exclusive) of the section that starts at header index `start`.
    std::size_t SectionEnd(std::size_t start) const;
    std::string NewLineEnd() const;

    std::vector<Line> lines_;
    bool utf8_ = true;
    bool bom_ = false;
};

// Reads a file into a document. A missing file gives an empty document and no
// error; any other read failure gives an empty document and the error.
Document LoadFile(const std::string& path, Encoding encoding, std::error_code* ec = nullptr);

// Writes the document atomically.
std::error_code SaveFile(const std::string& path, const Document& doc);

// The private-profile calls, each reading the file afresh.
std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view fallback,
                             Encoding encoding);
std::vector<std::string> GetProfileKeys(const std::string& path, std::string_view section,
                                        Encoding encoding);
std::vector<std::string> GetProfileSections(const std::string& path, Encoding encoding);

// Document::Parse(bytes).Get(section, key) in one pass over the bytes.
std::optional<std::string> FindValue(std::string_view bytes, std::string_view section, std::string_view key,
                                     Encoding encoding);

// Document::Parse(bytes).Entries(section) in one pass over the bytes,
// without building the document: for reading one section of a big file.
std::vector<std::pair<std::string, std::string>> SectionEntries(std::string_view bytes,
                                                                 std::string_view section,
                                                                 Encoding encoding);

// No key deletes the section; a key with no value deletes the key. A file
// that would not change is not written.
std::error_code WriteProfileString(const std::string& path, std::string_view section,
                                   std::optional<std::string_view> key,
                                   std::optional<std::string_view> value,
                                   Encoding encoding);

// The value rule of the profile calls: trimmed, one pair of enclosing double
// or single quotes removed.
std::string_view UnquoteValue(std::string_view raw);

}  // namespace nuko::ini
