#include "app/components/mini_window/mini_options_page.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "nuko/draw3d.h"
#include "panels/mini_window.h"

namespace nuko::app {

namespace {

// A slider with its read-out beside it.
QSlider* Slider(QWidget* parent, int low, int high, int value, QLabel* readout, std::function<QString(int)> text) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(low, high);
    s->setValue(std::clamp(value, low, high));
    if (readout) {
        readout->setText(text(s->value()));
        QObject::connect(s, &QSlider::valueChanged, readout, [readout, text](int v) { readout->setText(text(v)); });
    }
    return s;
}

QHBoxLayout* Row(QWidget* a, QWidget* b) {
    auto* h = new QHBoxLayout;
    h->addWidget(a, 1);
    if (b) h->addWidget(b);
    return h;
}

bool PickColor(std::uint32_t& bgr, QWidget* parent) {
    const QColor c = QColorDialog::getColor(draw::FromColorRef(bgr), parent);
    if (!c.isValid()) return false;
    bgr = settings::Rgb(c.red(), c.green(), c.blue());
    return true;
}

}  // namespace

// --- the picture dialog ---------------------------------------------------------------

MiniPictureDialog::MiniPictureDialog(const settings::Settings& s, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("280"));
    setWindowTitle(QStringLiteral("MINI画面の背景画設定"));
    const settings::MiniPictureSection& p = s.mini_picture;
    auto* form = new QFormLayout;
    file_ = new QLineEdit(QString::fromStdString(p.midi), this);
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getOpenFileName(this, QString(), file_->text());
        if (!chosen.isEmpty()) file_->setText(chosen);
    });
    form->addRow(QStringLiteral("ﾌｧｲﾙ名(&F)"), Row(file_, browse));
    mode_ = new QComboBox(this);
    mode_->addItems({QStringLiteral("中央"), QStringLiteral("並べて表示"), QStringLiteral("拡大・縮小")});
    mode_->setCurrentIndex(std::clamp(p.type[1], 0, 2));
    form->addRow(QStringLiteral("表示方法(&D)"), mode_);
    button_face_ = p.color[0] != 0;
    color_ = static_cast<std::uint32_t>(p.color[1]) & 0xFFFFFFu;
    auto* color = new QPushButton(QStringLiteral("背景色(&C)..."), this);
    connect(color, &QPushButton::clicked, this, [this] {
        if (PickColor(color_, this)) button_face_ = false;
    });
    form->addRow(color);
    panel_ = new QCheckBox(QStringLiteral("ﾏｳｽがきた時は操作ﾊﾟﾈﾙ表示(&M)"), this);
    panel_->setChecked(p.type[2] != 0);
    form->addRow(panel_);
    double_click_ = new QCheckBox(QStringLiteral("背景画表示ｴﾘｱでのﾀﾞﾌﾞﾙｸﾘｯｸは再生および一時停止(&I)"), this);
    double_click_->setChecked(s.mini.double_click != 0);
    form->addRow(double_click_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(buttons);
}

void MiniPictureDialog::Store(settings::Settings& s) const {
    settings::MiniPictureSection& p = s.mini_picture;
    p.midi = file_->text().toStdString();
    p.type[1] = mode_->currentIndex();
    p.type[2] = panel_->isChecked() ? 1 : 0;
    p.color[0] = button_face_ ? 1 : 0;
    p.color[1] = static_cast<int>(color_);
    s.mini.double_click = double_click_->isChecked() ? 1 : 0;
}

// --- the page --------------------------------------------------------------------------

MiniOptionsPage::MiniOptionsPage(const settings::Settings& s, QWidget* parent) : QWidget(parent), edited_(s) {
    setObjectName(QStringLiteral("188"));
    const settings::MiniSection& m = s.mini;
    auto* v = new QVBoxLayout(this);

    auto* scroll = new QGroupBox(QStringLiteral("ｽｸﾛｰﾙﾀｲﾄﾙ表示"), this);
    auto* sf = new QFormLayout(scroll);
    font_ = new QComboBox(scroll);
    font_->addItems(draw::FontFamilies(true, false));
    const QString family = draw::ResolveFamily(m.font.face, QStringLiteral("IPAMincho"));
    if (font_->findText(family) < 0) font_->addItem(family);
    font_->setCurrentText(family);
    italic_ = new QCheckBox(QStringLiteral("ｲﾀﾘｯｸ(&I)"), scroll);
    italic_->setChecked((m.font.flag & 1) != 0);
    bold_ = new QCheckBox(QStringLiteral("ﾎﾞｰﾙﾄﾞ(&B)"), scroll);
    bold_->setChecked((m.font.flag & 2) != 0);
    auto* font_row = new QHBoxLayout;
    font_row->addWidget(font_, 1);
    font_row->addWidget(italic_);
    font_row->addWidget(bold_);
    sf->addRow(QStringLiteral("ﾌｫﾝﾄの設定(&F)"), font_row);
    background_ = m.color.background;
    text_ = m.color.text;
    button_face_ = m.color.button_face != 0;
    auto* colors = new QHBoxLayout;
    auto* bg = new QPushButton(QStringLiteral("背景色(&C)..."), scroll);
    auto* fg = new QPushButton(QStringLiteral("文字色(&T)..."), scroll);
    auto* def = new QPushButton(QStringLiteral("ﾃﾞｨﾌｫﾙﾄ色(&D)"), scroll);
    connect(bg, &QPushButton::clicked, this, [this] {
        if (PickColor(background_, this)) button_face_ = false;
        Preview();
    });
    connect(fg, &QPushButton::clicked, this, [this] {
        PickColor(text_, this);
        Preview();
    });
    connect(def, &QPushButton::clicked, this, [this] {
        const settings::MiniSection defaults;
        background_ = defaults.color.background;
        text_ = defaults.color.text;
        button_face_ = defaults.color.button_face != 0;
        Preview();
    });
    colors->addWidget(bg);
    colors->addWidget(fg);
    colors->addWidget(def);
    sf->addRow(colors);
    preview_ = new QLabel(QStringLiteral("Ａaあｱ亜宇０0$%"), scroll);
    preview_->setAutoFillBackground(true);
    preview_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sf->addRow(preview_);
    auto* style_box = new QGroupBox(QStringLiteral("3D表示"), scroll);
    auto* sh = new QHBoxLayout(style_box);
    const char* style_texts[] = {"しない(&N)", "凸表示(&U)", "凹表示(&O)"};
    for (int i = 0; i < 3; ++i) {
        styles_[i] = new QRadioButton(QString::fromUtf8(style_texts[i]), style_box);
        sh->addWidget(styles_[i]);
    }
    styles_[std::clamp(m.three_d_type, 0, 2)]->setChecked(true);
    sf->addRow(style_box);
    speed_ = Slider(scroll, 1, 10, m.scroll[1], nullptr, {});
    sf->addRow(QStringLiteral("ｽｸﾛｰﾙｽﾋﾟｰﾄﾞ(&S):"), speed_);
    auto* delay_text = new QLabel(scroll);
    delay_ = Slider(scroll, 0, 60, m.scrl_time, delay_text, [](int v) { return QStringLiteral("%1秒").arg(v); });
    sf->addRow(QStringLiteral("再生からｽｸﾛｰﾙ開始までの時間(&W):"), Row(delay_, delay_text));
    auto* gap_text = new QLabel(scroll);
    gap_ = Slider(scroll, 0, 100, m.scroll[2], gap_text, [](int v) { return QStringLiteral("%1%").arg(v); });
    sf->addRow(QStringLiteral("最後の文字から最初の文字が出るまでの割合(&D):"), Row(gap_, gap_text));
    keep_short_ = new QCheckBox(QStringLiteral("ﾀｲﾄﾙが短いときはｽｸﾛｰﾙしない(&Z)"), scroll);
    keep_short_->setChecked(m.scroll[3] != 0);
    show_time_ = new QCheckBox(QStringLiteral("再生時間を表示(&L)"), scroll);
    show_time_->setChecked(m.scroll[4] != 0);
    sf->addRow(keep_short_);
    sf->addRow(show_time_);
    v->addWidget(scroll);

    auto* form = new QFormLayout;
    display_ = new QComboBox(this);
    display_->addItems({QStringLiteral("ﾎﾞﾀﾝのみ"), QStringLiteral("ﾀｲﾄﾙ"), QStringLiteral("ﾀｲﾄﾙとｽﾗｲﾀﾞ")});
    display_->setCurrentIndex(std::clamp(m.title, 0, 2));
    form->addRow(QStringLiteral("表示(&D)"), display_);
    title_fix_ = new QCheckBox(QStringLiteral("ｷｬﾌﾟｼｮﾝのﾀｲﾄﾙを固定(&T)"), this);
    title_fix_->setChecked(m.title_fix != 0);
    on_top_ = new QCheckBox(QStringLiteral("常に手前に表示(&H)"), this);
    on_top_->setChecked(m.window_top != 0);
    behind_ = new QCheckBox(QStringLiteral("ﾏｳｽが来た時は背面表示(&M)"), this);
    behind_->setChecked(m.mouse_wnd_btm != 0);
    caption_ = new QCheckBox(QStringLiteral("ｷｬﾌﾟｼｮﾝを表示(&C)"), this);
    caption_->setChecked(m.caption != 0);
    for (QCheckBox* b : {caption_, title_fix_, on_top_, behind_}) form->addRow(b);
    picture_ = new QCheckBox(QStringLiteral("背景画を表示(&G)"), this);
    picture_->setChecked(s.mini_picture.type[0] != 0);
    auto* picture_button = new QPushButton(QStringLiteral("設定(&S)..."), this);
    connect(picture_button, &QPushButton::clicked, this, [this] {
        MiniPictureDialog dialog(edited_, this);
        if (dialog.exec() == QDialog::Accepted) dialog.Store(edited_);
    });
    form->addRow(Row(picture_, picture_button));
    accel_shift_ = new QCheckBox(QStringLiteral("SHIFT によるｷｰ操作(&A)"), this);
    accel_shift_->setChecked(m.accel_shift != 0);
    play_time_ = new QCheckBox(QStringLiteral("PLAYﾎﾞﾀﾝに時間を表示(&P)"), this);
    play_time_->setChecked(m.play_time != 0);
    form->addRow(accel_shift_);
    form->addRow(play_time_);
    slider_ = new QComboBox(this);
    slider_->addItem(QStringLiteral("演奏位置"));
    form->addRow(QStringLiteral("ｽﾗｲﾀﾞ機能(&S)"), slider_);
    position_ = new QComboBox(this);
    position_->addItems({QStringLiteral("前回の位置"), QStringLiteral("画面の右上")});
    position_->setCurrentIndex(m.def_position != 0 ? 1 : 0);
    form->addRow(QStringLiteral("表示位置(&X)"), position_);
    auto* transparency_text = new QLabel(this);
    transparency_ = Slider(this, 0, panels::kMostTransparent, s.mini_picture.transparence, transparency_text,
                           [](int t) { return t == 0 ? QStringLiteral("なし") : QStringLiteral("%1%").arg(t); });
    form->addRow(QStringLiteral("透明度(&T):"), Row(transparency_, transparency_text));
    v->addLayout(form);
    Preview();
}

void MiniOptionsPage::Preview() {
    QPalette pal = preview_->palette();
    pal.setColor(QPalette::Window, draw::FromColorRef(button_face_ ? settings::kButtonFaceColor : background_));
    pal.setColor(QPalette::WindowText, draw::FromColorRef(text_));
    preview_->setPalette(pal);
    QFont f(font_->currentText());
    f.setItalic(italic_->isChecked());
    f.setBold(bold_->isChecked());
    preview_->setFont(f);
}

void MiniOptionsPage::Store(settings::Settings& s) const {
    s.mini_picture = edited_.mini_picture;
    s.mini.double_click = edited_.mini.double_click;
    settings::MiniSection& m = s.mini;
    m.font.face = font_->currentText().toStdString();
    m.font.flag = (italic_->isChecked() ? 1 : 0) | (bold_->isChecked() ? 2 : 0);
    m.color.background = background_;
    m.color.text = text_;
    m.color.button_face = button_face_ ? 1 : 0;
    for (int i = 0; i < 3; ++i)
        if (styles_[i]->isChecked()) m.three_d_type = i;
    m.scroll[1] = speed_->value();
    m.scroll[2] = gap_->value();
    m.scroll[3] = keep_short_->isChecked() ? 1 : 0;
    m.scroll[4] = show_time_->isChecked() ? 1 : 0;
    m.scrl_time = delay_->value();
    m.title = display_->currentIndex();
    m.caption = caption_->isChecked() ? 1 : 0;
    m.title_fix = title_fix_->isChecked() ? 1 : 0;
    m.window_top = on_top_->isChecked() ? 1 : 0;
    m.mouse_wnd_btm = behind_->isChecked() ? 1 : 0;
    s.mini_picture.type[0] = picture_->isChecked() ? 1 : 0;
    m.accel_shift = accel_shift_->isChecked() ? 1 : 0;
    m.play_time = play_time_->isChecked() ? 1 : 0;
    m.slider_function = slider_->currentIndex();
    m.def_position = position_->currentIndex();
    s.mini_picture.transparence = transparency_->value();
}

}  // namespace nuko::app
