#include "app/components/volume/volume_options_page.h"

#include <QDialogButtonBox>

#include "app/components/volume/volume_settings.h"
#include "app/options/options_sheet.h"
#include "panels/volume_options_dialog.h"
#include "settings/settings.h"

namespace nuko::app {

std::unique_ptr<OptionsPage> MakeVolumeOptionsPage(std::vector<std::string> labels) {
    return std::make_unique<FormPage>(
        QStringLiteral("ﾎﾞﾘｭｰﾑ"),
        [labels = std::move(labels)](const settings::Settings& s, QWidget* parent) -> QWidget* {
            auto* form = new panels::VolumeOptionsDialog(labels, VolumeSettings::From(s).Options(), parent);
            form->setWindowFlags(Qt::Widget);  // a part of the page, without its own buttons
            if (auto* buttons = form->findChild<QDialogButtonBox*>()) buttons->hide();
            return form;
        },
        [](QWidget* form, settings::Settings& s) {
            VolumeSettings v = VolumeSettings::From(s);
            v.Take(static_cast<panels::VolumeOptionsDialog*>(form)->options());
            v.StoreInto(s);
        });
}

}  // namespace nuko::app
