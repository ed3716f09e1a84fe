#include "disc_toc.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "nuko/fileio.h"
#include "nuko/paths.h"
#include "nuko/text.h"

namespace nuko::cd {

const TrackEntry* DiscToc::Track(int number) const {
    for (const auto& t : tracks)
        if (t.number == number) return &t;
    return nullptr;
}

std::int32_t DiscToc::TrackFrames(int number) const {
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (tracks[i].number != number) continue;
        std::int32_t end = i + 1 < tracks.size() ? tracks[i + 1].start : leadout;
        return std::max<std::int32_t>(0, end - tracks[i].start);
    }
    return 0;
}

std::int32_t DiscToc::DiscFrames() const {
    return tracks.empty() ? 0 : std::max<std::int32_t>(0, leadout - tracks.front().start);
}

int DiscToc::TrackAt(std::int32_t lsn) const {
    if (tracks.empty() || lsn < tracks.front().start || lsn >= leadout) return 0;
    int found = 0;
    for (const auto& t : tracks)
        if (t.start <= lsn) found = t.number;
    return found;
}

std::int32_t DiscToc::AudioEndAfter(std::int32_t lsn) const {
    for (const auto& t : tracks)
        if (t.start > lsn && !t.audio) return t.start;
    return leadout;
}

bool IsConsistent(const DiscToc& toc) {
    if (toc.tracks.empty() || toc.tracks.size() > kMaxTracks) return false;
    for (std::size_t i = 0; i < toc.tracks.size(); ++i) {
        const auto& t = toc.tracks[i];
        if (t.number < 1 || t.number > kMaxTracks) return false;
        if (i > 0 && (t.number != toc.tracks[i - 1].number + 1 || t.start <= toc.tracks[i - 1].start))
            return false;
    }
    // Lead-in addresses go down to -150; nothing of a disc lies before them.
    return toc.tracks.front().start >= -150 && toc.leadout > toc.tracks.back().start;
}

Msf FramesToMsf(std::int64_t frames) {
    if (frames < 0) frames = 0;
    Msf m;
    m.frames = static_cast<unsigned>(frames % kFramesPerSecond);
    std::int64_t seconds = frames / kFramesPerSecond;
    m.seconds = static_cast<unsigned>(seconds % 60);
    m.minutes = static_cast<unsigned>(seconds / 60);
    return m;
}

namespace {

// libcdio reports problems through one process-wide log handler; keep the
// first message of this thread since it was last cleared (the most precise
// one: later ones say "init failed") so that a failed open can say why, and
// keep stderr quiet.
thread_local std::string t_last_log;

void QuietLog(cdio_log_level_t level, const char message[]) {
    if (level < CDIO_LOG_WARN || !message || !t_last_log.empty()) return;
    t_last_log = text::SanitizeUtf8(message);
    while (!t_last_log.empty() && (t_last_log.back() == '\n' || t_last_log.back() == ' ')) t_last_log.pop_back();
}

void InstallLogHandler() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(QuietLog); });
}

class CdioDisc final : public DiscSource {
public:
    CdioDisc(CdIo_t* cdio, DiscToc toc, bool image, std::string source)
        : cdio_(cdio), toc_(std::move(toc)), image_(image), source_(std::move(source)) {}
    ~CdioDisc() override { cdio_destroy(cdio_); }

    const DiscToc& Toc() const override { return toc_; }

    bool ReadAudio(std::int32_t lsn, int count, void* buffer) override {
        if (count <= 0) return true;
        if (lsn < toc_.tracks.front().start || lsn + count > toc_.leadout) return false;
        std::lock_guard lock(mutex_);
        return cdio_read_audio_sectors(cdio_, buffer, lsn, static_cast<uint32_t>(count)) == DRIVER_OP_SUCCESS;
    }

    bool MediaPresent() override {
        std::lock_guard lock(mutex_);
        if (image_) {
            struct stat st;
            return ::stat(source_.c_str(), &st) == 0;
        }
        // A changed medium or an empty drive answers no table of contents.
        if (cdio_get_media_changed(cdio_) == 1) return false;
        return cdio_get_num_tracks(cdio_) != CDIO_INVALID_TRACK;
    }

    bool IsImage() const override { return image_; }
    const std::string& Source() const override { return source_; }

private:
    std::mutex mutex_;
    CdIo_t* cdio_;
    DiscToc toc_;
    bool image_;
    std::string source_;
};

bool IsTrackMode(std::string_view word) {
    for (std::string_view mode : {"AUDIO", "MODE0", "MODE1", "MODE1_RAW", "MODE2", "MODE2_FORM1", "MODE2_FORM2",
                                  "MODE2_FORM_MIX", "MODE2_RAW"})
        if (word == mode) return true;
    return false;
}

// libcdio looks for the data files of a .toc image in the current folder,
// not beside the .toc: a copy of the text with their names made absolute is
// opened instead. Text that libcdio's reader cannot take safely (a track
// without its mode, or a length before any track, divides by zero there; NUL
// bytes) gives nullopt, and so does text without a track, which is no disc.
std::optional<std::string> TocWithAbsoluteFiles(std::string_view toc, const std::string& folder) {
    if (toc.find('\0') != std::string_view::npos) return std::nullopt;
    std::string out;
    out.reserve(toc.size() + 256);
    std::size_t i = 0;
    bool any_track = false;
    auto is_word = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    while (i < toc.size()) {
        char c = toc[i];
        if (c == '/' && i + 1 < toc.size() && toc[i + 1] == '/') {  // a comment to the end of the line
            std::size_t end = toc.find('\n', i);
            if (end == std::string_view::npos) end = toc.size();
            out.append(toc.substr(i, end - i));
            i = end;
            continue;
        }
        if (c == '"') {  // a string that is no file name
            std::size_t end = toc.find('"', i + 1);
            if (end == std::string_view::npos) end = toc.size() - 1;
            out.append(toc.substr(i, end - i + 1));
            i = end + 1;
            continue;
        }
        if (!is_word(c)) {
            out.push_back(c);
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < toc.size() && is_word(toc[end])) ++end;
        std::string_view word = toc.substr(i, end - i);
        out.append(word);
        i = end;
        if (word == "TRACK") {
            std::size_t mode = i;
            while (mode < toc.size() && (toc[mode] == ' ' || toc[mode] == '\t')) ++mode;
            std::size_t mode_end = mode;
            while (mode_end < toc.size() && (is_word(toc[mode_end]) || (toc[mode_end] >= '0' && toc[mode_end] <= '9')))
                ++mode_end;
            if (!IsTrackMode(toc.substr(mode, mode_end - mode))) return std::nullopt;
            any_track = true;
            continue;
        }
        if (word != "FILE" && word != "AUDIOFILE" && word != "DATAFILE") continue;
        while (i < toc.size() && (toc[i] == ' ' || toc[i] == '\t')) out.push_back(toc[i++]);
        if (i < toc.size() && toc[i] == '"') {
            std::size_t close = toc.find('"', i + 1);
            if (close == std::string_view::npos) close = toc.size();
            std::string_view name = toc.substr(i + 1, close - i - 1);
            out.push_back('"');
            if (!name.empty() && name.front() != '/') out += folder;
            out.append(name);
            if (close < toc.size()) out.push_back('"');
            i = close + 1;
        }
    }
    if (!any_track) return std::nullopt;
    return out;
}

// Opens a .toc image through a private copy whose data file names are
// absolute; libcdio has opened the data files once it returns.
CdIo_t* OpenTocImage(const std::string& source) {
    auto text = fileio::ReadFile(source, 1 << 20);
    if (!text) return nullptr;
    // The copy lives elsewhere, so the data files are named from the root.
    std::error_code abs_ec;
    std::string absolute = std::filesystem::absolute(source, abs_ec).string();
    std::string folder = path::SplitPath(abs_ec ? source : absolute).folder;
    auto copy = TocWithAbsoluteFiles(*text, folder.empty() ? std::string("./") : folder);
    if (!copy) {
        t_last_log = "unreadable .toc file";
        return nullptr;
    }
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (ec) temp = "/tmp";
    std::string name = (temp / "nuko-toc-XXXXXX.toc").string();
    int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) return nullptr;
    bool written = ::write(fd, copy->data(), copy->size()) == static_cast<ssize_t>(copy->size());
    ::close(fd);
    CdIo_t* cdio = written ? cdio_open(name.c_str(), DRIVER_CDRDAO) : nullptr;
    ::unlink(name.c_str());
    return cdio;
}

}  // namespace

bool IsDiscImagePath(const std::string& p) {
    std::string ext = text::AsciiLowered(path::Extension(p));
    return ext == "cue" || ext == "toc" || ext == "nrg" || ext == "bin";
}

std::unique_ptr<DiscSource> OpenDisc(const std::string& source, std::string* error) {
    InstallLogHandler();
    t_last_log.clear();
    auto fail = [&](const char* fallback) -> std::unique_ptr<DiscSource> {
        if (error) *error = t_last_log.empty() ? fallback : t_last_log;
        return nullptr;
    };
    bool image = IsDiscImagePath(source);
    struct stat st;
    if (::stat(source.c_str(), &st) != 0) return fail("no such drive or image");
    if (image && !S_ISREG(st.st_mode)) return fail("not a disc image file");
    if (!image && !S_ISBLK(st.st_mode)) return fail("not a CD drive");

    CdIo_t* cdio;
    if (!image)
        cdio = cdio_open(source.c_str(), DRIVER_DEVICE);
    else if (text::AsciiLowered(path::Extension(source)) == "toc")
        cdio = OpenTocImage(source);
    else
        cdio = cdio_open(source.c_str(), DRIVER_UNKNOWN);
    if (!cdio) return fail("cannot open");
    track_t first = cdio_get_first_track_num(cdio);
    track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        cdio_destroy(cdio);
        return fail("no disc");
    }
    DiscToc toc;
    for (int n = first; n < first + count && n <= kMaxTracks; ++n) {
        TrackEntry t;
        t.number = n;
        t.start = cdio_get_track_lsn(cdio, static_cast<track_t>(n));
        t.audio = cdio_get_track_format(cdio, static_cast<track_t>(n)) == TRACK_FORMAT_AUDIO;
        if (t.start == CDIO_INVALID_LSN) {
            cdio_destroy(cdio);
            return fail("unreadable table of contents");
        }
        toc.tracks.push_back(t);
    }
    toc.leadout = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (!IsConsistent(toc)) {
        cdio_destroy(cdio);
        if (error) *error = "inconsistent table of contents";
        return nullptr;
    }
    return std::make_unique<CdioDisc>(cdio, std::move(toc), image, source);
}

std::vector<std::string> ListCdDrives() {
    InstallLogHandler();
    std::vector<std::string> drives;
    char** list = cdio_get_devices(DRIVER_DEVICE);
    if (!list) return drives;
    for (char** d = list; *d; ++d) {
        std::string name = *d;
        if (std::find(drives.begin(), drives.end(), name) == drives.end()) drives.push_back(name);
    }
    cdio_free_device_list(list);
    return drives;
}

int SetDoor(const std::string& drive, bool open) {
    InstallLogHandler();
    struct stat st;
    if (drive.empty() || ::stat(drive.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return -1;
    driver_return_code_t rc;
    if (open) {
        rc = cdio_eject_media_drive(drive.c_str());
    } else {
        driver_id_t id = DRIVER_DEVICE;
        rc = cdio_close_tray(drive.c_str(), &id);
    }
    return rc == DRIVER_OP_SUCCESS ? 0 : 1;
}

}  // namespace nuko::cd
