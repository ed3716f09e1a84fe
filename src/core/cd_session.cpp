// The CD kind of the core: the drive list (CD drives with their letters,
// disc images standing in as drives), the disc in the chosen drive looked
// up in the CD title database, the rows of the CD panel and the insert
// check.
#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "core/cd_session.h"
#include "core/list_session.h"
#include "core/path_opener.h"
#include "core/player_core.h"
#include "cd/disc_lengths.h"
#include "cd/disc_toc.h"
#include "cd/disc_watch.h"
#include "nuko/files.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "settings/settings_store.h"

namespace nuko::app {

using media::MediaKind;
using playback::PlayCommand;

namespace {

// Registrations kept in memory, for a core without a settings store.
class MemoryRegistrations final : public cd::RegistrationIndex {
public:
    std::optional<std::string> ReadRegistration(std::string_view id) const override {
        auto it = values_.find(std::string(id));
        if (it == values_.end()) return std::nullopt;
        return it->second;
    }
    std::error_code WriteRegistration(std::string_view id, std::optional<std::string_view> value) override {
        if (value) values_[std::string(id)] = std::string(*value);
        else values_.erase(std::string(id));
        return {};
    }

private:
    std::map<std::string, std::string> values_;
};

}  // namespace

void PlayerCore::MakeCdSession() {
    cd_ = std::make_unique<CdSession>();
    cd_->list = std::make_unique<playback::CdPlayList>(*device_);
    cd_->list->SetSelectHook([this](int n) { Notify([n](CoreListener& l) { l.OnDiscRowSelected(n); }); });
    if (ctx_.shuffle_seed) cd_->list->SetSeedSource(ctx_.shuffle_seed);
    cd::RegistrationIndex* index = ctx_.store;
    if (!index) {
        cd_->own_index = std::make_unique<MemoryRegistrations>();
        index = cd_->own_index.get();
    }
    cd_->db = std::make_unique<cd::CdTitleDatabase>(*index, folders::DataFolder() + std::string(cd::kDefaultTitleFileName));
}

playback::PlayList* PlayerCore::ListOf(MediaKind kind) {
    if (kind == MediaKind::Cd) return cd_->list.get();
    return lists_->list.get();
}

const std::vector<cd::CdDrive>& PlayerCore::cd_drives() const { return cd_->drives; }

int PlayerCore::cd_drive() const { return cd_->drive; }

const media::MediaList& PlayerCore::cd_record() const { return cd_->record; }

const cd::CdTrackList& PlayerCore::cd_tracks() const { return cd_->list->tracks(); }

CdStatus PlayerCore::cd_status() const { return cd_->status; }

const cd::DiscToc& PlayerCore::cd_toc() const { return cd_->toc; }

cd::CdTitleDatabase& PlayerCore::cd_titles() { return *cd_->db; }

int PlayerCore::selected_disc_row() const { return cd_->list->Selected(); }

void PlayerCore::ScanDrives() {
    const std::string chosen =
        cd_->drive >= 0 && cd_->drive < static_cast<int>(cd_->drives.size()) ? cd_->drives[static_cast<std::size_t>(cd_->drive)].device : "";
    std::vector<cd::CdDrive> images;
    for (const auto& d : cd_->drives)
        if (d.image) images.push_back(d);
    cd_->drives = cd::AssignDriveLetters(ctx_.cd_drive_list ? ctx_.cd_drive_list() : cd::ListCdDrives(), s_.drives);
    cd_->drives.insert(cd_->drives.end(), images.begin(), images.end());
    // The drive or image the CD kind used last time (its `Path`).
    const std::string& last = kinds_[static_cast<std::size_t>(media::Code(MediaKind::Cd))].path;
    std::string wanted = chosen;
    if (wanted.empty() && !last.empty()) {
        if (cd::IsDiscImagePath(last) && files::IsFileFound(last, true)) ImageDrive(last);
        wanted = last;
    }
    cd_->drive = wanted.empty() ? -1 : cd::FindDriveByDevice(cd_->drives, wanted);
    if (cd_->drive < 0 && !cd_->drives.empty()) cd_->drive = 0;
    Notify([](CoreListener& l) { l.OnDiscChanged(); });
}

int PlayerCore::ImageDrive(const std::string& image) {
    int index = cd::FindDriveByDevice(cd_->drives, image);
    if (index >= 0) return index;
    cd_->drives.push_back({0, image, true});
    return static_cast<int>(cd_->drives.size()) - 1;
}

bool PlayerCore::ChooseDrive(int index) {
    if (index < 0 || index >= static_cast<int>(cd_->drives.size())) return false;
    if (index == cd_->drive) return true;
    if (kind_ == MediaKind::Cd && controller_->item_active()) {
        if (controller_->state() == playback::PlayState::Playing &&
            Ask(strings::kAskChangeDriveWhilePlaying, {}, PromptButtons::OkCancel, PromptIcon::Question, {}, owner_.handle()) !=
                PromptAnswer::Ok) {
            // The selector shows the old drive again.
            Notify([](CoreListener& l) { l.OnDiscChanged(); });
            return false;
        }
    }
    if (kind_ == MediaKind::Cd) controller_->RunCommand(PlayCommand::Stop, false);
    cd_->drive = index;
    cd_->list->ForgetOtherDiscs();
    if (kind_ == MediaKind::Cd) ReadDisc();
    else Notify([](CoreListener& l) { l.OnDiscChanged(); });
    return true;
}

void PlayerCore::ReadDisc() {
    if (kind_ == MediaKind::Cd) {
        // A file list still on its way belongs to the kind left: it goes,
        // and a play it held back with it.
        DropListLoad();
    }
    const int keep_track = cd_->list->tracks().TrackOfRow(cd_->list->Selected());
    const std::string old_id = cd_->record.section;
    cd_->toc = {};
    cd_->status = CdStatus::Ready;
    cd_->disc_present = false;
    cd::CdTrackList rows;
    std::string source;
    if (cd_->drive >= 0 && cd_->drive < static_cast<int>(cd_->drives.size())) {
        const cd::CdDrive& drive = cd_->drives[static_cast<std::size_t>(cd_->drive)];
        source = drive.device;
        kinds_[static_cast<std::size_t>(media::Code(MediaKind::Cd))].path = source;
        std::string error;
        auto disc = cd::OpenDisc(source, &error);
        if (!disc) {
            // An image that cannot be read is no usable disc; an empty or
            // busy drive says so in the panel.
            cd_->status = drive.image ? CdStatus::Unusable : CdStatus::InUse;
            cd_->record = {};
            cd_->record.kind = MediaKind::Cd;
            if (drive.image) OnStatus(error);
        } else {
            cd_->disc_present = true;
            cd_->toc = disc->Toc();
            cd::DiscLengths lengths = cd::DiscLengthsOf(cd_->toc);
            if (cd::TrackCountOverLimit(lengths.track_count)) cd::WarnTrackLimit(owner_.handle());
            cd_->record.kind = MediaKind::Cd;
            cd_->db->LookupDisc(cd_->record, lengths);
            rows.Build(cd_->record);
        }
    } else {
        cd_->record = {};
        cd_->record.kind = MediaKind::Cd;
    }
    // The same disc keeps its selected track.
    int selected = 1;
    if (!cd_->record.section.empty() && cd_->record.section == old_id && keep_track) {
        selected = std::max(1, rows.RowOfTrack(keep_track));
    }
    cd_->list->SetDisc(cd_->disc_present ? source : std::string(), std::move(rows), selected);
    const int row = cd_->list->Selected();
    if (controller_->idle() && kind_ == MediaKind::Cd) {
        controller_->SetCurrentItem(row);
        Notify([row](CoreListener& l) { l.OnItemShown(row); });
    }
    UpdateRotation(false);
    Notify([](CoreListener& l) { l.OnDiscChanged(); });
    Notify([row](CoreListener& l) { l.OnDiscRowSelected(row); });
}

std::vector<int> PlayerCore::MultiCdDrives() const {
    std::vector<int> drives;
    const auto& used = s_.cd.multi_cd_sel.used;
    for (std::size_t i = 0; i < cd_->drives.size(); ++i) {
        if (cd_->drives[i].image) continue;
        // Drives past the flags' end take part.
        if (i < used.size() && !used[i]) continue;
        drives.push_back(static_cast<int>(i));
    }
    return drives;
}

void PlayerCore::SetMultiCd(bool on) {
    s_.cd.multi = on ? 1 : 0;
    UpdateRotation(true);
}

void PlayerCore::UpdateRotation(bool settings_changed) {
    if (!cd_->list) return;
    const bool on = s_.cd.multi != 0 && cd_->drive >= 0 && cd_->drive < static_cast<int>(cd_->drives.size()) &&
                    !cd_->drives[static_cast<std::size_t>(cd_->drive)].image;
    if (on == cd_->list->rotating() && !settings_changed) return;
    if (!on) {
        cd_->list->SetRotation(std::nullopt);
        return;
    }
    playback::DiscRotation rotation;
    rotation.drives = [this] { return MultiCdDrives(); };
    rotation.current = [this] { return cd_->drive; };
    rotation.load = [this](int index) { return LoadRotationDrive(index); };
    rotation.random_drive = s_.cd.muti_random != 0;
    cd_->list->SetRotation(std::move(rotation));
}

bool PlayerCore::LoadRotationDrive(int index) {
    if (index < 0 || index >= static_cast<int>(cd_->drives.size())) return false;
    const int old = cd_->drive;
    cd_->drive = index;
    ReadDisc();
    if (cd_->disc_present && cd_->list->PlayableCount() > 0) return true;
    // Nothing to play there: the drive in use stays.
    cd_->drive = old;
    ReadDisc();
    return false;
}

void PlayerCore::SelectDiscRow(int row) {
    cd_->list->SetSelected(row);
    if (controller_->idle()) {
        controller_->SetCurrentItem(row);
        Notify([row](CoreListener& l) { l.OnItemShown(row); });
    }
}

bool PlayerCore::ApplyEditedRecord(const media::MediaList& record) {
    if (record.section != cd_->record.section || record.items.size() != cd_->record.items.size()) return false;
    const int keep_track = cd_->list->tracks().TrackOfRow(cd_->list->Selected());
    cd_->record = record;
    cd::CdTrackList rows;
    rows.Build(cd_->record);
    int row = rows.RowOfTrack(keep_track);
    if (row == 0) row = rows.Count() ? 1 : 0;
    cd_->list->SetDisc(cd_->list->source(), std::move(rows), row);
    // The play controller's numbers follow the rows.
    if (controller_->idle()) controller_->SetCurrentItem(cd_->list->Selected());
    Notify([](CoreListener& l) { l.OnDiscChanged(); });
    const int selected = cd_->list->Selected();
    Notify([selected](CoreListener& l) { l.OnDiscRowSelected(selected); });
    // The playing track may have become excluded: play on with the next.
    if (controller_->item_active() && cd_->list->tracks().Excluded(controller_->current_item()) &&
        controller_->state() == playback::PlayState::Playing)
        controller_->RunCommand(PlayCommand::Next, false);
    return true;
}

OpenResult PlayerCore::OpenCdPlan(const OpenPlan& plan) {
    int index = cd_->drive;
    if (!plan.cd_image.empty()) {
        // Checked before anything changes: an image libcdio cannot read
        // leaves what plays alone.
        cd::ImageProbe probe = cd::ProbeImageToc(plan.cd_image);
        if (!probe.ok) {
            OnStatus(probe.error);
            return kNothingOpened;
        }
        index = ImageDrive(plan.cd_image);
    } else if (plan.cd_letter) {
        if (cd_->drives.empty() || cd::FindDriveByLetter(cd_->drives, plan.cd_letter) < 0) ScanDrives();
        index = cd::FindDriveByLetter(cd_->drives, plan.cd_letter);
    }
    if (index < 0) return kNothingOpened;
    controller_->RunCommand(PlayCommand::Stop, false);
    if (kind_ != MediaKind::Cd) SwitchKind(MediaKind::Cd, true, false);
    cd_->drive = index;
    ReadDisc();
    if (!cd_->disc_present) return kNothingOpened;
    if (plan.cd_track > 0) {
        int row = cd_->list->tracks().RowOfTrack(std::min(plan.cd_track, static_cast<int>(cd_->record.items.size())));
        if (row == 0) row = cd_->list->tracks().Count() ? cd_->list->tracks().Count() : 0;
        if (row) {
            cd_->list->Select(row);
            cd_->list->ShuffleSwapCurrent(row);
            SelectDiscRow(row);
        }
    }
    if (cd_->list->Count() == 0) return kNothingOpened;
    return plan.cd_image.empty() ? kDriveChosen : kListOpened;
}

void PlayerCore::CheckDiscInserted() {
    if (!controller_->idle()) return;
    if (!cd_->watch) {
        if (!ctx_.dispatcher) return;
        cd_->watch = std::make_unique<cd::DiscWatch>(*ctx_.dispatcher, ctx_.disc_id_reader);
    }
    if (cd_->watch->busy()) return;  // the last look has not answered yet
    const bool every_drive = s_.cd.insert_multi != 0;
    std::vector<std::string> devices;
    for (int i = 0; i < static_cast<int>(cd_->drives.size()); ++i) {
        const cd::CdDrive& drive = cd_->drives[static_cast<std::size_t>(i)];
        if (drive.image || (!every_drive && i != cd_->drive)) continue;
        devices.push_back(drive.device);
    }
    if (devices.empty()) return;
    // The drives are opened on the watch's thread; the answer comes back
    // here, and goes with the core (the watch is the core's).
    cd_->watch->Start(devices, [this, devices](std::vector<std::string> ids) { TakeDiscIds(devices, ids); });
}

bool PlayerCore::disc_check_running() const { return cd_->watch && cd_->watch->busy(); }

void PlayerCore::TakeDiscIds(const std::vector<std::string>& devices, const std::vector<std::string>& ids) {
    // A play may have started, or the drive list changed, while the drives
    // were looked at: the answer is matched to the drives by device.
    if (!controller_->idle()) return;
    for (std::size_t k = 0; k < devices.size() && k < ids.size(); ++k) {
        const int i = cd::FindDriveByDevice(cd_->drives, devices[k]);
        if (i < 0) continue;
        const std::string& id = ids[k];
        auto [seen, first] = cd_->seen_discs.try_emplace(devices[k], id);
        const std::string before = std::exchange(seen->second, id);
        if (kind_ == MediaKind::Cd && i == cd_->drive) {
            // The panel's drive: any change shows, a removed disc too.
            const bool changed = !id.empty() != cd_->disc_present || (!id.empty() && id != cd_->record.section);
            if (!changed) continue;
            ReadDisc();
        } else {
            // Elsewhere only a disc that came in since the last look counts;
            // one that was there at the first look is no insertion.
            if (first || id.empty() || id == before) continue;
            cd_->drive = i;
            if (kind_ == MediaKind::Cd) ReadDisc();
            else SwitchKind(MediaKind::Cd, true, true);
        }
        if (!id.empty() && cd_->disc_present && s_.cd.insert_start && cd_->list->PlayableCount() > 0) PostPlay();
        return;
    }
}

}  // namespace nuko::app
