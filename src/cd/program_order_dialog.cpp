#include "program_order_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QListWidget>
#include <QPushButton>

#include "cd_title_editor.h"

namespace nuko::cd {

ProgramOrderDialog::ProgramOrderDialog(const media::MediaList& record, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("ﾌﾟﾛｸﾞﾗﾑ設定"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("order"));
    list_->setDragDropMode(QAbstractItemView::InternalMove);
    for (std::size_t index : ProgramOrder(record)) {
        auto row = TrackRowTexts(record, index);
        auto* item = new QListWidgetItem(QString::fromStdString(row[0] + "  " + row[1] + "  " + row[2]), list_);
        item->setData(Qt::UserRole, static_cast<qulonglong>(index));
    }
    if (list_->count() > 0) list_->setCurrentRow(0);

    auto* up = new QPushButton(QStringLiteral("上へ(&U)"), this);
    auto* down = new QPushButton(QStringLiteral("下へ(&D)"), this);
    up->setObjectName(QStringLiteral("up"));
    down->setObjectName(QStringLiteral("down"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("ok"));
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);

    auto* grid = new QGridLayout(this);
    grid->addWidget(list_, 0, 0, 3, 1);
    grid->addWidget(up, 0, 1);
    grid->addWidget(down, 1, 1);
    grid->setRowStretch(2, 1);
    grid->addWidget(buttons, 3, 0, 1, 2);

    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void ProgramOrderDialog::MoveSelected(int delta) {
    int row = list_->currentRow();
    int target = row + delta;
    if (row < 0 || target < 0 || target >= list_->count()) return;
    QListWidgetItem* item = list_->takeItem(row);
    list_->insertItem(target, item);
    list_->setCurrentRow(target);
}

std::vector<int> ProgramOrderDialog::ProgramNumbers() const {
    std::vector<std::size_t> order;
    for (int i = 0; i < list_->count(); ++i)
        order.push_back(static_cast<std::size_t>(list_->item(i)->data(Qt::UserRole).toULongLong()));
    return ProgramNumbersOfOrder(order);
}

}  // namespace nuko::cd
