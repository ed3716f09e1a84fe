// The media title reader on files: which reader an extension takes, what is
// read of the file, and the base-name title when the file holds none.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "nuko/fileio.h"
#include "nuko/media_convert.h"
#include "nuko/media_title.h"
#include "nuko/paths.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "nuko/text.h"

namespace nuko::media {
namespace {

// ASF header objects larger than this are read only this far; the content
// description comes early in every real file.
constexpr std::uint64_t kMaxAsfHeader = 16u << 20;
// Of a MIDI song this much is read for the encoding of its texts; songs
// are far smaller.
constexpr std::size_t kMaxSmfForEncoding = 8u << 20;

// The extension that picks the reader: the last three characters after a
// "." that is fourth from the end, lower-cased.
std::string TitleExtension(std::string_view path) {
    if (path.size() < 4 || path[path.size() - 4] != '.') return {};
    return text::AsciiLowered(path.substr(path.size() - 3));
}

struct Found {
    std::optional<std::string> text;
    bool id3 = false;
};

std::optional<std::string> Id3Title(const fileio::ReadOnlyFile& file) {
    if (file.size() < 128) return std::nullopt;
    return Id3v1TitleText(file.Read(file.size() - 128, 128));
}

std::optional<std::string> AsfTitle(const fileio::ReadOnlyFile& file, const std::string& head) {
    if (head.size() < 24) return std::nullopt;
    std::uint64_t size = 0;
    for (std::size_t i = 8; i-- > 0;) size = (size << 8) | static_cast<unsigned char>(head[16 + i]);
    size = std::min({size, kMaxAsfHeader, file.size()});
    if (size <= head.size()) return AsfTitleText(std::string_view(head).substr(0, static_cast<std::size_t>(size)));
    return AsfTitleText(file.Read(0, static_cast<std::size_t>(size)));
}

// Reads the title (when wanted) and the wait ratio of one file by its
// extension. Returns the text found, if any.
Found ReadContents(const std::string& path, const std::string& ext, const TitleOptions& options,
                   WaitRatio* ratio) {
    Found found;
    if (ext == "wrd") {
        // A WRD script shows the title of the song it belongs to.
        for (const char* song : {"mid", "rcp", "r36", "g36"}) {
            std::string candidate = path::ResolveCaseInsensitive(path::ReplaceExtension(path, song));
            if (fileio::ReadOnlyFile(candidate).ok()) return ReadContents(candidate, song, options, ratio);
        }
        return found;
    }
    if (!options.want_title && ext != "mid") return found;
    fileio::ReadOnlyFile file(path);
    if (!file.ok()) return found;
    std::string head = file.Read(0, kTitleHeadBytes);
    if (ext == "mid") *ratio = SmfWaitRatio(head);
    if (!options.want_title) return found;

    const std::size_t size = options.buffer_size;
    if (ext == "mid") {
        const std::size_t limit = size >= 2 ? size - 2 : 0;
        found.text = SmfTitleText(head, limit, SmfEncoding::Cp932);
        // An ASCII title reads the same in every encoding, so only another
        // one costs the whole song: its encoding is decided from all its
        // texts. Titles are read for every row of a list.
        const auto ascii = [](const std::string& t) {
            return std::all_of(t.begin(), t.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        };
        if (found.text && !ascii(*found.text)) {
            const std::string song = file.size() <= head.size() ? head : file.Read(0, kMaxSmfForEncoding);
            const SmfEncoding encoding = SongEncoding(ReadSmfTexts(song), options.smf_encoding);
            if (encoding != SmfEncoding::Cp932 && encoding != SmfEncoding::Auto)
                found.text = SmfTitleText(head, limit, encoding);
        }
    } else if (ext == "rcp" || ext == "r36" || ext == "g36") {
        found.text = RcpTitleText(head, size >= 1 ? size - 1 : 0);
    } else if (ext == "mp3" || ext == "rmp" || (ext == "wav" && IsWaveCarryingMp3(head))) {
        found.text = Id3Title(file);
        found.id3 = true;
    } else if (ext == "asf" || ext == "wma" || ext == "wmv") {
        found.text = AsfTitle(file, head);
    } else if (ext == "mit" || ext == "mot" || ext == "wat") {
        found.text = CatalogTitleText(head);
    } else if (ext == "lzh") {
        found.text = text::AsciiLowered(path);
    } else if (ext == "cfg") {
        found.text = ConverterTitleText(head);
    }
    return found;
}

}  // namespace

MediaTitle ReadMediaTitle(const std::string& path, const TitleOptions& options) {
    MediaTitle result;
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        // Missing, a folder, or a device, pipe or socket (a system file).
        if (options.want_title) result.title = result.title2 = std::string(LoadString(strings::kNoFile));
        return result;
    }
    result.result = 1;
    bool hidden = path::IsHiddenName(path::FileName(path));
    if (!hidden || options.accept_hidden) {
        Found found = ReadContents(path, TitleExtension(path), options, &result.ratio);
        if (found.text) {
            if (auto pair = FinishTitle(*found.text, found.id3)) {
                result.title = std::move(pair->title);
                result.title2 = std::move(pair->title2);
                result.from_contents = true;
            }
        }
    }
    if (options.want_title && !result.from_contents) result.title = result.title2 = std::string(path::Stem(path));
    return result;
}

}  // namespace nuko::media
