// The button panel's widget: draws a ButtonPanelModel and reports clicks.
#pragma once

#include <QWidget>
#include <vector>

class QToolButton;

namespace nuko::app {

class ButtonPanelModel;

class ButtonPanel final : public QWidget {
    Q_OBJECT
public:
    explicit ButtonPanel(QWidget* parent = nullptr);

    void Show(const ButtonPanelModel& model);
    QToolButton* button(int command_id) const;

signals:
    void command(int id);

private:
    QToolButton* Add(int id, const QString& text, bool checkable);

    std::vector<std::pair<int, QToolButton*>> buttons_;
};

}  // namespace nuko::app
