#include "cd_convert_dialog.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include "nuko/file_filters.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "settings/settings_store.h"

namespace nuko::cdconvert {
namespace {

using namespace strings::cd_converter;  // the converter's own string ids

QString Text(int id) { return QString::fromStdString(std::string(ConverterString(id))); }

QString Filters(int id) { return QString::fromStdString(JoinedNameFilters(ConverterString(id))); }

void Say(int id, std::string text, PromptIcon icon, void* owner) {
    PromptRequest r;
    r.string_id = id;
    r.text = std::move(text);
    r.caption = ConverterString(kAppTitle);
    r.icon = icon;
    r.owner = owner;
    CurrentPrompt().Ask(r);
}

}  // namespace

CdConvertDialog::CdConvertDialog(settings::SettingsStore& store, settings::SettingsStore& own, bool save_flag,
                                 QWidget* parent)
    : QDialog(parent), store_(store), own_(own) {
    setWindowTitle(QStringLiteral("NU_KOP32   CDﾃﾞｰﾀ ｺﾝﾊﾞｰﾀ"));

    restore_ = new QRadioButton(QStringLiteral("ﾌｧｲﾙ(またはNU_KOP.INI) → ﾚｼﾞｽﾄﾘへ [ﾘｽﾄｱ](&R)"), this);
    backup_ = new QRadioButton(QStringLiteral("ﾚｼﾞｽﾄﾘ → ﾌｧｲﾙへ [ﾊﾞｯｸｱｯﾌﾟ](&B)"), this);
    restore_->setObjectName(QStringLiteral("1003"));
    backup_->setObjectName(QStringLiteral("1002"));
    file_ = new QLineEdit(this);
    file_->setObjectName(QStringLiteral("1001"));
    auto* label = new QLabel(QStringLiteral("ﾌｧｲﾙ名(&E):"), this);
    label->setBuddy(file_);
    auto* browse = new QPushButton(QStringLiteral("参照(&F)"), this);
    browse->setObjectName(QStringLiteral("1000"));
    browse->setAutoDefault(false);

    auto* buttons = new QDialogButtonBox(this);
    start_ = buttons->addButton(QStringLiteral("スタート"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("中止"), QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton(QStringLiteral("&?"), QDialogButtonBox::HelpRole);
    start_->setObjectName(QStringLiteral("start"));
    cancel->setObjectName(QStringLiteral("cancel"));
    help->setObjectName(QStringLiteral("help"));
    start_->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(restore_, 0, 0, 1, 3);
    grid->addWidget(backup_, 1, 0, 1, 3);
    grid->addWidget(label, 2, 0);
    grid->addWidget(file_, 2, 1);
    grid->addWidget(browse, 2, 2);
    grid->addWidget(buttons, 3, 0, 1, 3);
    file_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);

    (save_flag ? backup_ : restore_)->setChecked(true);
    file_->setText(QString::fromStdString(RememberedFileName(own_)));

    browse_ = [this](Mode mode, const std::string& current) {
        QString start = QString::fromStdString(path::SplitPath(current).folder);
        QString chosen = mode == Mode::Restore
                             ? QFileDialog::getOpenFileName(this, QString(), start, Filters(kRestoreFilter))
                             : QFileDialog::getSaveFileName(this, QString(), start, Filters(kBackupFilter));
        return chosen.toStdString();
    };

    connect(restore_, &QRadioButton::toggled, this, &CdConvertDialog::UpdateStart);
    connect(file_, &QLineEdit::textChanged, this, &CdConvertDialog::UpdateStart);
    connect(browse, &QPushButton::clicked, this, &CdConvertDialog::Browse);
    connect(start_, &QPushButton::clicked, this, &CdConvertDialog::Start);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        Say(kHelp, std::string(ConverterString(kHelp)), PromptIcon::Information, this);
    });
    UpdateStart();
}

Mode CdConvertDialog::mode() const { return backup_->isChecked() ? Mode::Backup : Mode::Restore; }

void CdConvertDialog::UpdateStart() { start_->setEnabled(StartEnabled(mode(), file_->text().toStdString())); }

void CdConvertDialog::Browse() {
    std::string chosen = browse_(mode(), CleanFileName(file_->text().toStdString()));
    if (!chosen.empty()) file_->setText(QString::fromStdString(chosen));
}

void CdConvertDialog::Start() {
    if (!start_->isEnabled()) return;
    if (auto ec = Convert(mode(), file_->text().toStdString(), store_, own_)) {
        // A conversion that did not happen is said so; the dialog stays for
        // another try.
        Say(kFailed, FormatString(ConverterString(kFailed), {ec.message()}), PromptIcon::Warning, this);
        return;
    }
    Say(kDone, std::string(ConverterString(kDone)), PromptIcon::Information, this);
    accept();
}

void CdConvertDialog::BringToFront() {
    showNormal();
    raise();
    activateWindow();
    // A message box or file dialog of ours comes on top of the dialog.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
        modal->raise();
        modal->activateWindow();
    }
}

void CdConvertDialog::contextMenuEvent(QContextMenuEvent* event) {
    // Where the system menu of the window cannot be reached, the version
    // entry sits in the dialog's own menu.
    QMenu menu(this);
    menu.addAction(Text(kVersionMenu), this, &CdConvertDialog::ShowVersion);
    menu.exec(event->globalPos());
}

void CdConvertDialog::ShowVersion() {
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    box.setIconPixmap(windowIcon().pixmap(32, 32));
    box.setText(Text(kAppTitle));
    box.exec();
}

}  // namespace nuko::cdconvert
