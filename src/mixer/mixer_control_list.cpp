#include "mixer_control_list.h"

#include <algorithm>

namespace nuko::mixer {

int ValidMaxLevel(int steps) { return steps == 15 || steps == 63 || steps == 127 ? steps : 31; }

int LevelFromRaw(std::uint16_t raw, int max_level) {
    switch (ValidMaxLevel(max_level)) {
        case 15: return raw >> 12;
        case 63: return raw >> 10;
        case 127: return raw >> 9;
        default: return raw >> 11;
    }
}

std::uint16_t RawFromLevel(int level, int max_level) {
    const int max = ValidMaxLevel(max_level);
    const int l = std::clamp(level, 0, max);
    int x;
    switch (max) {
        case 15: x = l * 17; break;
        case 63: x = (l << 2) | ((l >> 2) & 3); break;
        case 127: x = (l << 1) | ((l >> 3) & 1); break;
        default: x = (l << 3) | ((l >> 1) & 7); break;
    }
    return static_cast<std::uint16_t>(x * 257);
}

MixerControlList::MixerControlList(std::unique_ptr<MixerSystem> system) : system_(std::move(system)) {}

int MixerControlList::Enumerate() {
    lines_ = system_ ? system_->Lines() : std::vector<MixerLine>{};
    return size();
}

std::vector<std::string> MixerControlList::Labels() const {
    std::vector<std::string> out;
    for (const MixerLine& l : lines_) out.push_back(l.Label());
    return out;
}

int MixerControlList::FindByLabel(const std::string& label) const {
    for (int i = 0; i < size(); ++i)
        if (lines_[static_cast<std::size_t>(i)].Label() == label) return i;
    return -1;
}

bool MixerControlList::GetLevels(int index, int* left, int* right) {
    *left = *right = 0;
    std::uint16_t l = 0, r = 0;
    if (!Valid(index) || !system_->Read(index, &l, &r)) return false;
    if (!IsStereo(index)) r = l;
    *left = LevelFromRaw(l, max_level_);
    *right = LevelFromRaw(r, max_level_);
    return true;
}

bool MixerControlList::SetLevels(int index, int left, int right) {
    if (!Valid(index)) return false;
    std::uint16_t l = 0, r = 0;
    // The right side of a mono line is what it was.
    if (!system_->Read(index, &l, &r)) return false;
    l = RawFromLevel(left, max_level_);
    if (IsStereo(index)) r = RawFromLevel(right, max_level_);
    else r = l;
    return system_->Write(index, l, r);
}

void MixerControlList::SnapshotAll() {
    const int steps = max_level_;
    max_level_ = 63;
    snapshot_.assign(lines_.size(), 0);
    for (int i = 0; i < size(); ++i) {
        int l = 0, r = 0;
        GetLevels(i, &l, &r);
        snapshot_[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(l);
    }
    max_level_ = steps;
}

void MixerControlList::RestoreAll() {
    const int steps = max_level_;
    max_level_ = 63;
    for (int i = 0; i < size() && i < static_cast<int>(snapshot_.size()); ++i) {
        const std::uint32_t v = snapshot_[static_cast<std::size_t>(i)];
        SetLevels(i, static_cast<int>(v & 0xFFFF), static_cast<int>(v >> 16));
    }
    max_level_ = steps;
}

}  // namespace nuko::mixer
