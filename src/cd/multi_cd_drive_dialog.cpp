#include "cd/multi_cd_drive_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "nuko/string_ids.h"
#include "nuko/strings.h"

namespace nuko::cd {

MultiCdDriveDialog::MultiCdDriveDialog(const std::vector<CdDrive>& drives, const Flags& used, QWidget* parent)
    : QDialog(parent), used_(used) {
    setWindowTitle(QString::fromUtf8("ﾏﾙﾁCD再生時の再生CD選択"));
    auto* v = new QVBoxLayout(this);
    auto* label = new QLabel(QString::fromUtf8("再生するCD-ROMﾄﾞﾗｲﾌﾞの選択(&S)"), this);
    list_ = new QListWidget(this);
    label->setBuddy(list_);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    list_->setFont(fixed);
    v->addWidget(label);
    v->addWidget(list_, 1);
    const std::string drive_label(LoadString(strings::kDriveLabel));
    int index = 0;
    for (const auto& d : drives) {
        if (d.image) continue;  // images take no part in multi-CD play
        if (index >= kMultiCdDrives) break;
        auto* item = new QListWidgetItem(QString::fromStdString(MultiCdDriveLine(drive_label, d, index)), list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(used_[static_cast<std::size_t>(index)] ? Qt::Checked : Qt::Unchecked);
        item->setSizeHint(QSize(0, QFontMetrics(fixed).height() + 4));
        ++index;
    }
    drive_count_ = index;
    if (index == 0) list_->addItem(QString::fromUtf8("CD-ROMﾄﾞﾗｲﾌﾞ無"));
    list_->setCurrentRow(0);

    auto* row = new QHBoxLayout;
    auto* all = new QPushButton(QString::fromUtf8("すべて選択(&A)"), this);
    auto* none = new QPushButton(QString::fromUtf8("すべて非選択(&D)"), this);
    row->addWidget(all);
    row->addWidget(none);
    v->addLayout(row);
    auto set_all = [this](bool on) {
        for (int i = 0; i < drive_count_; ++i) list_->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    };
    connect(all, &QPushButton::clicked, this, [set_all] { set_all(true); });
    connect(none, &QPushButton::clicked, this, [set_all] { set_all(false); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(buttons);
}

MultiCdDriveDialog::Flags MultiCdDriveDialog::used() const {
    Flags out = used_;
    for (int i = 0; i < drive_count_; ++i)
        out[static_cast<std::size_t>(i)] = list_->item(i)->checkState() == Qt::Checked;
    return out;
}

}  // namespace nuko::cd
