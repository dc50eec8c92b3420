#pragma once
// The Setup page ("Nastavení"): port, baud rate, address and checksum of the link, the Use
// button that applies them, the probing of the COM ports at the first activation, the station
// status panel, and the buttons that find the module and change its settings.

#include <QString>
#include <QWidget>

#include "common/settings/settings_store.h"
#include "common/ui/prompt.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace qx {

class Session;
class TMCfgForm;

class SetupPage : public QWidget {
    Q_OBJECT

  public:
    // `cfg` is the reconfiguration dialog; it outlives the page.
    SetupPage(Session& session, TMCfgForm& cfg, QWidget* parent);

    // Puts loaded settings into the controls; the COM map feeds the port list's tooltips.
    void LoadValues(const SetupValues& values, const PortPaths& paths);
    // The values to save: the port number (not the list item), the baud item, the address text.
    SetupValues CurrentValues() const;

    void FormActivate();
    void MSetCommChange(QObject* sender);
    void MSetUseClick(QObject* sender);
    // Shows the status of station `address` when it is the selected address.
    void UpdateStatus(int address);
    // The status panel's caption, as the On-line page or a lost port gives it.
    void ShowStatusCaption(const QString& caption);
    // While the port's device is gone: the state first, the device shortened in the middle to
    // the panel's width, the whole text in the tooltip.
    void ShowLostPort(const std::string& device);
    // "Najdi" runs the quick find; the full find is the button's context menu item.
    void MSetFindClick();
    void MSetFindFullClick();
    void MSetConfigClick();
    // "Přiřazení portů": the user maps COM1..COM4 onto devices; the ports are probed again on
    // the new mapping and the page's settings applied.
    void MSetMapClick();

    // The user chose "Pracovat bez modulu" and no port has been opened since: the link stays
    // closed, and with it every button that talks to the module.
    bool WithoutModule() const { return withoutModule_; }
    int SelectedAddress() const;
    int PortNumber() const { return portNumber_; }
    int SavedPortIndex() const { return savedPortIndex_; }
    bool Activated() const { return activated_; }

    QGroupBox* MSetPort;
    QComboBox* MSetComm;
    QComboBox* MSetBaud;
    QLineEdit* MSetAddress;
    QCheckBox* MSetCsum;
    QToolButton* MSetMap;  // opens the port mapping, beside the port list
    QPushButton* MSetUse;
    QLabel* MSetStatus;
    QGroupBox* MSetModul;
    QPushButton* MSetConfig;
    QPushButton* MSetFind;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void BuildPortGroup();
    void BuildModuleGroup();
    void FillPortList(const std::vector<int>& ports);
    void ShowPortTip();
    void ShowDeviceInUse();
    void ProbePorts();
    // Probes the ports; while none can be used, says why and lets the user map them anew or
    // choose to work without a module. Mapped when a port can be used.
    PortChoice::Outcome FindUsablePorts();
    // The window without a link: the port list offers every port again for "Nastav", and
    // the status says why nothing answers.
    void WorkWithoutModule(int port);
    void ShowModuleButtons(bool enabled);
    QString OpenFailureText() const;
    void RunFind(bool full);

    Session& session_;
    TMCfgForm& cfg_;
    PortPaths paths_;
    int portNumber_ = 0;      // 0 = COM1 .. 3 = COM4
    int savedPortIndex_ = 0;  // the port list's item to select at activation
    QString refusedPorts_;    // why each port the first activation tried could not be used
    std::string lostDevice_;  // the port's device while it is gone; empty while it is there
    bool activated_ = false;
    bool activating_ = false;  // message boxes inside an activation activate the window again
    bool withoutModule_ = false;
    bool running_ = false;  // the window has come up: a failure later never ends the program
};

}  // namespace qx
