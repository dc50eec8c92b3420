#pragma once
// The reconfiguration dialog "Změna nastavení QX": the module's present address, the new
// address, baud rate and checksum setting, and the sending of the configuration command.

#include <QDialog>

#include "logger/core/reconfigure.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qx {

class BusBusy;
class TCommPort;

class TMCfgForm : public QDialog {
    Q_OBJECT
  public:
    explicit TMCfgForm(QWidget* parent = nullptr);

    // Clamps both addresses into 0..254 and closes with OK, whatever the texts were.
    void MSendClick();
    void MCancelClick();
    // What the dialog holds now, addresses read as decimal numbers.
    ReconfigureRequest Request() const;

    // The Setup page's "Změň": asks in the dialog, then sends the configuration command with
    // the poller parked. `checksum` and `baudItem` are the Setup page's settings.
    void MSetConfigClick(TCommPort& link, BusBusy& busy, bool checksum, int baudItem);

    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* MAddress = nullptr;
    QLineEdit* MNewaddr = nullptr;
    QComboBox* MBaud = nullptr;
    QCheckBox* MCsum = nullptr;
    QPushButton* MSend = nullptr;
    QPushButton* MCancel = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;

  private:
    void BuildControls();
};

}  // namespace qx
