#include "cd_title_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "nuko/file_filters.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "program_order_dialog.h"

namespace nuko::cd {
namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toStdString(); }

QStringList NameFilterList(int string_id) {
    QStringList out;
    for (const auto& f : NameFilters(LoadString(string_id))) out << Q(f);
    return out;
}

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromUtf8(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

CdTitleDialog::CdTitleDialog(CdTitleDatabase& db, media::MediaList record, BcaNumbers bca,
                             TitleDialogSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    editor_ = std::make_unique<CdTitleEditor>(db, std::move(record), bca, this);
    editor_->SetAlsoRunConverter(settings_.also_save);

    dialogs_.save_file = [this](const std::string& folder) {
        return S(QFileDialog::getSaveFileName(this, QString(), Q(folder),
                                              NameFilterList(strings::kCdTextFileFilter).join(";;"), nullptr,
                                              QFileDialog::DontConfirmOverwrite));
    };
    dialogs_.import_file = [this](const std::string& folder, int* filter) {
        QFileDialog d(this, QString(), Q(folder));
        d.setFileMode(QFileDialog::ExistingFile);
        QStringList filters = NameFilterList(strings::kCdImportFileFilter);
        d.setNameFilters(filters);
        if (*filter >= 1 && *filter <= filters.size()) d.selectNameFilter(filters[*filter - 1]);
        if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::string();
        *filter = static_cast<int>(filters.indexOf(d.selectedNameFilter())) + 1;
        if (*filter < 1) *filter = 1;
        return S(d.selectedFiles().front());
    };
    dialogs_.picture_file = [this](const std::string& current) {
        return S(QFileDialog::getOpenFileName(
            this, QString(), Q(path::SplitPath(current).folder),
            QStringLiteral("画像ﾌｧｲﾙ (*.bmp *.jpg *.jpeg *.png *.gif *.mag *.pho);;全てのﾌｧｲﾙ (*)")));
    };

    BuildControls();
    ShowRecord();
}

CdTitleDialog::~CdTitleDialog() = default;

void CdTitleDialog::BuildControls() {
    setModal(true);
    artist_ = new QLineEdit(this);
    title_ = new QLineEdit(this);
    picture_ = new QLineEdit(this);
    artist_->setObjectName(QStringLiteral("artist"));
    title_->setObjectName(QStringLiteral("title"));
    picture_->setObjectName(QStringLiteral("picture"));
    auto* artist_label = new QLabel(QStringLiteral("ｱｰﾃｨｽﾄ(&A):"), this);
    auto* title_label = new QLabel(QStringLiteral("ﾀｲﾄﾙ(&T):"), this);
    auto* picture_label = new QLabel(QStringLiteral("ﾋﾟｸﾁｬｰﾌｧｲﾙ(&P):"), this);
    artist_label->setBuddy(artist_);
    title_label->setBuddy(title_);
    picture_label->setBuddy(picture_);
    QPushButton* browse = Button("...", "browse", this);

    tracks_ = new QTreeWidget(this);
    tracks_->setObjectName(QStringLiteral("tracks"));
    tracks_->setRootIsDecorated(false);
    tracks_->setUniformRowHeights(true);
    tracks_->setAllColumnsShowFocus(true);
    tracks_->setHeaderLabels({QStringLiteral("Tr"), QStringLiteral("時間"), QStringLiteral("曲名"), QStringLiteral("Prg")});
    tracks_->headerItem()->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    tracks_->header()->setStretchLastSection(false);
    for (int c = 0; c < 4; ++c) tracks_->setColumnWidth(c, std::max(settings_.column_widths[static_cast<std::size_t>(c)], 8));
    tracks_->installEventFilter(this);

    track_label_ = new QLabel(this);
    track_label_->setObjectName(QStringLiteral("track_label"));
    track_title_ = new QLineEdit(this);
    track_title_->setObjectName(QStringLiteral("track_title"));
    track_label_->setBuddy(track_title_);
    program_number_ = new QLineEdit(this);
    program_number_->setObjectName(QStringLiteral("program_number"));
    program_number_->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);

    QPushButton* order = Button("ﾌﾟﾛｸﾞﾗﾑ設定(&S)...", "program_order", this);
    program_play_ = new QCheckBox(QStringLiteral("ﾌﾟﾛｸﾞﾗﾑ再生(&P)"), this);
    program_play_->setObjectName(QStringLiteral("program_play"));
    QPushButton* import = Button("ﾃﾞｰﾀ読込(&O)...", "import", this);
    QPushButton* save_as = Button("新規保存(&N)...", "save_as", this);
    QPushButton* save = Button("上書保存(&S)", "save", this);
    QPushButton* close = Button("終了(&C)", "close", this);
    also_save_ = new QCheckBox(QStringLiteral("ﾌｧｲﾙにも保存(&P)"), this);
    also_save_->setObjectName(QStringLiteral("also_save"));
    also_save_->setChecked(editor_->also_run_converter());
    QPushButton* copy = Button("ｺﾋﾟｰ(&X)", "copy", this);
    QPushButton* paste = Button("張り付け(&Y)", "paste", this);
    QPushButton* help = Button("ﾍﾙﾌﾟ(&H)", "help", this);

    auto* grid = new QGridLayout;
    grid->addWidget(artist_label, 0, 0);
    grid->addWidget(artist_, 0, 1, 1, 2);
    grid->addWidget(title_label, 1, 0);
    grid->addWidget(title_, 1, 1, 1, 2);
    grid->addWidget(picture_label, 2, 0);
    grid->addWidget(picture_, 2, 1);
    grid->addWidget(browse, 2, 2);
    grid->addWidget(tracks_, 3, 0, 1, 3);
    auto* row = new QHBoxLayout;
    row->addWidget(track_label_);
    row->addWidget(track_title_, 1);
    row->addWidget(program_number_);
    grid->addLayout(row, 4, 0, 1, 3);
    auto* xmcd_import = new QPushButton(Q(LoadString(strings::kXmcdImportButton)), this);
    xmcd_import->setObjectName(QStringLiteral("xmcd_import"));
    auto* xmcd_export = new QPushButton(Q(LoadString(strings::kXmcdExportButton)), this);
    xmcd_export->setObjectName(QStringLiteral("xmcd_export"));
    xmcd_import_ = xmcd_import;
    xmcd_export_ = xmcd_export;
    xmcd_import->setVisible(false);
    xmcd_export->setVisible(false);
    connect(xmcd_import, &QPushButton::clicked, this, &CdTitleDialog::ImportXmcd);
    connect(xmcd_export, &QPushButton::clicked, this, &CdTitleDialog::ExportXmcd);
    auto* xmcd_row = new QHBoxLayout;
    xmcd_row->addWidget(xmcd_import);
    xmcd_row->addWidget(xmcd_export);
    xmcd_row->addStretch(1);
    grid->addLayout(xmcd_row, 6, 0, 1, 3);
    ids_ = new QLabel(this);
    ids_->setObjectName(QStringLiteral("disc_ids"));
    ids_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(ids_, 5, 0, 1, 3);

    auto* side = new QVBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{order, program_play_, import, save_as, save, close, also_save_,
                                                      copy, paste, help})
        side->addWidget(w);
    side->addStretch(1);

    auto* outer = new QHBoxLayout(this);
    outer->addLayout(grid, 1);
    outer->addLayout(side);
    resize(640, 420);

    connect(artist_, &QLineEdit::textEdited, this, [this](const QString& t) { editor_->SetArtist(S(t)); });
    connect(title_, &QLineEdit::textEdited, this, [this](const QString& t) { editor_->SetTitle(S(t)); });
    connect(picture_, &QLineEdit::textEdited, this, [this](const QString& t) { editor_->SetPicture(S(t)); });
    connect(browse, &QPushButton::clicked, this, &CdTitleDialog::BrowsePicture);
    connect(tracks_, &QTreeWidget::currentItemChanged, this, &CdTitleDialog::RowSelected);
    connect(track_title_, &QLineEdit::returnPressed, this, &CdTitleDialog::TitleEntered);
    connect(program_number_, &QLineEdit::returnPressed, this, &CdTitleDialog::ProgramEntered);
    connect(order, &QPushButton::clicked, this, &CdTitleDialog::ProgramOrder);
    connect(program_play_, &QCheckBox::clicked, this, [this](bool on) { editor_->SetProgramPlay(on); });
    connect(import, &QPushButton::clicked, this, &CdTitleDialog::Import);
    connect(save_as, &QPushButton::clicked, this, [this] {
        ApplyTitleEdit();
        Finish(editor_->SaveAs(dialogs_.save_file));
    });
    connect(save, &QPushButton::clicked, this, [this] {
        ApplyTitleEdit();
        Finish(editor_->Save());
    });
    connect(close, &QPushButton::clicked, this, &CdTitleDialog::reject);
    connect(also_save_, &QCheckBox::toggled, this, [this](bool on) { editor_->SetAlsoRunConverter(on); });
    connect(copy, &QPushButton::clicked, this, &CdTitleDialog::CopyToClipboard);
    connect(paste, &QPushButton::clicked, this, &CdTitleDialog::PasteFromClipboard);
    connect(help, &QPushButton::clicked, this, &CdTitleDialog::ShowHelp);
}

void CdTitleDialog::SetForeignIds(const std::string& freedb, const std::string& musicbrainz, const DiscToc& toc) {
    freedb_ = freedb;
    musicbrainz_ = musicbrainz;
    toc_ = toc;
    xmcd_import_->setVisible(!freedb_.empty());
    xmcd_export_->setVisible(!freedb_.empty());
    ShowRecord();
}

void CdTitleDialog::ImportXmcd() {
    ApplyTitleEdit();
    std::string file;
    if (dialogs_.xmcd_open) {
        file = dialogs_.xmcd_open();
    } else {
        file = S(QFileDialog::getOpenFileName(this, QString(), QString(), NameFilterList(strings::kXmcdFileFilter).join(QStringLiteral(";;"))));
    }
    if (file.empty()) return;
    if (editor_->ImportXmcd(file, freedb_)) ShowRecord();
}

void CdTitleDialog::ExportXmcd() {
    ApplyTitleEdit();
    std::string file;
    if (dialogs_.xmcd_save) {
        file = dialogs_.xmcd_save(freedb_);
    } else {
        file = S(QFileDialog::getSaveFileName(this, QString(), Q(freedb_), NameFilterList(strings::kXmcdFileFilter).join(QStringLiteral(";;"))));
    }
    if (!file.empty()) editor_->ExportXmcd(file, toc_, freedb_);
}

void CdTitleDialog::ShowRecord() {
    const auto& r = editor_->record();
    QString ids = QStringLiteral("ID: %1").arg(Q(r.section));
    if (!freedb_.empty()) ids += QStringLiteral("   freedb: %1   MusicBrainz: %2").arg(Q(freedb_), Q(musicbrainz_));
    ids_->setText(ids);
    setWindowTitle(Q(editor_->Caption()));
    artist_->setText(Q(r.title));
    title_->setText(Q(r.sub_title));
    picture_->setText(Q(r.picture));
    program_play_->setChecked(r.loaded != 0);
    int keep = std::max(edit_row_, 0);
    edit_row_ = -1;
    {
        QSignalBlocker block(tracks_);
        tracks_->clear();
        for (std::size_t i = 0; i < r.items.size(); ++i) {
            auto* item = new QTreeWidgetItem(tracks_);
            item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        }
        for (int i = 0; i < tracks_->topLevelItemCount(); ++i) ShowRow(i);
    }
    SelectRow(std::min(keep, tracks_->topLevelItemCount() - 1));
}

void CdTitleDialog::ShowRow(int row) {
    QTreeWidgetItem* item = tracks_->topLevelItem(row);
    if (!item) return;
    auto texts = TrackRowTexts(editor_->record(), static_cast<std::size_t>(row));
    for (int c = 0; c < 4; ++c) item->setText(c, Q(texts[static_cast<std::size_t>(c)]));
}

void CdTitleDialog::SelectRow(int row) {
    if (row < 0 || row >= tracks_->topLevelItemCount()) {
        RowSelected();
        return;
    }
    tracks_->setCurrentItem(tracks_->topLevelItem(row));
    if (edit_row_ != row) RowSelected();
}

void CdTitleDialog::RowSelected() {
    ApplyTitleEdit();
    int row = tracks_->currentItem() ? tracks_->indexOfTopLevelItem(tracks_->currentItem()) : -1;
    edit_row_ = row;
    bool has_row = row >= 0;
    track_title_->setEnabled(has_row);
    program_number_->setEnabled(has_row);
    if (!has_row) {
        track_label_->setText(QStringLiteral("曲名"));
        track_title_->clear();
        program_number_->clear();
        return;
    }
    const auto& item = editor_->record().items[static_cast<std::size_t>(row)];
    track_label_->setText(Q(TrackTitleLabel(static_cast<std::size_t>(row))));
    track_title_->setText(Q(item.title));
    program_number_->setText(QString::number(item.number));
}

void CdTitleDialog::ApplyTitleEdit() {
    if (edit_row_ < 0 || edit_row_ >= tracks_->topLevelItemCount()) return;
    editor_->SetTrackTitle(static_cast<std::size_t>(edit_row_), S(track_title_->text()));
    ShowRow(edit_row_);
}

void CdTitleDialog::TitleEntered() {
    ApplyTitleEdit();
    if (edit_row_ + 1 < tracks_->topLevelItemCount()) SelectRow(edit_row_ + 1);
}

void CdTitleDialog::ProgramEntered() {
    if (edit_row_ < 0) return;
    std::size_t row = static_cast<std::size_t>(edit_row_);
    if (!editor_->SetProgramNumber(row, S(program_number_->text()))) {
        program_number_->setText(QString::number(editor_->record().items[row].number));
        program_number_->selectAll();
        return;
    }
    for (int i = 0; i < tracks_->topLevelItemCount(); ++i) ShowRow(i);
    if (edit_row_ + 1 < tracks_->topLevelItemCount()) SelectRow(edit_row_ + 1);
    else program_number_->setText(QString::number(editor_->record().items[row].number));
}

void CdTitleDialog::ProgramOrder() {
    ApplyTitleEdit();
    ProgramOrderDialog dialog(editor_->record(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    editor_->SetProgramNumbers(dialog.ProgramNumbers());
    for (int i = 0; i < tracks_->topLevelItemCount(); ++i) ShowRow(i);
    RowSelected();
}

void CdTitleDialog::BrowsePicture() {
    std::string chosen = dialogs_.picture_file(editor_->record().picture.empty() ? editor_->record().path
                                                                               : editor_->record().picture);
    if (chosen.empty()) return;
    picture_->setText(Q(chosen));
    editor_->SetPicture(chosen);
}

void CdTitleDialog::Import() {
    ApplyTitleEdit();
    ImportMemory& memory = CdTitleEditor::RememberedImport();
    std::string folder = memory.folder.empty() ? path::SplitPath(editor_->record().path).folder : memory.folder;
    int filter = memory.filter;
    std::string file = dialogs_.import_file(folder, &filter);
    if (file.empty()) return;
    memory.filter = filter;
    memory.folder = path::SplitPath(file).folder;
    if (editor_->Import(file, filter)) ShowRecord();
}

void CdTitleDialog::Finish(EditorOutcome outcome) {
    switch (outcome) {
        case EditorOutcome::Accepted: accept(); return;
        case EditorOutcome::Cancelled: QDialog::reject(); return;
        case EditorOutcome::Stay: break;
    }
    setWindowTitle(Q(editor_->Caption()));
    if (editor_->wants_artist_focus()) artist_->setFocus();
}

void CdTitleDialog::reject() {
    ApplyTitleEdit();
    Finish(editor_->Close());
}

void CdTitleDialog::done(int result) {
    for (int c = 0; c < 4; ++c) settings_.column_widths[static_cast<std::size_t>(c)] = tracks_->columnWidth(c);
    settings_.also_save = also_save_->isChecked();
    QDialog::done(result);
}

void CdTitleDialog::CopyToClipboard() {
    ApplyTitleEdit();
    QApplication::clipboard()->setText(Q(editor_->Copy()));
}

void CdTitleDialog::PasteFromClipboard() {
    ApplyTitleEdit();
    if (editor_->Paste(S(QApplication::clipboard()->text()))) ShowRecord();
}

void CdTitleDialog::ShowHelp() {
    Ask(strings::kCdTitleHelp, {}, PromptButtons::Ok, PromptIcon::Information, "ﾍﾙﾌﾟ", this);
}

bool CdTitleDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tracks_ && event->type() == QEvent::KeyPress && edit_row_ >= 0) {
        auto* key = static_cast<QKeyEvent*>(event);
        bool ctrl = key->modifiers() & Qt::ControlModifier;
        bool toggle = key->key() == Qt::Key_Space || key->text() == QStringLiteral("@") ||
                      key->text() == QStringLiteral("$");
        if (toggle) {
            if (key->text() == QStringLiteral("$")) ctrl = true;
            if (key->text() == QStringLiteral("@")) ctrl = false;
            editor_->ToggleTrackMarker(static_cast<std::size_t>(edit_row_), ctrl);
            ShowRow(edit_row_);
            track_title_->setText(Q(editor_->record().items[static_cast<std::size_t>(edit_row_)].title));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace nuko::cd
