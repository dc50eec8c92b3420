#pragma once
// Finding a module whose address, baud rate and checksum mode nobody remembers: every baud rate
// with checksums off and on, every bus address at each.

#include <vector>

#include "common/core/progress.h"
#include "link/core/find_link.h"

namespace qx {

enum class ScanOutcome {
    kDone,        // all addresses asked
    kCommError,   // a module answered its first request but not a later one
    kCancelled,   // the user closed the progress dialog
    kOpenFailed,  // the link could not be opened for a combination
};

// Asks addresses 0..255 on the link as it stands; lists every address that answers.
ScanOutcome ScanAddresses(FindLink& link, Progress& progress, bool checksum);

// Asks addresses 0..254 once each (one attempt, no retries) on the link as it stands, as the
// quick find does, but goes on past the first module: every address that answered, ascending.
// Stops early only when the user cancels. A module whose one reply is lost goes unseen.
std::vector<int> AnsweringAddresses(FindLink& link, Progress& progress, bool checksum);

// Runs the scan for baud codes 3..8, checksums off then on, until one fails or the user
// cancels; ends the progress log with "KONEC" and finishes the dialog. The caller then waits
// for the user to close the dialog (unless cancelled) and applies the Setup page's settings.
ScanOutcome FindModule(FindLink& link, Progress& progress);

// Line settings and address of a module, as saved or as found.
struct ModuleSettingsGuess {
    int baudCode = 6;  // 3..8
    bool checksum = false;
    int address = 1;
};

// What the quick find found; address -1 when no module answered.
struct QuickFindResult {
    ScanOutcome outcome = ScanOutcome::kDone;
    ModuleSettingsGuess found{6, false, -1};
    int instrumentNumber = 0;  // the $AAN number; 0 when the module gives none
};

// The quick find: every address is asked once (one attempt, no retries) and the find stops at the
// first module that answers, which is then asked for its configuration as the full find asks.
// The saved settings come first: their combination, at each combination their address first;
// then the saved baud rate with the other checksum mode, then the other baud rates from 38400 Bd
// down, each with the saved checksum mode first. It lists its lines like the full find and ends
// with "KONEC". A module whose one reply is lost, or a second module, goes unseen.
QuickFindResult FindModuleQuick(FindLink& link, Progress& progress,
                                const ModuleSettingsGuess& saved);

}  // namespace qx
