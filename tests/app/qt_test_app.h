#pragma once
// A QApplication for widget tests, created once, with the settings store in a folder of its own
// so that no test reads or writes the user's settings.

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>
#include <functional>

namespace qx::test {

inline QApplication& TestApp() {
    static QTemporaryDir* config = [] {
        auto* dir = new QTemporaryDir;
        setenv("XDG_CONFIG_HOME", dir->path().toLocal8Bit().constData(), 1);
        return dir;
    }();
    static int argc = 1;
    static char name[] = "apptest";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)config;
    return *app;
}

// Points the settings store at a fresh folder for as long as it lives.
class TempSettings {
  public:
    TempSettings() {
        TestApp();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    }
    QString File() const { return dir_.path() + QStringLiteral("/Arbena/Sonvik.conf"); }
    QSettings Open() const { return QSettings(File(), QSettings::IniFormat); }

  private:
    QTemporaryDir dir_;
};

// Delivers events until `done` holds or `timeoutMs` passes; true when it holds.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace qx::test
