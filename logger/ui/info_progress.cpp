#include "logger/ui/info_progress.h"

#include "common/ui/tminfo_form.h"

namespace qx {

void TInfoProgress::Open(const char* title, int maximum) {
    info_.Open(QString::fromUtf8(title), maximum);
}

void TInfoProgress::AddLine(const char* text, int position, int maximum) {
    if (text == nullptr) {
        // A bar step without a line: position and maximum only.
        info_.AddLine(QString(), position, maximum);
        return;
    }
    info_.AddLine(QString::fromUtf8(text), position, maximum);
}

void TInfoProgress::Append(const char* text) {
    info_.Append(QString::fromUtf8(text));
}

void TInfoProgress::Finish(bool keepOpen) {
    info_.Finish(keepOpen);
}

bool TInfoProgress::Cancelled() {
    return !info_.Step();
}

}  // namespace qx
