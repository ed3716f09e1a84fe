// The CD title dialog (dialog 189, "CDﾀｲﾄﾙ編集"): edits a copy of a disc
// record. A thin view of CdTitleEditor: it shows the record, forwards the
// user's edits and runs the file dialogs and the clipboard.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "cd_title_editor.h"
#include "disc_toc.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTreeWidget;

namespace nuko::cd {

// What the dialog keeps between openings (the settings section "CdTitle").
struct TitleDialogSettings {
    std::array<int, 4> column_widths{25, 40, 300, 30};
    bool also_save = false;  // "ﾌｧｲﾙにも保存"
};

class CdTitleDialog final : public QDialog {
    Q_OBJECT
public:
    // The file dialogs, replaceable so that tests can answer them.
    struct FileDialogs {
        // Save into another file: a CD title file, starting in `folder`.
        std::function<std::string(const std::string& folder)> save_file;
        // Import: the chosen file, with the chosen filter (1-based) in and out.
        std::function<std::string(const std::string& folder, int* filter)> import_file;
        // A picture file.
        std::function<std::string(const std::string& current)> picture_file;
        // An xmcd entry to read, and the file to write one to.
        std::function<std::string()> xmcd_open;
        std::function<std::string(const std::string& suggested)> xmcd_save;
    };

    // `settings` gives the column widths and the "ﾌｧｲﾙにも保存" switch and
    // receives them back when the dialog closes.
    CdTitleDialog(CdTitleDatabase& db, media::MediaList record, BcaNumbers bca,
                  TitleDialogSettings& settings, QWidget* parent = nullptr);
    ~CdTitleDialog() override;

    // The edited record, for the caller after OK.
    const media::MediaList& record() const { return editor_->record(); }
    CdTitleEditor& editor() { return *editor_; }
    void SetFileDialogs(FileDialogs dialogs) { dialogs_ = std::move(dialogs); }
    // The ids other databases know the disc by, shown beside ours, and the
    // disc's table: the xmcd import and export work with them.
    void SetForeignIds(const std::string& freedb, const std::string& musicbrainz, const DiscToc& toc);
    void ImportXmcd();
    void ExportXmcd();
    const std::string& freedb_id() const { return freedb_; }

    void done(int result) override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ShowRecord();
    void ShowRow(int row);
    void SelectRow(int row);
    void RowSelected();
    void ApplyTitleEdit();
    void TitleEntered();
    void ProgramEntered();
    void ProgramOrder();
    void BrowsePicture();
    void Import();
    void Finish(EditorOutcome outcome);
    void CopyToClipboard();
    void PasteFromClipboard();
    void ShowHelp();

    std::unique_ptr<CdTitleEditor> editor_;
    TitleDialogSettings& settings_;
    FileDialogs dialogs_;
    QLineEdit* artist_ = nullptr;
    QLineEdit* title_ = nullptr;
    QLineEdit* picture_ = nullptr;
    QTreeWidget* tracks_ = nullptr;
    QLabel* track_label_ = nullptr;
    QLineEdit* track_title_ = nullptr;
    QLineEdit* program_number_ = nullptr;
    QCheckBox* program_play_ = nullptr;
    QCheckBox* also_save_ = nullptr;
    QLabel* ids_ = nullptr;
    QWidget* xmcd_import_ = nullptr;
    QWidget* xmcd_export_ = nullptr;
    DiscToc toc_;
    std::string freedb_;
    std::string musicbrainz_;
    int edit_row_ = -1;  // the row whose title and number the edits hold
};

}  // namespace nuko::cd
