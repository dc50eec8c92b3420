#include "common/ui/prompt.h"

#include "common/ui/dialog_prompt.h"

namespace qx {

namespace {

Prompt* installed = nullptr;  // user-interface thread only

}  // namespace

FileChoice DataFileChoice(FileChoice::Mode mode, const QString& current) {
    FileChoice choice;
    choice.mode = mode;
    choice.title = QStringLiteral("Otevřít soubor");
    choice.filter = QStringLiteral("Soubor hodnot (*.PRN);;Všechny soubory (*)");
    choice.defaultSuffix = QStringLiteral("WZ");
    choice.initialPath = current;
    return choice;
}

Prompt& Prompts() {
    static DialogPrompt dialogs;
    return installed != nullptr ? *installed : dialogs;
}

void InstallPrompt(Prompt* prompt) {
    installed = prompt;
}

}  // namespace qx
