#include "convert_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "nuko/string_ids.h"

namespace nuko::catconvert {

namespace {
QString Text(int id) { return QString::fromStdString(std::string(ConverterStrings().Get(id))); }
}  // namespace

ConvertDialog::ConvertDialog(std::string path, TitleReader midi_title, QWidget* parent)
    : QDialog(parent), path_(std::move(path)), midi_title_(std::move(midi_title)) {
    setWindowTitle(QStringLiteral("NU_KOP95 Catalog-Converter Ver1.00"));
    setModal(true);

    auto* banner = new QLabel(QStringLiteral("<<<<< カタログのバージョンが違います >>>>>"), this);
    banner->setObjectName(QStringLiteral("1000"));
    banner->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    banner->setAlignment(Qt::AlignCenter);
    banner->setStyleSheet(QStringLiteral("color: red; padding: 6px;"));

    auto* file = new QLineEdit(QString::fromStdString(path_), this);
    file->setObjectName(QStringLiteral("1002"));
    file->setReadOnly(true);

    message_ = new QLabel(Text(strings::catalog_converter::kStartBanner), this);
    message_->setObjectName(QStringLiteral("1001"));
    message_->setMinimumHeight(2 * fontMetrics().height() + 8);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* start = buttons->addButton(QStringLiteral("ｽﾀｰﾄ"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    start->setObjectName(QStringLiteral("start"));
    cancel->setObjectName(QStringLiteral("cancel"));
    start->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(banner, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("ﾌｧｲﾙ名："), this), 1, 0);
    grid->addWidget(file, 1, 1);
    grid->addWidget(message_, 2, 0, 1, 2);
    grid->addWidget(buttons, 3, 0, 1, 2);

    connect(start, &QPushButton::clicked, this, &ConvertDialog::Start);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void ConvertDialog::Start() {
    message_->setText(Text(strings::catalog_converter::kConverting));
    QApplication::processEvents();  // let the message show before the work starts
    result_ = ConvertWithPrompts(path_, midi_title_, this);
    if (result_) accept();
    else reject();
}

}  // namespace nuko::catconvert
