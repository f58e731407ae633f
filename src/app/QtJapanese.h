// Qt's own texts (standard buttons, the folder picker, the colour dialog) in Japanese,
// like every text of the program, whatever the user's locale.
#pragma once

#include <string>

class QCoreApplication;

namespace lintel {

/// Installs Qt's Japanese translation of its own texts ("qtbase_ja.qm" in Qt's
/// translations folder) into `app`. False, with `error` naming the file, when it cannot
/// be loaded; Qt's texts then stay English.
bool LoadQtJapanese(QCoreApplication& app, std::string& error);

}  // namespace lintel
