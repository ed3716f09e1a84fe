// Qt's own texts (the file, colour and font dialogs, the buttons of message
// boxes) in Japanese, as the rest of the player speaks.
#pragma once

class QCoreApplication;

namespace nuko {

// Loads Qt's Japanese translation ("qtbase_ja") from Qt's translation
// folder and installs it on `app`; false when it is not installed (Qt's
// texts then stay English).
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace nuko
