#include "file_play_list.h"

#include <ctime>

#include "library/catalog.h"
#include "nuko/paths.h"
#include "nuko/text.h"

namespace nuko::playback {

FilePlayList::FilePlayList(media::FileAreaModel& model, MediaDevice& device)
    : model_(model), device_(device),
      seed_([] { return static_cast<std::uint32_t>(std::time(nullptr)); }) {}

void FilePlayList::Reloaded(int selected) {
    shuffle_.Build(Count(), seed_());
    selected_ = (selected >= 1 && selected <= Count()) ? selected : (Count() ? 1 : 0);
    if (selected_) shuffle_.SwapCurrent(selected_);
}

void FilePlayList::Select(int n) {
    selected_ = n;
    if (select_hook_) select_hook_(n);
}

std::string FilePlayList::PlayablePath(int n) const {
    std::string path = model_.RowPath(n - 1);
    // Archive rows play their chosen member through the archive bridge;
    // without it they cannot be prepared.
    if (!archives_playable_ && text::AsciiLowered(path::Extension(path)) == "lzh") return {};
    return path;
}

bool FilePlayList::FirstPlayable(int& n, std::string& path, const PlayMode& mode, bool backwards) {
    if (Count() == 0) return false;
    if (n < 1 || n > Count()) n = 1;
    int item = n;
    for (int step = 0; step < Count(); ++step) {
        path = PlayablePath(item);
        if (!path.empty()) {
            n = item;
            return true;
        }
        if (!Move(item, mode, false, backwards)) return false;
    }
    return false;
}

bool FilePlayList::Move(int& n, const PlayMode& mode, bool active, bool backwards) {
    const int count = Count();
    if (count == 0) return false;
    if (mode.mode == PlayOrder::Selected) return false;
    if (mode.mode == PlayOrder::Repeat) {
        Select(n);
        return true;
    }
    if (!StepInOrder(shuffle_, n, count, mode, active, backwards, seed_)) return false;
    Select(n);
    return true;
}

int FilePlayList::Open(const std::string& path, void* owner) {
    return device_.Open(kind(), path, owner);
}

int FilePlayList::Start() { return device_.Play(kind(), 0, 0, false, true, false); }

std::string FilePlayList::ItemTitle(int n) const {
    if (title_source_) return title_source_(n);
    if (n < 1 || n > Count()) return {};
    const auto& item = model_.list().items[static_cast<std::size_t>(n - 1)];
    if (model_.catalog_mode() && !item.title.empty()) return item.title;
    return item.name;
}

std::string FilePlayList::ItemInitFile(int n) const {
    if (!model_.catalog_mode() || n < 1 || n > Count()) return {};
    const auto& item = model_.list().items[static_cast<std::size_t>(n - 1)];
    if (item.init_file.empty()) return {};
    return media::ResolveCatalogPath(item.init_file, model_.list().path, path::CurrentDriveMap());
}

}  // namespace nuko::playback
