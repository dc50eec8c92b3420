#pragma once
// The per-user settings store: QSettings("Arbena", "Sonvik"), on Linux an INI file under the
// user's XDG config folder. Widgets never spell a key; they go through this facade.

#include <QPoint>
#include <QSettings>
#include <QSize>
#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "link/core/port_paths.h"
#include "link/core/serial_ports.h"

namespace qx {

// The Setup page's values as they are loaded and saved.
struct SetupValues {
    int port = 1;  // COM number 0..3 when saved; the item of the port list when loaded
    int baud = 3;  // item of the baud list, 0..5 (1200..38400 Bd)
    QString address = QStringLiteral("10");
    bool csum = false;
    bool operator==(const SetupValues&) const = default;
};

class SettingsStore {
  public:
    static constexpr const char* kOrganization = "Arbena";
    static constexpr const char* kApplication = "Sonvik";
    static constexpr const char* kSetupGroup = "1.0/Setup";
    static constexpr const char* kPortsGroup = "1.0/Ports";
    static constexpr const char* kWindowGroup = "1.0/Window";
    static constexpr const char* kPort = "Port";
    static constexpr const char* kBaud = "Baud";
    static constexpr const char* kAddress = "Address";
    static constexpr const char* kCsum = "Csum";
    static constexpr int kAddressLength = 3;  // the address edit holds at most three characters
    static constexpr int kBaudItems = 6;

    SettingsStore();

    // The first start, before any COM mapping is stored: stores the mapping `firstStart` gives
    // and, when it put a present device on COM1 and no port is stored, makes COM1 the port to
    // use. A stored mapping, even a partial one, is never changed. True when it stored one.
    bool MapPortsOnFirstStart(const std::function<FirstPortMap()>& firstStart);
    // Writes the default of every Setup value and every COM mapping that is missing.
    void WriteDefaults();
    // Loads the Setup values. Garbage loads safely: a text where a number belongs gives the
    // default, a number out of range the nearest bound, a long address its first characters.
    SetupValues LoadSetup();
    // Writes "Csum", "Port", "Baud", "Address" in this order, each only when the stored value
    // differs from `values`. Returns how many were written.
    int SaveSetup(const SetupValues& values);

    // Device paths of COM1..COM4 (group 1.0/Ports); a missing or empty entry gives its default.
    PortPaths LoadPortPaths();
    // The main window's size as the user left it (and whether maximised); an invalid size when
    // it was never changed from the default, which is not stored.
    // `position`: the top left corner of the window with its frame, where the user left it;
    // none for a maximised window, which keeps the one it had. Loaded only when stored.
    struct WindowSize {
        QSize size;
        bool maximized = false;
        std::optional<QPoint> position;
    };
    WindowSize LoadWindowSize();
    // `placed`: where the program put the window at start; a window still there stores no
    // position.
    void SaveWindowSize(const WindowSize& window, const QSize& defaultSize,
                        const QPoint& placed = {});
    // Writes all four at once (and to disk: the mapping is the user's explicit choice).
    void SavePortPaths(const PortPaths& paths);
    static QString ComKey(int port);         // "COM1".."COM4"
    static QString DefaultDevice(int port);  // "/dev/ttyS0".."/dev/ttyS3"

    void Sync() { settings_.sync(); }

  private:
    QString SetupKey(const char* name) const;
    QString PortKey(int port) const;

    QSettings settings_;
};

}  // namespace qx
