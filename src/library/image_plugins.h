// Image plug-ins: libraries in the plug-in folder (names ending in
// "spi.so") that decode picture formats for the pictures shown with songs.
// Each answers GetPluginInfo; import filters ("00IN") are kept in a table in
// load order, with their description and extension filter. Decoding asks
// the first plug-in whose filter names the file's extension.
//
// The plug-ins' C functions. Handles are blocks the plug-in allocates with
// malloc and the caller frees.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

extern "C" {

struct NuKoPictureInfo {
    std::int32_t left;
    std::int32_t top;
    std::int32_t width;
    std::int32_t height;
    std::uint16_t x_density;
    std::uint16_t y_density;
    std::int16_t colour_depth;
    void* text;  // a text block (malloc) or null
};

typedef std::int32_t (*NuKoPluginInfo)(std::int32_t info, char* buffer, std::int32_t length);
typedef std::int32_t (*NuKoIsSupported)(const char* path, void* head);
typedef std::int32_t (*NuKoPluginProgress)(std::int32_t done, std::int32_t total, std::intptr_t data);
// buffer: the file's path when flag is 0. info: a bitmap information header
// (40 bytes, then the colour table); bits: the rows, bottom up.
typedef std::int32_t (*NuKoGetPicture)(const char* buffer, std::int32_t length, std::uint32_t flag, void** info,
                                      void** bits, NuKoPluginProgress progress, std::intptr_t data);
typedef std::int32_t (*NuKoGetPictureInfo)(const char* buffer, std::int32_t length, std::uint32_t flag,
                                          NuKoPictureInfo* info);
}

namespace nuko::media {

// A decoded picture: 0xFFRRGGBB points, row by row from the top.
struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// A device-independent bitmap (information header, colour table, rows
// bottom up) as a picture; nullopt when it is not one we can read (1, 4, 8,
// 24 and 32 bits a point, no compression). `bits_size` bounds the rows.
std::optional<DecodedPicture> PictureFromDib(const std::uint8_t* info, std::size_t info_size,
                                             const std::uint8_t* bits, std::size_t bits_size);

class ImagePlugins {
public:
    struct Row {
        std::string file;         // full path of the library
        std::string description;  // "name.spi.so-TYPE<...>"
        std::string filter;       // "*.pic;*.pi", lower case
    };

    ImagePlugins() = default;
    ~ImagePlugins() { Free(); }
    ImagePlugins(const ImagePlugins&) = delete;
    ImagePlugins& operator=(const ImagePlugins&) = delete;

    // Loads every import filter of the folder, in name order.
    void Load(const std::string& folder);
    void Free();
    void Reload(const std::string& folder) {
        Free();
        Load(folder);
    }

    const std::vector<Row>& rows() const { return rows_; }
    // ".bmp", then every extension of every filter in table order.
    std::vector<std::string> Extensions() const;
    // The picture file dialog's filter in Qt's form ("name (*.a *.b);;...").
    std::string DialogFilter() const;

    // Decodes with the first plug-in whose filter holds the extension;
    // nullopt when none can. `size`, when given, gets the picture's own
    // width and height from the plug-in.
    std::optional<DecodedPicture> Decode(const std::string& path, bool preview,
                                         std::pair<int, int>* size = nullptr) const;

private:
    std::vector<Row> rows_;
    std::vector<void*> handles_;  // parallel to rows_
};

}  // namespace nuko::media
