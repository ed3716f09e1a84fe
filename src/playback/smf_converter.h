// The SMF converter: a library a user may put in the program folder
// (libsmfk32.so) that rewrites a standard MIDI file for another MIDI device
// by a ".cfg" file. We ship none, so the feature is off until one is there.
// The binding loads it for one conversion and frees it again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

extern "C" {

// The option record of SmfkConvert: 24 bytes.
struct NuKoSmfkOptions {
    std::int32_t size;  // 24
    std::int32_t jv;
    std::int32_t mac;
    std::int32_t p;
    std::int32_t bank;
    std::int32_t bar;  // handed back to the progress callback
};

// Progress: position 0-100 and the record's `bar`; returns 1 to go on.
typedef std::int32_t (*NuKoSmfkProgress)(std::int32_t position, std::int32_t bar);
typedef std::int32_t (*NuKoGetSmfkVersion)(void);
// window: the caller's window or null; extra: "" (reserved); progress may
// be null. Returns -1 or -2 on success, else an error code 0-7.
typedef std::int32_t (*NuKoSmfkConvert)(void* window, const char* song, const char* out, const char* cfg,
                                       const char* extra, NuKoSmfkOptions* options, NuKoSmfkProgress progress);
}

namespace nuko::playback {

inline constexpr const char* kSmfkLibrary = "libsmfk32.so";
// The oldest version whose conversions the player trusts (2.12).
inline constexpr int kSmfkOldestVersion = 212;

static_assert(sizeof(NuKoSmfkOptions) == 24, "the option record is 24 bytes");

struct SmfkSettings {
    int jv = -1;
    int mac = -1;
    int p = -1;
    int bank = -1;
};

struct SmfkResult {
    enum Outcome { Unavailable, TooOld, Converted, Failed };
    Outcome outcome = Unavailable;
    int error = -1;  // Failed: the library's code (0-7 have messages)
    // The string id of the message that tells the user, or 0 for none.
    int MessageId() const;
};

// Loads the library from `library` (a full path), checks its version and
// converts `song` into `out` by `cfg`. `progress` (may be empty) hears the
// positions the library reports.
SmfkResult ConvertSmf(const std::string& library, const std::string& song, const std::string& out,
                      const std::string& cfg, const SmfkSettings& settings,
                      const std::function<void(int)>& progress);

}  // namespace nuko::playback
