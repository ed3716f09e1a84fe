// The button panel: the six play commands, the four media kinds and the play
// modes. It shows the play state and mode the main frame tells it and sends
// command ids back.
#pragma once

#include <QWidget>
#include <array>

#include "playback/play_list.h"

class QToolButton;

namespace nuko::app {

class ButtonPanel final : public QWidget {
    Q_OBJECT
public:
    explicit ButtonPanel(QWidget* parent = nullptr);

    // The play state (1 Playing, 3 Stopped, 4 Paused, ...; -1: the list is
    // empty) and the current media kind.
    void SetPlayState(int state, int kind);
    void SetMode(const playback::PlayMode& mode);
    // Kinds a list cannot be switched to are disabled.
    void SetKindEnabled(int kind, bool enabled);

    QToolButton* button(int command_id) const;

signals:
    void command(int id);

private:
    QToolButton* Add(int id, const QString& text, bool checkable);

    std::vector<std::pair<int, QToolButton*>> buttons_;
};

}  // namespace nuko::app
