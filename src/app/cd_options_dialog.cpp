#include "app/cd_options_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/cd_options_page.h"

namespace nuko::app {

CdOptionsDialog::CdOptionsDialog(const settings::Settings& s, std::vector<cd::CdDrive> drives, QWidget* parent)
    : QDialog(parent), page_(new CdOptionsPage(s, std::move(drives), this)) {
    setWindowTitle(QString::fromUtf8("動作環境の設定"));
    auto* v = new QVBoxLayout(this);
    v->addWidget(page_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(buttons);
}

const settings::Settings& CdOptionsDialog::settings() { return page_->settings(); }

}  // namespace nuko::app
