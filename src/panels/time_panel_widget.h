// The time panel of the main window: item number, position (elapsed or
// remaining), total time or clock, item length or sleep time, their caption
// boxes, the seek slider and the frame-step button.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

#include "digital_display_widget.h"

class QSlider;
class QToolButton;

namespace nuko::panels {

class CaptionBox;

class TimePanel final : public QWidget {
    Q_OBJECT
public:
    enum Slot { kItem = 0, kPosition = 1, kTotal = 2, kCur = 3, kSleep = 4, kClock = 5 };
    enum class Status { Playing, Seeking, AtoBWait, Convert, MidiInit };

    explicit TimePanel(QWidget* parent = nullptr);

    // For each slot whose bit (1 << slot) is set, in the order item, length,
    // sleep, total, clock, position: the colon state and the value.
    void Update(unsigned mask, const std::array<std::uint16_t, 6>& record, bool colon_on);
    void ShowSleep(bool on);
    void ShowClock(bool on);
    void SetStatus(Status status);
    void SetABWait(bool on);
    // The A-B section the slider keeps a drag inside; nullopt for none.
    void SetSection(std::optional<std::pair<int, int>> section) { section_ = section; }

    void SetZeroShow(bool on);
    void SetDigitStyle(int style);
    void SetDowntime(bool on) { remaining_ = on; }
    void SetColors(std::uint32_t background, std::uint32_t foreground, bool button_face);
    // Positions in seconds, or in hundredths for short sounds.
    void SetBase60(bool seconds);

    // Moves the slider one page on (+1) or back (-1), inside the range and
    // the A-B section, and asks for that position; false when there is no
    // range to move in.
    bool Page(int direction);

    DigitalDisplay* display(Slot slot) const { return displays_[slot]; }
    QString StatusText() const;
    bool sleep_shown() const { return sleep_shown_; }
    bool clock_shown() const { return clock_shown_; }

signals:
    // The user moved the slider to a position (seek user message).
    void seekRequested(int position);
    // The frame-step button (frame-step user message).
    void frameStepRequested(int frames, bool backwards);

private:
    void SliderMoved(int value);
    void SliderReleased();

    std::array<DigitalDisplay*, 6> displays_{};
    CaptionBox* status_box_ = nullptr;
    CaptionBox* total_box_ = nullptr;
    CaptionBox* cur_box_ = nullptr;
    QSlider* slider_ = nullptr;
    QToolButton* step_back_ = nullptr;
    QToolButton* step_forward_ = nullptr;
    bool remaining_ = true;
    bool ab_wait_ = false;
    bool sleep_shown_ = false;
    bool clock_shown_ = false;
    bool seconds_ = true;
    Status status_ = Status::Playing;
    std::optional<std::pair<int, int>> section_;
};

}  // namespace nuko::panels
