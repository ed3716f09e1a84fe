#include "nuko/ini.h"

#include <unordered_set>

#include "nuko/fileio.h"
#include "nuko/text.h"

namespace nuko::ini {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// Calls f(text, eol) for each line; a CR LF pair, a lone LF and a lone CR each
// end one line.
template <typename F>
void EachLine(std::string_view bytes, F f) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = pos;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
        if (end == bytes.size()) {
            f(bytes.substr(pos), std::string_view());
            return;
        }
        std::size_t eol_len = (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1;
        if (!f(bytes.substr(pos, end - pos), bytes.substr(end, eol_len))) return;
        pos = end + eol_len;
    }
}

enum class Kind { Other, Section, Entry };
struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;
    std::string_view value;
};

Parsed ClassifyLine(std::string_view line, bool utf8) {
    Parsed p;
    std::string_view t = text::TrimBlanks(line);
    if (t.empty() || t.front() == ';') return p;
    if (t.front() == '[') {
        // The closing bracket must not be a CP932 trail byte ("]" is 0x5D).
        std::size_t close = npos;
        for (std::size_t i = 1; i < t.size(); ++i) {
            if (!utf8 && text::IsCp932LeadByte(t[i])) {
                ++i;
                continue;
            }
            if (t[i] == ']') {
                close = i;
                break;
            }
        }
        if (close == npos) return p;  // damaged header: ignored
        p.kind = Kind::Section;
        p.name = text::TrimBlanks(t.substr(1, close - 1));
        return p;
    }
    std::size_t eq = npos;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!utf8 && text::IsCp932LeadByte(t[i])) {
            ++i;
            continue;
        }
        if (t[i] == '=') {
            eq = i;
            break;
        }
    }
    if (eq == npos) return p;
    std::string_view key = text::TrimBlanks(t.substr(0, eq));
    if (key.empty()) return p;
    p.kind = Kind::Entry;
    p.name = key;
    p.value = text::TrimBlanks(t.substr(eq + 1));
    return p;
}

// Cheap pre-check: only a line whose first non-blank byte is "[" can be a
// section header.
bool MaybeSection(std::string_view line) {
    for (char ch : line) {
        if (ch == ' ' || ch == '\t') continue;
        return ch == '[';
    }
    return false;
}

// Case-insensitive on ASCII letters; a CP932 double-byte character compares
// exactly (its trail byte may be a letter).
bool NamesEqual(std::string_view a, std::string_view b, bool utf8) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (!utf8 && text::IsCp932LeadByte(x)) {
            if (x != y || i + 1 >= a.size() || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

struct Layout {
    std::string_view body;
    bool utf8;
    bool bom;
};

Layout DetectLayout(std::string_view bytes, Encoding encoding) {
    Layout l{bytes, encoding == Encoding::Utf8, false};
    if (bytes.starts_with(text::kUtf8Bom)) {
        l.body = bytes.substr(text::kUtf8Bom.size());
        l.utf8 = true;
        l.bom = true;
    }
    return l;
}

std::string Decode(std::string_view bytes, bool utf8) {
    return utf8 ? text::SanitizeUtf8(bytes) : text::Cp932ToUtf8(bytes);
}

std::optional<std::string> Encode(std::string_view utf8_text, bool utf8) {
    if (utf8) return std::string(utf8_text);
    return text::Utf8ToCp932(utf8_text);
}

bool ReadBytes(const std::string& path, std::string& out, std::error_code* ec) {
    std::error_code e;
    auto data = fileio::ReadFile(path, SIZE_MAX, &e);
    if (!data) {
        if (ec) *ec = (e == std::errc::no_such_file_or_directory) ? std::error_code() : e;
        return false;
    }
    if (ec) ec->clear();
    out = std::move(*data);
    return true;
}

}  // namespace

std::string_view UnquoteValue(std::string_view raw) {
    std::string_view v = text::TrimBlanks(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

Document::Document(Encoding encoding) : utf8_(encoding == Encoding::Utf8) {}

Document Document::Parse(std::string_view bytes, Encoding encoding) {
    Document doc(encoding);
    Layout l = DetectLayout(bytes, encoding);
    doc.utf8_ = l.utf8;
    doc.bom_ = l.bom;
    EachLine(l.body, [&](std::string_view line, std::string_view eol) {
        doc.lines_.push_back({std::string(line), std::string(eol)});
        return true;
    });
    return doc;
}

std::optional<std::string> Document::ToFile(std::string_view utf8_text) const {
    return Encode(utf8_text, utf8_);
}

std::string Document::FromFile(std::string_view bytes) const { return Decode(bytes, utf8_); }

void Document::ConvertToUtf8() {
    if (utf8_) return;
    for (auto& line : lines_) line.text = text::Cp932ToUtf8(line.text);
    utf8_ = true;
    bom_ = true;
}

std::size_t Document::FindSection(std::string_view wanted) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!MaybeSection(lines_[i].text)) continue;
        Parsed p = ClassifyLine(lines_[i].text, utf8_);
        if (p.kind == Kind::Section && NamesEqual(p.name, wanted, utf8_)) return i;
    }
    return npos;
}

std::size_t Document::SectionEnd(std::size_t start) const {
    std::size_t i = start + 1;
    while (i < lines_.size() &&
           !(MaybeSection(lines_[i].text) && ClassifyLine(lines_[i].text, utf8_).kind == Kind::Section))
        ++i;
    return i;
}

std::string Document::NewLineEnd() const {
    for (const auto& line : lines_)
        if (!line.eol.empty()) return line.eol;
    return utf8_ && !bom_ ? "\n" : "\r\n";
}

std::optional<std::string> Document::Get(std::string_view section, std::string_view key) const {
    auto sec = ToFile(section);
    auto k = ToFile(key);
    if (!sec || !k) return std::nullopt;
    std::size_t start = FindSection(*sec);
    if (start == npos) return std::nullopt;
    std::size_t end = SectionEnd(start);
    for (std::size_t i = start + 1; i < end; ++i) {
        Parsed p = ClassifyLine(lines_[i].text, utf8_);
        if (p.kind == Kind::Entry && NamesEqual(p.name, *k, utf8_)) return FromFile(UnquoteValue(p.value));
    }
    return std::nullopt;
}

std::string Document::GetString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
    auto v = Get(section, key);
    return v ? std::move(*v) : std::string(fallback);
}

bool Document::HasSection(std::string_view section) const {
    auto sec = ToFile(section);
    return sec && FindSection(*sec) != npos;
}

std::vector<std::string> Document::Sections() const {
    std::vector<std::string> out;
    std::vector<std::string_view> seen;
    for (const auto& line : lines_) {
        Parsed p = ClassifyLine(line.text, utf8_);
        if (p.kind != Kind::Section) continue;
        bool dup = false;
        for (auto s : seen)
            if (NamesEqual(s, p.name, utf8_)) { dup = true; break; }
        if (dup) continue;
        seen.push_back(p.name);
        out.push_back(FromFile(p.name));
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> Document::Entries(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> out;
    auto sec = ToFile(section);
    if (!sec) return out;
    std::size_t start = FindSection(*sec);
    if (start == npos) return out;
    std::size_t end = SectionEnd(start);
    std::vector<std::string_view> seen;
    for (std::size_t i = start + 1; i < end; ++i) {
        Parsed p = ClassifyLine(lines_[i].text, utf8_);
        if (p.kind != Kind::Entry) continue;
        bool dup = false;
        for (auto s : seen)
            if (NamesEqual(s, p.name, utf8_)) { dup = true; break; }
        if (dup) continue;  // the first match wins, as Get() does
        seen.push_back(p.name);
        out.emplace_back(FromFile(p.name), FromFile(UnquoteValue(p.value)));
    }
    return out;
}

std::vector<std::string> Document::Keys(std::string_view section) const {
    std::vector<std::string> out;
    for (auto& e : Entries(section)) out.push_back(std::move(e.first));
    return out;
}

bool Document::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (text::TrimBlanks(section).empty() || text::TrimBlanks(key).empty()) return false;
    if (section.find(']') != npos || key.find('=') != npos) return false;
    if (key.front() == ';' || key.front() == '[') return false;
    std::string clean(value);
    for (char& c : clean)
        if (c == '\r' || c == '\n') c = ' ';

    auto sec = ToFile(section);
    auto k = ToFile(key);
    auto v = ToFile(clean);
    if (!sec || !k || !v) {
        ConvertToUtf8();
        sec = ToFile(section);
        k = ToFile(key);
        v = ToFile(clean);
    }
    std::string entry = std::string(text::TrimBlanks(*k)) + "=" + *v;

    std::size_t start = FindSection(text::TrimBlanks(*sec));
    if (start == npos) {
        std::string eol = NewLineEnd();
        if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = eol;
        lines_.push_back({"[" + std::string(text::TrimBlanks(*sec)) + "]", eol});
        lines_.push_back({entry, eol});
        return true;
    }
    std::size_t end = SectionEnd(start);
    std::size_t last_entry = start;
    for (std::size_t i = start + 1; i < end; ++i) {
        Parsed p = ClassifyLine(lines_[i].text, utf8_);
        if (p.kind != Kind::Entry) continue;
        if (NamesEqual(p.name, text::TrimBlanks(*k), utf8_)) {
            // Keep the key as it was written; only the value changes.
            lines_[i].text = std::string(p.name) + "=" + *v;
            return true;
        }
        last_entry = i;
    }
    std::string eol = NewLineEnd();
    if (lines_[last_entry].eol.empty()) lines_[last_entry].eol = eol;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last_entry + 1), Line{entry, eol});
    return true;
}

bool Document::RemoveKey(std::string_view section, std::string_view key) {
    auto sec = ToFile(section);
    auto k = ToFile(key);
    if (!sec || !k) return false;
    std::size_t start = FindSection(*sec);
    if (start == npos) return false;
    std::size_t end = SectionEnd(start);
    for (std::size_t i = start + 1; i < end; ++i) {
        Parsed p = ClassifyLine(lines_[i].text, utf8_);
        if (p.kind == Kind::Entry && NamesEqual(p.name, *k, utf8_)) {
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

bool Document::RemoveSection(std::string_view section) {
    auto sec = ToFile(section);
    if (!sec) return false;
    std::size_t start = FindSection(*sec);
    if (start == npos) return false;
    std::size_t end = SectionEnd(start);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(start),
                 lines_.begin() + static_cast<std::ptrdiff_t>(end));
    return true;
}

std::string Document::Serialize() const {
    std::size_t size = bom_ ? text::kUtf8Bom.size() : 0;
    for (const auto& line : lines_) size += line.text.size() + line.eol.size();
    std::string out;
    out.reserve(size);
    if (bom_) out += text::kUtf8Bom;
    for (const auto& line : lines_) {
        out += line.text;
        out += line.eol;
    }
    return out;
}

Document LoadFile(const std::string& path, Encoding encoding, std::error_code* ec) {
    std::string bytes;
    if (!ReadBytes(path, bytes, ec)) return Document(encoding);
    return Document::Parse(bytes, encoding);
}

std::error_code SaveFile(const std::string& path, const Document& doc) {
    return fileio::WriteFileAtomic(path, doc.Serialize());
}

std::optional<std::string> FindValue(std::string_view bytes, std::string_view section, std::string_view key,
                                     Encoding encoding) {
    // One pass over the bytes without building the whole document.
    Layout l = DetectLayout(bytes, encoding);
    auto sec = Encode(section, l.utf8);
    auto k = Encode(key, l.utf8);
    if (!sec || !k) return std::nullopt;
    bool in_section = false;
    bool section_seen = false;
    std::optional<std::string> found;
    EachLine(l.body, [&](std::string_view line, std::string_view) {
        if (!in_section && !MaybeSection(line)) return true;
        Parsed p = ClassifyLine(line, l.utf8);
        if (p.kind == Kind::Section) {
            if (section_seen) return false;  // only the first matching section counts
            in_section = NamesEqual(p.name, *sec, l.utf8);
            section_seen = in_section;
        } else if (in_section && p.kind == Kind::Entry && NamesEqual(p.name, *k, l.utf8)) {
            found = Decode(UnquoteValue(p.value), l.utf8);
            return false;
        }
        return true;
    });
    return found;
}

std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view fallback,
                             Encoding encoding) {
    std::string bytes;
    if (!ReadBytes(path, bytes, nullptr)) return std::string(fallback);
    auto found = FindValue(bytes, section, key, encoding);
    return found ? std::move(*found) : std::string(fallback);
}

std::vector<std::pair<std::string, std::string>> SectionEntries(std::string_view bytes,
                                                                 std::string_view section,
                                                                 Encoding encoding) {
    std::vector<std::pair<std::string, std::string>> out;
    Layout l = DetectLayout(bytes, encoding);
    auto sec = Encode(section, l.utf8);
    if (!sec) return out;
    bool in_section = false;
    // Keys seen so far, folded as NamesEqual compares them.
    std::unordered_set<std::string> seen;
    EachLine(l.body, [&](std::string_view line, std::string_view) {
        if (!in_section && !MaybeSection(line)) return true;
        Parsed p = ClassifyLine(line, l.utf8);
        if (p.kind == Kind::Section) {
            if (in_section) return false;  // only the first matching section counts
            in_section = NamesEqual(p.name, *sec, l.utf8);
        } else if (in_section && p.kind == Kind::Entry) {
            std::string folded(p.name);
            if (l.utf8) text::AsciiLower(folded);
            else text::Cp932AsciiLower(folded);
            if (!seen.insert(std::move(folded)).second) return true;  // the first match wins
            out.emplace_back(Decode(p.name, l.utf8), Decode(UnquoteValue(p.value), l.utf8));
        }
        return true;
    });
    return out;
}

std::vector<std::string> GetProfileKeys(const std::string& path, std::string_view section,
                                        Encoding encoding) {
    return LoadFile(path, encoding).Keys(section);
}

std::vector<std::string> GetProfileSections(const std::string& path, Encoding encoding) {
    return LoadFile(path, encoding).Sections();
}

std::error_code WriteProfileString(const std::string& path, std::string_view section,
                                   std::optional<std::string_view> key,
                                   std::optional<std::string_view> value,
                                   Encoding encoding) {
    std::error_code ec;
    Document doc = LoadFile(path, encoding, &ec);
    if (ec) return ec;  // never replace a file we could not read
    bool changed;
    if (!key) {
        changed = doc.RemoveSection(section);
    } else if (!value) {
        changed = doc.RemoveKey(section, *key);
    } else {
        if (!doc.Set(section, *key, *value)) return std::make_error_code(std::errc::invalid_argument);
        changed = true;
    }
    if (!changed) return {};
    return SaveFile(path, doc);
}

}  // namespace nuko::ini
