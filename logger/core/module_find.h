#pragma once
// Finding a module whose address, baud rate and checksum mode nobody remembers: every baud rate
// with checksums off and on, every bus address at each.

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

// Runs the scan for baud codes 3..8, checksums off then on, until one fails or the user
// cancels; ends the progress log with "KONEC" and finishes the dialog. The caller then waits
// for the user to close the dialog (unless cancelled) and applies the Setup page's settings.
ScanOutcome FindModule(FindLink& link, Progress& progress);

}  // namespace qx
