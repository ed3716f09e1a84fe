// The CD kind of the core: the drive list (CD drives with their letters,
// disc images standing in as drives), the disc in the chosen drive looked
// up in the CD title database, the rows of the CD panel and the insert
// check.
#include <algorithm>
#include <utility>

#include "core/player_core.h"
#include "cd/disc_lengths.h"
#include "cd/disc_toc.h"
#include "nuko/files.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"

namespace nuko::app {

using media::MediaKind;
using playback::PlayCommand;

playback::PlayList* PlayerCore::ListOf(MediaKind kind) {
    if (kind == MediaKind::Cd) return cd_list_.get();
    return list_.get();
}

void PlayerCore::ScanDrives() {
    const std::string chosen =
        cd_drive_ >= 0 && cd_drive_ < static_cast<int>(cd_drives_.size()) ? cd_drives_[static_cast<std::size_t>(cd_drive_)].device : "";
    std::vector<cd::CdDrive> images;
    for (const auto& d : cd_drives_)
        if (d.image) images.push_back(d);
    cd_drives_ = cd::AssignDriveLetters(ctx_.cd_drive_list ? ctx_.cd_drive_list() : cd::ListCdDrives(), s_.drives);
    cd_drives_.insert(cd_drives_.end(), images.begin(), images.end());
    // The drive or image the CD kind used last time (its `Path`).
    const std::string& last = kinds_[static_cast<std::size_t>(media::Code(MediaKind::Cd))].path;
    std::string wanted = chosen;
    if (wanted.empty() && !last.empty()) {
        if (cd::IsDiscImagePath(last) && files::IsFileFound(last, true)) ImageDrive(last);
        wanted = last;
    }
    cd_drive_ = wanted.empty() ? -1 : cd::FindDriveByDevice(cd_drives_, wanted);
    if (cd_drive_ < 0 && !cd_drives_.empty()) cd_drive_ = 0;
    Notify([](CoreListener& l) { l.OnDiscChanged(); });
}

int PlayerCore::ImageDrive(const std::string& image) {
    int index = cd::FindDriveByDevice(cd_drives_, image);
    if (index >= 0) return index;
    cd_drives_.push_back({0, image, true});
    return static_cast<int>(cd_drives_.size()) - 1;
}

bool PlayerCore::ChooseDrive(int index) {
    if (index < 0 || index >= static_cast<int>(cd_drives_.size())) return false;
    if (index == cd_drive_) return true;
    if (kind_ == MediaKind::Cd && controller_->item_active()) {
        if (controller_->state() == playback::PlayState::Playing &&
            Ask(strings::kAskChangeDriveWhilePlaying, {}, PromptButtons::OkCancel, PromptIcon::Question, {}, owner_) !=
                PromptAnswer::Ok) {
            // The selector shows the old drive again.
            Notify([](CoreListener& l) { l.OnDiscChanged(); });
            return false;
        }
    }
    if (kind_ == MediaKind::Cd) controller_->RunCommand(PlayCommand::Stop, false);
    cd_drive_ = index;
    cd_list_->ForgetOtherDiscs();
    if (kind_ == MediaKind::Cd) ReadDisc();
    else Notify([](CoreListener& l) { l.OnDiscChanged(); });
    return true;
}

void PlayerCore::ReadDisc() {
    if (kind_ == MediaKind::Cd) {
        // A file list still on its way belongs to the kind left: it goes,
        // and a play it held back with it.
        loader_.Cancel();
        loading_ = Loading{};
    }
    const int keep_track = cd_list_->tracks().TrackOfRow(cd_list_->Selected());
    const std::string old_id = cd_record_.section;
    cd_toc_ = {};
    cd_status_ = 0;
    cd_disc_present_ = false;
    cd::CdTrackList rows;
    std::string source;
    if (cd_drive_ >= 0 && cd_drive_ < static_cast<int>(cd_drives_.size())) {
        const cd::CdDrive& drive = cd_drives_[static_cast<std::size_t>(cd_drive_)];
        source = drive.device;
        kinds_[static_cast<std::size_t>(media::Code(MediaKind::Cd))].path = source;
        std::string error;
        auto disc = cd::OpenDisc(source, &error);
        if (!disc) {
            // An image that cannot be read is no usable disc; an empty or
            // busy drive says so in the panel.
            cd_status_ = drive.image ? strings::kCdUnusable : strings::kCdInUse;
            cd_record_ = {};
            cd_record_.kind = MediaKind::Cd;
            if (drive.image) OnStatus(error);
        } else {
            cd_disc_present_ = true;
            cd_toc_ = disc->Toc();
            cd::DiscLengths lengths = cd::DiscLengthsOf(cd_toc_);
            if (cd::TrackCountOverLimit(lengths.track_count)) cd::WarnTrackLimit(owner_);
            cd_record_.kind = MediaKind::Cd;
            cd_db_->LookupDisc(cd_record_, lengths);
            rows.Build(cd_record_);
        }
    } else {
        cd_record_ = {};
        cd_record_.kind = MediaKind::Cd;
    }
    // The same disc keeps its selected track.
    int selected = 1;
    if (!cd_record_.section.empty() && cd_record_.section == old_id && keep_track) {
        selected = std::max(1, rows.RowOfTrack(keep_track));
    }
    cd_list_->SetDisc(cd_disc_present_ ? source : std::string(), std::move(rows), selected);
    const int row = cd_list_->Selected();
    if (!controller_->item_active() && !controller_->opening() && kind_ == MediaKind::Cd) {
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
    for (std::size_t i = 0; i < cd_drives_.size(); ++i) {
        if (cd_drives_[i].image) continue;
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
    if (!cd_list_) return;
    const bool on = s_.cd.multi != 0 && cd_drive_ >= 0 && cd_drive_ < static_cast<int>(cd_drives_.size()) &&
                    !cd_drives_[static_cast<std::size_t>(cd_drive_)].image;
    if (on == cd_list_->rotating() && !settings_changed) return;
    if (!on) {
        cd_list_->SetRotation(std::nullopt);
        return;
    }
    playback::DiscRotation rotation;
    rotation.drives = [this] { return MultiCdDrives(); };
    rotation.current = [this] { return cd_drive_; };
    rotation.load = [this](int index) { return LoadRotationDrive(index); };
    rotation.random_drive = s_.cd.muti_random != 0;
    cd_list_->SetRotation(std::move(rotation));
}

bool PlayerCore::LoadRotationDrive(int index) {
    if (index < 0 || index >= static_cast<int>(cd_drives_.size())) return false;
    const int old = cd_drive_;
    cd_drive_ = index;
    ReadDisc();
    if (cd_disc_present_ && cd_list_->PlayableCount() > 0) return true;
    // Nothing to play there: the drive in use stays.
    cd_drive_ = old;
    ReadDisc();
    return false;
}

void PlayerCore::SelectDiscRow(int row) {
    cd_list_->SetSelected(row);
    if (!controller_->item_active() && !controller_->opening()) {
        controller_->SetCurrentItem(row);
        Notify([row](CoreListener& l) { l.OnItemShown(row); });
    }
}

bool PlayerCore::ApplyEditedRecord(const media::MediaList& record) {
    if (record.section != cd_record_.section || record.items.size() != cd_record_.items.size()) return false;
    const int keep_track = cd_list_->tracks().TrackOfRow(cd_list_->Selected());
    cd_record_ = record;
    cd::CdTrackList rows;
    rows.Build(cd_record_);
    int row = rows.RowOfTrack(keep_track);
    if (row == 0) row = rows.Count() ? 1 : 0;
    cd_list_->SetDisc(cd_list_->source(), std::move(rows), row);
    // The play controller's numbers follow the rows.
    if (!controller_->item_active() && !controller_->opening()) controller_->SetCurrentItem(cd_list_->Selected());
    Notify([](CoreListener& l) { l.OnDiscChanged(); });
    const int selected = cd_list_->Selected();
    Notify([selected](CoreListener& l) { l.OnDiscRowSelected(selected); });
    // The playing track may have become excluded: play on with the next.
    if (controller_->item_active() && cd_list_->tracks().Excluded(controller_->current_item()) &&
        controller_->state() == playback::PlayState::Playing)
        controller_->RunCommand(PlayCommand::Next, false);
    return true;
}

int PlayerCore::OpenCdPlan(const OpenPlan& plan) {
    int index = cd_drive_;
    if (!plan.cd_image.empty()) {
        // Checked before anything changes: an image libcdio cannot read
        // leaves what plays alone.
        cd::ImageProbe probe = cd::ProbeImageToc(plan.cd_image);
        if (!probe.ok) {
            OnStatus(probe.error);
            return -1;
        }
        index = ImageDrive(plan.cd_image);
    } else if (plan.cd_letter) {
        if (cd_drives_.empty() || cd::FindDriveByLetter(cd_drives_, plan.cd_letter) < 0) ScanDrives();
        index = cd::FindDriveByLetter(cd_drives_, plan.cd_letter);
    }
    if (index < 0) return -1;
    controller_->RunCommand(PlayCommand::Stop, false);
    if (kind_ != MediaKind::Cd) SwitchKind(MediaKind::Cd, true, false);
    cd_drive_ = index;
    ReadDisc();
    if (!cd_disc_present_) return -1;
    if (plan.cd_track > 0) {
        int row = cd_list_->tracks().RowOfTrack(std::min(plan.cd_track, static_cast<int>(cd_record_.items.size())));
        if (row == 0) row = cd_list_->tracks().Count() ? cd_list_->tracks().Count() : 0;
        if (row) {
            cd_list_->Select(row);
            cd_list_->ShuffleSwapCurrent(row);
            SelectDiscRow(row);
        }
    }
    if (cd_list_->Count() == 0) return -1;
    return plan.cd_image.empty() ? 0 : 1;
}

void PlayerCore::CheckDiscInserted() {
    if (controller_->item_active() || controller_->opening()) return;
    const bool every_drive = s_.cd.insert_multi != 0;
    for (int i = 0; i < static_cast<int>(cd_drives_.size()); ++i) {
        const cd::CdDrive& drive = cd_drives_[static_cast<std::size_t>(i)];
        if (drive.image || (!every_drive && i != cd_drive_)) continue;
        std::string id;
        if (auto disc = cd::OpenDisc(drive.device)) id = cd::DiscId(cd::DiscLengthsOf(disc->Toc()));
        auto [seen, first] = seen_discs_.try_emplace(drive.device, id);
        const std::string before = std::exchange(seen->second, id);
        if (kind_ == MediaKind::Cd && i == cd_drive_) {
            // The panel's drive: any change shows, a removed disc too.
            const bool changed = !id.empty() != cd_disc_present_ || (!id.empty() && id != cd_record_.section);
            if (!changed) continue;
            ReadDisc();
        } else {
            // Elsewhere only a disc that came in since the last look counts;
            // one that was there at the first look is no insertion.
            if (first || id.empty() || id == before) continue;
            cd_drive_ = i;
            if (kind_ == MediaKind::Cd) ReadDisc();
            else SwitchKind(MediaKind::Cd, true, true);
        }
        if (!id.empty() && cd_disc_present_ && s_.cd.insert_start && cd_list_->PlayableCount() > 0) PostPlay();
        return;
    }
}

}  // namespace nuko::app
