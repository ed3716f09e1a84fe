#include "lyrics.h"

#include <algorithm>
#include <map>

#include "nuko/fileio.h"
#include "nuko/text.h"
#include "playback/midi_song.h"

namespace nuko::wrd {
namespace {

using media::SmfText;

// Songs larger than this are no songs.
constexpr std::size_t kMaxSongBytes = 64u << 20;

enum class Break { None, Line, Page };

struct Separators {
    bool slash = false;  // "/" and "\"
    bool xf = false;     // "<"
};

Break BreakOf(char c, const Separators& s) {
    switch (c) {
        case '\r': return Break::Line;
        case '\n': return Break::Page;
        case '/': return s.slash ? Break::Line : Break::None;
        case '\\': return s.slash ? Break::Page : Break::None;
        case '<': return s.xf ? Break::Page : Break::None;
        default: return Break::None;
    }
}

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

// Breaks one track's sung texts into lines.
class LineBuilder {
public:
    LineBuilder(std::uint16_t track, const Separators& separators) : track_(track), separators_(separators) {}

    void Add(std::uint32_t tick, std::string_view text) {
        std::string piece;
        for (char c : text) {
            const Break b = BreakOf(c, separators_);
            if (b != Break::None) {
                Flush(tick, piece);
                separated_ = true;
                pending_ = std::max(pending_, b);
            } else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
                piece += c;  // other control bytes show nothing
            }
        }
        Flush(tick, piece);
    }

    // The lines; a track that never separates its lines is broken where
    // the singing pauses.
    std::vector<LyricLine> Finish(int division) {
        if (!line_.syllables.empty()) lines_.push_back(std::move(line_));
        if (separated_ || lines_.empty()) return std::move(lines_);
        const std::uint32_t pause = static_cast<std::uint32_t>(std::max(1, division)) * 2;
        std::vector<LyricLine> out;
        std::uint32_t last = 0;
        for (LyricSyllable& s : lines_.front().syllables) {
            if (out.empty() || s.tick - last >= pause) {
                out.push_back({track_, out.empty(), {}});
            }
            last = s.tick;
            out.back().syllables.push_back(std::move(s));
        }
        return out;
    }

private:
    void Flush(std::uint32_t tick, std::string& piece) {
        if (piece.empty()) return;
        // A blank between words belongs to the line it ends, never to the
        // start of the next.
        if (pending_ != Break::None && IsBlank(piece)) {
            piece.clear();
            return;
        }
        if (pending_ != Break::None || line_.syllables.empty()) {
            if (!line_.syllables.empty()) lines_.push_back(std::move(line_));
            line_ = LyricLine{track_, pending_ == Break::Page || lines_.empty(), {}};
            pending_ = Break::None;
        }
        line_.syllables.push_back({tick, 0, std::move(piece)});
        piece.clear();
    }

    std::uint16_t track_;
    Separators separators_;
    Break pending_ = Break::None;
    bool separated_ = false;
    LyricLine line_;
    std::vector<LyricLine> lines_;
};

bool IsSung(const SmfText& t, bool text_events) {
    if (text_events) return t.type == media::kMetaText && !t.bytes.starts_with("@");
    return t.type == media::kMetaLyric;
}

// The track of a karaoke song that carries its words: the one with the most
// text events that are no "@" headers. None when the song is no karaoke
// song: not named .kar, without the "@K" header line of the form and
// without a text that begins with a separator.
std::optional<std::uint16_t> WordsTrack(const media::SmfTexts& texts, bool kar_name) {
    std::map<std::uint16_t, std::size_t> words;
    bool karaoke = kar_name;
    for (const SmfText& t : texts.texts) {
        if (t.type != media::kMetaText) continue;
        if (t.bytes.starts_with("@K")) karaoke = true;
        if (t.bytes.starts_with("@")) continue;
        if (t.bytes.starts_with("/") || t.bytes.starts_with("\\")) karaoke = true;
        ++words[t.track];
    }
    if (!karaoke || words.empty()) return std::nullopt;
    auto best = std::max_element(words.begin(), words.end(),
                                 [](const auto& a, const auto& b) { return a.second < b.second; });
    return best->first;
}

bool HasWords(const media::SmfTexts& texts) {
    for (const SmfText& t : texts.texts) {
        if (t.type != media::kMetaLyric) continue;
        for (char c : t.bytes)
            if (static_cast<unsigned char>(c) > 0x20 && c != '/' && c != '\\' && c != '<' && c != 0x7F) return true;
    }
    return false;
}

}  // namespace

std::string LyricLine::Text() const {
    std::string s;
    for (const LyricSyllable& syllable : syllables) s += syllable.text;
    std::string_view v = text::TrimBlanks(s);
    return std::string(v);
}

std::uint16_t Lyrics::LeadTrack() const {
    std::map<std::uint16_t, std::size_t> count;
    for (const LyricLine& l : lines) count[l.track] += l.syllables.size();
    if (count.empty()) return 0;
    return std::max_element(count.begin(), count.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}

Lyrics ReadLyrics(std::string_view bytes, media::SmfEncoding forced, bool kar_name) {
    Lyrics out;
    const std::optional<midi::Song> song = midi::ParseSmf(bytes);
    if (!song) return out;
    const media::SmfTexts texts = media::ReadSmfTexts(bytes);
    out.encoding = media::SongEncoding(texts, forced);
    out.division = song->division();

    std::optional<std::uint16_t> words_track;
    if (!HasWords(texts)) {
        words_track = WordsTrack(texts, kar_name);
        if (!words_track) return out;
        out.from_text_events = true;
    }
    Separators separators;
    separators.slash = out.from_text_events || texts.xf;
    separators.xf = texts.xf;
    std::vector<std::string> decoded(texts.texts.size());
    for (std::size_t i = 0; i < texts.texts.size(); ++i) {
        const SmfText& t = texts.texts[i];
        if (!IsSung(t, out.from_text_events) || (words_track && t.track != *words_track)) continue;
        decoded[i] = media::DecodeSmfText(t.bytes, out.encoding);
        // Lyric events take "/" and "\" as separators where the song begins
        // or ends syllables with them, and in the XF form.
        const std::string& d = decoded[i];
        if (d.starts_with("/") || d.starts_with("\\") || d.ends_with("/") || d.ends_with("\\")) separators.slash = true;
    }

    std::map<std::uint16_t, LineBuilder> builders;
    for (std::size_t i = 0; i < texts.texts.size(); ++i) {
        const SmfText& t = texts.texts[i];
        if (!IsSung(t, out.from_text_events) || (words_track && t.track != *words_track)) continue;
        auto it = builders.try_emplace(t.track, t.track, separators).first;
        it->second.Add(t.tick, decoded[i]);
    }
    for (auto& [track, builder] : builders) {
        bool first = true;
        for (LyricLine& line : builder.Finish(out.division)) {
            if (line.new_page && !first) out.paged = true;
            first = false;
            out.lines.push_back(std::move(line));
        }
    }
    std::stable_sort(out.lines.begin(), out.lines.end(),
                     [](const LyricLine& a, const LyricLine& b) { return a.tick() < b.tick(); });
    for (LyricLine& line : out.lines) {
        for (LyricSyllable& s : line.syllables) {
            s.ms = song->TickToMs(s.tick);
            if (!IsBlank(s.text)) ++out.syllables;
        }
    }
    return out;
}

std::optional<Lyrics> ReadLyricsFile(const std::string& path, media::SmfEncoding forced) {
    auto bytes = fileio::ReadFile(path, kMaxSongBytes);
    if (!bytes) return std::nullopt;
    const bool kar = path.size() >= 4 && text::EqualsIgnoreAsciiCase(std::string_view(path).substr(path.size() - 4), ".kar");
    return ReadLyrics(*bytes, forced, kar);
}

}  // namespace nuko::wrd
