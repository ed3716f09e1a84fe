// The CD panel's track number grid: draws a TrackGrid with its "+" and "-"
// paging buttons at the right edge and reports clicks and keys as tracks.
#pragma once

#include <QWidget>
#include <functional>

#include "cd/track_grid.h"

class QToolButton;

namespace nuko::cd {

class TrackGridWidget final : public QWidget {
    Q_OBJECT
public:
    explicit TrackGridWidget(QWidget* parent = nullptr);

    TrackGrid& grid() { return grid_; }
    // Whether track t is excluded (drawn grey); unset: none is.
    void SetExcludedSource(std::function<bool(int)> excluded) { excluded_ = std::move(excluded); }
    void SetTextColour(std::uint32_t bgr) { text_ = bgr; update(); }
    void SetBackground(std::uint32_t bgr);
    // The blinking mark's phase (the panel's timer flips it).
    void Blink() { blink_on_ = !blink_on_; if (grid_.marked()) update(); }

signals:
    // Key code 37: select; 13: play; 2: a context request (track 0).
    void trackCommand(int code, int track);
    // A track was marked (middle button or Shift + click).
    void trackMarked(int track);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TrackGrid grid_;
    std::function<bool(int)> excluded_;
    std::uint32_t text_ = 0xFFFFFF;
    bool blink_on_ = true;
    QToolButton* plus_ = nullptr;
    QToolButton* minus_ = nullptr;
};

}  // namespace nuko::cd
