#include "playback/file_copy_dialog.h"

#include <QProgressDialog>

namespace nuko::playback {

FileCopyDialog::FileCopyDialog(QWidget* parent) : parent_(parent) {}

FileCopyDialog::~FileCopyDialog() = default;

void FileCopyDialog::Begin(std::string_view file_name, std::function<void()> cancel) {
    dialog_ = std::make_unique<QProgressDialog>(parent_);
    dialog_->setWindowTitle(QStringLiteral("ﾌｧｲﾙｺﾋﾟｰ中..."));
    dialog_->setLabelText(QString::fromUtf8(file_name.data(), static_cast<qsizetype>(file_name.size())));
    dialog_->setRange(0, 100);
    // The copy ends the window itself (End), not the bar reaching 100.
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    dialog_->setMinimumDuration(0);
    dialog_->setValue(0);
    // The window hides at once; the copy stops within one read and the
    // original plays.
    QObject::connect(dialog_.get(), &QProgressDialog::canceled, dialog_.get(), [cancel = std::move(cancel)] {
        if (cancel) cancel();
    });
    dialog_->show();
}

void FileCopyDialog::SetProgress(int percent) {
    if (dialog_ && !dialog_->wasCanceled()) dialog_->setValue(percent);
}

void FileCopyDialog::End() { dialog_.reset(); }

}  // namespace nuko::playback
