#include "cd_title_db.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include <nu_32std.h>
#include "nuko/fileio.h"
#include "nuko/ini.h"
#include "nuko/paths.h"
#include "nuko/text.h"

namespace nuko::cd {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// A title file bigger than this is not one; it is neither read nor replaced.
constexpr std::size_t kTitleFileMax = 256u << 20;
constexpr std::size_t kLabelBytes = 15;
constexpr std::size_t kArtistBytes = 8;
constexpr std::size_t kPathOffset = 22;  // label and "... -> "

// CP932 bytes of a UTF-8 text; a character without a CP932 form counts as
// its UTF-8 length (as CutToCp932Bytes counts it).
std::size_t Cp932Width(std::string_view utf8) {
    if (auto bytes = text::Utf8ToCp932(utf8)) return bytes->size();
    std::size_t width = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        unsigned char lead = static_cast<unsigned char>(utf8[pos]);
        std::size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        n = std::min(n, utf8.size() - pos);
        auto bytes = n == 1 ? std::nullopt : text::Utf8ToCp932(utf8.substr(pos, n));
        width += bytes ? bytes->size() : n;
        pos += n;
    }
    return width;
}

// Cuts to `limit` CP932 bytes and fills a character that did not fit with
// `fill`, so the result is exactly `limit` bytes wide.
std::string CutAndFill(std::string_view utf8, std::size_t limit, char fill) {
    std::string out(text::CutToCp932Bytes(utf8, limit));
    std::size_t width = Cp932Width(out);
    if (width < limit) out.append(limit - width, fill);
    return out;
}

const std::string* Find(const Entries& entries, std::string_view key) {
    for (const auto& [k, v] : entries)
        if (text::EqualsIgnoreAsciiCase(k, key)) return &v;
    return nullptr;
}

std::string Cut(std::string_view value) { return std::string(text::CutToCp932Bytes(value, kTitleValueMax)); }

// Reads the title file. nullopt when it exists but cannot be used, so that
// a save never replaces it; a missing file reads as empty.
std::optional<std::string> ReadTitleFile(const std::string& path) {
    std::error_code ec;
    auto bytes = fileio::ReadFile(path, kTitleFileMax + 1, &ec);
    if (!bytes) {
        if (ec == std::errc::no_such_file_or_directory) return std::string();
        return std::nullopt;
    }
    if (bytes->size() > kTitleFileMax) return std::nullopt;
    return bytes;
}

// Numbers of a "Prog" value: the program-play switch, then one program
// number per track. Numbers missing at the end take the track number; a
// list that is not an order of 1..N (damaged or edited by hand) is replaced
// by track order, so program play never skips or repeats a track.
void ApplyProgram(media::MediaList& record, std::string_view prog) {
    std::vector<long> values;
    while (true) {
        std::size_t comma = prog.find(',');
        std::string_view field = text::TrimBlanks(prog.substr(0, comma));
        long v = 0;
        std::from_chars(field.data(), field.data() + field.size(), v);
        values.push_back(v);
        if (comma == std::string_view::npos) break;
        prog.remove_prefix(comma + 1);
    }
    record.loaded = values[0] != 0 ? 1 : 0;
    std::size_t n = record.items.size();
    std::vector<bool> seen(n + 1, false);
    bool valid = true;
    for (std::size_t i = 0; i < n; ++i) {
        long number = i + 1 < values.size() ? values[i + 1] : static_cast<long>(i + 1);
        if (number < 1 || number > static_cast<long>(n) || seen[static_cast<std::size_t>(number)]) {
            valid = false;
            break;
        }
        seen[static_cast<std::size_t>(number)] = true;
        record.items[i].number = static_cast<int>(number);
    }
    if (!valid)
        for (std::size_t i = 0; i < n; ++i) record.items[i].number = static_cast<int>(i + 1);
}

std::string StringCheck(std::string_view value) { return Nu_koStringCheck(std::string(value).c_str()); }

}  // namespace

std::string DefaultTrackTitle(int track_number) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Track %02u", static_cast<unsigned>(track_number));
    return buf;
}

std::string SectionTrackKey(std::string_view disc_id, int track_number, std::string_view track_key) {
    if (disc_id.size() <= 9) return std::string(track_key);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03u/", static_cast<unsigned>(track_number));
    return buf + std::string(track_key.substr(0, 5));
}

std::string RegistrationLabel(std::string_view artist, std::string_view title) {
    std::string label;
    if (!artist.empty() && title.empty()) {
        label = artist;
    } else if (artist.empty() && !title.empty()) {
        label = title;
    } else {
        label = CutAndFill(std::string(artist) + std::string(kArtistBytes, ' '), kArtistBytes, ' ');
        label += ':';
        label += title;
    }
    return CutAndFill(label + std::string(kLabelBytes, '.'), kLabelBytes, '.');
}

std::string RegistrationValue(std::string_view artist, std::string_view title, std::string_view path) {
    return RegistrationLabel(artist, title) + "... -> " + std::string(path);
}

std::string PathOfRegistration(std::string_view value) {
    static constexpr std::string_view kArrow = "... -> ";
    std::size_t cut = text::CutToCp932Bytes(value, kPathOffset).size();
    std::size_t label = text::CutToCp932Bytes(value, kLabelBytes).size();
    if (value.substr(label, kArrow.size()) != kArrow) {
        std::size_t arrow = value.find(" -> ");
        if (arrow != std::string_view::npos) cut = arrow + 4;
    }
    std::string p(text::TrimBlanks(value.substr(std::min(cut, value.size()))));
    if (p.empty()) return p;
    // Registrations restored from a Windows backup name Windows paths.
    if (path::HasDriveLetter(p) || p.find('\\') != std::string::npos)
        p = path::FromLegacy(p, path::CurrentDriveMap());
    return path::ResolveCaseInsensitive(p);
}

std::string StoredRegistrationValue(std::string_view value) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    if (!value.empty() && (blank(value.front()) || blank(value.back()))) return "\"" + std::string(value) + "\"";
    return StringCheck(value);
}

std::string TrackNotesKey(int track_number) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "Notes%02d", track_number);
    return buf;
}

void LoadDiscFromBytes(media::MediaList& record, std::string_view file_bytes) {
    Entries entries;
    if (!file_bytes.empty() && !record.section.empty())
        entries = ini::SectionEntries(file_bytes, record.section, ini::Encoding::Legacy);
    auto value = [&](std::string_view key) -> const std::string* { return Find(entries, key); };

    const std::string* v = value("Artist");
    record.title = v ? Cut(*v) : std::string();
    v = value("Title");
    record.sub_title = v ? Cut(*v) : std::string();
    v = value("Picture");
    record.picture = v ? Cut(*v) : std::string();
    v = value("Notes");
    record.notes = v ? Cut(*v) : std::string();

    for (std::size_t i = 0; i < record.items.size(); ++i) {
        int track = static_cast<int>(i + 1);
        auto& item = record.items[i];
        v = value(SectionTrackKey(record.section, track, item.name));
        item.title = v && *v != kNoValue ? Cut(*v) : DefaultTrackTitle(track);
        v = value(TrackNotesKey(track));
        item.notes = v ? Cut(*v) : std::string();
    }

    v = value("Prog");
    if (v && *v != kNoValue) {
        ApplyProgram(record, *v);
    } else {
        record.loaded = 0;
        for (std::size_t i = 0; i < record.items.size(); ++i) record.items[i].number = static_cast<int>(i + 1);
    }
}

CdTitleDatabase::CdTitleDatabase(RegistrationIndex& index, std::string default_file)
    : index_(index), default_file_(std::move(default_file)) {}

std::optional<std::string> CdTitleDatabase::Registration(std::string_view id) const {
    return index_.ReadRegistration(id);
}

bool CdTitleDatabase::LookupDisc(media::MediaList& record, const DiscLengths& disc) {
    const std::string remembered = record.section;
    std::string id = OlderDiscId(disc);
    std::string path;
    bool older = false;
    std::string older_value;
    if (auto v = Registration(id)) {
        older = true;
        older_value = *v;
        path = PathOfRegistration(*v);
    } else {
        id = DiscId(disc);
        if (auto r = Registration(id)) path = PathOfRegistration(*r);
    }
    if (path.empty()) path = default_file_;
    if (older) {
        // A registration left behind by an interrupted move names a file
        // whose section already has the current id: use that one rather
        // than move an empty older section over it, and finish the move so
        // that the older key cannot hide a later registration.
        auto bytes = ReadTitleFile(path);
        auto doc = ini::Document::Parse(bytes ? *bytes : std::string(), ini::Encoding::Legacy);
        const std::string current = DiscId(disc);
        if (!doc.HasSection(id) && doc.HasSection(current)) {
            bool registered = false;
            if (auto r = Registration(current)) {
                registered = true;
                std::string p = PathOfRegistration(*r);
                if (!p.empty()) path = std::move(p);
            } else {
                registered = !index_.WriteRegistration(current, StoredRegistrationValue(older_value));
            }
            if (registered) index_.WriteRegistration(id, std::nullopt);
            id = current;
            older = false;
        }
    }
    if (id == remembered) return false;

    record.Clear();
    record.kind = media::MediaKind::Cd;
    record.section = id;
    record.path = path;
    for (auto& key : UniqueTrackKeys(disc)) {
        media::MediaItem item;
        item.name = std::move(key);
        record.Add(item);
    }
    LoadDisc(record);
    if (older) SaveDisc(record, true);
    return true;
}

void CdTitleDatabase::LoadDisc(media::MediaList& record) const {
    auto bytes = ReadTitleFile(record.path);
    LoadDiscFromBytes(record, bytes ? *bytes : std::string());
}

bool CdTitleDatabase::SaveDisc(media::MediaList& record, bool register_disc) {
    const std::string original_id = record.section;
    std::string old_id;
    if (IsOlderId(record.section) && !record.items.empty()) {
        old_id = record.section;
        record.section += IdDigitsOfTrackKey(record.items.front().name);
    }
    auto fail = [&] {
        record.section = original_id;
        return false;
    };

    auto bytes = ReadTitleFile(record.path);
    if (!bytes || record.path.empty()) return fail();
    auto doc = ini::Document::Parse(*bytes, ini::Encoding::Legacy);
    if (!old_id.empty()) doc.RemoveSection(old_id);

    bool ok = true;
    auto write = [&](const std::string& key, std::string_view value) {
        ok = doc.Set(record.section, key, StringCheck(value)) && ok;
    };
    write("Artist", record.title);
    write("Title", record.sub_title);
    write("Picture", record.picture);
    // Notes (from xmcd entries) only where there are any, so that files
    // without them stay as they were.
    auto note = [&](const std::string& key, const std::string& value) {
        if (value.empty()) doc.RemoveKey(record.section, key);
        else write(key, value);
    };
    note("Notes", record.notes);
    for (std::size_t i = 0; i < record.items.size(); ++i)
        note(TrackNotesKey(static_cast<int>(i + 1)), record.items[i].notes);
    std::string prog = record.loaded ? "1" : "0";
    for (std::size_t i = 0; i < record.items.size(); ++i) {
        const auto& item = record.items[i];
        write(SectionTrackKey(record.section, static_cast<int>(i + 1), item.name), item.title);
        prog += ',' + std::to_string(item.number);
    }
    write("Prog", prog);
    if (!ok) return fail();
    if (folders::EnsureFolder(path::SplitPath(record.path).folder)) return fail();
    if (ini::SaveFile(record.path, doc)) return fail();

    if (register_disc) {
        std::string value = RegistrationValue(record.title, record.sub_title, record.path);
        if (index_.WriteRegistration(record.section, StoredRegistrationValue(value))) return false;
        // The older key goes only once the new one is in place.
        if (!old_id.empty()) index_.WriteRegistration(old_id, std::nullopt);
    }
    return true;
}

bool CdTitleDatabase::DeleteDisc(media::MediaList& record) {
    auto bytes = ReadTitleFile(record.path);
    if (!bytes) return false;
    if (!bytes->empty()) {
        auto doc = ini::Document::Parse(*bytes, ini::Encoding::Legacy);
        if (doc.RemoveSection(record.section) && ini::SaveFile(record.path, doc)) return false;
    }
    if (index_.WriteRegistration(record.section, std::nullopt)) return false;
    record.path = default_file_;
    LoadDisc(record);
    return true;
}

std::string CdTitleDatabase::StoredTitle(const std::string& file, std::string_view id, std::string* found_id) {
    auto bytes = ReadTitleFile(file);
    if (!bytes || bytes->empty()) return {};
    auto doc = ini::Document::Parse(*bytes, ini::Encoding::Legacy);
    std::string title = doc.GetString(id, "Title", "");
    std::string_view used = id;
    if (title.empty() && id.size() > 9) {
        used = id.substr(0, 9);
        title = doc.GetString(used, "Title", "");
    }
    if (found_id) *found_id = title.empty() ? std::string() : std::string(used);
    return Cut(title);
}

}  // namespace nuko::cd
