#include "common/settings/settings_store.h"

#include <algorithm>
#include <cstdlib>

namespace qx {

namespace {

const SetupValues kDefaults;

// An integer setting; `fallback` when the stored text is not a whole number.
int ReadInt(const QVariant& stored, int fallback, bool* ok) {
    const int value = stored.toString().trimmed().toInt(ok);
    return *ok ? value : fallback;
}

bool ReadBool(const QVariant& stored, bool fallback) {
    const QString text = stored.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1")) return true;
    if (text == QLatin1String("false") || text == QLatin1String("0")) return false;
    return fallback;
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
    bool ok = false;
    values.port = std::clamp(ReadInt(settings_.value(SetupKey(kPort)), kDefaults.port, &ok), 0, 3);
    values.baud = std::clamp(ReadInt(settings_.value(SetupKey(kBaud)), kDefaults.baud, &ok), 0,
                             kBaudItems - 1);
    const QVariant address = settings_.value(SetupKey(kAddress), kDefaults.address);
    values.address = address.toString().left(kAddressLength);
    values.csum = ReadBool(settings_.value(SetupKey(kCsum)), kDefaults.csum);
    return values;
}

int SettingsStore::SaveSetup(const SetupValues& values) {
    int written = 0;
    bool ok = false;
    const QVariant csum = settings_.value(SetupKey(kCsum));
    if (!csum.isValid() || ReadBool(csum, !values.csum) != values.csum) {
        settings_.setValue(SetupKey(kCsum), values.csum);
        ++written;
    }
    const QVariant port = settings_.value(SetupKey(kPort));
    if (ReadInt(port, -1, &ok) != values.port || !ok) {
        settings_.setValue(SetupKey(kPort), values.port);
        ++written;
    }
    const QVariant baud = settings_.value(SetupKey(kBaud));
    if (ReadInt(baud, -1, &ok) != values.baud || !ok) {
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
        QString path = settings_.value(PortKey(port)).toString().trimmed();
        if (path.isEmpty()) path = DefaultDevice(port);
        paths[ComIndex(port)] = path.toStdString();
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
