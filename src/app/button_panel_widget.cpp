#include "button_panel_widget.h"

#include <QGridLayout>
#include <QToolButton>

#include "command_ids.h"
#include "nuko/strings.h"

namespace nuko::app {

namespace {
QString Str(int id) { return QString::fromStdString(std::string(LoadString(id))); }
}  // namespace

ButtonPanel::ButtonPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("NU-KOP32!BtnArrayWindow"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(2);
    // Play commands, with the display names of the hot key list.
    const int play_ids[] = {cmd::kPrevious, cmd::kPlay, cmd::kNext, cmd::kStop, cmd::kPause, cmd::kEject};
    const int play_names[] = {4256, 4257, 4258, 4259, 4260, 4261};
    for (int i = 0; i < 6; ++i) grid->addWidget(Add(play_ids[i], Str(play_names[i]), false), 0, i);
    // Media kinds.
    for (int kind = 0; kind < 4; ++kind) grid->addWidget(Add(cmd::kKindMidi + kind, Str(4262 + kind), true), 1, kind);
    // Play modes.
    const std::pair<int, const char*> modes[] = {
        {cmd::kModeSelected, "選択曲"}, {cmd::kModeSequential, "順次"}, {cmd::kModeLoop, "ﾙｰﾌﾟ"},
        {cmd::kModeRepeat, "連続"},     {cmd::kRandom, "ﾗﾝﾀﾞﾑ"},        {cmd::kIntro, "ｲﾝﾄﾛ"}};
    for (int i = 0; i < 6; ++i) grid->addWidget(Add(modes[i].first, QString::fromUtf8(modes[i].second), true), 2, i);
    SetPlayState(3, 0);
}

QToolButton* ButtonPanel::Add(int id, const QString& text, bool checkable) {
    auto* b = new QToolButton(this);
    b->setText(text);
    b->setCheckable(checkable);
    b->setAutoRaise(false);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setObjectName(QString::number(id));
    connect(b, &QToolButton::clicked, this, [this, id] { emit command(id); });
    buttons_.emplace_back(id, b);
    return b;
}

QToolButton* ButtonPanel::button(int id) const {
    for (const auto& [bid, b] : buttons_)
        if (bid == id) return b;
    return nullptr;
}

void ButtonPanel::SetPlayState(int state, int kind) {
    const bool empty = state < 0;
    const bool stopped = state == 3 || empty;
    button(cmd::kPlay)->setEnabled(!empty);
    button(cmd::kPrevious)->setEnabled(!empty);
    button(cmd::kNext)->setEnabled(!empty);
    button(cmd::kStop)->setEnabled(!stopped);
    button(cmd::kPause)->setEnabled(!stopped);
    button(cmd::kPause)->setDown(state == 4);
    button(cmd::kPlay)->setDown(state == 1);
    for (int k = 0; k < 4; ++k) {
        QToolButton* b = button(cmd::kKindMidi + k);
        b->setChecked(k == kind);
        // The kind changes only while stopped.
        b->setEnabled(stopped || k == kind);
    }
}

void ButtonPanel::SetMode(const playback::PlayMode& mode) {
    const int ids[] = {cmd::kModeSelected, cmd::kModeSequential, cmd::kModeLoop, cmd::kModeRepeat};
    for (int m = 0; m < 4; ++m) button(ids[m])->setChecked(m == mode.mode);
    button(cmd::kRandom)->setChecked(mode.random);
    button(cmd::kIntro)->setChecked(mode.intro);
}

void ButtonPanel::SetKindEnabled(int kind, bool enabled) {
    if (QToolButton* b = button(cmd::kKindMidi + kind)) b->setEnabled(enabled);
}

}  // namespace nuko::app
