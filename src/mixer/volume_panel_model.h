// The volume panel without its widget: the control of each media kind, the
// three spins (left, both, right), the read-out and its colours, the steps
// of keys and wheel, following changes made elsewhere, and mute. Plain C++
// over a MixerControlList.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "mixer_control_list.h"

namespace nuko::mixer {

enum class Spin { Left, Both, Right };

// A step of the keys and the wheel, both channels at once.
enum class StepDirection { Up, Down };

// A stored choice: the line's label and its levels (the `Volume` value of
// a media kind's section, `MuteVolume`).
struct VolumeChoice {
    std::string label;
    int left = 0;
    int right = 0;
};

class VolumePanelModel {
public:
    static constexpr int kKinds = 4;

    explicit VolumePanelModel(MixerControlList& list) : list_(list) {}

    // The steps, each kind's stored choice and the mute line. At start the
    // labels are looked up; a label that is gone gives the kind no control.
    void Configure(int steps, const std::array<VolumeChoice, kKinds>& kinds, const VolumeChoice& mute);
    // The choices as they are now, for the settings.
    std::array<VolumeChoice, kKinds> Choices() const;

    // The kind's control, its stored levels written when `write` (the
    // VolSetStart start), else read from the mixer.
    void SelectKind(int kind, bool write);
    int kind() const { return kind_; }
    // The list entry under the panel, or -1.
    int control() const { return index_; }
    bool available() const { return available_; }
    bool stereo() const { return stereo_; }
    int left() const { return left_; }
    int right() const { return right_; }
    int max_level() const { return list_.MaxLevel(index_); }

    // A spin moved by one: up (+1) or down (-1). The both-spin moves both
    // channels, each kept within 0..maxLevel.
    void Move(Spin spin, int direction);
    // Keys and wheel (both channels).
    void Step(StepDirection direction);
    // Another program changed the mixer: read again, without writing.
    void Chase();

    // Mute: the mute line (or the panel's own control when none is named)
    // goes down by the stored rate; again, back to what it was.
    void ToggleMute();
    bool muted() const { return muted_; }
    // Before exit: a muted line gets its level back.
    void EndMute();

    // The read-out: "%u" of the spin last used, or "･･" with no control.
    std::string ReadOut() const;
    // Its text colour (0x00BBGGRR); with `shadow` for no control. While
    // muted text and background change places (`swapped`).
    std::uint32_t ReadOutColour() const;
    bool swapped() const { return muted_ && available_; }

private:
    int Read();
    void Write();

    MixerControlList& list_;
    std::array<VolumeChoice, kKinds> choices_{};
    std::array<int, kKinds> indexes_{{-1, -1, -1, -1}};
    VolumeChoice mute_choice_;
    int mute_index_ = -1;
    int kind_ = 0;
    int index_ = -1;
    bool available_ = false;
    bool stereo_ = true;
    int left_ = 0;
    int right_ = 0;
    Spin last_ = Spin::Both;
    bool muted_ = false;
    int muted_index_ = -1;
    int muted_left_ = 0;
    int muted_right_ = 0;
};

}  // namespace nuko::mixer
