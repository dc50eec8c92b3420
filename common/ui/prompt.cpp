#include "common/ui/prompt.h"

#include "common/ui/dialog_prompt.h"

namespace qx {

namespace {

Prompt* installed = nullptr;  // user-interface thread only

}  // namespace

FileChoice DataFileChoice(FileChoice::Mode mode, const QString& current, const char* saveTitle) {
    FileChoice choice;
    choice.mode = mode;
    choice.title = mode == FileChoice::Mode::Open ? QStringLiteral("Otevřít soubor")
                                                  : QString::fromUtf8(saveTitle);
    choice.filter = QStringLiteral("Soubor hodnot (*.PRN *.WZ);;Všechny soubory (*)");
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
