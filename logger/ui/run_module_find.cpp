#include "logger/ui/run_module_find.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "app/ui/setup_page.h"
#include "app/ui/tmform.h"
#include "common/ui/info_progress.h"
#include "common/ui/tminfo_form.h"
#include "link/core/comm_port_find_link.h"
#include "logger/core/module_find.h"

namespace qx {

void RunModuleFind(TMForm& form) {
    TMInfoForm* info = form.InfoForm();
    // Another transaction lets events through while it holds the bus; a find now would reopen
    // the link under it.
    if (info == nullptr || form.Bus().Busy()) return;
    {
        // The find reopens the link for every combination and parks each new poller itself, so
        // it holds only the bus-busy count: the window must not re-apply the settings meanwhile.
        BusBusy::Scope busy(form.Bus());
        InfoProgress progress(*info);
        TCommPortFindLink link(form.Link(), form.MSetupSh->PortNumber(), &form.Sink());
        const ScanOutcome outcome = FindModule(link, progress);
        if (outcome != ScanOutcome::kCancelled) {
            // The user reads the list and closes the dialog.
            while (info->Visible())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    form.MSetUseClick(nullptr);
}

}  // namespace qx
