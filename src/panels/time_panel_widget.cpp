#include "time_panel_widget.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QSlider>
#include <QToolButton>

#include "nuko/qt_strings.h"
#include "nuko/desktop.h"
#include "nuko/draw3d.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"

namespace nuko::panels {

// A 3-D framed box with a coloured caption, repainted only when it changes.
class CaptionBox final : public QWidget {
public:
    explicit CaptionBox(QWidget* parent) : QWidget(parent) { setFixedHeight(fontMetrics().height() + 6); }
    void Set(const QString& text, std::uint32_t color) {
        if (text == text_ && color == color_) return;
        text_ = text;
        color_ = color;
        update();
    }
    const QString& text() const { return text_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        draw::Box3D(p, rect(), 1, 2, 0, draw::kKeepBackground, palette());
        draw::TextOptions o;
        o.color = color_;
        o.style = draw::Style::Flat;
        draw::DrawText3D(p, rect().adjusted(2, 1, -2, -1), text_, o, {});
    }

private:
    QString text_;
    std::uint32_t color_ = 0;
};

namespace {

struct StatusLook {
    int string_id;
    std::uint32_t color;
};

StatusLook LookOf(TimePanel::Status s) {
    switch (s) {
        case TimePanel::Status::Playing: return {strings::kStatusPlaying, 0xC0C000};
        case TimePanel::Status::Seeking: return {strings::kStatusSeeking, 0xC00000};
        case TimePanel::Status::AtoBWait: return {strings::kStatusAtoBWait, 0x00C0C0};
        case TimePanel::Status::Convert: return {strings::kStatusConvert, 0xC000C0};
        case TimePanel::Status::MidiInit: return {strings::kStatusMidiInit, 0xC000C0};
    }
    return {strings::kStatusPlaying, 0xC0C000};
}

}  // namespace

TimePanel::TimePanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("NU-KOP32!DispWindow"));
    displays_[kItem] = new DigitalDisplay(3, 2, DigitalFormat::Plain, false, GlyphSize::Large, this);
    displays_[kPosition] = new DigitalDisplay(5, 1, DigitalFormat::MinSec, true, GlyphSize::Large, this);
    displays_[kTotal] = new DigitalDisplay(7, 0, DigitalFormat::HourMinSec, true, GlyphSize::Small, this);
    displays_[kCur] = new DigitalDisplay(5, 1, DigitalFormat::MinSec, true, GlyphSize::Small, this);
    displays_[kSleep] = new DigitalDisplay(5, 1, DigitalFormat::MinSec, true, GlyphSize::Small, this);
    displays_[kClock] = new DigitalDisplay(5, 1, DigitalFormat::MinSec, false, GlyphSize::Small, this);
    displays_[kSleep]->hide();
    displays_[kClock]->hide();

    status_box_ = new CaptionBox(this);
    total_box_ = new CaptionBox(this);
    cur_box_ = new CaptionBox(this);
    status_box_->Set(LoadQString(strings::kStatusPlaying), 0xC0C000);
    total_box_->Set(QStringLiteral("Total"), 0xC0C000);
    cur_box_->Set(QStringLiteral("Cur"), 0xC0C000);

    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setToolTip(LoadQString(strings::kPlayPositionTip));
    slider_->setRange(0, 0);
    step_back_ = new QToolButton(this);
    step_forward_ = new QToolButton(this);
    step_back_->setArrowType(Qt::LeftArrow);
    step_forward_->setArrowType(Qt::RightArrow);
    step_back_->setToolTip(LoadQString(strings::kFrameStepTip));
    step_forward_->setToolTip(LoadQString(strings::kFrameStepTip));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    grid->addWidget(status_box_, 0, 1);
    grid->addWidget(total_box_, 0, 2);
    grid->addWidget(cur_box_, 0, 3);
    grid->addWidget(displays_[kItem], 1, 0, Qt::AlignBottom);
    grid->addWidget(displays_[kPosition], 1, 1, Qt::AlignBottom | Qt::AlignHCenter);
    grid->addWidget(displays_[kTotal], 1, 2, Qt::AlignBottom | Qt::AlignHCenter);
    grid->addWidget(displays_[kClock], 1, 2, Qt::AlignBottom | Qt::AlignHCenter);
    grid->addWidget(displays_[kCur], 1, 3, Qt::AlignBottom | Qt::AlignHCenter);
    grid->addWidget(displays_[kSleep], 1, 3, Qt::AlignBottom | Qt::AlignHCenter);
    auto* slider_row = new QHBoxLayout;
    slider_row->addWidget(slider_, 1);
    slider_row->addWidget(step_back_);
    slider_row->addWidget(step_forward_);
    grid->addLayout(slider_row, 2, 0, 1, 4);

    connect(slider_, &QSlider::sliderMoved, this, &TimePanel::SliderMoved);
    connect(slider_, &QSlider::sliderReleased, this, &TimePanel::SliderReleased);
    connect(step_back_, &QToolButton::clicked, this, [this] { emit frameStepRequested(1, true); });
    connect(step_forward_, &QToolButton::clicked, this, [this] { emit frameStepRequested(1, false); });
}

void TimePanel::Update(unsigned mask, const std::array<std::uint16_t, 6>& record, bool colon_on) {
    static constexpr Slot kOrder[] = {kItem, kCur, kSleep, kTotal, kClock, kPosition};
    for (Slot s : kOrder) {
        if (!(mask & (1u << s))) continue;
        std::uint16_t v = record[s];
        if (s == kCur && v < 0xF000) {
            slider_->setRange(0, v);
            slider_->setPageStep(std::max(1, v / 5));  // a fifth of the range, as slider controls have it
        }
        if (s == kPosition && !ab_wait_) {
            if (v < 0xF000 && !slider_->isSliderDown()) slider_->setValue(v);
            if (remaining_) v = RemainingTime(displays_[kCur]->value(), v);
        }
        displays_[s]->SetColonOn(colon_on);
        displays_[s]->SetValue(v);
    }
}

void TimePanel::ShowSleep(bool on) {
    sleep_shown_ = on;
    displays_[kCur]->setVisible(!on);
    displays_[kSleep]->setVisible(on);
    if (on) cur_box_->Set(QStringLiteral("Sleep"), 0x00C0C0);
    else cur_box_->Set(QStringLiteral("Cur"), 0xC0C000);
}

void TimePanel::ShowClock(bool on) {
    clock_shown_ = on;
    displays_[kTotal]->setVisible(!on);
    displays_[kClock]->setVisible(on);
    total_box_->Set(on ? QStringLiteral("Clock") : QStringLiteral("Total"), 0xC0C000);
}

void TimePanel::SetStatus(Status status) {
    status_ = status;
    StatusLook look = LookOf(status);
    status_box_->Set(LoadQString(look.string_id), look.color);
}

void TimePanel::SetABWait(bool on) {
    ab_wait_ = on;
    SetStatus(on ? Status::AtoBWait : Status::Playing);
}

QString TimePanel::StatusText() const { return status_box_->text(); }

void TimePanel::SetZeroShow(bool on) {
    for (auto* d : displays_) d->SetZeroShow(on);
}

void TimePanel::SetDigitStyle(int style) {
    for (auto* d : displays_) d->SetStyle(style);
}

void TimePanel::SetColors(std::uint32_t background, std::uint32_t foreground, bool button_face) {
    for (auto* d : displays_) d->SetColors(background, foreground, button_face);
}

void TimePanel::SetBase60(bool seconds) {
    seconds_ = seconds;
    displays_[kPosition]->SetBase60(seconds);
    displays_[kCur]->SetBase60(seconds);
}

void TimePanel::SliderMoved(int value) {
    if (section_) value = std::clamp(value, section_->first, section_->second);
    // The time under the thumb, in the position display's base.
    std::string t = desktop::TimeText(static_cast<std::uint16_t>(value), seconds_);
    status_box_->Set(QString::fromStdString(t), 0x00C000);
}

bool TimePanel::Page(int direction) {
    if (slider_->maximum() <= 0) return false;
    int value = std::clamp(slider_->value() + direction * slider_->pageStep(), 0, slider_->maximum());
    if (section_) value = std::clamp(value, section_->first, section_->second);
    slider_->setValue(value);
    emit seekRequested(value);
    return true;
}

void TimePanel::SliderReleased() {
    int value = slider_->value();
    if (section_) value = std::clamp(value, section_->first, section_->second);
    SetStatus(ab_wait_ ? Status::AtoBWait : status_);
    emit seekRequested(value);
    if (window()) window()->setFocus();
}

}  // namespace nuko::panels
