// nu_kop32: the player.
#include <QApplication>
#include <clocale>

#include "nuko/qt_prompt.h"
#include "player_app.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // libmpv needs the C numeric locale.
    std::setlocale(LC_NUMERIC, "C");
    nuko::QtPrompt prompt;
    nuko::SetCurrentPrompt(&prompt);

    // The whole command line after the program name is one path.
    std::string path;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) path += ' ';
        path += argv[i];
    }
    nuko::app::CPlayerApp player(app, path);
    if (!player.Start()) {
        nuko::SetCurrentPrompt(nullptr);
        return player.exit_code();
    }
    int code = app.exec();
    nuko::SetCurrentPrompt(nullptr);
    return code;
}
