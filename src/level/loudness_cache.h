// Loudness measured once is kept in a file under the XDG cache folder, so
// an item is measured again only when it, or what it sounds with, changed.
// One line per item: its path, size and modification time, and for a song
// the synthesizer's settings (fonts included), then what was measured.
// Not thread-safe: its owner serialises the calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "loudness.h"

namespace nuko::level {

struct LoudnessKey {
    std::string path;   // a file, or a CD track ("DRIVE#TRACK")
    std::int64_t size = 0;
    std::int64_t mtime_ns = 0;
    std::string settings;  // what else the sound depends on; "" for none

    bool operator==(const LoudnessKey&) const = default;
};

// The key of a file as it is now; nothing when it cannot be read.
std::optional<LoudnessKey> FileKey(const std::string& path, std::string settings = {});

// The fingerprint of files the sound depends on (a song's fonts): names,
// sizes and modification times, so that a changed font measures again.
std::string FilesFingerprint(const std::vector<std::string>& files);

class LoudnessCache {
public:
    // "$XDG_CACHE_HOME/NU-KO Application/loudness.tsv".
    static std::string DefaultFile();

    explicit LoudnessCache(std::string file);

    // Reads the file; a missing one is an empty cache, broken lines are
    // dropped.
    void Load();
    // Writes the whole cache through a temporary file, so a crash never
    // leaves half of it. False with the reason.
    bool Save(std::string* error = nullptr) const;

    struct Hit {
        Loudness loudness;
        bool current = false;  // false: the item changed since (its last known loudness)
    };
    std::optional<Hit> Find(const LoudnessKey& key) const;
    void Put(const LoudnessKey& key, const Loudness& loudness);
    std::size_t size() const { return entries_.size(); }
    const std::string& file() const { return file_; }

private:
    struct Entry {
        LoudnessKey key;
        Loudness loudness;
    };
    std::string file_;
    std::unordered_map<std::string, Entry> entries_;  // by path
};

}  // namespace nuko::level
