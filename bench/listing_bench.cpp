// Listing folders: the file area's scan of 20,000 files in 200 folders
// beside a plain readdir walk reading each entry's type; a catalog of
// 20,000 items (files present, files missing) read into the file area
// beside converting the same bytes with iconv and splitting them into lines
// and fields.
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <filesystem>
#include <iconv.h>
#include <string>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "bench_util.h"
#include "song_tree.h"
#include "library/catalog.h"
#include "library/file_area_model.h"
#include "nuko/fileio.h"

namespace fs = std::filesystem;
using namespace nuko;

namespace {

constexpr int kFolders = bench::kTreeFolders;
constexpr int kPerFolder = bench::kTreePerFolder;
using bench::TreeFileName;
using bench::TreeFolderName;

// What the anchor walk does: every folder read once, each entry's type
// taken from the listing.
std::size_t ReaddirWalk(const std::string& folder) {
    std::size_t files = 0;
    DIR* d = ::opendir(folder.c_str());
    if (!d) return 0;
    std::vector<std::string> subs;
    while (dirent* e = ::readdir(d)) {
        if (e->d_name[0] == '.') continue;
        if (e->d_type == DT_DIR) subs.push_back(folder + e->d_name + "/");
        else if (e->d_type == DT_REG) ++files;
    }
    ::closedir(d);
    for (const auto& s : subs) files += ReaddirWalk(s);
    return files;
}

// The anchor of a catalog read: its bytes converted to UTF-8 by iconv, then
// cut into lines and TAB-separated fields.
std::size_t ConvertAndSplit(const std::string& path) {
    auto bytes = fileio::ReadFile(path);
    if (!bytes) return 0;
    iconv_t cd = ::iconv_open("UTF-8", "CP932");
    std::string out(bytes->size() * 3 / 2 + 16, '\0');
    char* in = bytes->data();
    std::size_t in_left = bytes->size();
    char* o = out.data();
    std::size_t o_left = out.size();
    ::iconv(cd, &in, &in_left, &o, &o_left);
    ::iconv_close(cd);
    out.resize(out.size() - o_left);
    std::vector<std::vector<std::string_view>> lines;
    std::string_view text = out;
    while (!text.empty()) {
        std::size_t end = text.find("\r\n");
        std::string_view line = text.substr(0, end);
        std::vector<std::string_view> fields;
        for (std::size_t pos = 0;;) {
            std::size_t tab = line.find('\t', pos);
            fields.push_back(line.substr(pos, tab - pos));
            if (tab == std::string_view::npos) break;
            pos = tab + 1;
        }
        lines.push_back(std::move(fields));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 2);
    }
    return lines.size();
}

std::string WriteCatalogOf(const std::string& path, const std::string& tree, const char* stem) {
    media::MediaList list;
    list.path = path;
    list.title = "ベンチマーク";
    for (int f = 0; f < kFolders; ++f)
        for (int i = 0; i < kPerFolder; ++i) {
            media::MediaItem item;
            item.name = tree + TreeFileName(f, i % (kPerFolder / 2) * 2, stem, "mid");
            item.title = "タイトル " + std::to_string(f * kPerFolder + i);
            list.items.push_back(item);
        }
    return media::WriteCatalog(list) ? std::string() : path;
}

int Load(const media::FileAreaSettings& s) {
    media::FileAreaModel model;
    return model.Load(s, {});
}

}  // namespace

int main() {
    char tmpl[] = "/tmp/nuko-listing-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    const std::string dir = std::string(tmpl) + "/";
    const std::string tree = dir + "tree/";
    if (!bench::MakeSongTree(tree)) return 1;
    // Folders untouched for a while, as a music collection is: a kept
    // listing may then be trusted while the mtime stays.
    timespec hour_ago[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    for (int f = 0; f < kFolders; ++f) ::utimensat(AT_FDCWD, (tree + TreeFolderName(f)).c_str(), hour_ago, 0);
    ::utimensat(AT_FDCWD, tree.c_str(), hour_ago, 0);
    std::printf("%d files in %d folders, half of them .mid\n", kFolders * kPerFolder, kFolders);

    std::size_t walked = 0;
    auto walk = [&] { walked = ReaddirWalk(tree); };
    media::FileAreaSettings scan;
    scan.kind = 0;
    scan.type_flags = 0x001F;
    scan.source = tree;
    scan.sub_folders = true;
    int rows = 0;
    const bench::PairMs first = bench::BestPairMs(15, [&] { rows = Load(scan); }, walk);
    media::FileAreaModel kept;
    kept.Load(scan, {});
    const bench::PairMs again = bench::BestPairMs(15, [&] { kept.Load(scan, {}); }, walk);
    std::printf("rows %d, files walked %zu\n", rows, walked);
    bench::Report("scan 20000 files (fresh model)", first.ms, "readdir walk", first.baseline_ms);
    bench::Report("scan again (same model)", again.ms, "readdir walk", again.baseline_ms);

    for (const char* stem : {"Song", "Gone"}) {
        std::string catalog = WriteCatalogOf(dir + stem + ".mit", tree, stem);
        if (catalog.empty()) return 1;
        media::FileAreaSettings s;
        s.kind = 0;
        s.type_flags = 0x8000;
        s.source = catalog;
        std::size_t lines = 0;
        const bench::PairMs read = bench::BestPairMs(15, [&] { rows = Load(s); }, [&] { lines = ConvertAndSplit(catalog); });
        std::printf("catalog of %zu lines, %d rows\n", lines, rows);
        bench::Report(std::string(stem) == "Song" ? "catalog read, files present" : "catalog read, files missing",
                      read.ms, "iconv + split", read.baseline_ms);
    }

    std::error_code ec;
    fs::remove_all(tmpl, ec);
    return 0;
}
