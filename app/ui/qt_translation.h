#pragma once
// Qt's own texts (the file dialog, the buttons of message boxes) in Czech, like the rest of the
// program, whatever the user's locale.

class QCoreApplication;

namespace qx {

// Installs Qt's Czech translation into `app`; false when the system has none (the dialogs then
// keep Qt's English texts).
bool InstallQtCzech(QCoreApplication& app);

}  // namespace qx
