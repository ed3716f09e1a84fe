#include "timer_set_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QVBoxLayout>

namespace nuko::panels {

TimerSetDialog::TimerSetDialog(const TimerSwitches& now, const std::array<QString, 5>& texts, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("231"));
    setWindowTitle(QStringLiteral("ﾀｲﾏｰｾｯﾄ"));
    auto* v = new QVBoxLayout(this);
    for (int i = 0; i < 5; ++i) {
        auto* b = new QCheckBox(texts[static_cast<std::size_t>(i)], this);
        b->setChecked(i == 0 ? now.sleep : now.clocks[static_cast<std::size_t>(i - 1)]);
        boxes_[static_cast<std::size_t>(i)] = b;
        v->addWidget(b);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(buttons);
}

TimerSwitches TimerSetDialog::switches() const {
    TimerSwitches s;
    s.sleep = boxes_[0]->isChecked();
    for (std::size_t i = 0; i < 4; ++i) s.clocks[i] = boxes_[i + 1]->isChecked();
    return s;
}

}  // namespace nuko::panels
