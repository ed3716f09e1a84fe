// The options sheet's ordered file list (the synthesizer's font chain): a
// list with 追加, 削除, 上へ and 下へ over a row of numbered keys.
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/options/options_sheet.h"
#include "nuko/prompt.h"

namespace nuko::app {

void FieldPage::FileChain(const QString& label, const char* section, std::vector<const char*> keys,
                          const QString& filter, const QStringList& suggestions, FileCheck check,
                          const QString& empty_note) {
    auto* row = new QWidget(widget_);
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* list = new QListWidget(row);
    list->setObjectName(QStringLiteral("chain"));
    list->setMinimumHeight(90);
    list->setMinimumWidth(120);
    list->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* note = new QLabel(empty_note, row);
    note->setObjectName(QStringLiteral("default"));
    note->setStyleSheet(QStringLiteral("color: gray;"));
    auto* entry = new QComboBox(row);
    entry->setObjectName(QStringLiteral("path"));
    entry->setEditable(true);
    entry->addItem(QString());
    entry->addItems(suggestions);
    entry->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Long paths among the suggestions do not widen the page.
    entry->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    entry->setMinimumContentsLength(16);
    auto button = [row](const QString& text, const char* name) {
        auto* b = new QPushButton(text, row);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    QPushButton* add = button(QStringLiteral("追加(&D)"), "add");
    QPushButton* remove = button(QStringLiteral("削除(&E)"), "remove");
    QPushButton* up = button(QStringLiteral("上へ(&U)"), "up");
    QPushButton* down = button(QStringLiteral("下へ(&W)"), "down");
    QPushButton* browse = button(QStringLiteral("参照..."), "browse");
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add, remove, up, down}) buttons->addWidget(b);
    buttons->addStretch();
    grid->addWidget(list, 0, 0);
    grid->addLayout(buttons, 0, 1, 2, 1);
    grid->addWidget(note, 1, 0);
    auto* pick = new QHBoxLayout;
    pick->addWidget(entry, 1);
    pick->addWidget(browse);
    grid->addLayout(pick, 2, 0, 1, 2);

    const QString title = QString(label).remove(QLatin1Char('&')).remove(QLatin1Char(':'));
    auto refresh = [=] {
        const int at = list->currentRow();
        note->setVisible(list->count() == 0);
        remove->setEnabled(at >= 0);
        up->setEnabled(at > 0);
        down->setEnabled(at >= 0 && at + 1 < list->count());
        add->setEnabled(list->count() < static_cast<int>(keys.size()));
    };
    auto move = [=](int by) {
        const int at = list->currentRow();
        if (at < 0 || at + by < 0 || at + by >= list->count()) return;
        QListWidgetItem* item = list->takeItem(at);
        list->insertItem(at + by, item);
        list->setCurrentRow(at + by);
    };
    QObject::connect(list, &QListWidget::currentRowChanged, row, [=] { refresh(); });
    QObject::connect(up, &QPushButton::clicked, row, [=] { move(-1); });
    QObject::connect(down, &QPushButton::clicked, row, [=] { move(1); });
    QObject::connect(remove, &QPushButton::clicked, row, [=] {
        delete list->takeItem(list->currentRow());
        refresh();
    });
    QObject::connect(browse, &QPushButton::clicked, row, [=] {
        const QString now = entry->currentText().trimmed();
        const QString chosen =
            QFileDialog::getOpenFileName(row, title, now.isEmpty() ? QDir::homePath() : QFileInfo(now).path(), filter);
        if (!chosen.isEmpty()) entry->setCurrentText(chosen);
    });
    // Adds the typed file, or the one the chooser gives when none is typed.
    QObject::connect(add, &QPushButton::clicked, row, [=] {
        QString path = entry->currentText().trimmed();
        if (path.isEmpty()) path = QFileDialog::getOpenFileName(row, title, QDir::homePath(), filter);
        if (path.isEmpty()) return;
        const auto same = list->findItems(path, Qt::MatchExactly);
        if (!same.isEmpty()) return list->setCurrentItem(same.front());
        std::string why;
        if (check && !check(path.toStdString(), &why)) {
            AskText(why, PromptButtons::Ok, PromptIcon::Warning, {}, static_cast<QWidget*>(row));
            return;
        }
        list->addItem(path);
        list->setCurrentRow(list->count() - 1);
        entry->setCurrentText(QString());
        refresh();
    });

    Add(label, row, {section, keys.front()},
        {[=](const settings::OptionsModel& m) {
             list->clear();
             for (const char* key : keys) {
                 const QString path = QString::fromStdString(m.Get(section, key).value_or(""));
                 if (!path.trimmed().isEmpty()) list->addItem(path);
             }
             refresh();
         },
         [=](settings::OptionsModel& m, std::string* why) {
             for (std::size_t i = 0; i < keys.size(); ++i) {
                 const int at = static_cast<int>(i);
                 const std::string path = at < list->count() ? list->item(at)->text().toStdString() : std::string();
                 if (!m.Set(section, keys[i], path)) {
                     *why = title.toStdString();
                     return false;
                 }
             }
             return true;
         }});
}

}  // namespace nuko::app
