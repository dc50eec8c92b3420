#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <exception>

#include "app/core/command_line.h"
#include "app/ui/qt_translation.h"
#include "app/ui/setup_page.h"
#include "app/ui/signal_close.h"
#include "app/ui/tmform.h"
#include "link/core/comm_port.h"

int main(int argc, char** argv) {
    // --help, --version and a wrong option end here, before anything needs a display.
    if (const auto status = qx::HandleCommandLine(argc, argv)) return *status;
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Arbena"));
    QApplication::setApplicationName(QStringLiteral("Sonvik"));
    qx::InstallQtCzech(app);
    qx::SignalClose signalClose;

    // The link object first, closed; the main window's creation maps COM1..COM4 onto devices.
    qx::TCommPort link(qx::DefaultPortPaths());
    qx::TMForm form(link);
    form.show();
    // Without a window manager nothing may ever activate the window; the first activation
    // (port probing) must happen all the same.
    QTimer::singleShot(0, &form, [&form] {
        if (!form.MSetupSh->Activated()) {
            form.FormActivate();
        }
    });
    try {
        return app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Merido"), QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
