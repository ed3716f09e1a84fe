// The export's two dialogs: the choices (which songs, the folder, the
// format) and the progress of a job with its Cancel. Thin: the choices are
// an ExportChoices, the progress an ExportProgress.
#pragma once

#include <QDialog>

#include "app/components/song_export/song_export_choices.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QRadioButton;

namespace nuko::app {

class ExportDialog final : public QDialog {
    Q_OBJECT
public:
    // `has_selection`: whether "選択した曲" can be chosen.
    ExportDialog(const ExportChoices& choices, bool has_selection, QWidget* parent = nullptr);

    ExportChoices choices() const;

public slots:
    void accept() override;

private:
    void Browse();

    QRadioButton* selected_ = nullptr;
    QRadioButton* all_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QComboBox* format_ = nullptr;
};

class ExportProgressDialog final : public QDialog {
    Q_OBJECT
public:
    explicit ExportProgressDialog(QWidget* parent = nullptr);

    void Show(const ExportProgress& progress);

signals:
    // "ｷｬﾝｾﾙ", or the window closed.
    void cancelled();

public slots:
    void reject() override;

private:
    QLabel* song_ = nullptr;
    QProgressBar* share_ = nullptr;
};

}  // namespace nuko::app
