// The file kinds' list of the core: a folder tree or a catalog read on the
// loader's worker (or in place), its rows coming in batches through the
// dispatcher; the row to select as soon as it has come, the sort by name,
// the titles of rows, and the archives whose chosen member plays.
#include "core/list_session.h"

#include <utility>

#include "core/player_core.h"
#include "nuko/files.h"
#include "nuko/media_title.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "settings/settings.h"

namespace nuko::app {

using media::MediaKind;

void PlayerCore::MakeListSession() {
    lists_ = std::make_unique<ListSession>(*ctx_.dispatcher);
    ListSession& l = *lists_;
    l.list = std::make_unique<playback::FilePlayList>(l.files, *device_);
    l.list->SetSelectHook([this](int n) { Notify([n](CoreListener& c) { c.OnRowSelected(n); }); });
    l.list->SetTitleSource([this](int n) { return ItemTitle(n); });
    if (ctx_.shuffle_seed) l.list->SetSeedSource(ctx_.shuffle_seed);
    l.archives_enabled = ctx_.archives_enabled ? *ctx_.archives_enabled : media::CArchiveFile::LibraryUsable();
    l.archives = std::make_unique<media::CArchiveFile>(ArchiveSettingsNow());
    l.list->SetArchivesPlayable(l.archives_enabled);
}

const media::FileAreaModel& PlayerCore::files() const { return lists_->files; }

int PlayerCore::selected_row() const { return lists_->list->Selected(); }

bool PlayerCore::list_loading() const { return lists_->loading.active; }

const media::ImagePlugins& PlayerCore::image_plugins() const { return lists_->images; }

bool PlayerCore::archives_enabled() const { return lists_->archives_enabled; }

media::ArchiveSettings PlayerCore::ArchiveSettingsNow() const {
    media::ArchiveSettings a;
    a.work_folder = ctx_.work_folder;
    a.dlg_view = s_.archive.dlg_view != 0;
    a.yes = s_.archive.yes != 0;
    a.ui = ctx_.archive_ui;
    return a;
}

void PlayerCore::ApplyListSettings(playback::ItemConverters& converters) {
    ListSession& l = *lists_;
    // The plug-ins are loaded again only when their folder changed.
    const std::string plugin_folder = s_.susie.path.empty() ? ctx_.program_folder : s_.susie.path;
    if (plugin_folder != l.images_folder) {
        l.images.Reload(plugin_folder);
        l.images_folder = plugin_folder;
    }
    if (!l.archives_enabled) return;
    converters.archive_member = [this](const std::string& archive, MediaKind kind) {
        ListSession& l = *lists_;
        l.archives->SetSettings(ArchiveSettingsNow());
        std::string path = archive;
        l.archives->OpenForPlay(path, media::Code(kind), owner_.handle(), true, s_.main.rcp_preference != 0);
        l.archive_played = path == archive ? std::string() : archive;
        return path == archive ? std::string() : path;
    };
}

std::string PlayerCore::ItemTitle(int item) const {
    const ListSession& l = *lists_;
    if (item < 1 || item > l.files.rows()) return {};
    const auto& it = l.files.list().items[static_cast<std::size_t>(item - 1)];
    if (s_.main.file_name_only) return it.name;
    if (l.files.catalog_mode() && !it.title.empty()) return it.title;
    media::TitleOptions o;
    o.accept_hidden = s_.main.hidden_file != 0;
    o.smf_encoding = media::SmfEncodingFromSetting(s_.word.lyrics_encoding);
    std::string path = l.files.RowPath(item - 1);
    // The archive that plays shows its chosen member's title.
    if (l.archives_enabled && !l.archive_played.empty() && path == l.archive_played) {
        std::string member = path;
        if (l.archives->OpenForPlay(member, media::Code(kind_), nullptr, false, false) && !member.empty())
            path = member;
    }
    media::MediaTitle t = media::ReadMediaTitle(path, o);
    std::string title = s_.main.spc_cut ? t.title2 : t.title;
    return title.empty() ? it.name : title;
}

void PlayerCore::SelectRow(int row) {
    if (kind_ == MediaKind::Cd) {
        SelectDiscRow(row);
        return;
    }
    ListSession& l = *lists_;
    l.list->SetSelected(row);
    if (l.loading.active) l.loading.chosen = true;
    // Without an active item the current item follows the selection; an
    // item that opens in the background is as good as active.
    if (controller_->idle()) {
        controller_->SetCurrentItem(row);
        Notify([row](CoreListener& c) { c.OnItemShown(row); });
    }
}

int PlayerCore::SortRows(int row) {
    const std::vector<int> moved = lists_->files.SortByNameMapped();
    auto to_new = [&moved](int n) {
        return n >= 1 && n <= static_cast<int>(moved.size()) ? moved[static_cast<std::size_t>(n - 1)] + 1 : n;
    };
    // The item that plays or opens keeps its number in step with its row.
    controller_->RenumberItems(to_new);
    return to_new(row);
}

void PlayerCore::ToggleSort() {
    ListSession& l = *lists_;
    s_.main.sort = !s_.main.sort;
    if (!s_.main.sort || l.files.catalog_mode()) return;
    const int row = SortRows(l.list->Selected());
    l.list->Reloaded(row);
    Notify([row](CoreListener& c) { c.OnListSorted(row); });
}

void PlayerCore::Reload(const std::string& named, bool in_place) {
    if (kind_ == MediaKind::Cd) {
        ReadDisc();
        return;
    }
    ListSession& l = *lists_;
    const auto& st = Current();
    media::FileAreaSettings fs;
    fs.kind = media::Code(kind_);
    fs.source = st.path;
    // "All types" takes in archives too when they play.
    fs.type_flags = st.sub_code ? st.sub_code : media::file_type::kAllTypesAndArchives;
    fs.archives = l.archives_enabled;
    fs.hidden_files = s_.main.hidden_file != 0;
    fs.sub_folders = st.sub_folder;
    fs.title_display = s_.main.list_box_title != 0;
    media::FileAreaEnvironment env;
    env.catalog.drives = s_.drives;
    // The "image" picture of a folder: ".bmp", then what the decoders read.
    std::vector<std::string> pictures = l.images.Extensions();
    env.catalog.picture_extensions.assign(pictures.begin() + 1, pictures.end());
    env.win_media_type = [](const std::string& p) { return files::WinMediaType(p); };

    l.loader.Cancel();
    ListSession::Loading next;
    next.active = true;
    next.keep = st.item >= 1 && st.item <= l.files.rows() ? l.files.RowPath(st.item - 1) : "";
    next.item = st.item;
    next.named = named;
    next.play = l.loading.play;  // a play asked for still applies to the new list
    l.loading = std::move(next);
    l.files.Begin(fs);
    l.list->Reloaded(0);
    Notify([](CoreListener& c) { c.OnListStarted(); });

    auto header = [this](media::ListHeader h) {
        if (h.long_lines > 0) OnStatus(FormatMessage(strings::kCatalogLinesSkipped, {std::to_string(h.long_lines)}));
        media::FileAreaModel& files = lists_->files;
        files.SetHeader(std::move(h));
        const int first = files.rows() + 1;
        Notify([first](CoreListener& c) { c.OnRowsAdded(first, 0); });
    };
    if (in_place || !ctx_.background_lists || kind_ == MediaKind::Cd) {
        media::ListSink sink;
        sink.header = header;
        sink.rows = [this](std::vector<media::MediaItem>&& rows) {
            RowsCame(std::move(rows));
            return true;
        };
        sink.in_batches = false;
        std::unique_ptr<path::CaseResolver> resolver = l.files.LendResolver();
        media::ReadList(fs, env, *resolver, sink);
        l.files.ReturnResolver(std::move(resolver));
        ListEnded();
        return;
    }
    media::ListLoader::Handlers h;
    h.header = header;
    h.rows = [this](std::vector<media::MediaItem>&& rows) { RowsCame(std::move(rows)); };
    h.done = [this](std::unique_ptr<path::CaseResolver> resolver) {
        lists_->files.ReturnResolver(std::move(resolver));
        ListEnded();
    };
    l.loader.Start(std::move(fs), std::move(env), l.files.LendResolver(), std::move(h));
}

void PlayerCore::MakeCurrent(int row) {
    ListSession& l = *lists_;
    l.list->Select(row);
    l.list->ShuffleSwapCurrent(row);
    // An item that plays or opens stays the current one.
    if (controller_->idle()) {
        controller_->SetCurrentItem(row);
        Notify([row](CoreListener& c) { c.OnItemShown(row); });
    }
}

void PlayerCore::RowsCame(std::vector<media::MediaItem>&& rows) {
    if (rows.empty()) return;
    ListSession& l = *lists_;
    const int first = l.files.rows() + 1;
    const int count = static_cast<int>(rows.size());
    l.files.Append(std::move(rows));
    l.list->RowsAdded();
    Notify([first, count](CoreListener& c) { c.OnRowsAdded(first, count); });
    // The row to select, as soon as it is there: the named file, else the
    // item that was current; until then the first row, so that the play
    // commands have an item.
    ListSession::Loading& loading = l.loading;
    if (!loading.chosen) {
        const std::string& wanted = loading.named.empty() ? loading.keep : loading.named;
        for (int row = first; !wanted.empty() && row < first + count; ++row) {
            if (l.files.RowPath(row - 1) != wanted) continue;
            loading.chosen = true;
            MakeCurrent(row);
            break;
        }
        if (!loading.chosen && l.list->Selected() == 0) {
            l.list->SetSelected(1);
            if (controller_->idle()) controller_->SetCurrentItem(1);
        }
    }
    if (loading.play && loading.chosen && !loading.named.empty()) {
        loading.play = false;
        PostPlay();
    }
}

void PlayerCore::ListEnded() {
    ListSession& l = *lists_;
    l.loading.active = false;
    int selected = l.list->Selected();
    if (s_.main.sort && !l.files.catalog_mode() && l.files.rows() > 1) {
        selected = SortRows(selected);
        Notify([selected](CoreListener& c) { c.OnListSorted(selected); });
    }
    if (!l.loading.chosen) selected = l.loading.item;
    if (selected < 1 || selected > l.files.rows()) selected = l.files.rows() ? 1 : 0;
    l.list->Reloaded(selected);
    Notify([selected](CoreListener& c) { c.OnListLoaded(selected); });
    if (controller_->idle()) controller_->SetCurrentItem(selected);
    if (l.loading.play) {
        // A list that ended empty plays nothing, as an open that found nothing.
        l.loading.play = false;
        if (l.files.rows() > 0) PostPlay();
    }
}

bool PlayerCore::HoldPlay() {
    ListSession::Loading& loading = lists_->loading;
    if (!loading.active || (loading.chosen && !loading.named.empty())) return false;
    loading.play = true;
    return true;
}

void PlayerCore::DropListLoad() {
    lists_->loader.Cancel();
    lists_->loading = ListSession::Loading{};
}

}  // namespace nuko::app
