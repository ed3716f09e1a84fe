#include "app/components/buttons/button_panel_widget.h"

#include <QGridLayout>
#include <QToolButton>

#include "app/components/buttons/button_panel_model.h"
#include "nuko/qt_strings.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"

namespace nuko::app {

namespace {
}  // namespace

ButtonPanel::ButtonPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("NU-KOP32!BtnArrayWindow"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(2);
    // Play commands and kinds, with the display names of the hot key list.
    const auto& play = ButtonPanelModel::PlayIds();
    for (int i = 0; i < 6; ++i) grid->addWidget(Add(play[i], LoadQString(strings::kButtonPrevious + i), false), 0, i);
    const auto& kinds = ButtonPanelModel::KindIds();
    for (int i = 0; i < 4; ++i) grid->addWidget(Add(kinds[i], LoadQString(strings::kFirstKindButton + i), true), 1, i);
    const char* mode_names[] = {"選択曲", "順次", "ﾙｰﾌﾟ", "連続", "ﾗﾝﾀﾞﾑ", "ｲﾝﾄﾛ"};
    const auto& modes = ButtonPanelModel::ModeIds();
    for (int i = 0; i < 6; ++i) grid->addWidget(Add(modes[i], QString::fromUtf8(mode_names[i]), true), 2, i);
    Show(ButtonPanelModel());
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

void ButtonPanel::Show(const ButtonPanelModel& model) {
    for (const auto& [id, b] : buttons_) {
        const ButtonPanelModel::Look look = model.LookOf(id);
        b->setEnabled(look.enabled);
        if (b->isCheckable()) b->setChecked(look.checked);
        else b->setDown(look.down);
    }
}

}  // namespace nuko::app
