// Reading LZH archives through liblhasa, opened at run time: listing the
// members and extracting them into one folder under their base names.
//
// The library is looked up with dlopen so that a system without it only
// loses archive playing. Names are read from the raw header wherever the
// library would misread them: it turns a 0x5C trail byte of a Shift-JIS name
// into "/", and such a name must stay one file name.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuko::media {

// --- Member names (pure; fuzzed) ---

// The part of a raw CP932 member name after its last "\" or "/"; double-byte
// characters are stepped over whole, so a 0x5C trail byte is no separator.
std::string_view Cp932LastComponent(std::string_view raw);

// The stored name bytes of a level-0 or level-1 header (the name field), or
// of a level-2 header (its file-name extension); nullopt for other levels or
// a header too short for what it declares.
std::optional<std::string> RawHeaderName(const std::uint8_t* raw, std::size_t length);

// The folder extension of a level-1 or level-2 header with "/" separators
// ("" when there is none, and always for level 0, whose name carries its
// folder); nullopt when the header cannot be read.
std::optional<std::string> RawHeaderFolder(const std::uint8_t* raw, std::size_t length);

// Why a member may not be written into the work folder; nullptr when it may.
// `stored` is the whole stored name (folder and name, CP932 bytes, either
// separator), `folder` the folder the library reported for it, if any.
const char* UnsafeMemberReason(std::string_view stored, std::string_view folder);

// CRC-16 as LZH stores it for member data (polynomial 0xA001, reflected).
std::uint16_t LzhCrc16(std::uint16_t crc, const void* data, std::size_t length);

// --- The library binding ---

inline constexpr const char* kLhasaLibraryFile = "liblhasa.so.0";
// Every function the binding looks up; all are needed.
inline constexpr std::array<const char*, 7> kLhasaFunctions = {
    "lha_input_stream_from_FILE", "lha_input_stream_free", "lha_reader_new",    "lha_reader_free",
    "lha_reader_set_dir_policy",  "lha_reader_next_file",  "lha_reader_read"};

// liblhasa.so.0 with every function the reader needs; unusable when the
// library or one of them is missing.
class LhasaLibrary {
public:
    LhasaLibrary();
    ~LhasaLibrary();
    LhasaLibrary(const LhasaLibrary&) = delete;
    LhasaLibrary& operator=(const LhasaLibrary&) = delete;

    bool usable() const { return usable_; }

    struct Functions;
    const Functions& fn() const { return *fn_; }

private:
    void* handle_ = nullptr;
    std::unique_ptr<Functions> fn_;
    bool usable_ = false;
};

struct ArchiveMember {
    std::string name;        // base name, UTF-8 ("" when it could not be read)
    std::string stored;      // the whole stored name, UTF-8, "/" as separator
    std::uint64_t size = 0;  // declared size
    std::string method;      // "-lh5-" ...
    bool directory = false;  // a folder or symbolic link entry: never written
    const char* refused = nullptr;  // why it is never written, if so
};

struct ExtractOptions {
    // Replace an existing file of the same name without asking.
    bool overwrite = true;
    // Asked for an existing file when overwrite is off; false keeps the file.
    std::function<bool(const std::string& target)> confirm_overwrite;
    // Progress: member's base name, bytes written, declared size. false
    // stops the extraction (the member being written is removed).
    std::function<bool(const std::string& name, std::uint64_t done, std::uint64_t total)> progress;
    // Members declaring more than this are skipped.
    std::uint64_t size_cap = std::uint64_t{1} << 30;
    // Extract only members whose base name this accepts (all when empty).
    std::function<bool(const std::string& name)> wanted;
};

struct ExtractedMember {
    std::string name;  // base name, UTF-8
    std::string path;  // folder + name
};

struct ArchiveReadResult {
    bool opened = false;      // the archive was read (possibly with skipped members)
    bool stopped = false;     // the progress callback stopped it
    std::vector<ArchiveMember> members;        // every header read, in order
    std::vector<ExtractedMember> extracted;    // written (or kept) files, in order
    std::vector<std::string> skipped;          // base names not written, with why
};

// Lists the members of an archive; opened false when the file cannot be
// read or the library is unusable.
ArchiveReadResult ListArchive(const LhasaLibrary& lib, const std::string& archive);

// Extracts every member into `folder` (ending in "/") under its base name.
// A member is skipped, never written elsewhere, when its name is unsafe, it
// is too large, its data is damaged (CRC) or short, or the target is a
// symbolic link or not a regular file. Data goes to a private temporary
// file first and is renamed into place only when complete and correct.
ArchiveReadResult ExtractArchive(const LhasaLibrary& lib, const std::string& archive,
                                 const std::string& folder, const ExtractOptions& options);

}  // namespace nuko::media
