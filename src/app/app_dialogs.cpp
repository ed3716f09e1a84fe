#include "app/app_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "app/product.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"

namespace nuko::app {

namespace {

QListWidget* ListOf(const std::vector<std::string>& lines, QWidget* parent) {
    auto* list = new QListWidget(parent);
    for (const auto& line : lines) {
        QString text = QString::fromStdString(line);
        text.replace('\t', QStringLiteral("    "));
        list->addItem(text);
    }
    list->setSelectionMode(QAbstractItemView::NoSelection);
    return list;
}

}  // namespace

SplashDialog::SplashDialog(QWidget* parent) : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("161"));
    auto* v = new QVBoxLayout(this);
    auto* title = new QLabel(QString::fromUtf8(kProductTitle), this);
    QFont f = title->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    title->setFont(f);
    v->addWidget(title, 0, Qt::AlignCenter);
    v->addWidget(new QLabel(QStringLiteral("ご利用ありがとうございます."), this), 0, Qt::AlignCenter);
    v->addWidget(new QLabel(QString::fromStdString(std::string(LoadString(strings::kVersionText))), this), 0, Qt::AlignCenter);
    setModal(false);
}

MciCheckDialog::MciCheckDialog(const playback::ProbeResult& probe, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("205"));
    setWindowTitle(QStringLiteral("NU-KOP95  MCIﾄﾞﾗｲﾊﾞｰ及びﾂｰﾙ ﾁｪｯｸ"));
    auto* v = new QVBoxLayout(this);
    auto* playable = new QGroupBox(QStringLiteral("再生可能なﾒﾃﾞｨｱ"), this);
    (new QVBoxLayout(playable))->addWidget(ListOf(probe.playable, playable));
    auto* needed = new QGroupBox(QStringLiteral("ﾄﾞﾗｲﾊﾞｰが必要なﾒﾃﾞｨｱ"), this);
    (new QVBoxLayout(needed))->addWidget(ListOf(probe.need_driver, needed));
    auto* tools = new QGroupBox(QStringLiteral("ﾂｰﾙ"), this);
    (new QVBoxLayout(tools))->addWidget(ListOf(probe.tools, tools));
    v->addWidget(playable);
    v->addWidget(needed);
    v->addWidget(tools);
    dont_show_ = new QCheckBox(QStringLiteral("以後、このﾒｯｾｰｼﾞを表示しない(&D)"), this);
    v->addWidget(dont_show_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    v->addWidget(buttons);
}

bool MciCheckDialog::dont_show_again() const { return dont_show_->isChecked(); }

}  // namespace nuko::app
