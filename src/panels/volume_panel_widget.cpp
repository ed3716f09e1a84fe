#include "volume_panel_widget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "nuko/qt_strings.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"

namespace nuko::panels {

namespace {

// 0x00BBGGRR as a colour.
QColor FromBgr(std::uint32_t v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

}  // namespace

VolumePanel::VolumePanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("NU-KOP32!VolumePanel"));
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(1);
    for (mixer::Spin s : {mixer::Spin::Left, mixer::Spin::Both, mixer::Spin::Right}) h->addWidget(MakeSpin(s));
    read_out_ = new QLabel(this);
    read_out_->setObjectName(QStringLiteral("readOut"));
    read_out_->setAlignment(Qt::AlignCenter);
    read_out_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000")) + 6);
    read_out_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    read_out_->setAutoFillBackground(true);
    h->addWidget(read_out_);
}

QWidget* VolumePanel::MakeSpin(mixer::Spin which) {
    auto* box = new QWidget(this);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    for (int d : {1, -1}) {
        auto* b = new QToolButton(box);
        b->setArrowType(d > 0 ? Qt::UpArrow : Qt::DownArrow);
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
        b->setObjectName(d > 0 ? QStringLiteral("up") : QStringLiteral("down"));
        connect(b, &QToolButton::clicked, this, [this, which, d] {
            if (on_move) on_move(which, d);
        });
        v->addWidget(b);
    }
    spins_[static_cast<int>(which)] = box;
    return box;
}

void VolumePanel::Show(const mixer::VolumePanelModel& model) {
    const bool mono = !model.stereo();
    spins_[1]->setVisible(!mono);
    spins_[2]->setVisible(!mono);
    spins_[0]->setToolTip(LoadQString(mono ? strings::kMonoVolumeTip : strings::kLeftVolumeTip));
    spins_[1]->setToolTip(LoadQString(strings::kLeftVolumeTip + 1));
    spins_[2]->setToolTip(LoadQString(strings::kLeftVolumeTip + 2));
    for (QWidget* s : spins_) s->setEnabled(model.available());
    read_out_->setText(QString::fromStdString(model.ReadOut()));
    QPalette pal = read_out_->palette();
    QColor text = model.available() ? FromBgr(model.ReadOutColour()) : palette().color(QPalette::Dark);
    QColor back = palette().color(QPalette::Window);
    if (model.swapped()) std::swap(text, back);
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::Window, back);
    read_out_->setPalette(pal);
}

void VolumePanel::wheelEvent(QWheelEvent* event) {
    const int dy = event->angleDelta().y();
    if (dy != 0 && on_step) on_step(dy > 0 ? mixer::StepDirection::Up : mixer::StepDirection::Down);
    event->accept();
}

}  // namespace nuko::panels
