#include "common/settings/settings_store.h"

#include <cstdlib>
#include <string>

#include "common/core/setting_values.h"

namespace qx {

namespace {

const SetupValues kDefaults;

// What a stored value says is read by the Qt-free rules of setting_values.h; Qt only fetches it.
std::string Text(const QVariant& stored) {
    return stored.toString().toStdString();
}

}  // namespace

SettingsStore::SettingsStore() : settings_(kOrganization, kApplication) {}

QString SettingsStore::SetupKey(const char* name) const {
    return QString::fromLatin1(kSetupGroup) + QLatin1Char('/') + QLatin1String(name);
}

QString SettingsStore::PortKey(int port) const {
    return QString::fromLatin1(kPortsGroup) + QLatin1Char('/') + ComKey(port);
}

QString SettingsStore::ComKey(int port) {
    return QString::fromStdString(ComName(port));
}

QString SettingsStore::DefaultDevice(int port) {
    return QString::fromStdString(DefaultComDevice(port));
}

bool SettingsStore::MapPortsOnFirstStart(const std::function<FirstPortMap()>& firstStart) {
    for (int port = 0; port < kComPorts; ++port) {
        if (settings_.contains(PortKey(port))) return false;
    }
    const FirstPortMap map = firstStart();
    SavePortPaths(map.paths);
    if (map.found > 0 && !settings_.contains(SetupKey(kPort)))
        settings_.setValue(SetupKey(kPort), 0);
    settings_.sync();
    return true;
}

void SettingsStore::WriteDefaults() {
    if (!settings_.contains(SetupKey(kPort))) settings_.setValue(SetupKey(kPort), kDefaults.port);
    if (!settings_.contains(SetupKey(kBaud))) settings_.setValue(SetupKey(kBaud), kDefaults.baud);
    if (!settings_.contains(SetupKey(kAddress)))
        settings_.setValue(SetupKey(kAddress), kDefaults.address);
    if (!settings_.contains(SetupKey(kCsum))) settings_.setValue(SetupKey(kCsum), kDefaults.csum);
    for (int port = 0; port < kComPorts; ++port) {
        if (!settings_.contains(PortKey(port)))
            settings_.setValue(PortKey(port), DefaultDevice(port));
    }
    settings_.sync();
}

SetupValues SettingsStore::LoadSetup() {
    SetupValues values;
    values.port = SettingIndex(Text(settings_.value(SetupKey(kPort))), kDefaults.port, 3);
    values.baud =
        SettingIndex(Text(settings_.value(SetupKey(kBaud))), kDefaults.baud, kBaudItems - 1);
    const QVariant address = settings_.value(SetupKey(kAddress), kDefaults.address);
    values.address = QString::fromStdString(SettingAddress(Text(address), kAddressLength));
    values.csum = SettingBool(Text(settings_.value(SetupKey(kCsum)))).value_or(kDefaults.csum);
    return values;
}

int SettingsStore::SaveSetup(const SetupValues& values) {
    int written = 0;
    const QVariant csum = settings_.value(SetupKey(kCsum));
    if (!csum.isValid() || SettingBool(Text(csum)) != values.csum) {
        settings_.setValue(SetupKey(kCsum), values.csum);
        ++written;
    }
    if (SettingInt(Text(settings_.value(SetupKey(kPort)))) != values.port) {
        settings_.setValue(SetupKey(kPort), values.port);
        ++written;
    }
    if (SettingInt(Text(settings_.value(SetupKey(kBaud)))) != values.baud) {
        settings_.setValue(SetupKey(kBaud), values.baud);
        ++written;
    }
    const QVariant address = settings_.value(SetupKey(kAddress));
    if (!address.isValid() || address.toString() != values.address) {
        settings_.setValue(SetupKey(kAddress), values.address);
        ++written;
    }
    if (written > 0) settings_.sync();
    return written;
}

PortPaths SettingsStore::LoadPortPaths() {
    PortPaths paths;
    for (int port = 0; port < kComPorts; ++port) {
        paths[ComIndex(port)] = SettingPortPath(Text(settings_.value(PortKey(port))), port);
    }
    return paths;
}

SettingsStore::WindowSize SettingsStore::LoadWindowSize() {
    WindowSize window;
    const QString group = QLatin1String(kWindowGroup) + QLatin1Char('/');
    bool wide = false;
    bool high = false;
    const int width = settings_.value(group + QStringLiteral("Width")).toInt(&wide);
    const int height = settings_.value(group + QStringLiteral("Height")).toInt(&high);
    // Garbage or a size no screen has is no size.
    if (wide && high && width > 0 && height > 0 && width <= 16384 && height <= 16384)
        window.size = QSize(width, height);
    window.maximized = settings_.value(group + QStringLiteral("Maximized")).toBool();
    bool left = false;
    bool top = false;
    const int x = settings_.value(group + QStringLiteral("X")).toInt(&left);
    const int y = settings_.value(group + QStringLiteral("Y")).toInt(&top);
    if (left && top && std::abs(x) <= 65536 && std::abs(y) <= 65536) window.position = QPoint(x, y);
    return window;
}

void SettingsStore::SaveWindowSize(const WindowSize& window, const QSize& defaultSize,
                                   const QPoint& placed) {
    const QString group = QLatin1String(kWindowGroup) + QLatin1Char('/');
    // A user who never resized the window leaves no trace of it in the file.
    if (window.size != defaultSize || window.maximized ||
        settings_.contains(group + QStringLiteral("Width"))) {
        settings_.setValue(group + QStringLiteral("Width"), window.size.width());
        settings_.setValue(group + QStringLiteral("Height"), window.size.height());
        settings_.setValue(group + QStringLiteral("Maximized"), window.maximized);
    }
    // Nor one who never moved it.
    if (window.position &&
        (*window.position != placed || settings_.contains(group + QStringLiteral("X")))) {
        settings_.setValue(group + QStringLiteral("X"), window.position->x());
        settings_.setValue(group + QStringLiteral("Y"), window.position->y());
    }
}

void SettingsStore::SavePortPaths(const PortPaths& paths) {
    for (int port = 0; port < kComPorts; ++port)
        settings_.setValue(PortKey(port), QString::fromStdString(paths[ComIndex(port)]));
    settings_.sync();
}

}  // namespace qx
