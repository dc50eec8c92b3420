#include "common/ui/port_map_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace qx {

TPortMapDialog::TPortMapDialog(const PortPaths& current,
                               const std::vector<SerialPortEntry>& devices, QWidget* parent,
                               bool offerWithoutModule)
    : QDialog(parent), current_(current), devices_(devices) {
    setObjectName(QStringLiteral("MPortMap"));
    setWindowTitle(QStringLiteral("Přiřazení portů"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        QStringLiteral("Zvolte zařízení, které představuje každý COM port, nebo zapište jeho "
                       "cestu.\nStálé názvy /dev/serial/by-id/… zůstávají po odpojení i "
                       "restartu stejné."),
        this);
    layout->addWidget(intro);
    auto* grid = new QGridLayout;
    for (int port = 0; port < kComPorts; ++port) {
        const QString com = QStringLiteral("COM%1").arg(port + 1);
        auto* label = new QLabel(com + QLatin1Char(':'), this);
        auto* box = new QComboBox(this);
        box->setObjectName(QStringLiteral("Map") + com);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(36);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        for (const SerialPortEntry& device : devices_) {
            box->addItem(QString::fromStdString(device.path));
            box->setItemData(box->count() - 1, QString::fromStdString(device.description),
                             Qt::ToolTipRole);
        }
        box->setEditText(QString::fromStdString(current_[static_cast<std::size_t>(port)]));
        label->setBuddy(box);
        auto* description = new QLabel(this);
        description->setObjectName(QStringLiteral("MapDescription") + com);
        QFont small = description->font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        description->setFont(small);
        descriptions_[static_cast<std::size_t>(port)] = description;
        MapPort[static_cast<std::size_t>(port)] = box;
        grid->addWidget(label, 2 * port, 0);
        grid->addWidget(box, 2 * port, 1);
        grid->addWidget(description, 2 * port + 1, 1);
        connect(box, &QComboBox::editTextChanged, this, [this, port] { ShowDescription(port); });
        ShowDescription(port);
    }
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Storno"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (offerWithoutModule) {
        // Saved data files can be looked at on a PC that has no module (or no port) at all.
        QPushButton* without =
            buttons->addButton(QStringLiteral("Pracovat bez modulu"), QDialogButtonBox::ActionRole);
        without->setObjectName(QStringLiteral("MapWithoutModule"));
        without->setToolTip(
            QStringLiteral("Otevře okno bez připojení k QX: soubory hodnot lze otevřít, "
                           "zobrazit i exportovat. Port lze přiřadit později tlačítkem „…“."));
        connect(without, &QPushButton::clicked, this, [this] { done(kWithoutModule); });
    }
    layout->addWidget(buttons);
}

void TPortMapDialog::ShowDescription(int port) {
    const auto i = static_cast<std::size_t>(port);
    const std::string path = MapPort[i]->currentText().trimmed().toStdString();
    const auto device = std::find_if(devices_.begin(), devices_.end(),
                                     [&path](const SerialPortEntry& d) { return d.path == path; });
    QString text;
    if (device != devices_.end()) {
        text = QString::fromStdString(device->description);
    } else if (!path.empty()) {
        // A typed path is taken as it is: a device may be plugged in later.
        text = QStringLiteral("(není mezi přítomnými zařízeními)");
    }
    descriptions_[i]->setText(text);
}

PortPaths TPortMapDialog::Paths() const {
    PortPaths paths = current_;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const QString text = MapPort[i]->currentText().trimmed();
        if (!text.isEmpty()) paths[i] = text.toStdString();
    }
    return paths;
}

}  // namespace qx
