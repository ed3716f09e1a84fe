// The timer set dialog ("ﾀｲﾏｰｾｯﾄ"): the sleep timer and the two clock timers
// (their ON and OFF times) switched on or off. It only edits the switches;
// the caller sends the commands for what changed.
#pragma once

#include <QDialog>
#include <array>

#include "timer_set.h"

class QCheckBox;

namespace nuko::panels {

class TimerSetDialog final : public QDialog {
public:
    // `texts`: the sleep entry, then ON 1, OFF 1, ON 2, OFF 2 as the menu
    // shows them.
    TimerSetDialog(const TimerSwitches& now, const std::array<QString, 5>& texts, QWidget* parent = nullptr);

    TimerSwitches switches() const;
    QCheckBox* box(int i) const { return boxes_[static_cast<std::size_t>(i)]; }

private:
    std::array<QCheckBox*, 5> boxes_{};
};

}  // namespace nuko::panels
