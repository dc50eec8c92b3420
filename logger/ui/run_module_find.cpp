#include "logger/ui/run_module_find.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "common/ui/info_progress.h"
#include "common/ui/tminfo_form.h"
#include "link/core/comm_port_find_link.h"
#include "logger/core/module_find.h"
#include "measure/ui/session.h"

namespace qx {

bool RunModuleFind(Session& session, int portNumber) {
    // Another transaction lets events through while it holds the bus; a find now would reopen
    // the link under it.
    if (session.Bus().Busy()) return false;
    // The find reopens the link for every combination and parks each new poller itself, so it
    // holds only the bus-busy count: the window must not re-apply the settings meanwhile.
    BusBusy::Scope busy(session.Bus());
    TMInfoForm& info = session.Info();
    InfoProgress progress(info);
    TCommPortFindLink link(session.Link(), portNumber, &session.Sink());
    const ScanOutcome outcome = FindModule(link, progress);
    if (outcome != ScanOutcome::kCancelled) {
        // The user reads the list and closes the dialog.
        while (info.Visible())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace qx
