#include "movie_frame_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QPointer>
#include <QScreen>

namespace nuko::playback {

CMovieFrame::CMovieFrame(QWidget* owner) : OwnedPopup(owner), video_(new QWidget(this)) {
    setObjectName("NU-KOP32!MovieWindow");
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    // The picture needs a window of its own that the library can draw into.
    video_->setAttribute(Qt::WA_NativeWindow);
    video_->setAttribute(Qt::WA_DontCreateNativeAncestors);
    video_->setPalette(black);
    video_->setAutoFillBackground(true);
    resize(320, 240);
    video_->setGeometry(rect());
}

CMovieFrame::~CMovieFrame() {
    if (!left_at_) return;
    const QRect r = isMaximized() || isFullScreen() ? normalGeometry() : frameGeometry();
    left_at_(r.x(), r.y(), isMaximized());
}

void CMovieFrame::SetVideoSize(Size size) {
    if (size.width <= 0 || size.height <= 0 || isMaximized() || isFullScreen()) return;
    QSize want(size.width, size.height);
    if (QScreen* s = screen()) want = want.boundedTo(s->availableSize());  // keep it on its screen
    resize(want);
}

void CMovieFrame::SetDestination(const Rect& r) {
    has_destination_ = r.right > r.left && r.bottom > r.top;
    video_->setGeometry(has_destination_ ? QRect(r.left, r.top, r.right - r.left, r.bottom - r.top) : rect());
}

void CMovieFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!has_destination_) video_->setGeometry(rect());
}

namespace {

CMovieFrame* ShownFrame(QWidget* owner) {
    if (!owner) return nullptr;
    for (CMovieFrame* f : owner->findChildren<CMovieFrame*>(Qt::FindDirectChildrenOnly))
        if (f->isVisible() && !f->isMinimized()) return f;
    return nullptr;
}

}  // namespace

bool HasMovieFrameToToggle(QWidget* owner) { return ShownFrame(owner) != nullptr; }

bool ToggleMovieFrameMaximised(QWidget* owner) {
    CMovieFrame* f = ShownFrame(owner);
    if (!f) return false;
    if (f->isMaximized()) f->showNormal();
    else f->showMaximized();
    return true;
}

namespace {

// The device's view of a frame that Qt may delete first (with its owner).
class QtMovieWindow final : public MovieWindow {
public:
    explicit QtMovieWindow(CMovieFrame* frame) : frame_(frame) {}
    ~QtMovieWindow() override { delete frame_.data(); }

    std::uint64_t VideoWindowId() override {
        return frame_ ? static_cast<std::uint64_t>(frame_->video()->winId()) : 0;
    }
    void* Handle() override { return frame_.data() ? static_cast<QWidget*>(frame_.data()) : nullptr; }
    std::uint64_t FrameWindowId() override { return frame_ ? static_cast<std::uint64_t>(frame_->winId()) : 0; }
    std::uint64_t OwnerWindowId() override {
        QWidget* owner = frame_ ? frame_->parentWidget() : nullptr;
        return owner ? static_cast<std::uint64_t>(owner->winId()) : 0;
    }
    void SetVideoSize(Size size) override {
        if (frame_) frame_->SetVideoSize(size);
    }
    void SetDestination(const Rect& rect) override {
        if (frame_) frame_->SetDestination(rect);
    }
    void SetBusyCursor(bool busy) override {
        if (frame_) frame_->setCursor(busy ? Qt::WaitCursor : Qt::ArrowCursor);
    }
    void SetTitle(const std::string& title) override {
        if (frame_) frame_->setWindowTitle(QString::fromStdString(title));
    }
    void SetPlaying() override {
        // The frame carries the player's icon while a movie plays in it.
        if (frame_) frame_->setWindowIcon(QApplication::windowIcon());
    }

private:
    QPointer<CMovieFrame> frame_;
};

}  // namespace

MovieWindowFactory MakeMovieFrameFactory(std::function<MovieFramePlace()> place) {
    return [place](void* owner) -> std::unique_ptr<MovieWindow> {
        auto* frame = new CMovieFrame(static_cast<QWidget*>(owner));
        if (!place) {
            frame->show();
            return std::make_unique<QtMovieWindow>(frame);
        }
        MovieFramePlace p = place();
        if (!p.caption) frame->setWindowFlag(Qt::FramelessWindowHint);
        if (!p.activate) frame->setAttribute(Qt::WA_ShowWithoutActivating);
        // A place off every screen (a display since removed) is left to the
        // desktop.
        if (QScreen* s = QGuiApplication::screenAt(QPoint(p.x + 8, p.y + 8)); s || !QGuiApplication::primaryScreen())
            frame->move(p.x, p.y);
        frame->SetLeftAt(std::move(p.left_at));
        if (p.maximised) frame->showMaximized();
        else frame->show();
        return std::make_unique<QtMovieWindow>(frame);
    };
}

}  // namespace nuko::playback
