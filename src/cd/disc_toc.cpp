#include "disc_toc.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <filesystem>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "nuko/fileio.h"
#include "nuko/paths.h"
#include "nuko/text.h"

// A sanitizer's hook, when one is linked in; weak, so that the plain build
// needs none.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

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

// libcdio looks for the data files of a .toc image in the current folder,
// not beside the .toc: a copy of the text with their names made absolute is
// opened instead. Text with NUL bytes gives nullopt (libcdio would read a
// shorter text than we rewrote). Whether libcdio's reader survives the rest
// is for the probe in a child process to find out.
std::optional<std::string> TocWithAbsoluteFiles(std::string_view toc, const std::string& folder) {
    if (toc.find('\0') != std::string_view::npos) return std::nullopt;
    std::string out;
    out.reserve(toc.size() + 256);
    std::size_t i = 0;
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
    return out;
}

// Writes the private copy of a .toc image whose data file names are
// absolute; its name, or empty (with the reason kept) when it cannot be
// made. The caller removes it.
std::string WriteTocCopy(const std::string& source) {
    auto text = fileio::ReadFile(source, 1 << 20);
    if (!text) return {};
    // The copy lives elsewhere, so the data files are named from the root.
    std::error_code abs_ec;
    std::string absolute = std::filesystem::absolute(source, abs_ec).string();
    std::string folder = path::SplitPath(abs_ec ? source : absolute).folder;
    auto copy = TocWithAbsoluteFiles(*text, folder.empty() ? std::string("./") : folder);
    if (!copy) {
        t_last_log = "unreadable .toc file";
        return {};
    }
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (ec) temp = "/tmp";
    std::string name = (temp / "nuko-toc-XXXXXX.toc").string();
    int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) return {};
    bool written = ::write(fd, copy->data(), copy->size()) == static_cast<ssize_t>(copy->size());
    ::close(fd);
    if (!written) {
        ::unlink(name.c_str());
        return {};
    }
    return name;
}

// Opens a .toc image through its private copy; libcdio has opened the data
// files once it returns, so the copy goes at once.
CdIo_t* OpenTocImage(const std::string& source) {
    const std::string copy = WriteTocCopy(source);
    if (copy.empty()) return nullptr;
    CdIo_t* cdio = cdio_open(copy.c_str(), DRIVER_CDRDAO);
    ::unlink(copy.c_str());
    return cdio;
}

}  // namespace

bool IsDiscImagePath(const std::string& p) {
    std::string ext = text::AsciiLowered(path::Extension(p));
    return ext == "cue" || ext == "toc" || ext == "nrg" || ext == "bin";
}

namespace {

CdIo_t* OpenCdio(const std::string& source, bool image) {
    if (!image) return cdio_open(source.c_str(), DRIVER_DEVICE);
    if (text::AsciiLowered(path::Extension(source)) == "toc") return OpenTocImage(source);
    return cdio_open(source.c_str(), DRIVER_UNKNOWN);
}

// The table of contents libcdio reports; an empty string, else why not.
std::string ReadToc(CdIo_t* cdio, DiscToc& toc) {
    track_t first = cdio_get_first_track_num(cdio);
    track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return "no disc";
    for (int n = first; n < first + count && n <= kMaxTracks; ++n) {
        TrackEntry t;
        t.number = n;
        t.start = cdio_get_track_lsn(cdio, static_cast<track_t>(n));
        t.audio = cdio_get_track_format(cdio, static_cast<track_t>(n)) == TRACK_FORMAT_AUDIO;
        if (t.start == CDIO_INVALID_LSN) return "unreadable table of contents";
        toc.tracks.push_back(t);
    }
    toc.leadout = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (!IsConsistent(toc)) return "inconsistent table of contents";
    return {};
}

// The probe's answer on its pipe: "ok LEADOUT COUNT", "NUMBER START AUDIO"
// per track and "end", or "error TEXT".
std::string TocAnswer(const DiscToc& toc) {
    std::string out = "ok " + std::to_string(toc.leadout) + " " + std::to_string(toc.tracks.size()) + "\n";
    for (const auto& t : toc.tracks)
        out += std::to_string(t.number) + " " + std::to_string(t.start) + " " + (t.audio ? "1" : "0") + "\n";
    return out + "end\n";
}

bool ParseTocAnswer(const std::string& answer, DiscToc& toc, std::string& error) {
    if (answer.rfind("error ", 0) == 0) {
        error = text::SanitizeUtf8(answer.substr(6));
        return false;
    }
    std::istringstream in(answer);
    std::string word;
    long long leadout = 0;
    std::size_t count = 0;
    if (!(in >> word >> leadout >> count) || word != "ok" || count > kMaxTracks) return false;
    toc.leadout = static_cast<std::int32_t>(leadout);
    for (std::size_t i = 0; i < count; ++i) {
        TrackEntry t;
        int audio = 0;
        if (!(in >> t.number >> t.start >> audio)) return false;
        t.audio = audio != 0;
        toc.tracks.push_back(t);
    }
    // An answer cut short by a dying child lacks its end.
    return in >> word && word == "end" && IsConsistent(toc);
}

void WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

std::atomic<int> g_probe_limit_ms{5000};

// Called in the probe's child.
void StandAsideCrashHandlers() {
    for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP}) ::signal(sig, SIG_DFL);
    if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(nullptr);
}

}  // namespace

void SetImageProbeTimeLimit(int milliseconds) { g_probe_limit_ms = std::max(1, milliseconds); }

ImageProbe ProbeImageToc(const std::string& image) {
    InstallLogHandler();
    ImageProbe result;
    // A .toc's private copy is made here and removed here: a child that
    // dies inside libcdio cannot leave it behind.
    const bool toc = text::AsciiLowered(path::Extension(image)) == "toc";
    std::string copy;
    if (toc) {
        t_last_log.clear();
        copy = WriteTocCopy(image);
        if (copy.empty()) {
            result.error = t_last_log.empty() ? "cannot read the .toc file" : t_last_log;
            return result;
        }
    }
    struct CopyRemover {
        const std::string& name;
        ~CopyRemover() {
            if (!name.empty()) ::unlink(name.c_str());
        }
    } remover{copy};
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        result.error = "cannot check the disc image";
        return result;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        result.error = "cannot check the disc image";
        return result;
    }
    if (pid == 0) {
        // The child: libcdio may die here, never in the caller. What a
        // dying reader prints is of no use to the user, and its death is
        // an answer, not the program's crash: the handlers the process set
        // (a crash reporter's, a sanitizer's, a fuzzer's) stand aside.
        ::close(fds[0]);
        StandAsideCrashHandlers();
        if (int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC); null >= 0) {
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
        t_last_log.clear();
        std::string answer;
        CdIo_t* opened = toc ? cdio_open(copy.c_str(), DRIVER_CDRDAO) : OpenCdio(image, true);
        if (CdIo_t* cdio = opened) {
            DiscToc toc;
            std::string why = ReadToc(cdio, toc);
            answer = why.empty() ? TocAnswer(toc) : "error " + why;
            cdio_destroy(cdio);
        } else {
            answer = "error " + (t_last_log.empty() ? std::string("cannot open") : t_last_log);
        }
        WriteAll(fds[1], answer);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string answer;
    bool timed_out = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_probe_limit_ms.load());
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timed_out = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            timed_out = r == 0;
            break;
        }
        char buf[4096];
        ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the child is done (or gone)
        if (answer.size() < (1u << 16)) answer.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (timed_out) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timed_out) {
        result.error = "the disc image could not be read in time";
        return result;
    }
    // A whole answer is the verdict, however the child ended after giving
    // it (a sanitizer may fail a child's exit).
    if (ParseTocAnswer(answer, result.toc, result.error)) {
        result.ok = true;
        return result;
    }
    result.toc = {};
    if (!result.error.empty()) return result;
    result.error = WIFSIGNALED(status)
                       ? "the disc image is damaged: reading it stopped with signal " + std::to_string(WTERMSIG(status))
                       : std::string("the disc image is damaged: reading it failed");
    return result;
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
    if (image) {
        // libcdio dies on some image files: only one that a child process
        // read without harm is opened here.
        ImageProbe probe = ProbeImageToc(source);
        if (!probe.ok) {
            if (error) *error = probe.error;
            return nullptr;
        }
    }

    CdIo_t* cdio = OpenCdio(source, image);
    if (!cdio) return fail("cannot open");
    DiscToc toc;
    std::string why = ReadToc(cdio, toc);
    if (!why.empty()) {
        cdio_destroy(cdio);
        if (why == "inconsistent table of contents") {
            if (error) *error = why;
            return nullptr;
        }
        return fail(why.c_str());
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
