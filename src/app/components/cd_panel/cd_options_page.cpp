#include "app/components/cd_panel/cd_options_page.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "cd/multi_cd_drive_dialog.h"

namespace nuko::app {
namespace {

QColor FromBgr(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
std::uint32_t ToBgr(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | static_cast<std::uint32_t>(c.green()) << 8 |
           static_cast<std::uint32_t>(c.blue()) << 16;
}

constexpr int kInsertDefault = 3000;
constexpr int kReadDefault = 150;

}  // namespace

CdOptionsPage::CdOptionsPage(const settings::Settings& s, std::vector<cd::CdDrive> drives, QWidget* parent)
    : QWidget(parent), s_(s), drives_(std::move(drives)) {
    setObjectName(QStringLiteral("COptionCdDlg"));
    setWindowTitle(QStringLiteral("CD"));
    auto* v = new QVBoxLayout(this);
    auto check = [&](const char* text, int value) {
        auto* c = new QCheckBox(QString::fromUtf8(text), this);
        c->setChecked(value != 0);
        v->addWidget(c);
        return c;
    };
    insert_check_ = check("挿入を定期的にﾁｪｯｸ(&C)", s_.cd.insert_check);
    auto* interval = new QHBoxLayout;
    auto* interval_label = new QLabel(QString::fromUtf8("挿入ﾁｪｯｸ間隔(&T):"), this);
    insert_time_ = new QSlider(Qt::Horizontal, this);
    insert_time_->setObjectName(QStringLiteral("insert_time"));
    insert_time_->setRange(1, 60);
    insert_time_->setValue(std::clamp(s_.cd.insert_time / 1000, 1, 60));
    interval_label->setBuddy(insert_time_);
    insert_readout_ = new QLabel(this);
    auto* insert_reset = new QPushButton(QString::fromUtf8("ﾘｾｯﾄ"), this);
    interval->addWidget(interval_label);
    interval->addWidget(insert_time_, 1);
    interval->addWidget(insert_readout_);
    interval->addWidget(insert_reset);
    v->addLayout(interval);
    insert_multi_ = check("接続されているCDﾄﾞﾗｲﾌﾞ全てをﾁｪｯｸ(&Z)", s_.cd.insert_multi);
    insert_start_ = check("挿入されたら自動的に再生(&A)", s_.cd.insert_start);
    change_msg_ = check("再生中、CD再生が発生時に確認ﾒｯｾｰｼﾞを表示(&E)", s_.cd.change_msg);
    smooth_ = check("途切れないように再生する(&P)", s_.cd.smooth_play);
    multi_ = check("ﾏﾙﾁCDﾄﾞﾗｲﾌﾞ再生(&M)", s_.cd.multi);
    auto* choose = new QPushButton(QString::fromUtf8("再生CD-ROMﾄﾞﾗｲﾌﾞの選択(&S)..."), this);
    choose->setObjectName(QStringLiteral("choose_drives"));
    v->addWidget(choose, 0, Qt::AlignLeft);
    random_drive_ = check("ﾗﾝﾀﾞﾑ再生時、CD-ROMﾄﾞﾗｲﾌﾞも1曲毎にﾗﾝﾀﾞﾑ選択(&R)", s_.cd.muti_random);

    auto* colours = new QGroupBox(QString::fromUtf8("ﾎﾞﾀﾝﾀｲﾌﾟ表示のﾊﾞｯｸｶﾗｰ"), this);
    auto* ch = new QHBoxLayout(colours);
    auto* background = new QPushButton(QString::fromUtf8("背景色(&B)..."), colours);
    auto* reset_colour = new QPushButton(QString::fromUtf8("ﾃﾞｨﾌｫﾙﾄ色(&D)"), colours);
    preview_ = new QLabel(QStringLiteral("1 2 3 4 5 6 7 8 9"), colours);
    preview_->setAutoFillBackground(true);
    ch->addWidget(background);
    ch->addWidget(reset_colour);
    ch->addWidget(preview_, 1);
    v->addWidget(colours);

    auto* read = new QHBoxLayout;
    auto* read_label = new QLabel(QString::fromUtf8("再生情報の読み込み間隔(&I):"), this);
    read_time_ = new QSlider(Qt::Horizontal, this);
    read_time_->setObjectName(QStringLiteral("read_time"));
    read_time_->setRange(50, 2000);
    read_time_->setSingleStep(10);
    read_time_->setValue(std::clamp(s_.cd.read_time, 50, 2000));
    read_label->setBuddy(read_time_);
    read_readout_ = new QLabel(this);
    auto* read_reset = new QPushButton(QString::fromUtf8("ﾘｾｯﾄ"), this);
    read->addWidget(read_label);
    read->addWidget(read_time_, 1);
    read->addWidget(read_readout_);
    read->addWidget(read_reset);
    v->addLayout(read);
    v->addStretch(1);

    auto show_insert = [this](int seconds) { insert_readout_->setText(QStringLiteral("%1秒").arg(seconds, 2, 10, QChar('0'))); };
    auto show_read = [this](int ms) { read_readout_->setText(QStringLiteral("%1ﾐﾘ秒").arg(ms, 4, 10, QChar('0'))); };
    show_insert(insert_time_->value());
    show_read(read_time_->value());
    connect(insert_time_, &QSlider::valueChanged, this, show_insert);
    connect(read_time_, &QSlider::valueChanged, this, show_read);
    connect(insert_reset, &QPushButton::clicked, this, [this] { insert_time_->setValue(kInsertDefault / 1000); });
    connect(read_reset, &QPushButton::clicked, this, [this] { read_time_->setValue(kReadDefault); });
    connect(choose, &QPushButton::clicked, this, &CdOptionsPage::ChooseDrives);
    connect(background, &QPushButton::clicked, this, [this] {
        QColor c = QColorDialog::getColor(FromBgr(s_.color.cd_area.background), this);
        if (!c.isValid()) return;
        s_.color.cd_area.background = ToBgr(c);
        ShowColour();
    });
    connect(reset_colour, &QPushButton::clicked, this, [this] {
        s_.color.cd_area.background = settings::ColorSection{}.cd_area.background;
        ShowColour();
    });
    ShowColour();
}

void CdOptionsPage::ShowColour() {
    QPalette p = preview_->palette();
    p.setColor(QPalette::Window, FromBgr(s_.color.cd_area.background));
    p.setColor(QPalette::WindowText, FromBgr(s_.color.cd_area.text));
    preview_->setPalette(p);
}

void CdOptionsPage::ChooseDrives() {
    cd::MultiCdDriveDialog dialog(drives_, s_.cd.multi_cd_sel.used, this);
    if (dialog.exec() == QDialog::Accepted) s_.cd.multi_cd_sel.used = dialog.used();
}

const settings::Settings& CdOptionsPage::settings() {
    s_.cd.insert_check = insert_check_->isChecked();
    s_.cd.insert_time = insert_time_->value() * 1000;
    s_.cd.insert_multi = insert_multi_->isChecked();
    s_.cd.insert_start = insert_start_->isChecked();
    s_.cd.change_msg = change_msg_->isChecked();
    s_.cd.smooth_play = smooth_->isChecked();
    s_.cd.multi = multi_->isChecked();
    s_.cd.muti_random = random_drive_->isChecked();
    s_.cd.read_time = read_time_->value();
    return s_;
}

}  // namespace nuko::app
