#include "volume_panel_model.h"

#include <algorithm>

namespace nuko::mixer {

void VolumePanelModel::Configure(int steps, const std::array<VolumeChoice, kKinds>& kinds, const VolumeChoice& mute) {
    list_.SetMaxLevel(steps);
    choices_ = kinds;
    for (int k = 0; k < kKinds; ++k) indexes_[static_cast<std::size_t>(k)] = list_.FindByLabel(kinds[static_cast<std::size_t>(k)].label);
    mute_choice_ = mute;
    mute_index_ = mute.label.empty() ? -1 : list_.FindByLabel(mute.label);
}

std::array<VolumeChoice, VolumePanelModel::kKinds> VolumePanelModel::Choices() const {
    std::array<VolumeChoice, kKinds> out = choices_;
    // The kind under the panel stores what it shows now (its levels before
    // a mute).
    VolumeChoice& c = out[static_cast<std::size_t>(kind_)];
    if (available_) {
        const bool own_mute = muted_ && muted_index_ == index_;
        c.left = own_mute ? muted_left_ : left_;
        c.right = own_mute ? muted_right_ : right_;
    }
    return out;
}

void VolumePanelModel::SelectKind(int kind, bool write) {
    if (kind < 0 || kind >= kKinds) return;
    // The kind left keeps its levels.
    if (available_) {
        VolumeChoice& old = choices_[static_cast<std::size_t>(kind_)];
        old.left = left_;
        old.right = right_;
    }
    kind_ = kind;
    index_ = indexes_[static_cast<std::size_t>(kind)];
    stereo_ = list_.IsStereo(index_);
    last_ = Spin::Both;
    if (write && index_ >= 0) {
        const VolumeChoice& c = choices_[static_cast<std::size_t>(kind)];
        left_ = std::clamp(c.left, 0, max_level());
        right_ = std::clamp(c.right, 0, max_level());
        Write();
        return;
    }
    Read();
}

int VolumePanelModel::Read() {
    int l = 0, r = 0;
    available_ = index_ >= 0 && list_.GetLevels(index_, &l, &r);
    left_ = available_ ? l : 0;
    right_ = available_ ? r : 0;
    return available_;
}

void VolumePanelModel::Write() {
    available_ = index_ >= 0 && list_.SetLevels(index_, left_, stereo_ ? right_ : left_);
    if (!stereo_) right_ = left_;
}

void VolumePanelModel::Move(Spin spin, int direction) {
    if (!available_) return;
    const int max = max_level();
    const int d = direction > 0 ? 1 : -1;
    last_ = stereo_ ? spin : Spin::Left;
    switch (last_) {
        case Spin::Left: left_ = std::clamp(left_ + d, 0, max); break;
        case Spin::Right: right_ = std::clamp(right_ + d, 0, max); break;
        case Spin::Both:
            left_ = std::clamp(left_ + d, 0, max);
            right_ = std::clamp(right_ + d, 0, max);
            break;
    }
    if (!stereo_) right_ = left_;
    Write();
}

void VolumePanelModel::Step(StepDirection direction) { Move(Spin::Both, direction == StepDirection::Up ? 1 : -1); }

void VolumePanelModel::Chase() {
    if (index_ >= 0) Read();
}

void VolumePanelModel::ToggleMute() {
    if (muted_) {
        EndMute();
        return;
    }
    const int target = mute_index_ >= 0 ? mute_index_ : index_;
    int l = 0, r = 0;
    if (target < 0 || !list_.GetLevels(target, &l, &r)) return;
    muted_index_ = target;
    muted_left_ = l;
    muted_right_ = r;
    const int rate_l = std::clamp(mute_choice_.left, 0, 100);
    const int rate_r = std::clamp(mute_choice_.right, 0, 100);
    list_.SetLevels(target, l * (100 - rate_l) / 100, r * (100 - rate_r) / 100);
    muted_ = true;
    if (target == index_) Read();
}

void VolumePanelModel::EndMute() {
    if (!muted_) return;
    list_.SetLevels(muted_index_, muted_left_, muted_right_);
    muted_ = false;
    if (muted_index_ == index_) Read();
    muted_index_ = -1;
}

std::string VolumePanelModel::ReadOut() const {
    if (!available_) return "･･";
    switch (last_) {
        case Spin::Left: return std::to_string(left_);
        case Spin::Right: return std::to_string(right_);
        case Spin::Both: return std::to_string((left_ + right_) / 2);
    }
    return {};
}

std::uint32_t VolumePanelModel::ReadOutColour() const {
    switch (last_) {
        case Spin::Left: return stereo_ ? 0xFF0000u : 0u;
        case Spin::Right: return 0x0000FFu;
        case Spin::Both: return stereo_ && left_ != right_ ? 0xFF00FFu : 0u;
    }
    return 0;
}

}  // namespace nuko::mixer
