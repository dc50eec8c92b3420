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

namespace qx {

namespace {

constexpr int kBaudCodeOffset = 3;  // baud code = item index + 3

template <typename W>
W* Named(W* widget, const char* name, const QString& hint = {}) {
    widget->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        widget->setToolTip(hint);
        widget->setStatusTip(hint);
    }
    return widget;
}

// A caption over an input; as the input's buddy it names the input for screen readers.
QLabel* Caption(const QString& text, QWidget* parent, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    return label;
}

}  // namespace

SetupPage::SetupPage(Session& session, TMCfgForm& cfg, QWidget* parent)
    : QWidget(parent), session_(session), cfg_(cfg) {
    setObjectName(QStringLiteral("MSetupSh"));
    BuildPortGroup();
    BuildModuleGroup();
    MSetStatus =
        Named(new QLabel(QStringLiteral("  Status:    QX???    WZ???"), this), "MSetStatus");
    MSetStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    MSetStatus->setGeometry(8, 196, 402, 26);
}

void SetupPage::BuildPortGroup() {
    MSetPort = Named(new QGroupBox(QStringLiteral("COM port počítače"), this), "MSetPort");
    MSetPort->setGeometry(8, 6, 234, 182);

    QLabel* portCaption = Caption(QStringLiteral("Port :"), MSetPort, 14, 24);
    MSetComm = Named(new QComboBox(MSetPort), "MSetComm",
                     QStringLiteral("Výběr volného COM portu pro připojení QX"));
    MSetComm->setGeometry(14, 42, 100, 24);
    FillPortList({0, 1, 2, 3});
    SetControlColor(MSetComm, kAqua);
    portCaption->setBuddy(MSetComm);
    connect(MSetComm, &QComboBox::activated, this, [this] { MSetCommChange(MSetComm); });
    connect(MSetComm, &QComboBox::currentIndexChanged, this, [this] { ShowPortTip(); });
    MSetMap = Named(new QToolButton(MSetPort), "MSetMap",
                    QStringLiteral("Přiřazení portů COM1 až COM4 k zařízením počítače"));
    MSetMap->setText(QStringLiteral("…"));
    MSetMap->setAccessibleName(QStringLiteral("Přiřazení portů"));
    MSetMap->setGeometry(94, 22, 20, 18);
    connect(MSetMap, &QToolButton::clicked, this, [this] { MSetMapClick(); });
    connect(&session_, &Session::PortMapChanged, this, [this](const PortPaths& paths) {
        paths_ = paths;
        ShowPortTip();
    });
    // The same from the list itself, where a user looks for it.
    MSetComm->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MSetComm, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(MSetComm);
        menu.addAction(QStringLiteral("Přiřazení portů…"), this, [this] { MSetMapClick(); });
        menu.exec(MSetComm->mapToGlobal(at));
    });

    QLabel* baudCaption = Caption(QStringLiteral("Rychlost:"), MSetPort, 120, 24);
    MSetBaud = Named(
        new QComboBox(MSetPort), "MSetBaud",
        QStringLiteral("Volba komunikační rychlosti COM portu (doporučená hodnota je 9600 Bd)"));
    MSetBaud->addItems({QStringLiteral("1200  Bd"), QStringLiteral("2400  Bd"),
                        QStringLiteral("4800  Bd"), QStringLiteral("9600  Bd"),
                        QStringLiteral("19200  Bd"), QStringLiteral("38400  Bd")});
    MSetBaud->setGeometry(120, 42, 102, 24);
    SetControlColor(MSetBaud, kAqua);
    baudCaption->setBuddy(MSetBaud);

    QLabel* addressCaption = Caption(QStringLiteral("Adresa:"), MSetPort, 14, 78);
    MSetAddress = Named(new QLineEdit(MSetPort), "MSetAddress",
                        QStringLiteral("Aktuální adresa QX. Pokud ji chcete změnit, zapište novou "
                                       "(0..254)"));
    MSetAddress->setMaxLength(SettingsStore::kAddressLength);
    MSetAddress->setGeometry(14, 96, 60, 24);
    SetControlColor(MSetAddress, kWhite);
    addressCaption->setBuddy(MSetAddress);
    connect(MSetAddress, &QLineEdit::textChanged, this,
            [this](const QString& text) { session_.SetAddressText(text); });

    MSetCsum = Named(new QCheckBox(QStringLiteral("Checksum."), MSetPort), "MSetCsum",
                     QStringLiteral("Zaškrtnutím se nastaví režim zabezpečení přenosu dat "
                                    "kontrolním součtem "));
    MSetCsum->setGeometry(120, 96, 102, 24);

    MSetUse = Named(new QPushButton(QStringLiteral("Nastav"), MSetPort), "MSetUse",
                    QStringLiteral("Změna nastavení COM portu "));
    MSetUse->setGeometry(14, 138, 208, 30);
    MSetUse->setDefault(true);
    connect(MSetUse, &QPushButton::clicked, this, [this] { MSetUseClick(MSetUse); });
}

void SetupPage::BuildModuleGroup() {
    MSetModul = Named(new QGroupBox(QStringLiteral("Rozhraní QX"), this), "MSetModul");
    MSetModul->setGeometry(248, 6, 160, 182);
    Caption(QStringLiteral("Změň aktuální nastavení:"), MSetModul, 10, 24);
    MSetConfig = Named(new QPushButton(QStringLiteral("Změň"), MSetModul), "MSetConfig",
                       QStringLiteral("Změna nastavení QX rozhraní"));
    MSetConfig->setGeometry(10, 44, 140, 30);
    Caption(QStringLiteral("Vyhledej aktuální nastavení:"), MSetModul, 10, 98);
    MSetFind = Named(new QPushButton(QStringLiteral("Najdi"), MSetModul), "MSetFind",
                     QStringLiteral("Vyhledá nastavení QX rozhraní (adresu, přenosovou rychlost a "
                                    "nastavení Checksum)"));
    MSetFind->setGeometry(10, 118, 140, 30);
    connect(MSetFind, &QPushButton::clicked, this, [this] { MSetFindClick(); });
    // The full find takes about ten times as long: one choice away, never the default.
    MSetFind->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MSetFind, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(MSetFind);
        QAction* quick = menu.addAction(QStringLiteral("&Rychlé hledání"));
        menu.setDefaultAction(quick);
        QAction* full = menu.addAction(QStringLiteral("Ú&plné hledání…"));
        // The find runs after the menu has closed, not inside its event loop.
        QAction* chosen = menu.exec(MSetFind->mapToGlobal(at));
        if (chosen == quick) MSetFindClick();
        if (chosen == full) MSetFindFullClick();
    });
    connect(MSetConfig, &QPushButton::clicked, this, [this] { MSetConfigClick(); });
}

// The right-hand group and the status panel reach to the sheet's right edge, whatever the
// style's frame takes.
void SetupPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int right = width() - 8;
    MSetModul->setGeometry(MSetPort->geometry().right() + 7, 6,
                           right - MSetPort->geometry().right() - 7, 182);
    MSetStatus->setGeometry(8, 196, right - 8, 26);
    if (!lostDevice_.empty()) ShowLostPort(lostDevice_);
}

void SetupPage::FillPortList(const std::vector<int>& ports) {
    MSetComm->clear();
    for (int port : ports)
        MSetComm->addItem(SettingsStore::ComKey(port), port);
    ShowPortTip();
}

// The list keeps the names COM1..COM4; which device each stands for shows in the tooltips.
void SetupPage::ShowPortTip() {
    for (int i = 0; i < MSetComm->count(); ++i) {
        const int port = MSetComm->itemData(i).toInt();
        MSetComm->setItemData(i, QString::fromStdString(paths_[ComIndex(port)]), Qt::ToolTipRole);
    }
    QString tip = MSetComm->statusTip();
    const int index = MSetComm->currentIndex();
    if (index >= 0) {
        const int port = static_cast<int>(ComIndex(MSetComm->itemData(index).toInt()));
        tip += QStringLiteral("\n%1 = %2")
                   .arg(MSetComm->itemText(index), QString::fromStdString(paths_[port]));
    }
    MSetComm->setToolTip(tip);
}

void SetupPage::LoadValues(const SetupValues& values, const PortPaths& paths) {
    paths_ = paths;
    savedPortIndex_ = values.port;
    MSetBaud->setCurrentIndex(values.baud);
    MSetAddress->setText(values.address);
    MSetCsum->setChecked(values.csum);
    ShowPortTip();
}

SetupValues SetupPage::CurrentValues() const {
    SetupValues values;
    values.port = portNumber_;
    values.baud = MSetBaud->currentIndex();
    values.address = MSetAddress->text();
    values.csum = MSetCsum->isChecked();
    return values;
}

void SetupPage::MSetCommChange(QObject*) {
    const QString name = MSetComm->currentText();
    for (int port = 0; port < kComPorts; ++port) {
        if (name == SettingsStore::ComKey(port)) portNumber_ = port;
    }
}

QString SetupPage::OpenFailureText() const {
    if (session_.Link().LastOpenError() != SerialDevice::OpenError::Permission) return {};
    return QStringLiteral(
               "Přístup k zařízení %1 byl odepřen: uživatel pravděpodobně není ve "
               "skupině dialout.")
        .arg(QString::fromStdString(paths_[ComIndex(portNumber_)]));
}

void SetupPage::MSetUseClick(QObject* sender) {
    if (session_.Bus().Busy()) {
        // A foreground transaction holds the bus and lets events through: restarting the link
        // now would start a second poller under it.
        session_.ShowStatusMessage(
            QStringLiteral("Probíhá komunikace s QX, nastavení nyní nelze změnit."), 5000);
        return;
    }
    TCommPort& link = session_.Link();
    link.Close();
    link.ClearPollList();
    session_.Sink().NextSession();
    const int result = link.Open(portNumber_, MSetBaud->currentIndex() + kBaudCodeOffset,
                                 MSetCsum->isChecked(), &session_.Sink());
    if (result != kOk) {
        if (!MSetComm->isHidden()) SetControlColor(MSetComm, kRed);
        session_.SetBusAvailable(false);
        const QString why = OpenFailureText();
        if (!why.isEmpty()) session_.ShowStatusMessage(why);
        if (sender != nullptr) {
            QString text = QStringLiteral("    Zvolený COM port nelze použít. Zvol jiný.");
            if (!why.isEmpty()) text += QStringLiteral("\n\n") + why;
            session_.Message(text, QStringLiteral("TMForm::MSetUseClick()"));
        }
    } else {
        if (withoutModule_) {
            withoutModule_ = false;
            ShowModuleButtons(true);
        }
        ShowDeviceInUse();
        SetControlColor(MSetComm, kAqua);
        const AddressInput address = ReadAddress(MSetAddress->text().toStdString());
        if (address.replaced) {
            MSetAddress->setText(QString::fromStdString(address.text));
            MSetAddress->setSelection(0, 3);
        }
        session_.SetSelectedAddress(address.value);
        link.SetPollEntry(address.value, -1);
        emit session_.SettingsApplied();
    }
    UpdateStatus(SelectedAddress());
}

int SetupPage::SelectedAddress() const {
    return session_.SelectedAddress();
}

void SetupPage::ProbePorts() {
    MSetComm->hide();
    const ProbeOutcome outcome = qx::ProbePorts(savedPortIndex_, [this](int port) {
        portNumber_ = port;
        MSetUseClick(nullptr);
        emit session_.SettingsApplied();
        if (session_.Link().IsOpen()) return OpenError::None;
        const OpenError why = session_.Link().LastOpenError();
        return why == OpenError::None ? OpenError::Other : why;
    });
    FillPortList(outcome.usablePorts);
    savedPortIndex_ = outcome.savedIndex;
    refusedPorts_ = QString::fromStdString(
        RefusedPortsText(outcome.refused, [this](int port) { return paths_[ComIndex(port)]; }));
    MSetComm->show();
}

PortChoice::Outcome SetupPage::FindUsablePorts() {
    // Each probe moves the saved index down past the missing ports; a new mapping starts again
    // from the user's port.
    const int wanted = savedPortIndex_;
    ProbePorts();
    while (MSetComm->count() == 0) {
        session_.Message(QStringLiteral("Není dostupný volný COM port.\n") + refusedPorts_,
                         QStringLiteral("COM Error"));
        const PortChoice choice = Prompts().ChoosePorts(&session_.Window(), paths_, true);
        if (choice.outcome != PortChoice::Outcome::Mapped) return choice.outcome;
        session_.ApplyPortMap(choice.paths);
        savedPortIndex_ = wanted;
        ProbePorts();
    }
    return PortChoice::Outcome::Mapped;
}

void SetupPage::MSetMapClick() {
    if (activating_ || session_.Bus().Busy()) return;
    const PortChoice choice = Prompts().ChoosePorts(&session_.Window(), paths_, false);
    if (choice.outcome != PortChoice::Outcome::Mapped) return;
    session_.ApplyPortMap(choice.paths);
    // Probed again from the port in use, as at the first activation.
    savedPortIndex_ = portNumber_;
    activated_ = false;
    session_.Link().Close();
    FormActivate();
}

void SetupPage::FormActivate() {
    if (activating_ || session_.Bus().Busy()) return;
    activating_ = true;
    if (!activated_ && !session_.Link().IsOpen()) {
        const int wanted = savedPortIndex_;
        const PortChoice::Outcome outcome = FindUsablePorts();
        if (outcome != PortChoice::Outcome::Mapped) {
            activating_ = false;
            // Only the start may end the program; a mapping tried later that leads nowhere
            // leaves the window working without a module.
            if (outcome == PortChoice::Outcome::Cancelled && !running_) {
                session_.Window().close();
                return;
            }
            WorkWithoutModule(wanted);
            activated_ = true;
            running_ = true;
            session_.SetCaption(QString());
            return;
        }
    } else if (withoutModule_ || session_.Link().PortLost()) {
        // Nothing to apply again: without a module the link stays closed until the user opens a
        // port; a lost port is the poller's to open again once its device is back, and opening
        // it here, while it is still gone, would close the link for good.
        activating_ = false;
        return;
    }
    // A stored index past the shortened list would select nothing.
    savedPortIndex_ = std::clamp(savedPortIndex_, 0, std::max(0, MSetComm->count() - 1));
    MSetComm->setCurrentIndex(savedPortIndex_);
    MSetCommChange(nullptr);
    MSetUseClick(nullptr);
    emit session_.SettingsApplied();
    activated_ = true;
    running_ = true;
    session_.SetCaption(QString());
    activating_ = false;
}

void SetupPage::MSetFindClick() {
    RunFind(false);
}

void SetupPage::MSetFindFullClick() {
    RunFind(true);
}

void SetupPage::RunFind(bool full) {
    // The quick find starts where the page points; the page itself stays as it is, and the user
    // takes what the list shows into it.
    const ModuleSettingsGuess saved{MSetBaud->currentIndex() + kBaudCodeOffset,
                                    MSetCsum->isChecked(),
                                    ReadAddress(MSetAddress->text().toStdString()).value};
    // The find leaves the link on the last combination it tried: the page's settings apply again.
    if (RunModuleFind(session_, portNumber_, saved, full ? FindDepth::kFull : FindDepth::kQuick))
        MSetUseClick(nullptr);
}

void SetupPage::MSetConfigClick() {
    if (session_.Bus().Busy()) return;
    cfg_.MSetConfigClick(session_.Link(), session_.Bus(), MSetCsum->isChecked(),
                         MSetBaud->currentIndex());
}

}  // namespace qx
