#include "app/components/hotkeys/hotkey_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "hotkeys/qt_keys.h"
#include "nuko/prompt.h"
#include "nuko/qt_strings.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"

namespace nuko::app {

namespace {

struct Group {
    const char* title;
    std::initializer_list<int> ids;
};

}  // namespace

HotkeyDialog::HotkeyDialog(const settings::HotkeySection& table, Check check, QWidget* parent)
    : QDialog(parent), table_(hotkeys::Sanitized(table)), check_(std::move(check)) {
    setWindowTitle(QStringLiteral("ﾎｯﾄｷｰの設定"));
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    layout->addLayout(columns);

    const Group groups[] = {
        {"操作", {848, 849, 850, 851, 852, 853}},
        {"ﾒﾃﾞｨｱ", {854, 855, 856, 857}},
        {"ﾎﾞﾘｭｰﾑ", {859, 860, 861}},
        {"再生位置", {863, 864}},
        {"その他", {858, 862}},
    };
    int n = 0;
    for (const Group& g : groups) {
        auto* box = new QGroupBox(QString::fromUtf8(g.title), this);
        auto* grid = new QGridLayout(box);
        int line = 0;
        for (int id : g.ids) {
            Row& row = rows_[Index(id)];
            const settings::HotkeyRecord& rec = table_.keys[Index(id)];
            row.enabled = new QCheckBox(QString::fromStdString(hotkeys::DisplayName(id)), box);
            row.enabled->setChecked(rec.enabled == 1);
            row.key = new QKeySequenceEdit(hotkeys::SequenceOf(rec.virtual_key, rec.modifiers), box);
            row.virtual_key = rec.virtual_key;
            row.modifiers = rec.modifiers;
            // One key with its modifiers: the first of what was typed stays,
            // and only a key the table can store replaces the record's.
            connect(row.key, &QKeySequenceEdit::keySequenceChanged, this, [this, id](const QKeySequence& seq) {
                Row& r = rows_[Index(id)];
                int vk = 0, mods = 0;
                if (seq.count() > 1 || (!seq.isEmpty() && !hotkeys::RecordKeyOf(seq, &vk, &mods))) {
                    const QKeySequence keep = hotkeys::RecordKeyOf(seq, &vk, &mods)
                                                  ? QKeySequence(seq[0])
                                                  : hotkeys::SequenceOf(r.virtual_key, r.modifiers);
                    QSignalBlocker block(r.key);
                    r.key->setKeySequence(keep);
                }
                if (vk) {
                    r.virtual_key = vk;
                    r.modifiers = mods;
                }
            });
            connect(row.key, &QKeySequenceEdit::editingFinished, row.key, [key = row.key] { key->clearFocus(); });
            grid->addWidget(row.enabled, line, 0);
            grid->addWidget(row.key, line, 1);
            ++line;
        }
        (n++ < 2 ? left : right)->addWidget(box);
    }
    left->addStretch();
    right->addStretch();

    if (!check_) {
        auto* notice = new QLabel(LoadQString(strings::kNoHotkeyService), this);
        notice->setWordWrap(true);
        layout->addWidget(notice);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    check_button_ = buttons->addButton(QStringLiteral("チェック"), QDialogButtonBox::ActionRole);
    check_button_->setEnabled(static_cast<bool>(check_));
    connect(check_button_, &QPushButton::clicked, this, &HotkeyDialog::RunCheck);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

settings::HotkeySection HotkeyDialog::table() const {
    settings::HotkeySection t = table_;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        settings::HotkeyRecord& rec = t.keys[i];
        rec.enabled = rows_[i].enabled->isChecked() ? 1 : 0;
        rec.virtual_key = rows_[i].virtual_key;
        rec.modifiers = rows_[i].modifiers;
    }
    return t;
}

void HotkeyDialog::RunCheck() {
    if (!check_) return;
    const hotkeys::RegisterResult r = check_(table());
    if (r.all) Ask(strings::kHotkeysAllRight, {}, PromptButtons::Ok, PromptIcon::Information, {}, static_cast<QWidget*>(this));
    else AskText(r.text, PromptButtons::Ok, PromptIcon::Information, {}, static_cast<QWidget*>(this));
}

}  // namespace nuko::app
