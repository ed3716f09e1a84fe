#include "cd_imports.h"

#include <cstdio>

#include "cd_title_db.h"
#include "nuko/ini.h"
#include "nuko/paths.h"
#include "nuko/text.h"

namespace nuko::cd {
namespace {

std::string Foreign(std::string_view utf8) { return std::string(text::CutToCp932Bytes(utf8, kForeignValueMax)); }

void ProgramInTrackOrder(media::MediaList& record) {
    record.loaded = 0;
    for (std::size_t i = 0; i < record.items.size(); ++i) record.items[i].number = static_cast<int>(i + 1);
}

// Lines split at LF, each without a CR before it.
std::vector<std::string_view> Lines(std::string_view bytes, std::size_t max_lines) {
    std::vector<std::string_view> lines;
    while (!bytes.empty() && lines.size() < max_lines) {
        std::size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (lf == std::string_view::npos) break;
        bytes.remove_prefix(lf + 1);
    }
    return lines;
}

// Start of the last character of raw bytes in their encoding.
std::size_t LastCharStart(std::string_view bytes, bool utf8) {
    if (bytes.empty()) return 0;
    if (utf8) {
        std::size_t i = bytes.size() - 1;
        while (i > 0 && (static_cast<unsigned char>(bytes[i]) & 0xC0) == 0x80) --i;
        return i;
    }
    std::size_t last = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        last = i;
        if (text::IsCp932LeadByte(bytes[i])) ++i;
    }
    return last;
}

// A quoted header field: without its first and last character when it is
// longer than 2 characters and begins with a double quote, else empty.
std::string_view HeaderField(std::string_view line, bool utf8) {
    if (line.empty() || line.front() != '"') return {};
    std::size_t last = LastCharStart(line, utf8);
    if (last < 2) return {};  // two characters or fewer
    return line.substr(1, last - 1);
}

}  // namespace

ImportKind KindOfImport(std::string_view path, int filter_index) {
    switch (filter_index) {
        case 2: return ImportKind::TitleFile;
        case 3: return ImportKind::Bca;
        case 4: return ImportKind::Csv;
        default: break;
    }
    std::string ext = text::AsciiLowered(path::Extension(path));
    if (ext == "txt") return ImportKind::TitleFile;
    if (path::FileName(path) == "bca.dat") return ImportKind::Bca;
    if (ext == "csv") return ImportKind::Csv;
    return ImportKind::None;
}

BcaMatch FindBcaDisc(std::string_view file_bytes, const BcaNumbers& numbers) {
    auto doc = ini::Document::Parse(file_bytes, ini::Encoding::Legacy);
    char name[32];
    std::snprintf(name, sizeof name, "%010lu", static_cast<unsigned long>(numbers.first));
    BcaMatch m{name, Foreign(doc.GetString(name, "Title", ""))};
    if (m.title.empty()) {
        std::uint32_t next = numbers.first + numbers.increment;
        std::snprintf(name, sizeof name, "%lu", static_cast<unsigned long>(next));
        m = {name, Foreign(doc.GetString(name, "Title", ""))};
    }
    if (m.title.empty()) m.section.clear();
    return m;
}

void LoadBcaDisc(std::string_view file_bytes, const std::string& section, media::MediaList& record) {
    auto doc = ini::Document::Parse(file_bytes, ini::Encoding::Legacy);
    record.title = Foreign(doc.GetString(section, "ArtistName", ""));
    record.sub_title = Foreign(doc.GetString(section, "Title", ""));
    for (std::size_t i = 0; i < record.items.size(); ++i) {
        int track = static_cast<int>(i + 1);
        char key[16];
        std::snprintf(key, sizeof key, "%02u", static_cast<unsigned>(track));
        auto v = doc.Get(section, key);
        record.items[i].title = v ? Foreign(*v) : DefaultTrackTitle(track);
    }
    ProgramInTrackOrder(record);
}

CsvDisc ParseCsv(std::string_view bytes, std::size_t track_count) {
    bool utf8 = bytes.starts_with(text::kUtf8Bom);
    if (utf8) bytes.remove_prefix(text::kUtf8Bom.size());
    auto decode = [&](std::string_view raw) {
        return Foreign(utf8 ? text::SanitizeUtf8(raw) : text::Cp932ToUtf8(raw));
    };
    auto lines = Lines(bytes, track_count + 2);
    CsvDisc csv;
    if (lines.size() > 0) csv.title = decode(HeaderField(lines[0], utf8));
    if (lines.size() > 1) csv.artist = decode(HeaderField(lines[1], utf8));
    static constexpr std::string_view kSeparator = "\",\"";
    for (std::size_t i = 0; i < track_count; ++i) {
        std::string title = DefaultTrackTitle(static_cast<int>(i + 1));
        if (i + 2 < lines.size() && lines[i + 2].size() > 10) {
            std::string_view line = lines[i + 2];
            std::size_t at = line.find(kSeparator);
            if (at >= 1 && at <= 4) {
                std::string_view rest = line.substr(at + kSeparator.size());
                title = decode(rest.substr(0, rest.find(kSeparator)));
            }
        }
        csv.tracks.push_back(std::move(title));
    }
    return csv;
}

void ApplyCsv(const CsvDisc& csv, media::MediaList& record) {
    record.title = csv.artist;
    record.sub_title = csv.title;
    for (std::size_t i = 0; i < record.items.size(); ++i)
        record.items[i].title = i < csv.tracks.size() ? csv.tracks[i] : DefaultTrackTitle(static_cast<int>(i + 1));
    ProgramInTrackOrder(record);
}

std::string CopyText(const media::MediaList& record) {
    std::string out = record.title + "\r\n" + record.sub_title + "\r\n" + record.picture + "\r\n";
    for (const auto& item : record.items) out += item.title + "\r\n";
    return out;
}

void PasteText(std::string_view text, media::MediaList& record) {
    std::size_t n = 0;
    while (true) {
        std::size_t lf = text.find('\n');
        if (lf == std::string_view::npos) break;  // a last line without a line end is not used
        std::string_view line = text.substr(0, lf);
        // Copies of other programs may end lines with LF alone.
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        text.remove_prefix(lf + 1);
        if (n == 0) record.title = line;
        else if (n == 1) record.sub_title = line;
        else if (n == 2) record.picture = line;
        else if (n - 3 < record.items.size()) record.items[n - 3].title = line;
        else break;
        ++n;
    }
}

}  // namespace nuko::cd
