// The audio mixer's volume controls as one list: every playback volume of
// every mixer the system has, labelled "device | line" so that a saved
// choice survives renumbering, read and written in the panel's steps.
// The platform is behind MixerSystem; the list itself is plain C++.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nuko::mixer {

// Steps of the panel (the VolFinely setting): 15, 31, 63 or 127; anything
// else counts as 31.
int ValidMaxLevel(int steps);
// A raw 16-bit value as a level, and a level as the raw value written.
int LevelFromRaw(std::uint16_t raw, int max_level);
std::uint16_t RawFromLevel(int level, int max_level);

struct MixerLine {
    std::string device;  // the device's name
    std::string line;    // the line's name
    bool stereo = true;
    std::string Label() const { return device + " | " + line; }
};

// The platform's mixers. Raw values are 0-65535 on every line.
class MixerSystem {
public:
    virtual ~MixerSystem() = default;
    virtual std::vector<MixerLine> Lines() = 0;
    virtual bool Read(int index, std::uint16_t* left, std::uint16_t* right) = 0;
    virtual bool Write(int index, std::uint16_t left, std::uint16_t right) = 0;
    // Descriptors to watch for changes made by other programs.
    virtual std::vector<int> PollDescriptors() { return {}; }
    // After a descriptor became readable: false when a device is gone.
    virtual bool HandleEvents() { return true; }
};

class MixerControlList {
public:
    explicit MixerControlList(std::unique_ptr<MixerSystem> system);

    // Builds the list; its size.
    int Enumerate();
    int size() const { return static_cast<int>(lines_.size()); }
    const MixerLine& line(int index) const { return lines_[static_cast<std::size_t>(index)]; }
    std::vector<std::string> Labels() const;
    int FindByLabel(const std::string& label) const;

    void SetMaxLevel(int steps) { max_level_ = ValidMaxLevel(steps); }
    // maxLevel, 0 for an index that is not in the list.
    int MaxLevel(int index) const { return Valid(index) ? max_level_ : 0; }
    bool IsStereo(int index) const { return Valid(index) ? lines_[static_cast<std::size_t>(index)].stereo : true; }
    // In the current steps; false (and 0/0) for an index not in the list or
    // a failing device. A mono line reports one value on both sides.
    bool GetLevels(int index, int* left, int* right);
    bool SetLevels(int index, int left, int right);

    // Every line in 64-level units, (right << 16) | left; and back.
    void SnapshotAll();
    void RestoreAll();
    const std::vector<std::uint32_t>& snapshot() const { return snapshot_; }

    MixerSystem& system() { return *system_; }

private:
    bool Valid(int index) const { return index >= 0 && index < size(); }

    std::unique_ptr<MixerSystem> system_;
    std::vector<MixerLine> lines_;
    std::vector<std::uint32_t> snapshot_;
    int max_level_ = 31;
};

// The real mixers: ALSA's `default` device (on a desktop the sound server)
// and every sound card.
std::unique_ptr<MixerSystem> MakeAlsaMixers();

}  // namespace nuko::mixer
