#include "library/catalog_editor_dialog.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "nuko/file_filters.h"
#include "nuko/media_title.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"

namespace nuko::media {

using media::CatalogEditor;

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
QString Str(int id) { return Q(LoadString(id)); }

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromUtf8(name));
    b->setAutoDefault(false);
    return b;
}

void SetTextColor(QLabel* label, const QColor& color) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

// A small modal dialog of radio groups and check boxes with OK and Cancel.
class ChoiceDialog final : public QDialog {
public:
    ChoiceDialog(const QString& caption, QWidget* parent) : QDialog(parent), layout_(new QVBoxLayout(this)) {
        setWindowTitle(caption);
    }
    // A group of exclusive choices; returns the group.
    QButtonGroup* Radios(const QString& title, const std::vector<const char*>& texts, int checked) {
        auto* box = new QGroupBox(title, this);
        auto* v = new QVBoxLayout(box);
        auto* group = new QButtonGroup(box);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            auto* r = new QRadioButton(QString::fromUtf8(texts[i]), box);
            group->addButton(r, static_cast<int>(i));
            v->addWidget(r);
            if (static_cast<int>(i) == checked) r->setChecked(true);
        }
        layout_->addWidget(box);
        return group;
    }
    QCheckBox* Check(const char* text, bool on) {
        auto* c = new QCheckBox(QString::fromUtf8(text), this);
        c->setChecked(on);
        layout_->addWidget(c);
        return c;
    }
    QVBoxLayout* Body() { return layout_; }
    bool Run() {
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout_->addWidget(buttons);
        return exec() == QDialog::Accepted;
    }

private:
    QVBoxLayout* layout_;
};

}  // namespace

CatalogEditorDialog::CatalogEditorDialog(CatalogEditor& editor, QWidget* parent) : QDialog(parent), editor_(editor) {
    setObjectName(QStringLiteral("CatalogEditorDialog"));
    setAcceptDrops(true);
    Build();
    editor_.SetProgress([this](int word, std::size_t done, std::size_t total) { ShowProgress(word, done, total); });
    editor_.SetSavePathChooser([this] { return ChooseSavePath(); });
    Refresh();
}

void CatalogEditorDialog::Build() {
    const bool midi = editor_.kind() == media::MediaKind::Midi;
    auto* top = new QVBoxLayout(this);

    auto* titles = new QGridLayout;
    title_ = new QLineEdit(this);
    title_->setObjectName(QStringLiteral("title"));
    sub_title_ = new QLineEdit(this);
    sub_title_->setObjectName(QStringLiteral("sub_title"));
    auto* title_label = new QLabel(QStringLiteral("ｶﾀﾛｸﾞ ﾀｲﾄﾙ(&C):"), this);
    title_label->setBuddy(title_);
    auto* sub_label = new QLabel(QStringLiteral("ｻﾌﾞ ﾀｲﾄﾙ(&B):"), this);
    sub_label->setBuddy(sub_title_);
    titles->addWidget(title_label, 0, 0);
    titles->addWidget(title_, 0, 1);
    titles->addWidget(sub_label, 1, 0);
    titles->addWidget(sub_title_, 1, 1);
    top->addLayout(titles);
    connect(title_, &QLineEdit::editingFinished, this, [this] { editor_.SetTitle(title_->text().toStdString()); });
    connect(sub_title_, &QLineEdit::editingFinished, this,
            [this] { editor_.SetSubTitle(sub_title_->text().toStdString()); });

    auto* lists = new QHBoxLayout;
    // The file list, whose label gives way to the progress of long work.
    auto* left = new QVBoxLayout;
    file_head_ = new QStackedWidget(this);
    file_label_ = new QLabel(QStringLiteral("ﾌｧｲﾙ一覧(&H)"), file_head_);
    auto* progress_box = new QWidget(file_head_);
    auto* ph = new QHBoxLayout(progress_box);
    ph->setContentsMargins(0, 0, 0, 0);
    progress_word_ = new QLabel(progress_box);
    progress_ = new QProgressBar(progress_box);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setTextVisible(false);
    ph->addWidget(progress_word_);
    ph->addWidget(progress_, 1);
    file_head_->addWidget(file_label_);
    file_head_->addWidget(progress_box);
    file_head_->setMaximumHeight(file_label_->sizeHint().height() + 6);
    files_ = new QListWidget(this);
    files_->setObjectName(QStringLiteral("files"));
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    file_label_->setBuddy(files_);
    file_count_ = new QLabel(this);
    SetTextColor(file_count_, Qt::blue);
    left->addWidget(file_head_);
    left->addWidget(files_, 1);
    left->addWidget(file_count_);
    lists->addLayout(left, 1);

    auto* middle = new QVBoxLayout;
    auto* folder = Button("ﾌｫﾙﾀﾞ(&X)...", "folder", this);
    auto* add = Button(">>", "add", this);
    auto* add_all = Button("&All", "add_all", this);
    auto* up = Button("↑(&U)", "up", this);
    auto* down = Button("↓(&D)", "down", this);
    auto* remove = Button("削除(&K)", "remove", this);
    auto* insert = Button("挿入(&I)", "insert", this);
    auto* remove_all = Button("全て削除(&Z)", "remove_all", this);
    for (QPushButton* b : {folder, add, add_all, up, down, remove, insert, remove_all}) middle->addWidget(b);
    middle->addStretch(1);
    lists->addLayout(middle);

    auto* right = new QVBoxLayout;
    auto* rows_label = new QLabel(QStringLiteral("登録ﾌｧｲﾙ一覧(&T)"), this);
    rows_ = new QListWidget(this);
    rows_->setObjectName(QStringLiteral("rows"));
    rows_label->setBuddy(rows_);
    row_count_ = new QLabel(this);
    SetTextColor(row_count_, Qt::red);
    right->addWidget(rows_label);
    right->addWidget(rows_, 1);
    right->addWidget(row_count_);
    lists->addLayout(right, 1);
    top->addLayout(lists, 1);

    // The selected item's fields.
    auto* fields = new QGridLayout;
    item_title_ = new QLineEdit(this);
    item_title_->setObjectName(QStringLiteral("item_title"));
    picture_ = new QLineEdit(this);
    picture_->setObjectName(QStringLiteral("picture"));
    auto* item_label = new QLabel(QStringLiteral("ﾌｧｲﾙﾀｲﾄﾙ(&F):"), this);
    item_label->setBuddy(item_title_);
    auto* picture_label = new QLabel(QStringLiteral("ﾋﾟｸﾁｬｰﾌｧｲﾙ名(&P)"), this);
    picture_label->setBuddy(picture_);
    auto* picture_browse = Button("...", "picture_browse", this);
    fields->addWidget(item_label, 0, 0);
    fields->addWidget(item_title_, 0, 1, 1, 4);
    fields->addWidget(picture_label, 1, 0);
    fields->addWidget(picture_, 1, 1, 1, 3);
    fields->addWidget(picture_browse, 1, 4);
    top->addLayout(fields);

    init_group_ = new QWidget(this);
    auto* init = new QHBoxLayout(init_group_);
    init->setContentsMargins(0, 0, 0, 0);
    init_file_ = new QLineEdit(init_group_);
    init_file_->setObjectName(QStringLiteral("init_file"));
    auto* init_label = new QLabel(QStringLiteral("初期化(SMFK)ﾌｧｲﾙ(&M):"), init_group_);
    init_label->setBuddy(init_file_);
    auto* copy = Button("ｺﾋﾟｰ(&W)", "copy", init_group_);
    auto* paste = Button("張り付け(&P)", "paste", init_group_);
    auto* browse = Button("参照(&Y)...", "init_browse", init_group_);
    init->addWidget(init_label);
    init->addWidget(init_file_, 1);
    for (QPushButton* b : {copy, paste, browse}) init->addWidget(b);
    top->addWidget(init_group_);
    // Movies and sounds have no init file: the controls go.
    init_group_->setEnabled(midi);
    init_group_->setVisible(midi);

    auto* tools = new QHBoxLayout;
    auto* sort = Button("ｿｰﾄ(&R)...", "sort", this);
    auto* display = Button("表示方法(&V)...", "display", this);
    auto* retitle = Button("ﾀｲﾄﾙ再ｾｯﾄ(&Q)...", "retitle", this);
    auto* customise = Button("ｶｽﾀﾏｲｽﾞ(&G)...", "customise", this);
    archive_button_ = Button("解凍確認方法(&J)...", "archive_check", this);
    archive_button_->setEnabled(editor_.env().archives_enabled);
    for (QPushButton* b : {sort, display, retitle, customise, archive_button_}) tools->addWidget(b);
    top->addLayout(tools);

    auto* files_row = new QHBoxLayout;
    auto* new_button = Button("新規作成(&N)", "new", this);
    auto* open = Button("開く(&O)...", "open", this);
    auto* save_as = Button("新規保存(&L)...", "save_as", this);
    auto* save = Button("上書保存(&S)", "save", this);
    auto* end = Button("終了(&E)", "end", this);
    auto* help = Button("ﾍﾙﾌﾟ", "help", this);
    help->setEnabled(false);  // no help file on this platform
    for (QPushButton* b : {new_button, open, save_as, save, end, help}) files_row->addWidget(b);
    top->addLayout(files_row);

    // The status line: mode word, row number, title.
    auto* status = new QHBoxLayout;
    mode_word_ = new QLabel(this);
    mode_word_->setObjectName(QStringLiteral("mode_word"));
    row_number_ = new QLabel(this);
    status_title_ = new QLabel(this);
    status_title_->setObjectName(QStringLiteral("status_title"));
    status_title_->setAutoFillBackground(true);
    status_title_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status->addWidget(mode_word_);
    status->addWidget(row_number_);
    status->addWidget(status_title_, 1);
    top->addLayout(status);

    files_->installEventFilter(this);
    rows_->installEventFilter(this);

    connect(folder, &QPushButton::clicked, this, [this] { ChooseFolder(); });
    connect(add, &QPushButton::clicked, this, [this] { RegisterSelected(false); });
    connect(files_, &QListWidget::itemDoubleClicked, this, [this] { RegisterSelected(false); });
    connect(add_all, &QPushButton::clicked, this, [this] { RegisterSelected(true); });
    connect(up, &QPushButton::clicked, this, [this] {
        editor_.MoveUp();
        ShowRows();
    });
    connect(down, &QPushButton::clicked, this, [this] {
        editor_.MoveDown();
        ShowRows();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        editor_.DeleteSelected();
        ShowRows();
    });
    connect(insert, &QPushButton::clicked, this, [this] {
        editor_.InsertDeleted();
        ShowRows();
    });
    connect(remove_all, &QPushButton::clicked, this, [this] {
        if (editor_.DeleteAll()) ShowRows();
    });
    connect(files_, &QListWidget::currentRowChanged, this, [this] { ShowStatus(); });
    connect(rows_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (busy_) return;
        editor_.Select(row);
        ShowItem();
        ShowStatus();
    });
    connect(item_title_, &QLineEdit::editingFinished, this, [this] {
        editor_.SetItemTitle(item_title_->text().toStdString());
        if (editor_.settings().list_box_title && editor_.selected() >= 0)
            rows_->item(editor_.selected())->setText(Q(editor_.RowText(editor_.selected())));
    });
    connect(picture_, &QLineEdit::editingFinished, this,
            [this] { editor_.SetItemPicture(picture_->text().toStdString()); });
    connect(init_file_, &QLineEdit::editingFinished, this, [this] {
        if (!editor_.SetItemInitFile(init_file_->text().toStdString())) init_file_->setFocus();
    });
    connect(copy, &QPushButton::clicked, this, [this] { editor_.CopyInitFile(init_file_->text().toStdString()); });
    connect(paste, &QPushButton::clicked, this, [this] {
        init_file_->setText(Q(editor_.copy_buffer()));
        if (!editor_.SetItemInitFile(editor_.copy_buffer())) init_file_->setFocus();
    });
    connect(browse, &QPushButton::clicked, this, [this] { ChooseInitFile(); });
    connect(picture_browse, &QPushButton::clicked, this, [this] { ChoosePicture(); });
    connect(sort, &QPushButton::clicked, this, [this] {
        if (!AskSort()) return;
        editor_.Sort();
        EndProgress();
        ShowRows();
    });
    connect(display, &QPushButton::clicked, this, [this] {
        if (AskDisplay()) ShowRows();
    });
    connect(retitle, &QPushButton::clicked, this, [this] {
        if (!AskTitleReset()) return;
        editor_.ResetTitles();
        EndProgress();
        ShowRows();
    });
    connect(customise, &QPushButton::clicked, this, [this] {
        media::PathRule rule;
        if (!AskPathRule(rule)) return;
        editor_.CustomisePaths(rule);
        EndProgress();
        ShowRows();
    });
    connect(archive_button_, &QPushButton::clicked, this, [this] { AskArchiveCheck(); });
    connect(new_button, &QPushButton::clicked, this, [this] {
        if (!editor_.ConfirmDiscard()) return;
        editor_.New();
        Refresh();
    });
    connect(open, &QPushButton::clicked, this, [this] { OpenCatalog(); });
    connect(save_as, &QPushButton::clicked, this, [this] {
        SaveAsDialog();
        Refresh();
    });
    connect(save, &QPushButton::clicked, this, [this] {
        editor_.Save();
        Refresh();
    });
    connect(end, &QPushButton::clicked, this, [this] { reject(); });
    resize(760, 560);
}

void CatalogEditorDialog::Refresh() {
    setWindowTitle(Q(editor_.Caption()));
    title_->setText(Q(editor_.title()));
    sub_title_->setText(Q(editor_.sub_title()));
    ShowFiles();
    ShowRows();
}

void CatalogEditorDialog::ShowFiles() {
    files_->clear();
    for (const std::string& f : editor_.files()) files_->addItem(Q(f));
    if (files_->count() > 0) files_->setCurrentRow(0);
    file_count_->setText(QString::number(files_->count()));
}

void CatalogEditorDialog::ShowRows() {
    busy_ = true;
    rows_->clear();
    QStringList texts;
    texts.reserve(editor_.row_count());
    for (int i = 0; i < editor_.row_count(); ++i) texts << Q(editor_.RowText(i));
    rows_->addItems(texts);
    // Whole paths, or the end of each path so that the file name shows.
    rows_->setTextElideMode(editor_.settings().disp_file_type ? Qt::ElideNone : Qt::ElideLeft);
    rows_->setCurrentRow(editor_.selected());
    busy_ = false;
    row_count_->setText(QString::number(editor_.row_count()));
    ShowItem();
    ShowStatus();
}

void CatalogEditorDialog::ShowItem() {
    const media::MediaItem* item = editor_.SelectedItem();
    item_title_->setText(item ? Q(item->title) : QString());
    picture_->setText(item ? Q(item->picture) : QString());
    init_file_->setText(item ? Q(item->init_file) : QString());
}

void CatalogEditorDialog::ShowStatus() {
    QPalette p = status_title_->palette();
    p.setColor(QPalette::Window, palette().color(QPalette::Window));
    QString word = QStringLiteral("None:");
    QColor color = Qt::gray;
    QString number, title;
    if (focus_ == Focus::Files && files_->currentRow() >= 0) {
        word = QStringLiteral("File:");
        color = Qt::blue;
        number = QString::number(files_->currentRow() + 1);
        media::TitleOptions options;
        options.accept_hidden = true;
        media::MediaTitle t = media::ReadMediaTitle(files_->currentItem()->text().toStdString(), options);
        title = Q(t.title);
        if (t.from_contents) p.setColor(QPalette::Window, Qt::green);
    } else if (focus_ == Focus::Rows && editor_.SelectedItem()) {
        word = QStringLiteral("List:");
        color = Qt::red;
        number = QString::number(editor_.selected() + 1);
        title = Q(editor_.SelectedItem()->title);
        if (!title.isEmpty()) p.setColor(QPalette::Window, Qt::green);
    }
    mode_word_->setText(word);
    SetTextColor(mode_word_, color);
    row_number_->setText(number);
    status_title_->setText(title);
    status_title_->setPalette(p);
}

bool CatalogEditorDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        const bool in = event->type() == QEvent::FocusIn;
        focus_ = !in ? Focus::None : watched == files_ ? Focus::Files : Focus::Rows;
        ShowStatus();
    }
    return QDialog::eventFilter(watched, event);
}

void CatalogEditorDialog::ShowProgress(int word, std::size_t done, std::size_t total) {
    if (done == 0) {
        file_head_->setCurrentIndex(1);
        progress_word_->setText(Str(word));
        progress_->setRange(0, static_cast<int>(std::max<std::size_t>(total, 1)));
        since_paint_.start();
    }
    progress_->setValue(static_cast<int>(done));
    if (done != total && since_paint_.elapsed() < 50) return;
    // Paint and follow the window system, but take no clicks meanwhile.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    since_paint_.restart();
}

void CatalogEditorDialog::EndProgress() { file_head_->setCurrentIndex(0); }

void CatalogEditorDialog::ChooseFolder() {
    const std::vector<std::string> filters = NameFilters(editor_.FolderFilter());
    QStringList names;
    for (const std::string& f : filters) names << Q(f);
    QString selected = filter_entry_ < names.size() ? names[filter_entry_] : QString();
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("ﾌｫﾙﾀﾞ"), Q(editor_.current_folder()),
                                                        names.join(QStringLiteral(";;")), &selected);
    if (chosen.isEmpty()) return;
    filter_entry_ = std::max(0, static_cast<int>(names.indexOf(selected)));
    editor_.ShowFolder(path::SplitPath(chosen.toStdString()).folder, filter_entry_);
    ShowFiles();
}

void CatalogEditorDialog::RegisterSelected(bool all) {
    std::vector<std::string> paths;
    for (int i = 0; i < files_->count(); ++i)
        if (all || files_->item(i)->isSelected()) paths.push_back(files_->item(i)->text().toStdString());
    if (paths.empty()) return;
    setEnabled(false);
    editor_.RegisterAll(paths);
    setEnabled(true);
    EndProgress();
    ShowRows();
}

void CatalogEditorDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CatalogEditorDialog::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    event->acceptProposedAction();
    setEnabled(false);
    editor_.Drop(paths);
    setEnabled(true);
    EndProgress();
    Refresh();
}

void CatalogEditorDialog::OpenCatalog() {
    if (!editor_.ConfirmDiscard()) return;
    const int kind = media::Code(editor_.kind());
    QString start = Q(editor_.catalog_path());
    if (start.isEmpty()) start = QStringLiteral("*") + Q(media::CatalogExtension(kind));
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("開く"), start,
                                                        Q(JoinedNameFilters(media::CatalogFileFilter(kind))));
    if (chosen.isEmpty()) return;
    editor_.Load(chosen.toStdString());
    Refresh();
}

bool CatalogEditorDialog::SaveAsDialog() {
    auto chosen = ChooseSavePath();
    return chosen && editor_.SaveAs(*chosen);
}

std::optional<std::string> CatalogEditorDialog::ChooseSavePath() {
    const int kind = media::Code(editor_.kind());
    QFileDialog dialog(this, QStringLiteral("新規保存"), Q(editor_.catalog_path()),
                       Q(JoinedNameFilters(media::CatalogFileFilter(kind))));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(Q(media::CatalogExtension(kind)).mid(1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

void CatalogEditorDialog::ChooseInitFile() {
    const std::vector<std::string> filters = NameFilters(LoadString(1139));
    QStringList names;
    for (const std::string& f : filters) names << Q(f);
    QString selected = init_filter_entry_ < names.size() ? names[init_filter_entry_] : QString();
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("参照"), init_file_->text(),
                                                        names.join(QStringLiteral(";;")), &selected);
    if (chosen.isEmpty()) return;
    init_filter_entry_ = std::max(0, static_cast<int>(names.indexOf(selected)));
    init_file_->setText(chosen);
    if (!editor_.SetItemInitFile(chosen.toStdString())) init_file_->setFocus();
}

void CatalogEditorDialog::ChoosePicture() {
    const QString filter = picture_filter_.empty() ? QStringLiteral("BMPﾌｧｲﾙ (*.bmp)") : Q(picture_filter_);
    const QString chosen =
        QFileDialog::getOpenFileName(this, QStringLiteral("ﾋﾟｸﾁｬｰﾌｧｲﾙ"), picture_->text(), filter);
    if (chosen.isEmpty()) return;
    picture_->setText(chosen);
    editor_.SetItemPicture(chosen.toStdString());
}

// ---- Sub-dialogs ------------------------------------------------------------

bool CatalogEditorDialog::AskDisplay() {
    auto& s = editor_.settings();
    ChoiceDialog d(QStringLiteral("ﾘｽﾄﾎﾞｯｸｽの表示方法"), this);
    auto* what = d.Radios({}, {"ﾀｲﾄﾙ名表示(&T)", "ﾌｧｲﾙ名表示(&F)"}, s.list_box_title ? 0 : 1);
    auto* how = d.Radios({}, {"ﾌｫﾙﾀﾞ名も含め、全て表示させるようにする(&L)", "ﾌｧｲﾙ名が必ず表示されるようする(&S)"},
                         s.disp_file_type ? 0 : 1);
    if (!d.Run()) return false;
    editor_.SetTitleDisplay(what->checkedId() == 0);
    s.disp_file_type = how->checkedId() == 0 ? 1 : 0;
    return true;
}

bool CatalogEditorDialog::AskSort() {
    auto& s = editor_.settings();
    ChoiceDialog d(QStringLiteral("ｿｰﾄ(並び替え)"), this);
    auto* mode = d.Radios({}, {"ﾌｧｲﾙ名のみでｿｰﾄ(&F)", "ﾄﾞﾗｲﾌﾞ、ﾌｫﾙﾀﾞを含めｿｰﾄ(&D)"}, s.sort_mode);
    auto* distinction = d.Check("大文字と小文字を区別する(&E)", s.sort_distinction != 0);
    if (!d.Run()) return false;
    s.sort_mode = mode->checkedId();
    s.sort_distinction = distinction->isChecked() ? 1 : 0;
    return true;
}

bool CatalogEditorDialog::AskTitleReset() {
    auto& s = editor_.settings();
    ChoiceDialog d(QStringLiteral("ﾀｲﾄﾙ再ｾｯﾄ方法"), this);
    auto* which = d.Radios({}, {"全てのﾌｧｲﾙ(&A)", "選択しているﾌｧｲﾙ(&S)"}, s.retitle_all_files ? 0 : 1);
    auto* cut = d.Radios(QStringLiteral("ﾀｲﾄﾙのｽﾍﾟｰｽｶｯﾄ"), {"ｶｯﾄする(&C)", "標準のまま(&D)"}, s.retitle_space_cut ? 0 : 1);
    if (!d.Run()) return false;
    s.retitle_all_files = which->checkedId() == 0 ? 1 : 0;
    s.retitle_space_cut = cut->checkedId() == 0 ? 1 : 0;
    return true;
}

bool CatalogEditorDialog::AskPathRule(media::PathRule& rule) {
    ChoiceDialog d(QStringLiteral("ﾄﾞﾗｲﾌﾞ/ﾌｫﾙﾀﾞ名削除"), this);
    auto* choice = d.Radios({}, {"ﾄﾞﾗｲﾌﾞ名を削除し、ﾌｫﾙﾀﾞ名は残す(&D)", "ﾌｫﾙﾀﾞｰ名も削除し、ﾌｧｲﾙ名のみとする(&F)",
                                 "同名ﾌｧｲﾙを削除する(&E)"},
                            std::clamp(editor_.settings().drive_mode, 0, 2));
    if (!d.Run()) return false;
    rule = static_cast<media::PathRule>(std::max(0, choice->checkedId()));
    return true;
}

bool CatalogEditorDialog::AskArchiveCheck() {
    const int kind = media::Code(editor_.kind());
    auto& k = editor_.settings().kinds[static_cast<std::size_t>(kind)];
    ChoiceDialog d(QStringLiteral("解凍確認方法"), this);
    auto* check = d.Radios({}, {"解凍(確認)しないで登録(&N)", "解凍(確認)して登録(&A)"}, k.arc_check ? 1 : 0);
    auto* box = new QGroupBox(QStringLiteral("登録するﾌｧｲﾙﾀｲﾌﾟ(拡張子)"), &d);
    auto* h = new QHBoxLayout(box);
    std::vector<QCheckBox*> types;
    const auto labels = media::TypeBoxLabels(kind);
    for (int i = 0; i < 5; ++i) {
        auto* c = new QCheckBox(QString::fromUtf8(labels[static_cast<std::size_t>(i)]), box);
        c->setChecked((k.arc_check_type & (1 << i)) != 0);
        c->setEnabled(i < media::MeaningfulTypeBoxes(kind));
        h->addWidget(c);
        types.push_back(c);
    }
    d.Body()->addWidget(box);
    QCheckBox* wrd = nullptr;
    if (kind == media::Code(media::MediaKind::Midi))
        wrd = d.Check("WRDﾃﾞｰﾀがあるﾌｧｲﾙのみ登録(&w)", (k.arc_check_type & media::file_type::kWrd) != 0);
    if (!d.Run()) return false;
    k.arc_check = check->checkedId() == 1 ? 1 : 0;
    int flags = 0;
    const int boxes = media::MeaningfulTypeBoxes(kind);
    for (int i = 0; i < boxes; ++i)
        if (types[static_cast<std::size_t>(i)]->isChecked()) flags |= 1 << i;
    if (wrd && wrd->isChecked()) flags |= media::file_type::kWrd;
    k.arc_check_type = flags;
    return true;
}

void CatalogEditorDialog::reject() {
    // Fields being edited count before the question.
    editor_.SetTitle(title_->text().toStdString());
    editor_.SetSubTitle(sub_title_->text().toStdString());
    switch (editor_.Close()) {
        case CatalogEditor::CloseResult::Stay: Refresh(); return;
        case CatalogEditor::CloseResult::Saved: QDialog::accept(); return;
        case CatalogEditor::CloseResult::Discarded: QDialog::reject(); return;
    }
}

}  // namespace nuko::media
