#pragma once
// The Setup page ("Nastavení"): port, baud rate, address and checksum of the link, the Use
// button that applies them, the probing of the COM ports at the first activation, and the
// station status panel.

#include <QString>
#include <QWidget>

#include "common/ui/settings_store.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qx {

class TMForm;

class SetupPage : public QWidget {
    Q_OBJECT

  public:
    SetupPage(TMForm& form, QWidget* parent);

    // Puts loaded settings into the controls; the COM map feeds the port list's tooltips.
    void LoadValues(const SetupValues& values, const PortPaths& paths);
    // The values to save: the port number (not the list item), the baud item, the address text.
    SetupValues CurrentValues() const;

    void FormActivate();
    void MSetCommChange(QObject* sender);
    void MSetUseClick(QObject* sender);
    // Shows the status of station `address` when it is the selected address.
    void UpdateStatus(int address);

    int SelectedAddress() const { return selectedAddress_; }
    int PortNumber() const { return portNumber_; }
    int SavedPortIndex() const { return savedPortIndex_; }
    bool Activated() const { return activated_; }

    QGroupBox* MSetPort;
    QComboBox* MSetComm;
    QComboBox* MSetBaud;
    QLineEdit* MSetAddress;
    QCheckBox* MSetCsum;
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
    void ProbePorts();
    QString OpenFailureText() const;

    TMForm& form_;
    PortPaths paths_;
    int portNumber_ = 0;      // 0 = COM1 .. 3 = COM4
    int savedPortIndex_ = 0;  // the port list's item to select at activation
    QString refusedPorts_;    // why each port the first activation tried could not be used
    int selectedAddress_ = -1;
    bool activated_ = false;
    bool activating_ = false;  // message boxes inside an activation activate the window again
};

}  // namespace qx
