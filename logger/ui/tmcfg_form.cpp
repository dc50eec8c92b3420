#include "logger/ui/tmcfg_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/core/address_text.h"
#include "common/ui/control_color.h"
#include "common/ui/prompt.h"
#include "link/core/comm_port.h"
#include "link/core/pause_lease.h"

namespace qx {
namespace {

QLabel* NamedLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLineEdit* AddressEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(QStringLiteral("1"), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(3);
    return edit;
}

}  // namespace

TMCfgForm::TMCfgForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("MCfgForm"));
    setWindowTitle(QStringLiteral("Změna nastavení QX"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    BuildControls();
    layout()->setSizeConstraint(QLayout::SetFixedSize);  // not resizable
}

void TMCfgForm::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto* grid2 = new QGridLayout(GroupBox2);
    Label1 = NamedLabel("Label1", QStringLiteral("Aktuální adresa:"), GroupBox2);
    MAddress = AddressEdit("MAddress", GroupBox2);
    MCancel = new QPushButton(QStringLiteral("Storno"), GroupBox2);
    MCancel->setObjectName(QStringLiteral("MCancel"));
    grid2->addWidget(Label1, 0, 0);
    grid2->addWidget(MAddress, 0, 1);
    grid2->addWidget(MCancel, 0, 2);
    layout->addWidget(GroupBox2);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid1 = new QGridLayout(GroupBox1);
    Label4 = NamedLabel("Label4", QStringLiteral("Nová adresa:"), GroupBox1);
    MNewaddr = AddressEdit("MNewaddr", GroupBox1);
    Label5 = NamedLabel("Label5", QStringLiteral("Nová rychlost:"), GroupBox1);
    MBaud = new QComboBox(GroupBox1);
    MBaud->setObjectName(QStringLiteral("MBaud"));
    MBaud->addItems({QStringLiteral("1200  Bd"), QStringLiteral("2400  Bd"),
                     QStringLiteral("4800  Bd"), QStringLiteral("9600  Bd"),
                     QStringLiteral("19200  Bd"), QStringLiteral("38400  Bd")});
    SetControlColor(MBaud, kAqua);
    MCsum = new QCheckBox(QStringLiteral("Checksum."), GroupBox1);
    MCsum->setObjectName(QStringLiteral("MCsum"));
    MSend = new QPushButton(QStringLiteral("Odešli"), GroupBox1);
    MSend->setObjectName(QStringLiteral("MSend"));
    MSend->setDefault(true);
    Label1->setBuddy(MAddress);
    Label4->setBuddy(MNewaddr);
    Label5->setBuddy(MBaud);
    grid1->addWidget(Label4, 0, 0);
    grid1->addWidget(MNewaddr, 0, 1);
    grid1->addWidget(Label5, 1, 0);
    grid1->addWidget(MBaud, 1, 1);
    grid1->addWidget(MCsum, 2, 1);
    grid1->addWidget(MSend, 2, 2);
    layout->addWidget(GroupBox1);

    Label2 = NamedLabel(
        "Label2", QStringLiteral("Nová adresa bude platná bezprostředně po stisku Odešli."), this);
    Label3 = NamedLabel(
        "Label3",
        QStringLiteral("Nová rychlost a nastavení Checksum bude platit až po inicializaci"), this);
    Label6 =
        NamedLabel("Label6", QStringLiteral("modulu vypnutím a zapnutím jeho napájení. "), this);
    for (QLabel* label : {Label2, Label3, Label6})
        layout->addWidget(label);

    // Esc and the window frame reject the dialog, which is what "Storno" does.
    connect(MSend, &QPushButton::clicked, this, &TMCfgForm::MSendClick);
    connect(MCancel, &QPushButton::clicked, this, &TMCfgForm::MCancelClick);
}

void TMCfgForm::MSendClick() {
    // The Setup page's reading: out-of-range numbers are held to 0..254, other text stays.
    MAddress->setText(QString::fromStdString(ReadAddress(MAddress->text().toStdString()).text));
    MNewaddr->setText(QString::fromStdString(ReadAddress(MNewaddr->text().toStdString()).text));
    accept();
}

void TMCfgForm::MCancelClick() {
    reject();
}

ReconfigureRequest TMCfgForm::Request() const {
    return ReconfigureRequest{ReadAddress(MAddress->text().toStdString()).value,
                              ReadAddress(MNewaddr->text().toStdString()).value,
                              MBaud->currentIndex(), MCsum->isChecked()};
}

void TMCfgForm::MSetConfigClick(TCommPort& link, BusBusy& busy, bool checksum, int baudItem) {
    const QString caption = QStringLiteral("TMForm::MSetConfigClick()");
    if (!link.IsOpen()) {
        Prompts().Message(parentWidget(),
                          QStringLiteral("    Zvolený COM port nelze použít. Zvol jiný."), caption);
        return;
    }
    MAddress->setText(QStringLiteral("1"));
    MNewaddr->setText(QStringLiteral("1"));
    MCsum->setChecked(checksum);
    MBaud->setCurrentIndex(baudItem);
    if (exec() != QDialog::Accepted) return;
    TransactionResult result;
    {
        PauseLease hold(link, &busy);
        result =
            Reconfigure([&link](const char* q, char* r) { return link.Send(q, r); }, Request());
    }  // the poller goes on before the message is shown
    if (!result.Ok()) {
        const std::string text =
            result.refusal.empty() ? link.StrError(result.code) : result.refusal;
        Prompts().Message(parentWidget(), QString::fromStdString(text), caption);
    }
}

}  // namespace qx
