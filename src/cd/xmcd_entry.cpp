#include "cd/xmcd_entry.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "cd/cd_imports.h"
#include "nuko/text.h"

namespace nuko::cd {
namespace {

constexpr int kMaxTrackIndex = 98;  // TTITLE0 .. TTITLE98
// One line of a written value: freedb keeps lines within 256 bytes.
constexpr std::size_t kLineValueBytes = 200;

std::string Decode(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (text::IsValidUtf8(bytes)) return std::string(bytes);
    return text::DecodeUnmarked(bytes);
}

std::string Cut(const std::string& value) { return std::string(text::CutToCp932Bytes(value, kForeignValueMax)); }

// A value's parts are joined as they stand; an overlong one stops growing
// at twice the cut, which is cut again at the end.
void Append(std::string& value, std::string_view part) {
    if (value.size() < 2 * kForeignValueMax + 8) value.append(part.substr(0, 2 * kForeignValueMax + 8));
}

bool TrackKey(std::string_view key, std::string_view prefix, int* n) {
    if (key.size() <= prefix.size() || key.substr(0, prefix.size()) != prefix) return false;
    std::string_view digits = key.substr(prefix.size());
    if (digits.size() > 3) return false;
    int v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *n = v;
    return true;
}

void Grow(std::vector<std::string>& v, int n) {
    if (static_cast<int>(v.size()) <= n) v.resize(static_cast<std::size_t>(n) + 1);
}

// Splits a value over "KEY=" lines of at most kLineValueBytes bytes,
// never inside a character.
void WriteValue(std::string& out, const std::string& key, std::string_view value) {
    do {
        std::size_t take = text::Utf8CutLength(value, kLineValueBytes);
        if (take == 0 && !value.empty()) take = value.size();
        out += key + "=" + std::string(value.substr(0, take)) + "\n";
        value.remove_prefix(take);
    } while (!value.empty());
}

}  // namespace

std::optional<XmcdEntry> ParseXmcd(std::string_view raw, std::string* error) {
    auto fail = [&](const char* why) -> std::optional<XmcdEntry> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (raw.size() > kXmcdMaxBytes) return fail("the file is too large for an xmcd entry");
    const std::string bytes = Decode(raw);
    XmcdEntry e;
    std::string dtitle, playorder;
    bool has_id = false, has_title = false;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string_view line(bytes.data() + pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view key = line.substr(0, eq);
        std::string_view value = line.substr(eq + 1);
        int n = 0;
        if (key == "DISCID") {
            has_id = true;
            std::string ids(value);
            std::size_t p = 0;
            while (p <= ids.size()) {
                std::size_t comma = ids.find(',', p);
                if (comma == std::string::npos) comma = ids.size();
                std::string id(text::TrimBlanks(std::string_view(ids).substr(p, comma - p)));
                text::AsciiLower(id);
                if (!id.empty() && e.disc_ids.size() < 64) e.disc_ids.push_back(id);
                p = comma + 1;
            }
        } else if (key == "DTITLE") {
            has_title = true;
            Append(dtitle, value);
        } else if (key == "DYEAR") {
            Append(e.year, value);
        } else if (key == "DGENRE") {
            Append(e.genre, value);
        } else if (key == "EXTD") {
            Append(e.disc_notes, value);
        } else if (key == "PLAYORDER") {
            Append(playorder, value);
        } else if (TrackKey(key, "TTITLE", &n)) {
            if (n > kMaxTrackIndex) return fail("a track number beyond 99");
            Grow(e.tracks, n);
            Append(e.tracks[static_cast<std::size_t>(n)], value);
        } else if (TrackKey(key, "EXTT", &n)) {
            if (n > kMaxTrackIndex) return fail("a track number beyond 99");
            Grow(e.track_notes, n);
            Append(e.track_notes[static_cast<std::size_t>(n)], value);
        }
    }
    if (!has_id || e.disc_ids.empty()) return fail("no DISCID: not an xmcd entry");
    if (!has_title) return fail("no DTITLE: not an xmcd entry");
    // "artist / title"; without the separator the whole text is both, as
    // freedb read it.
    std::size_t sep = dtitle.find(" / ");
    if (sep == std::string::npos) {
        e.artist = e.title = dtitle;
    } else {
        e.artist = dtitle.substr(0, sep);
        e.title = dtitle.substr(sep + 3);
    }
    e.artist = Cut(e.artist);
    e.title = Cut(e.title);
    for (auto& t : e.tracks) t = Cut(t);
    e.disc_notes = Cut(e.disc_notes);
    for (auto& t : e.track_notes) t = Cut(t);
    e.year = Cut(e.year);
    e.genre = Cut(e.genre);
    std::size_t p = 0;
    while (p < playorder.size() && e.play_order.size() < 100) {
        std::size_t comma = playorder.find(',', p);
        if (comma == std::string::npos) comma = playorder.size();
        std::string_view item = text::TrimBlanks(std::string_view(playorder).substr(p, comma - p));
        int v = 0;
        bool ok = !item.empty() && item.size() <= 3;
        for (char c : item) ok = ok && c >= '0' && c <= '9' && ((v = v * 10 + (c - '0')), true);
        if (ok) e.play_order.push_back(v);
        p = comma + 1;
    }
    return e;
}

bool XmcdMatches(const XmcdEntry& entry, std::string_view freedb_id) {
    std::string id(freedb_id);
    text::AsciiLower(id);
    return std::find(entry.disc_ids.begin(), entry.disc_ids.end(), id) != entry.disc_ids.end();
}

void ApplyXmcd(const XmcdEntry& entry, media::MediaList& record) {
    record.title = entry.artist;
    record.sub_title = entry.title;
    record.notes = entry.disc_notes;
    for (std::size_t i = 0; i < record.items.size(); ++i) {
        if (i < entry.tracks.size() && !entry.tracks[i].empty()) record.items[i].title = entry.tracks[i];
        record.items[i].notes = i < entry.track_notes.size() ? entry.track_notes[i] : std::string();
    }
    // A program of each track once, in the entry's order, the rest after.
    const std::size_t count = record.items.size();
    std::vector<std::size_t> order;
    std::set<std::size_t> seen;
    for (int t : entry.play_order) {
        const auto i = static_cast<std::size_t>(t);
        if (i < count && seen.insert(i).second) order.push_back(i);
    }
    if (order.empty()) return;
    for (std::size_t i = 0; i < count; ++i)
        if (seen.insert(i).second) order.push_back(i);
    for (std::size_t pos = 0; pos < order.size(); ++pos) record.items[order[pos]].number = static_cast<int>(pos) + 1;
    record.loaded = 1;
}

std::string XmcdText(const media::MediaList& record, const DiscToc& toc, std::string_view freedb_id) {
    std::string out = "# xmcd\n#\n# Track frame offsets:\n";
    char buf[64];
    for (const auto& t : toc.tracks) {
        std::snprintf(buf, sizeof buf, "#\t%d\n", t.start + 150);
        out += buf;
    }
    std::snprintf(buf, sizeof buf, "#\n# Disc length: %d seconds\n#\n# Revision: 0\n#\n", (toc.leadout + 150) / kFramesPerSecond);
    out += buf;
    out += "DISCID=" + std::string(freedb_id) + "\n";
    WriteValue(out, "DTITLE", record.title + " / " + record.sub_title);
    out += "DYEAR=\nDGENRE=\n";
    for (std::size_t i = 0; i < record.items.size(); ++i)
        WriteValue(out, "TTITLE" + std::to_string(i), record.items[i].title);
    WriteValue(out, "EXTD", record.notes);
    for (std::size_t i = 0; i < record.items.size(); ++i)
        WriteValue(out, "EXTT" + std::to_string(i), record.items[i].notes);
    std::string order;
    if (record.loaded) {
        std::vector<std::size_t> idx(record.items.size());
        for (std::size_t i = 0; i < idx.size(); ++i) idx[i] = i;
        std::stable_sort(idx.begin(), idx.end(),
                         [&](std::size_t a, std::size_t b) { return record.items[a].number < record.items[b].number; });
        for (std::size_t i : idx) order += (order.empty() ? "" : ",") + std::to_string(i);
    }
    out += "PLAYORDER=" + order + "\n";
    return out;
}

}  // namespace nuko::cd
