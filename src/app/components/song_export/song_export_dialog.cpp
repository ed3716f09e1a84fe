#include "app/components/song_export/song_export_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "nuko/prompt.h"

namespace nuko::app {

ExportDialog::ExportDialog(const ExportChoices& choices, bool has_selection, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("書き出し"));
    auto* songs = new QGroupBox(QStringLiteral("曲"), this);
    selected_ = new QRadioButton(QStringLiteral("選択した曲"), songs);
    all_ = new QRadioButton(QStringLiteral("一覧のすべて"), songs);
    selected_->setObjectName(QStringLiteral("selected"));
    all_->setObjectName(QStringLiteral("all"));
    selected_->setEnabled(has_selection);
    (choices.all || !has_selection ? all_ : selected_)->setChecked(true);
    auto* songs_layout = new QVBoxLayout(songs);
    songs_layout->addWidget(selected_);
    songs_layout->addWidget(all_);

    folder_ = new QLineEdit(QString::fromStdString(choices.folder), this);
    folder_->setObjectName(QStringLiteral("folder"));
    folder_->setMinimumWidth(320);
    auto* browse = new QPushButton(QStringLiteral("参照..."), this);
    browse->setObjectName(QStringLiteral("browse"));
    connect(browse, &QPushButton::clicked, this, &ExportDialog::Browse);
    auto* folder_row = new QHBoxLayout;
    folder_row->addWidget(folder_, 1);
    folder_row->addWidget(browse);

    format_ = new QComboBox(this);
    format_->setObjectName(QStringLiteral("format"));
    for (level::AudioFormat f : kExportFormats) format_->addItem(QString::fromUtf8(ExportFormatName(f)));
    format_->setCurrentIndex(ExportFormatIndex(choices.format));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ﾌｫﾙﾀﾞ(&F):"), folder_row);
    form->addRow(QStringLiteral("形式(&T):"), format_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ｷｬﾝｾﾙ"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExportDialog::reject);

    auto* v = new QVBoxLayout(this);
    v->addWidget(songs);
    v->addLayout(form);
    v->addWidget(buttons);
}

ExportChoices ExportDialog::choices() const {
    ExportChoices c;
    c.all = all_->isChecked();
    c.folder = folder_->text().trimmed().toStdString();
    const int i = format_->currentIndex();
    c.format = kExportFormats[i >= 0 && i < 4 ? i : 1];
    return c;
}

void ExportDialog::accept() {
    if (folder_->text().trimmed().isEmpty()) {
        AskText("書き出し先のﾌｫﾙﾀﾞを指定して下さい.", PromptButtons::Ok, PromptIcon::Warning, {}, this);
        folder_->setFocus();
        return;
    }
    QDialog::accept();
}

void ExportDialog::Browse() {
    const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("書き出し先のﾌｫﾙﾀﾞ"), folder_->text());
    if (!chosen.isEmpty()) folder_->setText(chosen);
}

ExportProgressDialog::ExportProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("書き出し中..."));
    song_ = new QLabel(this);
    song_->setObjectName(QStringLiteral("song"));
    song_->setMinimumWidth(360);
    share_ = new QProgressBar(this);
    share_->setObjectName(QStringLiteral("share"));
    share_->setRange(0, 1000);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(cancel, &QPushButton::clicked, this, &ExportProgressDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cancel);
    auto* v = new QVBoxLayout(this);
    v->addWidget(song_);
    v->addWidget(share_);
    v->addLayout(row);
}

void ExportProgressDialog::Show(const ExportProgress& progress) {
    song_->setText(QStringLiteral("%1/%2  %3")
                       .arg(progress.index + 1)
                       .arg(progress.count)
                       .arg(QString::fromStdString(progress.name)));
    share_->setValue(static_cast<int>(progress.share * 1000.0 + 0.5));
}

void ExportProgressDialog::reject() {
    // Stays up until the job has stopped; the owner closes it then.
    emit cancelled();
}

}  // namespace nuko::app
