// The ordered list of media items that the file area plays, the catalog
// files hold and the CD title database fills with one disc.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "media_kinds.h"

namespace nuko::media {

struct MediaItem {
    int number = 0;       // program number (CD title database); 0 for catalog items
    int icon = 0;         // display code assigned by the file area
    std::string folder;   // folder of the media file with its trailing "/"; empty when read from a catalog
    std::string name;     // file name, or the path exactly as a catalog line wrote it
    std::string title;
    std::string picture;
    std::string init_file;  // MIDI initialisation file or SMF converter configuration
    std::uint16_t flags = 0;  // display marks of the file area and the CD panel
    std::string notes;    // CD title database: a track's notes from an xmcd entry
};

struct MediaList {
    std::string title;
    std::string sub_title;
    std::string path;      // the catalog file
    MediaKind kind = MediaKind::Midi;
    bool sub_folders = false;
    bool hidden_files = false;
    std::string section;   // CD title database only
    std::string picture;   // CD title database only
    std::string notes;     // CD title database only: the disc's notes from an xmcd entry
    int loaded = 0;        // 1 after a catalog read that passed the version check
    int long_lines = 0;    // catalog item lines over the format's length that a read skipped
    std::vector<MediaItem> items;

    void Add(const MediaItem& item) { items.push_back(item); }
    void Add(MediaItem&& item) { items.push_back(std::move(item)); }
    void Clear() { items.clear(); }
    std::size_t size() const { return items.size(); }
};

}  // namespace nuko::media
