// The mini window ("- mini(ﾘﾓｺﾝ) -"): a small tool window that draws its
// model (buttons enabled by the play state, the "No." and right fields, the
// caption, the title) and passes what the user does to the model or, for
// what the main window does, to its callbacks. Its normal layout has every
// control; the compact one ("MINI") only the play buttons and the number.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "mini_window_model.h"
#include "nuko/draw3d.h"
#include "scroll_title_model.h"

class QLabel;
class QPushButton;
class QSlider;
class QToolButton;

namespace nuko::panels {

class ScrollTitleWidget;

// The most transparent the window gets, in percent.
inline constexpr int kMostTransparent = 90;

// How the window looks: the options of its page and of its picture dialog.
struct MiniLook {
    ScrollParams scroll;
    QFont font;
    std::uint32_t background = 0;
    std::uint32_t text = 0xFFFF00;
    draw::Style style = draw::Style::Flat;
    int display = 1;            // 0 buttons only, 1 with the title, 2 with the title and the slider
    bool play_time_on_button = true;
    bool on_top = false;
    bool caption = true;        // off: no title bar; a press on the window moves it
    bool behind_on_mouse = false;
    int transparency = 0;       // percent, 0 none .. kMostTransparent
    bool picture_on = false;
    std::string picture;        // a picture file behind the controls
    int picture_mode = 1;       // 0 centred, 1 tiled, 2 stretched
    std::uint32_t picture_background = 0xC0C0C0;
    bool double_click_plays = false;
    bool panel_on_mouse = false;  // with a picture: the controls only while the mouse is over it
    bool accel_shift = true;    // the keys also work with Shift held
};

class MiniWindow final : public QWidget {
public:
    // What the main window does for the window's small buttons and keys.
    enum class Action { PlayMenu, TimerSet, MainWindow, DisplayStep, Help, Up, Down, PlayPause };

    explicit MiniWindow(MiniWindowModel& model, QWidget* parent = nullptr);
    ~MiniWindow() override;

    // Draws the model again: buttons, fields, caption (set only when it
    // changed), layout.
    void Refresh();
    void SetTitle(const QString& title);
    void RestartTitle();
    void SetLook(const MiniLook& look);
    const MiniLook& look() const { return look_; }
    // The slider: length and position in the device's unit.
    void SetRange(int length);
    void SetPosition(int position);
    // The play time on the PLAY button ("PLAYﾎﾞﾀﾝに時間を表示").
    // Also drawn beside the title when its option is on.
    void SetPlayTime(const QString& text);
    // The picture could be read (false: missing or not a picture).
    bool picture_loaded() const { return !picture_.isNull(); }
    // The controls are hidden, leaving the picture (until the mouse comes).
    bool panel_hidden() const { return panel_hidden_; }
    // How often the caption was set (tests).
    int caption_sets() const { return caption_sets_; }

    std::function<void(Action, QPoint)> on_action;
    std::function<void(int)> on_seek;
    // The window's close button: the window is hidden, not destroyed.
    std::function<void()> on_closed;

    // Runs a key of the accelerator table; false when it is not one.
    bool RunKey(int key, Qt::KeyboardModifiers modifiers);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPushButton* Button(const QString& text, int id, int width = 0);
    void Act(Action action, QPoint at = {});
    void Layout();
    void LoadPicture();

    MiniWindowModel& model_;
    MiniLook look_;
    QImage picture_;
    std::array<QPushButton*, 5> play_{};
    std::array<QPushButton*, 5> compact_play_{};
    std::array<QPushButton*, 10> digits_{};
    QPushButton* go_ = nullptr;
    QPushButton* cancel_ = nullptr;
    std::array<QPushButton*, 4> kinds_{};
    QPushButton* hide_ = nullptr;
    QPushButton* help_ = nullptr;
    QPushButton* eject_ = nullptr;
    QPushButton* mini_ = nullptr;
    std::array<QPushButton*, 4> small_{};
    QLabel* number_label_ = nullptr;
    QLabel* number_ = nullptr;
    QLabel* right_label_ = nullptr;
    QLabel* right_ = nullptr;
    QSlider* slider_ = nullptr;
    ScrollTitleWidget* title_ = nullptr;
    QWidget* normal_ = nullptr;
    QWidget* compact_ = nullptr;
    QString play_time_;
    bool compact_shown_ = false;
    bool panel_hidden_ = false;
    bool mouse_in_ = false;
    int caption_sets_ = 0;
};

}  // namespace nuko::panels
