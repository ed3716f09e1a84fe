#include "catalog_editor.h"

#include <algorithm>
#include <unordered_set>

#include "archive_file.h"
#include "catalog.h"
#include "file_area_model.h"
#include "nuko/files.h"
#include "nuko/media_title.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "nuko/text.h"

namespace nuko::media {
namespace {

// The title reader's buffer when registering.
constexpr std::size_t kTitleBuffer = 256;

std::string Lowered(std::string_view s) { return text::AsciiLowered(s); }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool EndsWithArchive(std::string_view path) {
    return path.size() >= 4 && Lowered(path.substr(path.size() - 4)) == ".lzh";
}

// A question whose safe answer is the one Enter presses.
PromptAnswer AskDefault(int id, std::initializer_list<std::string_view> args, PromptButtons buttons,
                        int default_button, void* owner) {
    PromptRequest r;
    r.string_id = id;
    r.text = FormatMessage(id, args);
    r.buttons = buttons;
    r.icon = PromptIcon::Question;
    r.owner = owner;
    r.default_button = default_button;
    return CurrentPrompt().Ask(r);
}

// Yes/No with No as the default.
bool Confirm(int id, void* owner) { return AskDefault(id, {}, PromptButtons::YesNo, 1, owner) == PromptAnswer::Yes; }

}  // namespace

std::string_view CatalogKindWord(int kind) {
    switch (kind) {
        case Code(MediaKind::Midi): return "Midi";
        case Code(MediaKind::Movie): return "Movie";
        case Code(MediaKind::Sound): return "Wave";
        default: return "";
    }
}

std::string DropDrivePart(std::string_view text) {
    // Past "X:" or past the leading "\\" (the server name follows).
    const bool unc = text.size() > 2 && text[0] == '\\' && text[1] == '\\';
    if (!path::HasDriveLetter(text) && !unc) return std::string(text);
    // The first "\" after the drive letter or the server name; a text that
    // ends right there is kept.
    std::size_t slash = text.find_first_of("\\/", 2);
    if (slash == std::string_view::npos || slash + 1 >= text.size()) return std::string(text);
    return std::string(text.substr(slash));
}

std::string_view FileNamePart(std::string_view text) {
    std::size_t at = text.find_last_of("\\/");
    return at == std::string_view::npos ? text : text.substr(at + 1);
}

bool IsValidInitFile(std::string_view t) {
    if (t.empty()) return true;
    if (t.size() <= 7) return false;
    const bool full = (path::HasDriveLetter(t) && t[2] == '\\') || path::IsAbsolute(t);
    if (!full) return false;
    const std::string tail = Lowered(t.substr(t.size() - 4));
    return tail == ".mid" || tail == ".rcp" || tail == ".rmi" || tail == ".cfg";
}

std::vector<ExtensionList> FilterEntryExtensions(std::string_view filter) {
    std::vector<ExtensionList> entries;
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (pos <= filter.size()) {
        std::size_t bar = filter.find('|', pos);
        if (bar == std::string_view::npos) bar = filter.size();
        parts.push_back(filter.substr(pos, bar - pos));
        pos = bar + 1;
    }
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;
        ExtensionList list;
        std::string_view patterns = parts[i + 1];
        std::size_t p = 0;
        while (p <= patterns.size()) {
            std::size_t semi = patterns.find(';', p);
            if (semi == std::string_view::npos) semi = patterns.size();
            std::string_view pattern = text::TrimBlanks(patterns.substr(p, semi - p));
            std::size_t dot = pattern.rfind('.');
            if (dot != std::string_view::npos && pattern.substr(dot).find('*') == std::string_view::npos)
                list.push_back(Lowered(pattern.substr(dot)));
            p = semi + 1;
        }
        entries.push_back(std::move(list));
    }
    return entries;
}

CatalogEditor::CatalogEditor(MediaKind kind, CatalogEditorSettings settings, Environment env)
    : kind_(kind), settings_(settings), env_(std::move(env)) {}

std::string CatalogEditor::Caption() const {
    return FormatMessage(strings::kCatalogEditorCaption, {KindName(Code(kind_)), catalog_path_});
}

void CatalogEditor::Report(int word, std::size_t done, std::size_t total) const {
    if (progress_) progress_(word, done, total);
}

void CatalogEditor::SetTitle(std::string_view title) {
    std::string cut(text::CutToCp932Bytes(text::CleanTitle(title), kCatalogFieldMax));
    if (cut == title_) return;
    title_ = std::move(cut);
    modified_ = true;
}

void CatalogEditor::SetSubTitle(std::string_view sub_title) {
    std::string cut(text::CutToCp932Bytes(text::CleanTitle(sub_title), kCatalogFieldMax));
    if (cut == sub_title_) return;
    sub_title_ = std::move(cut);
    modified_ = true;
}

// ---- The file list ----------------------------------------------------------

std::string CatalogEditor::FolderFilter() const {
    const int k = Code(kind_);
    std::string f(LoadString(strings::kFirstAllTypesFilter + k));
    f += LoadString(strings::kFirstTypeFilters + k);
    if (env_.archives_enabled) f += LoadString(strings::kArchiveFilter);
    f += "|";
    return f;
}

void CatalogEditor::ShowFolder(const std::string& folder, int filter_entry) {
    folder_ = path::WithTrailingSlash(folder);
    files_.clear();
    const auto entries = FilterEntryExtensions(FolderFilter());
    if (entries.empty()) return;
    const ExtensionList& extensions =
        entries[static_cast<std::size_t>(std::clamp(filter_entry, 0, static_cast<int>(entries.size()) - 1))];
    MediaList list;
    list.kind = kind_;
    FolderScanOptions options;
    options.hidden_files = true;
    options.find_pictures = false;
    options.win_media_type = [](const std::string& p) { return files::WinMediaType(p); };
    FolderScan(list, folder_, extensions, options);
    files_.reserve(list.items.size());
    for (const MediaItem& item : list.items) files_.push_back(path::Join(item.folder, item.name));
    std::sort(files_.begin(), files_.end(), [](const std::string& a, const std::string& b) {
        const std::string la = Lowered(a), lb = Lowered(b);
        return la != lb ? la < lb : a < b;
    });
}

// ---- Registration -----------------------------------------------------------

std::string CatalogEditor::Portable(const std::string& linux_path) const {
    return path::ToLegacy(linux_path, env_.drives);
}

std::string CatalogEditor::LinuxPath(const std::string& name) const {
    const bool rooted = path::HasDriveLetter(name) || (!name.empty() && IsSeparator(name[0]));
    if (catalog_path_.empty() && !rooted)
        return path::Join(folder_, path::FromWindows(name));
    return ResolveCatalogPath(name, catalog_path_, env_.drives);
}

std::string CatalogEditor::ReadTitle(const std::string& path, bool space_cut) const {
    std::string title;
    if (env_.read_title) {
        title = env_.read_title(path, space_cut);
    } else {
        TitleOptions options;
        options.accept_hidden = true;
        options.buffer_size = kTitleBuffer;
        MediaTitle t = ReadMediaTitle(path, options);
        title = space_cut ? t.title2 : t.title;
    }
    return std::string(text::CutToCp932Bytes(text::CleanTitle(text::SanitizeUtf8(title)), kCatalogFieldMax));
}

bool CatalogEditor::ArchiveCheckPasses(const std::string& path, FileTypeFlags flags, bool need_wrd) {
    if (!env_.archives) return false;
    ExtensionList extensions;
    BuildFlaggedExtensions(extensions, Code(kind_), static_cast<FileTypeFlags>(flags & 0x07FF), true);
    const bool ok = env_.archives->CheckArchive(path, extensions, need_wrd, env_.owner);
    CArchiveFile::ClearCheckFiles();
    return ok;
}

void CatalogEditor::AddRow(MediaItem item) {
    index_.insert(Lowered(item.name));
    rows_.push_back(std::move(item));
    modified_ = true;
}

void CatalogEditor::RebuildIndex() {
    index_.clear();
    for (const MediaItem& item : rows_) index_.insert(Lowered(item.name));
}

bool CatalogEditor::Register(const std::string& given) {
    if (given.empty()) return false;
    const std::string full =
        path::IsAbsolute(given) || path::HasDriveLetter(given) ? given : path::Join(folder_, given);
    const std::string name = Portable(full);
    // A path the catalog format cannot hold whole would come back cut.
    if (text::CutToCp932Bytes(name, kCatalogFieldMax).size() != name.size()) return false;
    // A registered path that begins with this one (a sorted index answers
    // the prefix search: such a path is the first one not less than it).
    const std::string key = Lowered(name);
    auto it = index_.lower_bound(key);
    if (it != index_.end() && it->starts_with(key)) return false;

    const std::string linux_path = path::FromLegacy(full, env_.drives);
    const auto& kind_settings = settings_.kinds[static_cast<std::size_t>(Code(kind_))];
    if (kind_settings.arc_check && env_.archives_enabled && EndsWithArchive(linux_path)) {
        FileTypeFlags flags = static_cast<FileTypeFlags>(kind_settings.arc_check_type);
        // "Only songs with a WRD script" and no type box: any type, still
        // with a script.
        const bool need_wrd = kind_ == MediaKind::Midi && (flags & file_type::kWrd) != 0;
        if (kind_ == MediaKind::Midi && flags == file_type::kWrd) flags = file_type::kArchiveCheckDefault;
        if (!ArchiveCheckPasses(linux_path, flags, need_wrd)) return false;
    }
    MediaItem item;
    item.name = name;
    item.title = ReadTitle(linux_path, false);
    AddRow(std::move(item));
    return true;
}

int CatalogEditor::RegisterAll(const std::vector<std::string>& paths) {
    int added = 0;
    Report(strings::kProgressRegistering, 0, paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (Register(paths[i])) ++added;
        Report(strings::kProgressRegistering, i + 1, paths.size());
    }
    if (added) selected_ = row_count() - 1;
    return added;
}

void CatalogEditor::AppendCatalog(const std::string& path, bool take_titles) {
    MediaList list;
    list.kind = kind_;
    list.hidden_files = true;
    list.path = path;
    ExtensionList extensions;
    BuildKindExtensions(extensions, Code(kind_), false, false);
    CatalogEnvironment env;
    env.drives = env_.drives;
    if (!ReadCatalog(list, extensions, false, env)) return;
    if (list.long_lines > 0)
        Ask(strings::kCatalogLinesSkipped, {std::to_string(list.long_lines)}, PromptButtons::Ok, PromptIcon::Warning,
            {}, env_.owner);
    if (take_titles) {
        title_ = list.title;
        sub_title_ = list.sub_title;
    }
    for (MediaItem& item : list.items) {
        // Paths keep the catalog's text; a drive letter takes its "\" back.
        for (std::string* p : {&item.name, &item.init_file, &item.picture})
            if (path::HasDriveLetter(*p)) *p = path::ToLegacy(*p, {});
        item.folder.clear();
        item.icon = 0;
        AddRow(std::move(item));
    }
}

int CatalogEditor::Drop(const std::vector<std::string>& paths) {
    ExtensionList extensions;
    BuildKindExtensions(extensions, Code(kind_), false, false);
    const std::string catalog_ext(CatalogExtension(Code(kind_)));
    const int before = row_count();
    Report(strings::kProgressRegistering, 0, paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string& p = paths[i];
        Report(strings::kProgressRegistering, i + 1, paths.size());
        if (!files::IsFileFound(p, true)) continue;
        const std::string ext = LoweredExtension(p);
        if (std::find(extensions.begin(), extensions.end(), ext) != extensions.end()) {
            Register(p);
        } else if (ext == catalog_ext) {
            AppendCatalog(p, true);
            modified_ = true;
        }
    }
    const int added = row_count() - before;
    if (added > 0) selected_ = row_count() - 1;
    return added;
}

// ---- Registered rows --------------------------------------------------------

std::string CatalogEditor::RowText(int row) const {
    if (row < 0 || row >= row_count()) return {};
    const MediaItem& item = rows_[static_cast<std::size_t>(row)];
    return settings_.list_box_title ? item.title : item.name;
}

void CatalogEditor::Select(int row) { selected_ = row >= 0 && row < row_count() ? row : -1; }

const MediaItem* CatalogEditor::SelectedItem() const {
    return selected_ >= 0 && selected_ < row_count() ? &rows_[static_cast<std::size_t>(selected_)] : nullptr;
}

void CatalogEditor::MoveUp() {
    if (selected_ <= 0 || selected_ >= row_count()) return;
    std::swap(rows_[static_cast<std::size_t>(selected_)], rows_[static_cast<std::size_t>(selected_ - 1)]);
    --selected_;
    modified_ = true;
}

void CatalogEditor::MoveDown() {
    if (selected_ < 0 || selected_ + 1 >= row_count()) return;
    std::swap(rows_[static_cast<std::size_t>(selected_)], rows_[static_cast<std::size_t>(selected_ + 1)]);
    ++selected_;
    modified_ = true;
}

bool CatalogEditor::DeleteAll() {
    if (Ask(strings::kAskDeleteAllRows, {}, PromptButtons::OkCancel, PromptIcon::Question, {}, env_.owner) !=
        PromptAnswer::Ok)
        return false;
    if (!rows_.empty()) modified_ = true;
    rows_.clear();
    index_.clear();
    selected_ = -1;
    return true;
}

void CatalogEditor::DeleteSelected() {
    if (!SelectedItem()) return;
    const auto at = rows_.begin() + selected_;
    last_deleted_ = *at;
    last_deleted_->picture.clear();
    copy_buffer_ = at->init_file;
    if (auto it = index_.find(Lowered(at->name)); it != index_.end()) index_.erase(it);
    rows_.erase(at);
    modified_ = true;
    if (selected_ >= row_count()) selected_ = row_count() - 1;
}

bool CatalogEditor::InsertDeleted() {
    if (!last_deleted_) return false;
    const std::string key = Lowered(last_deleted_->name);
    if (index_.contains(key)) return false;
    const int at = SelectedItem() ? selected_ : row_count();
    rows_.insert(rows_.begin() + at, *last_deleted_);
    index_.insert(key);
    selected_ = at;
    modified_ = true;
    return true;
}

void CatalogEditor::SetItemText(std::string MediaItem::*field, std::string_view value) {
    if (!SelectedItem()) return;
    std::string cut(text::CutToCp932Bytes(text::CleanTitle(value), kCatalogFieldMax));
    std::string& text = rows_[static_cast<std::size_t>(selected_)].*field;
    if (text == cut) return;
    text = std::move(cut);
    modified_ = true;
}

void CatalogEditor::SetItemTitle(std::string_view title) { SetItemText(&MediaItem::title, title); }

void CatalogEditor::SetItemPicture(std::string_view picture) { SetItemText(&MediaItem::picture, picture); }

bool CatalogEditor::SetItemInitFile(std::string_view init_file) {
    if (!IsValidInitFile(init_file)) {
        Ask(strings::kInvalidInitFile, {}, PromptButtons::Ok, PromptIcon::Warning, {}, env_.owner);
        return false;
    }
    if (!SelectedItem()) return true;
    MediaItem& item = rows_[static_cast<std::size_t>(selected_)];
    if (item.init_file != init_file) {
        item.init_file = std::string(init_file);
        modified_ = true;
    }
    return true;
}

void CatalogEditor::Sort() {
    const std::size_t n = rows_.size();
    Report(strings::kProgressSorting, 0, n);
    const bool had_selection = SelectedItem() != nullptr;
    const std::string kept_name = had_selection ? SelectedItem()->name : std::string();
    struct Keyed {
        std::string key;
        MediaItem item;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(n);
    for (MediaItem& item : rows_) {
        std::string key(settings_.sort_mode == 0 ? FileNamePart(item.name) : std::string_view(item.name));
        if (!settings_.sort_distinction) text::AsciiUpper(key);
        keyed.push_back({std::move(key), std::move(item)});
    }
    // Equal keys keep their order.
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
    rows_.clear();
    for (Keyed& k : keyed) rows_.push_back(std::move(k.item));
    if (had_selection) {
        auto it = std::find_if(rows_.begin(), rows_.end(), [&](const MediaItem& i) { return i.name == kept_name; });
        selected_ = static_cast<int>(it - rows_.begin());
    }
    if (n > 1) modified_ = true;
    Report(strings::kProgressSorting, n, n);
}

void CatalogEditor::ResetTitles() {
    std::vector<int> chosen;
    if (settings_.retitle_all_files) {
        for (int i = 0; i < row_count(); ++i) chosen.push_back(i);
    } else if (SelectedItem()) {
        chosen.push_back(selected_);
    }
    Report(strings::kProgressConverting, 0, chosen.size());
    std::size_t done = 0;
    for (int row : chosen) {
        MediaItem& item = rows_[static_cast<std::size_t>(row)];
        const std::string linux_path = LinuxPath(item.name);
        std::string title;
        if (env_.archives_enabled && EndsWithArchive(linux_path)) {
            if (!ArchiveCheckPasses(linux_path, file_type::kArchiveCheckDefault, false))
                title = std::string(LoadString(strings::kFileMissing));
            else
                title = ReadTitle(linux_path, settings_.retitle_space_cut != 0);
        } else {
            title = ReadTitle(linux_path, settings_.retitle_space_cut != 0);
        }
        if (title != item.title) {
            item.title = std::move(title);
            modified_ = true;
        }
        Report(strings::kProgressConverting, ++done, chosen.size());
    }
}

bool CatalogEditor::CustomisePaths(PathRule rule) {
    const int question = rule == PathRule::DropDrive      ? strings::kAskDropDrives
                         : rule == PathRule::FileNameOnly ? strings::kAskDropFolders
                                                          : strings::kAskDropSameNames;
    if (!Confirm(question, env_.owner)) return false;
    settings_.drive_mode = static_cast<int>(rule);
    bool changed = false;
    if (rule == PathRule::DropSameNames) {
        const std::size_t n = rows_.size();
        Report(strings::kProgressChecking, 0, n);
        std::unordered_set<std::string> seen;
        std::vector<MediaItem> kept;
        kept.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            if (seen.insert(Lowered(rows_[i].name)).second) kept.push_back(std::move(rows_[i]));
            Report(strings::kProgressChecking, i + 1, n);
        }
        changed = kept.size() != n;
        rows_ = std::move(kept);
        if (selected_ >= row_count()) selected_ = row_count() - 1;
    } else {
        for (MediaItem& item : rows_) {
            std::string next = rule == PathRule::DropDrive ? DropDrivePart(item.name)
                                                           : std::string(FileNamePart(item.name));
            if (next.empty() || next == item.name) continue;
            item.name = std::move(next);
            changed = true;
        }
    }
    if (changed) {
        RebuildIndex();
        modified_ = true;
    }
    return true;
}

// ---- Whole catalogs ---------------------------------------------------------

bool CatalogEditor::ConfirmDiscard() {
    if (!modified_) return true;
    return AskDefault(strings::kAskDiscardChanges, {}, PromptButtons::OkCancel, 1, env_.owner) == PromptAnswer::Ok;
}

void CatalogEditor::New() {
    files_.clear();
    rows_.clear();
    index_.clear();
    title_.clear();
    sub_title_.clear();
    catalog_path_.clear();
    selected_ = -1;
    modified_ = false;
}

bool CatalogEditor::Load(const std::string& path) {
    New();
    catalog_path_ = path;
    AppendCatalog(path, true);
    modified_ = false;
    selected_ = rows_.empty() ? -1 : 0;
    return !rows_.empty() || !title_.empty() || !sub_title_.empty();
}

MediaList CatalogEditor::ToList() const {
    MediaList list;
    list.kind = kind_;
    list.path = catalog_path_;
    list.title = title_;
    list.sub_title = sub_title_;
    list.items = rows_;
    return list;
}

bool CatalogEditor::Save() {
    if (catalog_path_.empty()) {
        if (!env_.choose_save_path) return false;
        auto chosen = env_.choose_save_path();
        if (!chosen) return false;
        return SaveAs(*chosen);
    }
    if (rows_.empty() && !Confirm(strings::kAskSaveEmptyCatalog, env_.owner)) return false;
    const MediaList list = ToList();
    if (const int row = FirstLongCatalogItem(list); row >= 0) {
        // A reader would cut the line and name another file: nothing is
        // written, and the row to shorten is shown.
        selected_ = row;
        Ask(strings::kCatalogLineTooLong, {std::to_string(row + 1), list.items[static_cast<std::size_t>(row)].name},
            PromptButtons::Ok, PromptIcon::Warning, {}, env_.owner);
        return false;
    }
    if (WriteCatalog(list)) {
        Ask(strings::kSaveFailed, {}, PromptButtons::Ok, PromptIcon::Warning, {}, env_.owner);
        return false;
    }
    modified_ = false;
    return true;
}

bool CatalogEditor::SaveAs(const std::string& path) {
    if (path.empty()) return false;
    const std::string previous = catalog_path_;
    catalog_path_ = path;
    if (Save()) return true;
    // The rows keep the place they came from until a save elsewhere works.
    catalog_path_ = previous;
    return false;
}

CatalogEditor::CloseResult CatalogEditor::Close() {
    if (!modified_) return CloseResult::Discarded;
    switch (AskDefault(strings::kAskSaveChanges, {catalog_path_}, PromptButtons::YesNoCancel, 2, env_.owner)) {
        case PromptAnswer::Yes: return Save() ? CloseResult::Saved : CloseResult::Stay;
        case PromptAnswer::No: return CloseResult::Discarded;
        default: return CloseResult::Stay;
    }
}

}  // namespace nuko::media
