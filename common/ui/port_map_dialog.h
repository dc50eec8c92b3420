#pragma once
// "Přiřazení portů": which serial device each of COM1..COM4 stands for. Every row offers the
// devices present, described, and takes a typed path as well.

#include <QDialog>
#include <array>
#include <vector>

#include "link/core/port_paths.h"
#include "link/core/serial_ports.h"

class QComboBox;
class QLabel;

namespace qx {

class TPortMapDialog : public QDialog {
    Q_OBJECT
  public:
    // The dialog's result when the user chose "Pracovat bez modulu" (beside Accepted, Rejected).
    static constexpr int kWithoutModule = 2;

    // `offerWithoutModule`: no port can be used; a button lets the user go on without a module.
    TPortMapDialog(const PortPaths& current, const std::vector<SerialPortEntry>& devices,
                   QWidget* parent = nullptr, bool offerWithoutModule = false);

    // The paths as they stand in the rows; a row left empty keeps its current device.
    PortPaths Paths() const;

    std::array<QComboBox*, 4> MapPort{};  // "MapCOM1".."MapCOM4"

  private:
    void ShowDescription(int port);

    PortPaths current_;
    std::vector<SerialPortEntry> devices_;
    std::array<QLabel*, 4> descriptions_{};
};

}  // namespace qx
