#include "library/archive_progress_dialog.h"

#include <QMessageBox>
#include <QProgressDialog>

#include "nuko/paths.h"

namespace nuko::media {

ArchiveProgressDialog::ArchiveProgressDialog() = default;
ArchiveProgressDialog::~ArchiveProgressDialog() = default;

void ArchiveProgressDialog::BeginExtract(const std::string& archive, void* owner) {
    auto* parent = static_cast<QWidget*>(owner);
    dialog_ = std::make_unique<QProgressDialog>(parent);
    dialog_->setWindowTitle(QString::fromUtf8(std::string(path::FileName(archive))));
    dialog_->setLabelText(QString::fromUtf8(std::string(path::FileName(archive))));
    // The extraction runs on this thread to its end: no event loop turns
    // meanwhile (a posted call must not reach the player half-way), so the
    // window paints itself and offers no cancel.
    dialog_->setCancelButton(nullptr);
    // One member ending must not reset or close the window of the whole run.
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    dialog_->setRange(0, 1000);
    dialog_->setMinimumDuration(0);
    dialog_->setValue(0);
    dialog_->show();
    dialog_->repaint();
}

bool ArchiveProgressDialog::ExtractProgress(const std::string& member, std::uint64_t done, std::uint64_t total) {
    if (!dialog_) return true;
    dialog_->setLabelText(QString::fromUtf8(member));
    dialog_->setValue(total ? static_cast<int>(done * 1000 / total) : 1000);
    dialog_->repaint();
    return true;
}

void ArchiveProgressDialog::EndExtract() { dialog_.reset(); }

bool ArchiveProgressDialog::ConfirmOverwrite(const std::string& path, void* owner) {
    auto answer = QMessageBox::question(static_cast<QWidget*>(owner), QString::fromUtf8(std::string(path::FileName(path))),
                                        QString::fromUtf8(path) + QStringLiteral("\n上書きしますか?"),
                                        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return answer == QMessageBox::Yes;
}

}  // namespace nuko::media
