#pragma once
// The Setup page's "Najdi": looks for a module on the port `portNumber` (0 = COM1) and lists what
// answered in the progress dialog until the user closes it. False when the bus was busy and
// nothing ran; then the link is as it was.

#include "logger/core/module_find.h"

namespace qx {

class Session;

enum class FindDepth {
    kQuick,  // the page's settings first, each address once, up to the first module
    kFull,   // every baud rate and checksum mode, every address with its three attempts
};

// `saved` is what the Setup page holds: the quick find tries it first. When the quick find
// finds nothing, the user is offered the full find.
bool RunModuleFind(Session& session, int portNumber, const ModuleSettingsGuess& saved,
                   FindDepth depth);

}  // namespace qx
