// nu_32cvt: the CD data converter program. One copy runs at a time; a
// second start brings the first one's window to the front and ends.
#include <QApplication>
#include <string>
#include <vector>

#include "cd_convert.h"
#include "cd_convert_dialog.h"
#include "nuko/paths.h"
#include "nuko/qt_prompt.h"
#include "nuko/qt_translations.h"
#include "settings/settings_store.h"
#include "desktop/single_instance.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    nuko::InstallQtTranslations(app);
    nuko::QtPrompt prompt;
    nuko::ScopedPrompt scoped(&prompt);

    nuko::desktop::SingleInstance instance(nuko::folders::InstanceFolder(), "nu_32cvt");
    if (instance.Start() == nuko::desktop::SingleInstance::Role::Secondary && instance.Send("front")) return 0;

    std::vector<std::string> args(argv + 1, argv + argc);
    nuko::settings::SettingsStore store(nuko::folders::SettingsFile());
    nuko::settings::SettingsStore own(nuko::cdconvert::OwnSettingsFile());
    nuko::cdconvert::CdConvertDialog dialog(store, own, nuko::cdconvert::HasSaveFlag(args));
    instance.SetHandler([&dialog](const QByteArray&) {
        dialog.BringToFront();
        return 0;
    });
    dialog.exec();
    return 0;
}
