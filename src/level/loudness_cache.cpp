#include "loudness_cache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "nuko/paths.h"

namespace nuko::level {
namespace {

constexpr const char* kHeader = "NU-KOP32 loudness 1";

// Paths and settings may hold any byte but these three.
std::string Escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::string Unescape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char n = text[++i];
            out += n == 't' ? '\t' : n == 'n' ? '\n' : n;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

bool ParseInt(const std::string& text, std::int64_t* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno || *end) return false;
    *out = v;
    return true;
}

bool ParseDouble(const std::string& text, double* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (*end || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

}  // namespace

std::optional<LoudnessKey> FileKey(const std::string& path, std::string settings) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    LoudnessKey key;
    key.path = path;
    key.size = st.st_size;
    key.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    key.settings = std::move(settings);
    return key;
}

std::string FilesFingerprint(const std::vector<std::string>& files) {
    std::string out;
    for (const auto& f : files) {
        auto key = FileKey(f);
        out += f + ":" + (key ? std::to_string(key->size) + ":" + std::to_string(key->mtime_ns) : "-") + ";";
    }
    return out;
}

std::string LoudnessCache::DefaultFile() { return folders::CacheFolder() + "loudness.tsv"; }

LoudnessCache::LoudnessCache(std::string file) : file_(std::move(file)) {}

void LoudnessCache::Load() {
    entries_.clear();
    std::ifstream in(file_, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line) || line != kHeader) return;
    while (std::getline(in, line)) {
        auto f = SplitTabs(line);
        if (f.size() != 7) continue;
        Entry e;
        e.key.path = Unescape(f[0]);
        e.key.settings = Unescape(f[3]);
        double lufs = 0;
        if (e.key.path.empty() || !ParseInt(f[1], &e.key.size) || !ParseInt(f[2], &e.key.mtime_ns) ||
            !ParseDouble(f[5], &e.loudness.peak_db))
            continue;
        if (f[4] != "-") {
            if (!ParseDouble(f[4], &lufs)) continue;
            e.loudness.lufs = lufs;
        }
        e.loudness.partial = f[6] == "partial";
        entries_[e.key.path] = std::move(e);
    }
}

bool LoudnessCache::Save(std::string* error) const {
    auto slash = file_.rfind('/');
    if (slash != std::string::npos) {
        if (auto ec = folders::EnsureFolder(file_.substr(0, slash + 1)); ec) {
            if (error) *error = ec.message();
            return false;
        }
    }
    std::string temp = file_ + ".new" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << kHeader << '\n';
        char number[64];
        for (const auto& [path, e] : entries_) {
            out << Escape(e.key.path) << '\t' << e.key.size << '\t' << e.key.mtime_ns << '\t' << Escape(e.key.settings)
                << '\t';
            if (e.loudness.lufs) {
                std::snprintf(number, sizeof number, "%.2f", *e.loudness.lufs);
                out << number;
            } else {
                out << '-';
            }
            std::snprintf(number, sizeof number, "%.2f", e.loudness.peak_db);
            out << '\t' << number << '\t' << (e.loudness.partial ? "partial" : "whole") << '\n';
        }
        out.flush();
        if (!out) {
            if (error) *error = std::strerror(errno);
            out.close();
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), file_.c_str()) != 0) {
        if (error) *error = std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

std::optional<LoudnessCache::Hit> LoudnessCache::Find(const LoudnessKey& key) const {
    auto it = entries_.find(key.path);
    if (it == entries_.end()) return std::nullopt;
    return Hit{it->second.loudness, it->second.key == key};
}

void LoudnessCache::Put(const LoudnessKey& key, const Loudness& loudness) {
    entries_[key.path] = Entry{key, loudness};
}

}  // namespace nuko::level
