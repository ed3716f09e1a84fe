#include "volume_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace nuko::panels {

namespace {

constexpr int kSteps[] = {15, 31, 63, 127};
// Shown for "no line": a kind without a volume control.
const QString kNone = QStringLiteral("(なし)");

}  // namespace

QComboBox* VolumeOptionsDialog::Lines(const std::vector<std::string>& labels, const std::string& current) {
    auto* box = new QComboBox(this);
    box->addItem(kNone, QString());
    for (const std::string& l : labels) box->addItem(QString::fromStdString(l), QString::fromStdString(l));
    // A saved line that is gone stays chosen, so that it is not lost.
    int at = box->findData(QString::fromStdString(current));
    if (at < 0 && !current.empty()) {
        box->addItem(QString::fromStdString(current), QString::fromStdString(current));
        at = box->count() - 1;
    }
    box->setCurrentIndex(std::max(0, at));
    return box;
}

VolumeOptionsDialog::VolumeOptionsDialog(const std::vector<std::string>& labels, const VolumeOptions& o,
                                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("ﾎﾞﾘｭｰﾑ"));
    auto* form = new QFormLayout;
    const char* names[] = {"MIDI(&M):", "CD(&C):", "動画(&A):", "WAVE(&W):"};
    for (int k = 0; k < mixer::VolumePanelModel::kKinds; ++k) {
        kinds_[static_cast<std::size_t>(k)] = Lines(labels, o.lines[static_cast<std::size_t>(k)]);
        form->addRow(QString::fromUtf8(names[k]), kinds_[static_cast<std::size_t>(k)]);
    }
    steps_ = new QComboBox(this);
    for (int s : kSteps) steps_->addItem(QString::number(s), s);
    steps_->setCurrentIndex(std::max(0, steps_->findData(mixer::ValidMaxLevel(o.steps))));
    form->addRow(QStringLiteral("分解能(&F):"), steps_);

    auto* mute = new QGroupBox(QStringLiteral("消音(ﾐｭｰﾄ)の設定"), this);
    auto* mf = new QFormLayout(mute);
    mute_ = Lines(labels, o.mute_line);
    mf->addRow(QStringLiteral("ﾎﾞﾘｭｰﾑ(&V):"), mute_);
    auto* rate_row = new QHBoxLayout;
    rate_ = new QSlider(Qt::Horizontal, mute);
    rate_->setRange(0, 100);
    rate_->setValue(std::clamp(o.mute_rate, 0, 100));
    rate_text_ = new QLabel(mute);
    rate_text_->setMinimumWidth(rate_text_->fontMetrics().horizontalAdvance(QStringLiteral("100%")));
    auto show_rate = [this] { rate_text_->setText(QString::number(rate_->value()) + QStringLiteral("%")); };
    show_rate();
    connect(rate_, &QSlider::valueChanged, this, show_rate);
    rate_row->addWidget(rate_, 1);
    rate_row->addWidget(rate_text_);
    mf->addRow(QStringLiteral("減衰率(&G):"), rate_row);

    set_at_start_ = new QCheckBox(QStringLiteral("立上げ時にﾎﾞﾘｭｰﾑ値をｾｯﾄする(&S)"), this);
    set_at_start_->setChecked(o.set_at_start);
    restore_ = new QCheckBox(QStringLiteral("終了時にﾎﾞﾘｭｰﾑ値を起動時の状態に復元する(&E)"), this);
    restore_->setChecked(o.restore_at_exit);
    chase_ = new QCheckBox(QStringLiteral("ﾎﾞﾘｭｰﾑを追従させる(&H)"), this);
    chase_->setChecked(o.chase);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(mute);
    v->addWidget(set_at_start_);
    v->addWidget(restore_);
    v->addWidget(chase_);
    v->addWidget(buttons);
}

VolumeOptions VolumeOptionsDialog::options() const {
    VolumeOptions o;
    for (int k = 0; k < mixer::VolumePanelModel::kKinds; ++k)
        o.lines[static_cast<std::size_t>(k)] = kinds_[static_cast<std::size_t>(k)]->currentData().toString().toStdString();
    o.steps = steps_->currentData().toInt();
    o.mute_line = mute_->currentData().toString().toStdString();
    o.mute_rate = rate_->value();
    o.set_at_start = set_at_start_->isChecked();
    o.restore_at_exit = restore_->isChecked();
    o.chase = chase_->isChecked();
    return o;
}

}  // namespace nuko::panels
