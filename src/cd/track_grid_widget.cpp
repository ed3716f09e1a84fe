#include "cd/track_grid_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <optional>

namespace nuko::cd {
namespace {

QColor FromBgr(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

constexpr int kButtonStrip = 22;

}  // namespace

TrackGridWidget::TrackGridWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("NU-KOP32!CdTrackGrid"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(80, 40);
    setAutoFillBackground(true);
    SetBackground(0x000000);
    plus_ = new QToolButton(this);
    plus_->setText(QStringLiteral("+"));
    minus_ = new QToolButton(this);
    minus_->setText(QStringLiteral("-"));
    for (QToolButton* b : {plus_, minus_}) b->setFocusPolicy(Qt::NoFocus);
    connect(plus_, &QToolButton::clicked, this, [this] {
        grid_.NextPage();
        update();
    });
    connect(minus_, &QToolButton::clicked, this, [this] {
        grid_.PreviousPage();
        update();
    });
}

void TrackGridWidget::SetBackground(std::uint32_t bgr) {
    QPalette p = palette();
    p.setColor(QPalette::Window, FromBgr(bgr));
    setPalette(p);
    update();
}

void TrackGridWidget::resizeEvent(QResizeEvent*) {
    grid_.SetSize(width(), height());
    const int h = std::max(12, (height() - 4) / 2);
    plus_->setGeometry(width() - kButtonStrip + 2, 2, kButtonStrip - 4, h);
    minus_->setGeometry(width() - kButtonStrip + 2, 2 + h, kButtonStrip - 4, h);
}

void TrackGridWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QFont f = font();
    f.setPixelSize(12);
    p.setFont(f);
    for (int n = 0; n < grid_.cells_per_page(); ++n) {
        const int track = grid_.TrackOfCell(n);
        if (track == 0) continue;
        const CellRect c = grid_.Cell(n);
        const bool excluded = excluded_ && excluded_(track);
        p.setPen(FromBgr(grid_.Colour(track, excluded, blink_on_, text_)));
        p.drawText(QRect(c.x, c.y, c.width, c.height), Qt::AlignCenter, QString::number(track));
    }
}

void TrackGridWidget::mousePressEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    const int track = grid_.TrackAt(at.x(), at.y());
    if (e->button() == Qt::RightButton) {
        emit trackCommand(2, track);
        return;
    }
    if (track == 0) return;
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    if (e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && shift)) {
        grid_.SetMarked(track);
        emit trackMarked(track);
    }
    if (e->button() == Qt::LeftButton || e->button() == Qt::MiddleButton) {
        grid_.SetCurrent(track);
        update();
        emit trackCommand(37, track);
    }
}

void TrackGridWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    const int track = grid_.TrackAt(at.x(), at.y());
    if (track == 0 || e->button() != Qt::LeftButton || (e->modifiers() & Qt::ShiftModifier)) return;
    emit trackCommand(13, track);
}

void TrackGridWidget::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    setCursor(grid_.TrackAt(at.x(), at.y()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TrackGridWidget::keyPressEvent(QKeyEvent* e) {
    const bool keypad = e->modifiers() & Qt::KeypadModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    std::optional<GridKey> key;
    switch (e->key()) {
        case Qt::Key_PageUp: key = GridKey::PageUp; break;
        case Qt::Key_PageDown: key = GridKey::PageDown; break;
        case Qt::Key_Minus: if (keypad) key = GridKey::PageUp; break;
        case Qt::Key_Plus: if (keypad) key = GridKey::PageDown; break;
        case Qt::Key_Home: key = GridKey::Home; break;
        case Qt::Key_End: key = GridKey::End; break;
        case Qt::Key_Left: key = GridKey::Left; break;
        case Qt::Key_Right: key = GridKey::Right; break;
        case Qt::Key_Up: key = GridKey::Up; break;
        case Qt::Key_Down: key = GridKey::Down; break;
        default: break;
    }
    if (!key) {
        QWidget::keyPressEvent(e);
        return;
    }
    const int track = grid_.Key(*key, ctrl);
    if (track) {
        grid_.SetCurrent(track);
        emit trackCommand(37, track);
    }
    update();
}

}  // namespace nuko::cd
