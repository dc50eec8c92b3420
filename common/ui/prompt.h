#pragma once
// Everything that asks the user through a modal dialog goes through this seam: choosing a file,
// an exclamation message box, a yes/no question. The program installs the dialog-based one;
// tests install a scripted one so that no test ever waits on a modal dialog.

#include <QString>
#include <optional>

#include "link/core/port_paths.h"

class QWidget;

namespace qx {

struct FileChoice {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    QString title;          // e.g. "Otevřít soubor"
    QString filter;         // Qt filter text, e.g. "Soubor hodnot (*.PRN *.WZ)"
    QString defaultSuffix;  // added when the user types a name without one
    QString initialPath;    // folder or file to start in
    // Where a choice among the filters matters (the separators of a CSV file, the format of a
    // picture), the filter the user left selected is written here.
    QString* chosenFilter = nullptr;
};

// The choice of a data file to read or to write, starting at `current`. A typed name without an
// extension gets ".WZ", so the first filter lists those files beside the "*.PRN" ones: the
// program's own files must be found again when the user opens one. The dialog is titled by what
// it does: "Otevřít soubor", or for saving `saveTitle` (a download's "Uložit soubor" unless told).
inline constexpr const char* kSaveFileTitle = "Uložit soubor";
inline constexpr const char* kSaveRecordingTitle = "Uložit záznam";
FileChoice DataFileChoice(FileChoice::Mode mode, const QString& current = {},
                          const char* saveTitle = kSaveFileTitle);

// How the port mapping ended.
struct PortChoice {
    enum class Outcome { Cancelled, Mapped, WithoutModule };
    Outcome outcome = Outcome::Cancelled;
    PortPaths paths{};  // the new mapping, with Mapped
};

class Prompt {
  public:
    virtual ~Prompt() = default;
    // The chosen path, or an empty text when the user cancelled.
    virtual QString ChooseFile(QWidget* parent, const FileChoice& choice) = 0;
    // A message with an exclamation icon and an OK button.
    virtual void Message(QWidget* parent, const QString& text, const QString& caption) = 0;
    // A question with an exclamation icon; true for "yes".
    virtual bool Ask(QWidget* parent, const QString& text, const QString& caption) = 0;
    // The devices COM1..COM4 stand for, starting from `current`. With `offerWithoutModule` (no
    // port can be used) the user may also go on without a module, to work with files.
    virtual PortChoice ChoosePorts(QWidget* parent, const PortPaths& current,
                                   bool offerWithoutModule) = 0;
};

// The prompt in use. Without an installed one this is the dialog-based prompt.
Prompt& Prompts();
// Installs `prompt` (not owned) or, with nullptr, goes back to the dialog-based one.
void InstallPrompt(Prompt* prompt);

}  // namespace qx
