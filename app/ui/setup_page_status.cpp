// The Setup page's status panel and what the page shows of the link: the station's identity, a
// lost port with its device, the device in use, and the window working without a module.

#include "app/ui/setup_page.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include "app/core/port_probe.h"
#include "common/core/address_text.h"
#include "common/ui/control_color.h"
#include "link/core/comm_port.h"
#include "logger/ui/run_module_find.h"
#include "logger/ui/tmcfg_form.h"
#include "measure/core/station_status.h"
#include "measure/ui/session.h"

#include "common/settings/settings_store.h"

namespace qx {

namespace {

const QString kWithoutModuleCaption = QStringLiteral("  Status:    bez modulu: port není připojen");

}  // namespace

void SetupPage::UpdateStatus(int address) {
    if (withoutModule_) {
        MSetStatus->setText(kWithoutModuleCaption);
        return;
    }
    if (address < 0 || address != SelectedAddress()) return;
    const StationStatus status = StationStatusOf(session_.Link().Station(address));
    ShowStatusCaption(QString::fromStdString(SetupStatusCaption(status)));
}

void SetupPage::WorkWithoutModule(int port) {
    withoutModule_ = true;
    session_.Link().Close();
    FillPortList({0, 1, 2, 3});
    portNumber_ = std::clamp(port, 0, kComPorts - 1);
    savedPortIndex_ = portNumber_;
    MSetComm->setCurrentIndex(portNumber_);
    SetControlColor(MSetComm, kRed);
    session_.SetBusAvailable(false);
    ShowModuleButtons(false);
    MSetStatus->setText(kWithoutModuleCaption);
    MSetStatus->setToolTip(
        QStringLiteral("Bez připojení k QX: soubory hodnot lze otevřít a exportovat. Port lze "
                       "přiřadit tlačítkem „…“ vedle seznamu portů, nebo zvolit a použít "
                       "tlačítkem „Nastav“."));
}

// The module's own settings can be found or changed only through an open port.
void SetupPage::ShowModuleButtons(bool enabled) {
    MSetFind->setEnabled(enabled);
    MSetConfig->setEnabled(enabled);
}

void SetupPage::ShowStatusCaption(const QString& caption) {
    // A notification of the link closed before still arrives; it does not speak for a module.
    if (withoutModule_) {
        MSetStatus->setText(kWithoutModuleCaption);
        return;
    }
    lostDevice_.clear();
    MSetStatus->setText(caption);
    ShowDeviceInUse();
}

// The device in use, whichever of COM1..COM4 stands for it.
void SetupPage::ShowDeviceInUse() {
    const std::string device = session_.Link().DevicePath();
    MSetStatus->setToolTip(device.empty()
                               ? QString()
                               : QStringLiteral("%1 = %2").arg(SettingsStore::ComKey(portNumber_),
                                                               QString::fromStdString(device)));
}

void SetupPage::ShowLostPort(const std::string& device) {
    if (withoutModule_) return;
    lostDevice_ = device;
    const QFontMetrics metrics(MSetStatus->font());
    const TextWidth width = [&metrics](std::string_view text, const Font&) {
        return metrics.horizontalAdvance(
            QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    };
    // The frame and a character's room of slack, so that nothing is cut at the panel's edge.
    const int room = MSetStatus->contentsRect().width() - metrics.averageCharWidth();
    MSetStatus->setText(QString::fromStdString(LostPortCaption(device, room, Font{}, width)));
    MSetStatus->setToolTip(QString::fromStdString(LostPortCaption(device)));
}

}  // namespace qx
