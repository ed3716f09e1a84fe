// The catalog editor's dialog: shows a media::CatalogEditor and forwards
// what the user does. Long work shows its progress word and bar in place of
// the file list's label and keeps the window painted.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <optional>
#include <string>

#include "library/catalog_editor.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace nuko::media {

class CatalogEditorDialog final : public QDialog {
    Q_OBJECT
public:
    // The editor outlives the dialog.
    CatalogEditorDialog(media::CatalogEditor& editor, QWidget* parent = nullptr);

    media::CatalogEditor& editor() { return editor_; }
    QListWidget* file_list() const { return files_; }
    QListWidget* row_list() const { return rows_; }
    // Shows the model again (rows, fields, counters, caption).
    void Refresh();
    // The picture file dialog's filter in Qt's form (the image plug-ins').
    void SetPictureFilter(std::string filter) { picture_filter_ = std::move(filter); }

    // The sub-dialogs; each returns false when cancelled.
    bool AskDisplay();
    bool AskSort();
    bool AskTitleReset();
    bool AskPathRule(media::PathRule& rule);
    bool AskArchiveCheck();

public slots:
    void reject() override;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    void ShowRows();
    void ShowFiles();
    void ShowItem();
    void ShowStatus();
    void ShowProgress(int word, std::size_t done, std::size_t total);
    void EndProgress();
    void ChooseFolder();
    void RegisterSelected(bool all);
    void OpenCatalog();
    bool SaveAsDialog();
    std::optional<std::string> ChooseSavePath();
    void ChooseInitFile();
    void ChoosePicture();

    media::CatalogEditor& editor_;
    QLineEdit* title_ = nullptr;
    QLineEdit* sub_title_ = nullptr;
    QStackedWidget* file_head_ = nullptr;
    QLabel* file_label_ = nullptr;
    QLabel* progress_word_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QListWidget* files_ = nullptr;
    QListWidget* rows_ = nullptr;
    QLabel* file_count_ = nullptr;
    QLabel* row_count_ = nullptr;
    QLineEdit* item_title_ = nullptr;
    QLineEdit* picture_ = nullptr;
    QLineEdit* init_file_ = nullptr;
    QWidget* init_group_ = nullptr;
    QPushButton* archive_button_ = nullptr;
    QLabel* mode_word_ = nullptr;
    QLabel* row_number_ = nullptr;
    QLabel* status_title_ = nullptr;
    QElapsedTimer since_paint_;  // since the progress last let the window paint
    std::string picture_filter_;
    int filter_entry_ = 0;
    int init_filter_entry_ = 0;
    bool busy_ = false;
    enum class Focus { None, Files, Rows } focus_ = Focus::None;
};

}  // namespace nuko::media
