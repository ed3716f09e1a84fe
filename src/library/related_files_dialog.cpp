#include "library/related_files_dialog.h"

#include <sys/stat.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/run_program.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"

namespace nuko::media {

using media::RelatedType;

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

bool IsExecutable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0;
}

}  // namespace

RelatedFilesDialog::RelatedFilesDialog(media::RelatedFiles& model, std::function<bool()> run,
                                       std::function<void(const media::RelatedFileSettings&)> save, QWidget* parent)
    : QDialog(parent), model_(model), run_(std::move(run)), save_(std::move(save)) {
    setObjectName(QStringLiteral("RelatedFilesDialog"));
    setWindowTitle(QStringLiteral("関連ﾌｧｲﾙの実行"));
    auto* top = new QVBoxLayout(this);

    auto* name_row = new QHBoxLayout;
    name_row->addWidget(new QLabel(QStringLiteral("ﾌｧｲﾙ名:"), this));
    file_name_ = new QLabel(this);
    file_name_->setObjectName(QStringLiteral("file_name"));
    file_name_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    name_row->addWidget(file_name_, 1);
    top->addLayout(name_row);

    auto* group = new QGroupBox(QStringLiteral("拡張子の種類(&K)"), this);
    auto* radios = new QHBoxLayout(group);
    types_ = new QButtonGroup(this);
    const char* texts[] = {"&Txt", "&Doc", "&Wrd", "&Media", "拡張子に関係ない(&E)"};
    for (int i = 0; i < 5; ++i) {
        auto* r = new QRadioButton(QString::fromUtf8(texts[i]), group);
        types_->addButton(r, i);
        radios->addWidget(r);
    }
    types_->button(static_cast<int>(RelatedType::Media))->setEnabled(model_.media_enabled());
    top->addWidget(group);

    stop_ = new QCheckBox(QStringLiteral("Wrd,Media実行は演奏停止(&S)"), this);
    stop_->setChecked(model_.settings().stop != 0);
    end_ = new QCheckBox(QStringLiteral("実行後はﾀﾞｲｱﾛｸﾞを閉じる(&C)"), this);
    end_->setChecked(model_.settings().end != 0);
    top->addWidget(stop_);
    top->addWidget(end_);

    auto* command_row = new QHBoxLayout;
    command_ = new QLineEdit(this);
    command_->setObjectName(QStringLiteral("command"));
    auto* command_label = new QLabel(QStringLiteral("実行ﾌｧｲﾙ(&F):"), this);
    command_label->setBuddy(command_);
    auto* browse = new QPushButton(QStringLiteral("参照(&V)"), this);
    browse->setAutoDefault(false);
    command_row->addWidget(command_label);
    command_row->addWidget(command_, 1);
    command_row->addWidget(browse);
    top->addLayout(command_row);

    auto* buttons = new QHBoxLayout;
    run_button_ = new QPushButton(QStringLiteral("実行(&X)"), this);
    run_button_->setObjectName(QStringLiteral("run"));
    auto* save_end = new QPushButton(QStringLiteral("保存終了"), this);
    save_end->setObjectName(QStringLiteral("save_end"));
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    auto* help = new QPushButton(QStringLiteral("ﾍﾙﾌﾟ"), this);
    help->setEnabled(false);  // no help file on this platform
    for (QPushButton* b : {run_button_, save_end, cancel, help}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    top->addLayout(buttons);

    connect(types_, &QButtonGroup::idClicked, this, [this](int id) {
        model_.SetCommand(command_->text().toStdString());
        model_.Choose(static_cast<RelatedType>(id));
        Refresh();
    });
    connect(command_, &QLineEdit::editingFinished, this, [this] { model_.SetCommand(command_->text().toStdString()); });
    connect(stop_, &QCheckBox::toggled, this, [this](bool on) { model_.SetStop(on); });
    connect(end_, &QCheckBox::toggled, this, [this](bool on) { model_.SetEnd(on); });
    connect(browse, &QPushButton::clicked, this, [this] { ChooseProgram(); });
    connect(run_button_, &QPushButton::clicked, this, [this] { Run(); });
    connect(save_end, &QPushButton::clicked, this, [this] {
        model_.SetCommand(command_->text().toStdString());
        save_(model_.settings());
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    Refresh();
}

void RelatedFilesDialog::Refresh() {
    types_->button(static_cast<int>(model_.type()))->setChecked(true);
    file_name_->setText(Q(model_.FileNameText()));
    command_->setText(Q(model_.Command()));
    run_button_->setEnabled(model_.CanRun());
}

void RelatedFilesDialog::ChooseProgram() {
    // Any file may be a program here; the executable bit decides.
    const std::string folder = path::SplitPath(model_.Command()).folder;
    for (;;) {
        const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("参照"), Q(folder),
                                                            QStringLiteral("全てのﾌｧｲﾙ (*)"));
        if (chosen.isEmpty()) return;
        if (IsExecutable(chosen.toStdString())) {
            // A path with blanks stays one word of the command.
            QString quoted = chosen;
            quoted.replace(QStringLiteral("'"), QStringLiteral("'\\''"));
            model_.SetCommand(chosen.contains(QLatin1Char(' ')) || chosen.contains(QLatin1Char('\'')) ? "'" + quoted.toStdString() + "'"
                                                                            : chosen.toStdString());
            Refresh();
            return;
        }
        AskText(std::make_error_code(std::errc::permission_denied).message(), PromptButtons::Ok, PromptIcon::Warning,
                LoadString(strings::kRunCommandErrorCaption), this);
    }
}

void RelatedFilesDialog::Run() {
    model_.SetCommand(command_->text().toStdString());
    if (run_() && model_.settings().end) {
        save_(model_.settings());
        accept();
    }
}

void RelatedFilesDialog::reject() {
    model_.SetCommand(command_->text().toStdString());
    if (model_.modified()) {
        PromptRequest r;
        r.string_id = strings::kAskDiscardChanges;
        r.text = std::string(LoadString(strings::kAskDiscardChanges));
        r.buttons = PromptButtons::OkCancel;
        r.icon = PromptIcon::Question;
        r.owner = this;
        r.default_button = 1;
        if (CurrentPrompt().Ask(r) != PromptAnswer::Ok) return;
    }
    QDialog::reject();
}

}  // namespace nuko::media
