// The window's "Najdi" against the paced simulator: how long the Setup page's quick find and its
// full find take to find a module at address 200, 38400 Bd, checksums on, when the page holds the
// window's defaults (9600 Bd, checksums off, address 10). Each runs through the page's own
// handler with the progress dialog shown (offscreen); the time runs from the click until the
// dialog says "KONEC", which the user then closes. Figures only.
//
// Usage: window_find_bench_ui [full]   ("full" also times the full find: about 11 minutes)

#include <sys/prctl.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>

#include "app/ui/setup_page.h"
#include "app/ui/tmform.h"
#include "common/ui/tminfo_form.h"
#include "link/core/comm_port.h"
#include "measure/ui/session.h"
#include "sim/simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Runs one find through `click` and returns the seconds until the dialog was finished; the
// dialog is then closed as the user does, and the page applies its settings again.
double TimeFind(qx::TMForm& form, const char* name, const std::function<void()>& click) {
    qx::TMInfoForm& info = form.Shared().Info();
    const auto start = Clock::now();
    Clock::time_point finished{};
    auto report = start;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        if (info.Visible() && info.MCancel->text() == QStringLiteral("OK")) {
            finished = now;
            info.MCancelClick();
        } else if (now - report > std::chrono::seconds(30)) {
            // The full find is long: its progress, to extrapolate from when it cannot finish.
            report = now;
            QString heading;
            for (const QString& line : info.Lines())
                if (line.startsWith(QStringLiteral("BAUD"))) heading = line;
            std::fprintf(stderr, "  %s: %.0f s, %s address %d\n", name, Seconds(now - start),
                         qPrintable(heading), info.Position());
        }
    });
    watch.start();
    click();
    watch.stop();
    const QStringList lines = info.Lines();
    std::printf("%s: %.1f s\n", name, Seconds(finished - start));
    for (const QString& line : lines)
        if (line.contains(QStringLiteral("Addresa"))) std::printf("  %s\n", qPrintable(line));
    return Seconds(finished - start);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool full = argc > 1 && std::strcmp(argv[1], "full") == 0;
    // As in the other paced benchmarks: the simulator's sleeps must not wake late.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);

    qx::sim::Simulator sim;
    qx::sim::ModuleSettings module;
    module.address = 200;
    module.baudCode = 8;
    module.checksum = true;
    sim.AddModule(module);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "qxsim: %s\n", error.c_str());
        return 1;
    }
    sim.SetPacing(true);

    // The window's settings and schedule file in a folder of their own; COM1 is the simulator.
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QApplication::setOrganizationName(QStringLiteral("Arbena"));
    QApplication::setApplicationName(QStringLiteral("Sonvik"));
    QDir::setCurrent(dir.path());
    {
        QSettings store(dir.path() + QStringLiteral("/Arbena/Sonvik.conf"), QSettings::IniFormat);
        store.setValue(QStringLiteral("1.0/Ports/COM1"), QString::fromStdString(sim.SlavePath()));
        for (int port = 2; port <= 4; ++port)
            store.setValue(QStringLiteral("1.0/Ports/COM%1").arg(port),
                           QStringLiteral("/nonexistent/ttyQX%1").arg(port));
        store.setValue(QStringLiteral("1.0/Setup/Port"), 0);
    }

    qx::TCommPort link(qx::PortPaths{});
    qx::TMForm form(link);
    form.show();
    form.FormActivate();
    qx::SetupPage& page = *form.MSetupSh;
    std::printf("Setup page: %s, %s, address %s, checksum %s; module: 200, 38400 Bd, checksum on\n",
                qPrintable(page.MSetComm->currentText()), qPrintable(page.MSetBaud->currentText()),
                qPrintable(page.MSetAddress->text()), page.MSetCsum->isChecked() ? "on" : "off");

    const double quick = TimeFind(form, "quick find (Najdi)", [&] { page.MSetFind->click(); });
    if (!full) {
        std::printf("(run with 'full' to time the full find too: about 11 minutes)\n");
        return 0;
    }
    const double whole =
        TimeFind(form, "full find (Úplné hledání)", [&] { page.MSetFindFullClick(); });
    std::printf("quick find %.1f s against the full find %.1f s: %.3f of it (goal <= 0.100)\n",
                quick, whole, quick / whole);
    return 0;
}
