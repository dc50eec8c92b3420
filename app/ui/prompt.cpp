#include "app/ui/prompt.h"

#include "app/ui/dialog_prompt.h"

namespace qx {

namespace {

Prompt* installed = nullptr;  // user-interface thread only

}  // namespace

Prompt& Prompts() {
    static DialogPrompt dialogs;
    return installed != nullptr ? *installed : dialogs;
}

void InstallPrompt(Prompt* prompt) {
    installed = prompt;
}

}  // namespace qx
