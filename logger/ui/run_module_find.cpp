#include "logger/ui/run_module_find.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <cmath>

#include "common/ui/info_progress.h"
#include "common/ui/tminfo_form.h"
#include "link/core/comm_port.h"
#include "link/core/comm_port_find_link.h"
#include "measure/ui/session.h"

namespace qx {
namespace {

// The full find asks 12 combinations x 256 addresses, three reply gaps each where nobody answers.
int FullFindMinutes(const TCommPort& link) {
    const double ms = 12.0 * 256 * 3 * link.ReplyGapMs();
    return std::max(1, static_cast<int>(std::lround(ms / 60000)));
}

// The quick find gives up early only where a module hides from it (a lost reply, a module that
// answers late); the full find is then worth its minutes, but only the user can say so. The
// question comes while the finished log is still shown: it belongs to the always-on-top dialog,
// or it would open under it.
bool OfferFullFind(Session& session) {
    return Prompts().Ask(
        &session.Info(),
        QStringLiteral("Rychlé hledání modul nenašlo.\n\nMám spustit úplné hledání (všechny "
                       "rychlosti, Checksum vypnutý i zapnutý, každá adresa třikrát)? Trvá asi "
                       "%1 min.")
            .arg(FullFindMinutes(session.Link())),
        QStringLiteral("TMForm::MSetFindClick()"));
}

}  // namespace

bool RunModuleFind(Session& session, int portNumber, const ModuleSettingsGuess& saved,
                   FindDepth depth) {
    // Another transaction lets events through while it holds the bus; a find now would reopen
    // the link under it.
    if (session.Bus().Busy()) return false;
    // The find reopens the link for every combination and parks each new poller itself, so it
    // holds only the bus-busy count: the window must not re-apply the settings meanwhile.
    BusBusy::Scope busy(session.Bus());
    TMInfoForm& info = session.Info();
    InfoProgress progress(info);
    TCommPortFindLink link(session.Link(), portNumber, &session.Sink());
    ScanOutcome outcome = ScanOutcome::kDone;
    if (depth == FindDepth::kQuick) {
        const QuickFindResult quick = FindModuleQuick(link, progress, saved);
        outcome = quick.outcome;
        const bool nothing = outcome == ScanOutcome::kDone && quick.found.address < 0;
        if (nothing && OfferFullFind(session)) depth = FindDepth::kFull;
    }
    if (depth == FindDepth::kFull) outcome = FindModule(link, progress);
    if (outcome != ScanOutcome::kCancelled) {
        // The user reads the list and closes the dialog.
        while (info.Visible())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace qx
