// The binding of the RCP converter library (librcpcv.so, see
// nuko/rcpcv.h): loaded in the constructor with every function it has to
// have, freed in the destructor. A binding lives for one conversion.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "nuko/rcpcv.h"

namespace nuko::playback {

inline constexpr const char* kRcpcvLibraryFile = "librcpcv.so";

// ".rcp", ".r36" and ".g36" songs (the extension in lower case, no dot).
bool IsRcpExtension(std::string_view extension);

// Whether the bytes begin as an RCP 2.0 or RCP 3.0 file does.
bool HasRcpSignature(std::string_view bytes);

class RcpcvBinding {
public:
    explicit RcpcvBinding(const std::string& library_path);
    ~RcpcvBinding();
    RcpcvBinding(const RcpcvBinding&) = delete;
    RcpcvBinding& operator=(const RcpcvBinding&) = delete;

    // The library and all six functions were found.
    bool usable() const { return lib_ != nullptr; }
    int version_major() const { return usable() ? major_() : 0; }
    int version_minor() const { return usable() ? minor_() : 0; }
    bool VersionAtLeast(int major, int minor) const {
        return version_major() > major || (version_major() == major && version_minor() >= minor);
    }

    // Percent done; returning false cancels. Called on the calling thread.
    using Progress = std::function<bool(int percent)>;
    // The standard MIDI file made of `song`; nullopt when the library gave
    // no object (unreadable, not RCP, cancelled) or is unusable.
    std::optional<std::string> Convert(const std::string& song, const Progress& progress = {}) const;

private:
    void* lib_ = nullptr;
    RcpcvConvertFileFn convert_ = nullptr;
    RcpcvGetSmfFn smf_ = nullptr;
    RcpcvGetSmfLengthFn length_ = nullptr;
    RcpcvDeleteObjectFn delete_ = nullptr;
    RcpcvGetVersionFn major_ = nullptr;
    RcpcvGetVersionFn minor_ = nullptr;
};

}  // namespace nuko::playback
