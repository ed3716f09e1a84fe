#include "lzh_archive.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <lhasa.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>

#include "nuko/text.h"

namespace nuko::media {

// --- Member names ---

std::string_view Cp932LastComponent(std::string_view raw) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto b = static_cast<unsigned char>(raw[i]);
        if (text::IsCp932LeadByte(b) && i + 1 < raw.size()) {
            ++i;  // the trail byte belongs to the character
            continue;
        }
        if (b == '\\' || b == '/') start = i + 1;
    }
    return raw.substr(start);
}

namespace {

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// Splits raw CP932 bytes at "\" and "/" outside double-byte characters.
std::vector<std::string_view> Cp932Components(std::string_view raw) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto b = static_cast<unsigned char>(raw[i]);
        if (text::IsCp932LeadByte(b) && i + 1 < raw.size()) {
            ++i;
            continue;
        }
        if (b == '\\' || b == '/') {
            parts.push_back(raw.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(raw.substr(start));
    return parts;
}

}  // namespace

namespace {

// Calls `each(type, data)` for the extension headers of a level-1 or level-2
// header whose first size field is at `at`; each size counts its type byte,
// its data and the following size. false when a size runs past the end.
template <typename F>
bool ForEachExtension(const std::uint8_t* raw, std::size_t length, std::size_t at, F each) {
    if (at + 2 > length) return false;
    std::size_t next = Le16(raw + at);
    std::size_t pos = at + 2;
    for (int count = 0; next != 0; ++count) {
        if (next < 3 || pos + next > length || count > 256) return false;
        if (!each(raw[pos], std::string_view(reinterpret_cast<const char*>(raw + pos + 1), next - 3))) return true;
        const std::size_t following = Le16(raw + pos + next - 2);
        pos += next;
        next = following;
    }
    return true;
}

}  // namespace

std::optional<std::string> RawHeaderName(const std::uint8_t* raw, std::size_t length) {
    if (!raw || length < 22) return std::nullopt;
    const std::uint8_t level = raw[20];
    if (level == 0 || level == 1) {
        const std::size_t name_length = raw[21];
        if (22 + name_length > length) return std::nullopt;
        std::string name(reinterpret_cast<const char*>(raw + 22), name_length);
        if (level == 1) {
            // A file-name extension, when there is one, holds the whole name.
            ForEachExtension(raw, length, std::size_t{raw[0]}, [&](std::uint8_t type, std::string_view data) {
                if (type != 0x01) return true;
                name.assign(data);
                return false;
            });
        }
        return name;
    }
    if (level == 2) {
        std::optional<std::string> name;
        bool ok = ForEachExtension(raw, length, 24, [&](std::uint8_t type, std::string_view data) {
            if (type != 0x01) return true;
            name = std::string(data);
            return false;
        });
        if (!ok) return std::nullopt;
        return name ? *name : std::string();
    }
    return std::nullopt;
}

std::optional<std::string> RawHeaderFolder(const std::uint8_t* raw, std::size_t length) {
    if (!raw || length < 22) return std::nullopt;
    const std::uint8_t level = raw[20];
    std::size_t at = 0;
    if (level == 0) return std::string();
    if (level == 1) at = std::size_t{raw[0]};  // the base header's last field
    else if (level == 2) at = 24;
    else return std::nullopt;
    std::string folder;
    bool ok = ForEachExtension(raw, length, at, [&](std::uint8_t type, std::string_view data) {
        if (type != 0x02) return true;
        folder.assign(data);
        return false;
    });
    if (!ok) return std::nullopt;
    for (char& c : folder)
        if (static_cast<unsigned char>(c) == 0xFF) c = '/';
    return folder;
}

const char* UnsafeMemberReason(std::string_view stored, std::string_view folder) {
    for (std::string_view name : {stored, folder}) {
        if (name.empty()) continue;
        if (name.front() == '/' || name.front() == '\\') return "absolute path";
        for (unsigned char c : name)
            if (c < 0x20 || c == 0x7F) return "control character";
        for (std::string_view part : Cp932Components(name))
            if (part == "..") return "parent folder";
    }
    std::string_view base = Cp932LastComponent(stored);
    if (base.empty() || base == ".") return "no file name";
    return nullptr;
}

std::uint16_t LzhCrc16(std::uint16_t crc, const void* data, std::size_t length) {
    static const std::array<std::uint16_t, 256> table = [] {
        std::array<std::uint16_t, 256> t{};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned v = i;
            for (int k = 0; k < 8; ++k) v = (v & 1) ? (v >> 1) ^ 0xA001u : v >> 1;
            t[i] = static_cast<std::uint16_t>(v);
        }
        return t;
    }();
    const auto* p = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < length; ++i)
        crc = static_cast<std::uint16_t>(table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8));
    return crc;
}

// --- The library binding ---

struct LhasaLibrary::Functions {
    decltype(&lha_input_stream_from_FILE) stream_from_file = nullptr;
    decltype(&lha_input_stream_free) stream_free = nullptr;
    decltype(&lha_reader_new) reader_new = nullptr;
    decltype(&lha_reader_free) reader_free = nullptr;
    decltype(&lha_reader_set_dir_policy) set_dir_policy = nullptr;
    decltype(&lha_reader_next_file) next_file = nullptr;
    decltype(&lha_reader_read) read = nullptr;
};

LhasaLibrary::LhasaLibrary() : fn_(std::make_unique<Functions>()) {
    handle_ = ::dlopen(kLhasaLibraryFile, RTLD_NOW | RTLD_LOCAL);
    if (!handle_) return;
    void* found[kLhasaFunctions.size()];
    bool all = true;
    for (std::size_t i = 0; i < kLhasaFunctions.size(); ++i) {
        found[i] = ::dlsym(handle_, kLhasaFunctions[i]);
        if (!found[i]) all = false;
    }
    if (!all) return;
    // In the order of kLhasaFunctions.
    fn_->stream_from_file = reinterpret_cast<decltype(fn_->stream_from_file)>(found[0]);
    fn_->stream_free = reinterpret_cast<decltype(fn_->stream_free)>(found[1]);
    fn_->reader_new = reinterpret_cast<decltype(fn_->reader_new)>(found[2]);
    fn_->reader_free = reinterpret_cast<decltype(fn_->reader_free)>(found[3]);
    fn_->set_dir_policy = reinterpret_cast<decltype(fn_->set_dir_policy)>(found[4]);
    fn_->next_file = reinterpret_cast<decltype(fn_->next_file)>(found[5]);
    fn_->read = reinterpret_cast<decltype(fn_->read)>(found[6]);
    usable_ = true;
}

LhasaLibrary::~LhasaLibrary() {
    if (handle_) ::dlclose(handle_);
}

// --- Reading ---

namespace {

// One open archive: the file, the library's stream and reader.
class Reader {
public:
    Reader(const LhasaLibrary& lib, const std::string& archive) : fn_(lib.fn()) {
        if (!lib.usable()) return;
        // O_NONBLOCK: a named pipe in place of an archive must not block the
        // open; only regular files are read.
        int fd = ::open(archive.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return;
        }
        file_ = ::fdopen(fd, "rb");
        if (!file_) {
            ::close(fd);
            return;
        }
        stream_ = fn_.stream_from_file(file_);
        if (!stream_) return;
        reader_ = fn_.reader_new(stream_);
        if (reader_) fn_.set_dir_policy(reader_, LHA_READER_DIR_PLAIN);
    }
    ~Reader() {
        if (reader_) fn_.reader_free(reader_);
        if (stream_) fn_.stream_free(stream_);
        if (file_) std::fclose(file_);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool ok() const { return reader_ != nullptr; }
    LHAFileHeader* Next() { return fn_.next_file(reader_); }
    std::size_t Read(void* buf, std::size_t n) { return fn_.read(reader_, buf, n); }

private:
    const LhasaLibrary::Functions& fn_;
    FILE* file_ = nullptr;
    LHAInputStream* stream_ = nullptr;
    LHAReader* reader_ = nullptr;
};

// The stored name bytes: the raw header's for the levels whose names the
// library rewrites, else the library's.
std::string StoredBytes(const LHAFileHeader& h, std::string* folder) {
    std::optional<std::string> raw, raw_folder;
    if (h.header_level <= 2) {
        raw = RawHeaderName(h.raw_data, h.raw_data_len);
        raw_folder = RawHeaderFolder(h.raw_data, h.raw_data_len);
    }
    *folder = raw_folder ? *raw_folder : std::string(h.path ? h.path : "");
    return raw ? *raw : std::string(h.filename ? h.filename : "");
}

std::string ToUtf8Path(std::string_view raw) {
    std::string out;
    bool first = true;
    for (std::string_view part : Cp932Components(raw)) {
        if (!first) out += '/';
        first = false;
        out += text::Cp932ToUtf8(part);
    }
    return out;
}

ArchiveMember Describe(const LHAFileHeader& h) {
    ArchiveMember m;
    std::string folder;
    const std::string stored = StoredBytes(h, &folder);
    m.method.assign(h.compress_method, strnlen(h.compress_method, sizeof h.compress_method));
    m.size = h.length;
    m.directory = m.method == LHA_COMPRESS_TYPE_DIR || h.symlink_target != nullptr || !h.filename;
    m.name = text::Cp932ToUtf8(Cp932LastComponent(stored));
    std::string whole = folder;
    if (!whole.empty() && whole.back() != '/') whole += '/';
    m.stored = ToUtf8Path(whole) + ToUtf8Path(stored);
    m.refused = UnsafeMemberReason(stored, folder);
    if (!m.refused && (m.name.empty() || m.name == ".."))
        m.refused = "no file name";
    return m;
}

enum class WriteOutcome { Written, Kept, Skipped, Stopped };

WriteOutcome WriteMember(Reader& reader, const LHAFileHeader& h, const ArchiveMember& m,
                         const std::string& folder, const ExtractOptions& options,
                         std::string* why) {
    const std::string target = folder + m.name;
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            *why = "would replace a symbolic link";
            return WriteOutcome::Skipped;
        }
        if (!S_ISREG(st.st_mode)) {
            *why = "not a regular file in the way";
            return WriteOutcome::Skipped;
        }
        if (!options.overwrite && !(options.confirm_overwrite && options.confirm_overwrite(target)))
            return WriteOutcome::Kept;
    }

    std::string temp = folder + ".nuko-lzh-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        *why = "cannot write in the folder";
        return WriteOutcome::Skipped;
    }
    std::vector<char> buf(64 * 1024);
    std::uint64_t done = 0;
    std::uint16_t crc = 0;
    bool failed = false, stopped = false;
    for (;;) {
        const std::size_t n = reader.Read(buf.data(), buf.size());
        if (n == 0) break;
        if (done + n > h.length) {
            failed = true;
            *why = "more data than declared";
            break;
        }
        crc = LzhCrc16(crc, buf.data(), n);
        for (std::size_t off = 0; off < n;) {
            ssize_t w = ::write(fd, buf.data() + off, n - off);
            if (w <= 0) {
                failed = true;
                *why = "write error";
                break;
            }
            off += static_cast<std::size_t>(w);
        }
        if (failed) break;
        done += n;
        if (options.progress && !options.progress(m.name, done, h.length)) {
            stopped = true;
            break;
        }
    }
    if (!failed && !stopped) {
        if (done != h.length) {
            failed = true;
            *why = "data ends early";
        } else if (crc != h.crc) {
            failed = true;
            *why = "CRC error";
        }
    }
    if (::close(fd) != 0 && !failed && !stopped) {
        failed = true;
        *why = "write error";
    }
    if (failed || stopped) {
        ::unlink(temp.c_str());
        return stopped ? WriteOutcome::Stopped : WriteOutcome::Skipped;
    }
    // Look again: something may have appeared meanwhile. rename() would
    // replace a link itself, not follow it, but a link is refused anyway.
    if (::lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        ::unlink(temp.c_str());
        *why = S_ISLNK(st.st_mode) ? "would replace a symbolic link" : "not a regular file in the way";
        return WriteOutcome::Skipped;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        *why = "cannot write in the folder";
        return WriteOutcome::Skipped;
    }
    return WriteOutcome::Written;
}

ArchiveReadResult Read(const LhasaLibrary& lib, const std::string& archive, const std::string* folder,
                       const ExtractOptions* options) {
    ArchiveReadResult result;
    Reader reader(lib, archive);
    if (!reader.ok()) return result;
    result.opened = true;
    // A hostile archive cannot keep the loop going: every header moves the
    // stream on, and the count is bounded anyway.
    for (int count = 0; count < 65536; ++count) {
        LHAFileHeader* h = reader.Next();
        if (!h) break;
        ArchiveMember m = Describe(*h);
        result.members.push_back(m);
        if (!folder || m.directory) continue;
        if (m.refused) {
            result.skipped.push_back(m.name + ": " + m.refused);
            continue;
        }
        if (options->wanted && !options->wanted(m.name)) continue;
        if (h->length > options->size_cap) {
            result.skipped.push_back(m.name + ": too large");
            continue;
        }
        std::string why;
        switch (WriteMember(reader, *h, m, *folder, *options, &why)) {
        case WriteOutcome::Written:
        case WriteOutcome::Kept:
            result.extracted.push_back({m.name, *folder + m.name});
            break;
        case WriteOutcome::Skipped:
            result.skipped.push_back(m.name + ": " + why);
            break;
        case WriteOutcome::Stopped:
            result.stopped = true;
            return result;
        }
    }
    return result;
}

}  // namespace

ArchiveReadResult ListArchive(const LhasaLibrary& lib, const std::string& archive) {
    return Read(lib, archive, nullptr, nullptr);
}

ArchiveReadResult ExtractArchive(const LhasaLibrary& lib, const std::string& archive,
                                 const std::string& folder, const ExtractOptions& options) {
    std::string f = folder;
    if (!f.empty() && f.back() != '/') f += '/';
    return Read(lib, archive, &f, &options);
}

}  // namespace nuko::media
