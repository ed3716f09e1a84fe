// The related-file dialog: shows a media::RelatedFiles and forwards what the
// user does. Running and saving are the caller's (the component's) duties,
// reached through the two callbacks.
#pragma once

#include <QDialog>
#include <functional>

#include "library/related_files.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nuko::media {

class RelatedFilesDialog final : public QDialog {
    Q_OBJECT
public:
    // `run` starts the chosen command (true when it started); `save` writes
    // the table and the switches.
    RelatedFilesDialog(media::RelatedFiles& model, std::function<bool()> run,
                       std::function<void(const media::RelatedFileSettings&)> save, QWidget* parent = nullptr);

    media::RelatedFiles& model() { return model_; }
    void Refresh();

public slots:
    void reject() override;

private:
    void ChooseProgram();
    void Run();

    media::RelatedFiles& model_;
    std::function<bool()> run_;
    std::function<void(const media::RelatedFileSettings&)> save_;
    QLabel* file_name_ = nullptr;
    QButtonGroup* types_ = nullptr;
    QCheckBox* stop_ = nullptr;
    QCheckBox* end_ = nullptr;
    QLineEdit* command_ = nullptr;
    QPushButton* run_button_ = nullptr;
};

}  // namespace nuko::media
