// The file area: shows the core's list of the current kind, follows the play
// list's selection and tells the core what the user selects or plays.
#pragma once

#include <functional>

#include "app/components/component.h"

class QPoint;
class QWidget;

namespace nuko::media {
class FileAreaWidget;
}

namespace nuko::app {

class FileAreaComponent final : public Component {
public:
    explicit FileAreaComponent(QWidget* parent);

    media::FileAreaWidget* widget() const { return files_; }
    // The row the user has selected (1-based; 0 none).
    int selected_row() const;

    void Attach(PlayerCore& core, CommandRouter& router) override;
    // The look and the list font (`Main`/`Font`).
    void ApplySettings(const settings::Settings& s) override;
    // Where the list's context menu goes (the frame's list menu).
    void SetContextMenu(std::function<void(const QPoint& global)> show) { context_menu_ = std::move(show); }

    void OnListStarted() override;
    void OnRowsAdded(int first, int count) override;
    void OnListLoaded(int selected) override;
    void OnListSorted(int selected) override;
    void OnRowSelected(int row) override;
    // The CD kind has its own panel: the file area steps aside.
    void OnKindChanged(media::MediaKind kind) override;

private:
    media::FileAreaWidget* files_;
    std::function<void(const QPoint&)> context_menu_;
};

}  // namespace nuko::app
