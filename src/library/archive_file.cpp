#include "archive_file.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "lzh_archive.h"
#include "nuko/files.h"
#include "nuko/paths.h"
#include "nuko/text.h"

namespace nuko::media {

namespace {

struct Shared {
    std::mutex mutex;
    std::vector<std::string> play;
    std::vector<std::string> check;
    std::string remembered;
    int instances = 0;
};

Shared& State() {
    static Shared s;
    return s;
}

bool Contains(const std::vector<std::string>& list, const std::string& path) {
    return std::find(list.begin(), list.end(), path) != list.end();
}

// Deletes the files of `list` that `other` does not hold, and empties it.
void ClearList(std::vector<std::string>& list, const std::vector<std::string>& other) {
    for (const std::string& f : list)
        if (!Contains(other, f)) ::unlink(f.c_str());
    list.clear();
}

bool IsArchivePath(const std::string& path) {
    return path.size() >= 5 && text::AsciiLowered(std::string_view(path).substr(path.size() - 4)) == ".lzh";
}

std::string LoweredCp932Name(std::string_view path) {
    std::string bytes = text::Utf8ToCp932Lossy(path::FileName(path));
    text::Cp932AsciiLower(bytes);
    return bytes;
}

class UiBridge {
public:
    UiBridge(ArchiveUi* ui, bool shown, const std::string& archive, void* owner) : ui_(shown ? ui : nullptr) {
        if (ui_) ui_->BeginExtract(archive, owner);
    }
    ~UiBridge() {
        if (ui_) ui_->EndExtract();
    }
    UiBridge(const UiBridge&) = delete;
    UiBridge& operator=(const UiBridge&) = delete;

private:
    ArchiveUi* ui_;
};

}  // namespace

int NameLikeness(const std::string& archive_name, const std::string& member_name) {
    const std::string a = LoweredCp932Name(archive_name);
    const std::string m = LoweredCp932Name(member_name);
    if (a.size() < 5 || m.size() < 5) return 0;
    const std::size_t limit = std::min(a.size(), m.size()) - 4;
    std::size_t n = 0;
    while (n < limit && a[n] == m[n]) ++n;
    return static_cast<int>(n);
}

std::string ChooseArchiveMember(const std::string& archive_path, const std::vector<std::string>& files,
                                const ExtensionList& extensions) {
    std::vector<const std::string*> candidates;
    for (const std::string& ext : extensions)
        for (const std::string& f : files)
            if (LoweredExtension(path::FileName(f)) == ext) candidates.push_back(&f);
    const std::string* best = nullptr;
    int best_count = -1;
    for (const std::string* c : candidates) {
        const int count = NameLikeness(archive_path, *c);
        if (count > best_count) {
            best = c;
            best_count = count;
        }
    }
    return best ? *best : std::string();
}

CArchiveFile::CArchiveFile(ArchiveSettings settings) : settings_(std::move(settings)) {
    std::lock_guard lock(State().mutex);
    ++State().instances;
}

CArchiveFile::~CArchiveFile() {
    Shared& s = State();
    std::lock_guard lock(s.mutex);
    if (--s.instances > 0) return;
    for (const std::string& f : s.play) ::unlink(f.c_str());
    for (const std::string& f : s.check) ::unlink(f.c_str());
    s.play.clear();
    s.check.clear();
}

bool CArchiveFile::LibraryUsable() { return LhasaLibrary().usable(); }

bool CArchiveFile::Extract(std::string& path, bool play_list, int kind, const ExtensionList* extensions,
                           void* owner, bool rcp_first) {
    if (!files::IsFileFound(path, true)) return false;
    LhasaLibrary lib;
    if (!lib.usable()) return false;
    const std::string folder = path::WithTrailingSlash(settings_.work_folder);
    if (settings_.work_folder.empty() || folders::EnsurePrivateFolder(folder)) return false;

    ExtractOptions options;
    options.overwrite = settings_.yes;
    ArchiveUi* ui = settings_.ui;
    if (ui) options.confirm_overwrite = [ui, owner](const std::string& target) { return ui->ConfirmOverwrite(target, owner); };
    if (ui && settings_.dlg_view)
        options.progress = [ui](const std::string& name, std::uint64_t done, std::uint64_t total) {
            return ui->ExtractProgress(name, done, total);
        };
    // Names of three characters or fewer carry no playable extension; they
    // are not extracted, so nothing unlisted stays behind.
    options.wanted = [](const std::string& name) { return name.size() > 3; };

    ArchiveReadResult result;
    {
        UiBridge bridge(ui, settings_.dlg_view, path, owner);
        result = ExtractArchive(lib, path, folder, options);
    }

    std::vector<std::string> list;
    {
        Shared& s = State();
        std::lock_guard lock(s.mutex);
        std::vector<std::string>& temp = play_list ? s.play : s.check;
        for (const ExtractedMember& m : result.extracted)
            if (!Contains(temp, m.path)) temp.push_back(m.path);
        list = temp;
    }
    if (!result.opened || result.stopped || result.members.empty()) return false;

    ExtensionList built;
    if (!extensions) {
        BuildKindExtensions(built, kind, true, rcp_first);
        extensions = &built;
    }
    std::string chosen = ChooseArchiveMember(path, list, *extensions);
    if (chosen.empty()) return false;
    path = chosen;
    return true;
}

bool CArchiveFile::OpenForPlay(std::string& path, int kind, void* owner, bool extract, bool rcp_first) {
    if (!IsArchivePath(path)) return false;
    Shared& s = State();
    if (!extract) {
        std::lock_guard lock(s.mutex);
        path = s.remembered;
        return true;
    }
    {
        std::lock_guard lock(s.mutex);
        ClearList(s.play, s.check);
        s.remembered.clear();
    }
    std::string target = path;
    if (Extract(target, true, kind, nullptr, owner, rcp_first)) {
        path = target;
        std::lock_guard lock(s.mutex);
        s.remembered = target;
    }
    return true;
}

int CArchiveFile::KindOfArchive(const std::string& path) {
    if (!IsArchivePath(path)) return -1;
    {
        Shared& s = State();
        std::lock_guard lock(s.mutex);
        ClearList(s.check, s.play);
    }
    std::string target = path;
    if (!Extract(target, false, AllKinds, nullptr, nullptr, false)) return -1;
    const std::string ext = text::AsciiLowered(std::string_view(target).substr(target.size() >= 4 ? target.size() - 4 : 0));
    for (MediaKind k : {MediaKind::Midi, MediaKind::Cd, MediaKind::Movie, MediaKind::Sound}) {
        ExtensionList plain;
        BuildKindExtensions(plain, Code(k), true, false);
        if (Contains(plain, ext)) return Code(k);
    }
    return -1;
}

void CArchiveFile::ClearCheckFiles() {
    Shared& s = State();
    std::lock_guard lock(s.mutex);
    ClearList(s.check, s.play);
}

bool CArchiveFile::CheckArchive(const std::string& path, const ExtensionList& extensions, bool need_wrd,
                                void* owner) {
    ClearCheckFiles();
    std::string target = path;
    if (!Extract(target, false, AllKinds, &extensions, owner, false)) return false;
    if (!need_wrd) return true;
    for (const std::string& f : CheckTempList())
        if (f.size() >= 4 && text::AsciiLowered(std::string_view(f).substr(f.size() - 4)) == ".wrd") return true;
    return false;
}

std::vector<std::string> CArchiveFile::PlayTempList() {
    std::lock_guard lock(State().mutex);
    return State().play;
}

std::vector<std::string> CArchiveFile::CheckTempList() {
    std::lock_guard lock(State().mutex);
    return State().check;
}

std::string CArchiveFile::RememberedPath() {
    std::lock_guard lock(State().mutex);
    return State().remembered;
}

int CArchiveFile::Instances() {
    std::lock_guard lock(State().mutex);
    return State().instances;
}

}  // namespace nuko::media
