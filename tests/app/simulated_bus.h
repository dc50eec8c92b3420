#pragma once
// The simulated module that the window tests poll: one module at address 10, 9600 Bd, checksums
// off, with COM1 of the test's settings pointing at its pty (through a link that follows it) and
// the other ports at missing paths.

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <string>

#include "qt_test_app.h"
#include "sim/simulator.h"

namespace qx::test {

inline bool StartSimulatedBus(sim::Simulator& simulator, TempSettings& settings,
                              std::string* error) {
    sim::ModuleSettings module;
    module.address = 10;
    module.baudCode = 6;  // 9600 Bd
    module.moduleModel = 1102;
    module.instrumentModel = 1520;
    simulator.AddModule(module);
    // COM1 is a link that follows the simulator's pty, also after a hang-up and a new pty.
    static int serial = 0;
    const std::string link = QDir::tempPath().toStdString() + "/qxbus-" +
                             std::to_string(QCoreApplication::applicationPid()) + "-" +
                             std::to_string(serial++);
    simulator.SetLinkPath(link);
    if (!simulator.Start(error)) return false;
    QSettings store = settings.Open();
    store.setValue(QStringLiteral("1.0/Ports/COM1"), QString::fromStdString(link));
    for (int port = 1; port < 4; ++port) {
        store.setValue(QStringLiteral("1.0/Ports/COM%1").arg(port + 1),
                       QStringLiteral("/nonexistent/ttyQX%1").arg(port));
    }
    store.setValue(QStringLiteral("1.0/Setup/Baud"), 3);  // 9600 Bd
    store.setValue(QStringLiteral("1.0/Setup/Address"), QStringLiteral("10"));
    return true;
}

}  // namespace qx::test
