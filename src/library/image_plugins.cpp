#include "image_plugins.h"

#include <dirent.h>
#include <dlfcn.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "nuko/paths.h"
#include "nuko/text.h"

namespace nuko::media {

namespace {

// Decoded by the program itself (Qt's readers) before any plug-in.
constexpr std::array<const char*, 4> kBuiltIn = {".png", ".jpg", ".jpeg", ".gif"};
constexpr std::size_t kHeadBytes = 2100;
constexpr std::size_t kInfoText = 256;
// Pictures beyond this many points are refused rather than allocated.
constexpr long long kMaxPoints = 64LL * 1024 * 1024;

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::string Info(NuKoPluginInfo info, int n) {
    char buffer[kInfoText] = {};
    const std::int32_t got = info(n, buffer, static_cast<std::int32_t>(sizeof buffer - 1));
    if (got <= 0) return {};
    return std::string(buffer, strnlen(buffer, std::min<std::size_t>(static_cast<std::size_t>(got), sizeof buffer - 1)));
}

bool EndsWithSpi(std::string_view name) {
    if (name.size() < 6) return false;
    return text::AsciiLowered(name.substr(name.size() - 6)) == "spi.so";
}

// The pieces of a filter: "*.pic;*.pi" gives ".pic", ".pi".
std::vector<std::string> FilterExtensions(const std::string& filter) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= filter.size()) {
        std::size_t end = filter.find(';', start);
        if (end == std::string::npos) end = filter.size();
        if (end > start + 1) out.push_back(filter.substr(start + 1, end - start - 1));
        start = end + 1;
    }
    return out;
}

}  // namespace

std::optional<DecodedPicture> PictureFromDib(const std::uint8_t* info, std::size_t info_size, const std::uint8_t* bits,
                                             std::size_t bits_size) {
    if (!info || !bits || info_size < 40) return std::nullopt;
    const std::uint32_t header = U32(info);
    const auto width = static_cast<std::int32_t>(U32(info + 4));
    const auto height_raw = static_cast<std::int32_t>(U32(info + 8));
    const std::uint16_t bit_count = U16(info + 14);
    const std::uint32_t compression = U32(info + 16);
    std::uint32_t used = U32(info + 32);
    if (header < 40 || header > info_size || width <= 0 || height_raw == 0 || height_raw == INT32_MIN ||
        compression != 0)
        return std::nullopt;
    const bool top_down = height_raw < 0;
    const int height = top_down ? -height_raw : height_raw;
    if (static_cast<long long>(width) * height > kMaxPoints) return std::nullopt;
    if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 24 && bit_count != 32) return std::nullopt;
    std::vector<std::uint32_t> colours;
    if (bit_count <= 8) {
        const std::uint32_t max = 1u << bit_count;
        if (used == 0 || used > max) used = max;
        if (header + used * 4ull > info_size) return std::nullopt;
        for (std::uint32_t i = 0; i < used; ++i) {
            const std::uint8_t* q = info + header + i * 4;
            colours.push_back(0xFF000000u | static_cast<std::uint32_t>(q[2]) << 16 | static_cast<std::uint32_t>(q[1]) << 8 | q[0]);
        }
    }
    const std::size_t stride = ((static_cast<std::size_t>(width) * bit_count + 31) / 32) * 4;
    if (stride * static_cast<std::size_t>(height) > bits_size) return std::nullopt;
    DecodedPicture p;
    p.width = width;
    p.height = height;
    p.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bits + stride * static_cast<std::size_t>(top_down ? y : height - 1 - y);
        std::uint32_t* out = &p.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
        for (int x = 0; x < width; ++x) {
            std::uint32_t v = 0xFF000000u;
            if (bit_count == 24 || bit_count == 32) {
                const std::uint8_t* q = row + static_cast<std::size_t>(x) * (bit_count / 8);
                v |= static_cast<std::uint32_t>(q[2]) << 16 | static_cast<std::uint32_t>(q[1]) << 8 | q[0];
            } else {
                const std::size_t bit = static_cast<std::size_t>(x) * bit_count;
                const unsigned index = (row[bit / 8] >> (8 - bit_count - bit % 8)) & ((1u << bit_count) - 1);
                v = index < colours.size() ? colours[index] : 0xFF000000u;
            }
            out[x] = v;
        }
    }
    return p;
}

void ImagePlugins::Load(const std::string& folder) {
    if (folder.empty()) return;
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d))
            if (EndsWithSpi(e->d_name)) names.emplace_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string file = path::Join(folder, name);
        void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) continue;
        auto info = reinterpret_cast<NuKoPluginInfo>(::dlsym(handle, "GetPluginInfo"));
        if (!info || Info(info, 0) != "00IN") {
            ::dlclose(handle);  // not an import filter
            continue;
        }
        std::string type = Info(info, 3);
        if (auto open = type.find('('); open != std::string::npos) {
            type[open] = '<';
            if (auto close = type.find(')', open); close != std::string::npos) type[close] = '>';
        }
        rows_.push_back({file, text::AsciiLowered(name) + "-" + type, text::AsciiLowered(Info(info, 2))});
        handles_.push_back(handle);
    }
}

void ImagePlugins::Free() {
    for (void* h : handles_) ::dlclose(h);
    handles_.clear();
    rows_.clear();
}

std::vector<std::string> ImagePlugins::Extensions() const {
    std::vector<std::string> out = {".bmp"};
    auto add = [&](const std::string& e) {
        if (std::find(out.begin(), out.end(), e) == out.end()) out.push_back(e);
    };
    for (const char* e : kBuiltIn) add(e);
    for (const Row& r : rows_)
        for (const std::string& e : FilterExtensions(r.filter)) add(e);
    return out;
}

std::string ImagePlugins::DialogFilter() const {
    auto patterns = [](const std::vector<std::string>& exts) {
        std::string s;
        for (const std::string& e : exts) s += (s.empty() ? "*" : " *") + e;
        return s;
    };
    std::string out = "全ての画像ﾌｧｲﾙ (" + patterns(Extensions()) + ");;BMPﾌｧｲﾙ (*.bmp)";
    for (const Row& r : rows_) out += ";;" + r.description + " (" + patterns(FilterExtensions(r.filter)) + ")";
    return out;
}

std::optional<DecodedPicture> ImagePlugins::Decode(const std::string& path, bool preview,
                                                   std::pair<int, int>* size) const {
    const std::string ext = text::AsciiLowered(path::Extension(path));
    if (ext.empty()) return std::nullopt;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].filter.find(ext) == std::string::npos) continue;
        void* h = handles_[i];
        auto supported = reinterpret_cast<NuKoIsSupported>(::dlsym(h, "IsSupported"));
        auto picture = reinterpret_cast<NuKoGetPicture>(::dlsym(h, "GetPicture"));
        auto preview_fn = reinterpret_cast<NuKoGetPicture>(::dlsym(h, "GetPreview"));
        if (!supported || (!picture && !preview_fn)) continue;
        std::array<char, kHeadBytes> head{};
        {
            std::ifstream in(path, std::ios::binary);
            if (!in) return std::nullopt;
            in.read(head.data(), static_cast<std::streamsize>(head.size()));
        }
        if (!supported(path.c_str(), head.data())) return std::nullopt;
        void* info = nullptr;
        void* bits = nullptr;
        std::int32_t r = -1;
        if (preview && preview_fn) r = preview_fn(path.c_str(), 0, 0, &info, &bits, nullptr, 0);
        if (r != 0 && picture) {
            std::free(info);
            std::free(bits);
            info = bits = nullptr;
            r = picture(path.c_str(), 0, 0, &info, &bits, nullptr, 0);
        }
        std::optional<DecodedPicture> decoded;
        if (r == 0 && info && bits) {
            // The blocks carry no sizes of their own; the allocator knows
            // how much there is, so a header that claims more is refused.
            decoded = PictureFromDib(static_cast<const std::uint8_t*>(info), ::malloc_usable_size(info),
                                     static_cast<const std::uint8_t*>(bits), ::malloc_usable_size(bits));
        }
        std::free(info);
        std::free(bits);
        if (decoded && size) {
            *size = {decoded->width, decoded->height};
            if (auto get_info = reinterpret_cast<NuKoGetPictureInfo>(::dlsym(h, "GetPictureInfo"))) {
                NuKoPictureInfo pi{};
                if (get_info(path.c_str(), 0, 0, &pi) == 0) *size = {pi.width, pi.height};
                std::free(pi.text);
            }
        }
        return decoded;
    }
    return std::nullopt;
}

}  // namespace nuko::media
