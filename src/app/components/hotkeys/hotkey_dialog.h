// The hot key dialog: one check box and one key capture per record, in the
// groups 操作, ﾒﾃﾞｨｱ, ﾎﾞﾘｭｰﾑ, 再生位置 and その他, and a "チェック" button that
// tries the keys as they stand. It edits a copy of the table.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "settings/settings.h"
#include "hotkeys/hotkey_table.h"

class QCheckBox;
class QKeySequenceEdit;
class QPushButton;

namespace nuko::app {

class HotkeyDialog final : public QDialog {
public:
    // `check` registers a table with report mode 2 and gives the keys back;
    // unset when the desktop has no shortcut service (the dialog says so).
    using Check = std::function<hotkeys::RegisterResult(const settings::HotkeySection&)>;
    HotkeyDialog(const settings::HotkeySection& table, Check check, QWidget* parent = nullptr);

    // The table as the dialog shows it now.
    settings::HotkeySection table() const;

    QCheckBox* enabled(int id) const { return rows_[Index(id)].enabled; }
    QKeySequenceEdit* key(int id) const { return rows_[Index(id)].key; }
    QPushButton* check_button() const { return check_button_; }

private:
    struct Row {
        QCheckBox* enabled = nullptr;
        QKeySequenceEdit* key = nullptr;
        // The record's key when the capture holds none it can store.
        int virtual_key = 0;
        int modifiers = 0;
    };
    static std::size_t Index(int id) { return static_cast<std::size_t>(id - hotkeys::kFirstId); }
    void RunCheck();

    std::array<Row, settings::kHotkeyCount> rows_;
    settings::HotkeySection table_;
    Check check_;
    QPushButton* check_button_ = nullptr;
};

}  // namespace nuko::app
