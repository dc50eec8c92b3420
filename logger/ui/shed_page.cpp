#include "logger/ui/shed_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <optional>

#include "common/core/local_time.h"
#include "common/ui/control_color.h"
#include "common/ui/info_progress.h"
#include "common/ui/list_fill_apply.h"
#include "common/ui/prompt.h"
#include "common/ui/tminfo_form.h"
#include "link/core/comm_port.h"
#include "link/core/pause_lease.h"
#include "logger/core/schedule_file.h"
#include "logger/core/shed_requests.h"
#include "logger/core/shed_transfer.h"
#include "measure/core/models_in_use.h"
#include "measure/ui/session.h"

namespace qx {
namespace {

const QColor kFuchsia{0xFF, 0x00, 0xFF};

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

QPushButton* BusButton(QWidget* page, const char* name, const QString& caption,
                       const QString& hint) {
    auto* button = new QPushButton(caption, page);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setEnabled(false);
    return button;
}

}  // namespace

ShedPage::ShedPage(Session& session, QWidget* parent)
    : QWidget(parent), session_(session), models_(&session.Models()) {
    setObjectName(QStringLiteral("MShedullerSh"));
    // First in the page's focus chain.
    BuildModuleButtons();
    BuildControls();
    connect(&session, &Session::BusAvailable, this, [this](bool available) {
        for (QPushButton* button : {MShedSend, MShedCheck, MShedClear})
            button->setEnabled(available);
    });
    connect(&session, &Session::Closing, this, [this] { FormClosing(); });
}

void ShedPage::BuildModuleButtons() {
    MShedSend = BusButton(this, "MShedSend", QStringLiteral("Odeslat"),
                          QStringLiteral("Odešle parametry sběru dat do QX"));
    MShedCheck = BusButton(this, "MShedCheck", QStringLiteral("Zkontrolovat"),
                           QStringLiteral("Zkontroluje nastavení parametrů pro sběr dat v QX"));
    MShedClear = BusButton(this, "MShedClear", QStringLiteral("Nulovat frontu"),
                           QStringLiteral("Nuluje všechny záznamy ve frontě QX"));
    connect(MShedSend, &QPushButton::clicked, this, [this] { MShedSendClick(); });
    connect(MShedCheck, &QPushButton::clicked, this, [this] { MShedCheckClick(); });
    connect(MShedClear, &QPushButton::clicked, this, [this] { MShedClearClick(); });
}

QLineEdit* ShedPage::AddEdit(const char* name, const QString& label, const QString& hint, int row) {
    auto* grid = static_cast<QGridLayout*>(MShedParam->layout());
    auto* caption = new QLabel(label, MShedParam);
    grid->addWidget(caption, row, 0);
    auto* edit = new QLineEdit(MShedParam);
    // Named by its label, not by the group's caption that all the edits share.
    caption->setBuddy(edit);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setToolTip(hint);
    edit->setStatusTip(hint);
    edit->setEnabled(false);
    grid->addWidget(edit, row, 1);
    return edit;
}

void ShedPage::BuildControls() {
    auto* layout = new QHBoxLayout(this);
    MShedIndex = new QGroupBox(QStringLiteral("Index"), this);
    MShedIndex->setObjectName(QStringLiteral("MShedIndex"));
    MShedIndex->setStatusTip(QStringLiteral("Výběr jedné z osmi nezávisle měřených veličin"));
    MShedIndex->setToolTip(MShedIndex->statusTip());
    MShedIndex->setEnabled(false);
    indexGroup_ = new QButtonGroup(this);
    auto* indexLayout = new QVBoxLayout(MShedIndex);
    for (int n = 0; n < kShedEntries; ++n) {
        auto* radio = new QRadioButton(QString::number(n + 1), MShedIndex);
        indexGroup_->addButton(radio, n);
        indexLayout->addWidget(radio);
    }
    indexGroup_->button(0)->setChecked(true);
    connect(indexGroup_, &QButtonGroup::idClicked, this, [this](int) { MShedIndexEnter(); });
    layout->addWidget(MShedIndex);

    MShedParam = new QGroupBox(QStringLiteral("Parametry sběru dat"), this);
    MShedParam->setObjectName(QStringLiteral("MShedParam"));
    auto* grid = new QGridLayout(MShedParam);
    MShedActive = new QCheckBox(QStringLiteral("Povolit"), MShedParam);
    MShedActive->setObjectName(QStringLiteral("MShedActive"));
    MShedActive->setStatusTip(
        QStringLiteral("Zaškrtnutím se povolí sběr dat měřené veličiny aktuálního indexu"));
    MShedActive->setEnabled(false);
    grid->addWidget(MShedActive, 0, 0, 1, 2);
    auto addList = [&](const char* name, const QString& label, const QString& hint, int row) {
        auto* caption = new QLabel(label, MShedParam);
        grid->addWidget(caption, row, 0);
        auto* box = new QComboBox(MShedParam);
        caption->setBuddy(box);
        box->setObjectName(QString::fromLatin1(name));
        box->setStatusTip(hint);
        box->setToolTip(hint);
        box->setEnabled(false);
        SetControlColor(box, kButtonFace);
        grid->addWidget(box, row, 1);
        return box;
    };
    MShedSelect = addList("MShedSelect", QStringLiteral("Veličina:"),
                          QStringLiteral("Volba měřené veličiny pro aktuálně vybraný index"), 1);
    MShedRange = addList("MShedRange", QStringLiteral("Rozsah:"),
                         QStringLiteral("Volba měřicího rozsahu pro aktuálně vybraný index"), 2);
    MShedInput = addList("MShedInput", QStringLiteral("Vstup:"),
                         QStringLiteral("Volba vstupního obvodu pro aktuálně vybraný index"), 3);
    connect(MShedSelect, &QComboBox::currentIndexChanged, this, [this] { MShedSelectChange(); });
    MShedDate = AddEdit("MShedDate", QStringLiteral("Datum zahájení:"),
                        QStringLiteral("Datum zahájení měření ve formátu DD.MM (zadejte hodnotu "
                                       "0.0. pokud se má začít ihned)"),
                        4);
    MShedTime = AddEdit("MShedTime", QStringLiteral("Čas zahájení:"),
                        QStringLiteral("Čas zahájení měření ve formátu HH:MM (zadejte hodnotu "
                                       "0:0 pokud se má začít ihned)"),
                        5);
    MShedInter = AddEdit(
        "MShedInter", QStringLiteral("Interval měření:"),
        QStringLiteral("Interval měření ve formátu MM:SS (max. 60:00,  0:0 pro plnou rychlost)"),
        6);
    MShedHigh = AddEdit("MShedHigh", QStringLiteral("Horní mez:"),
                        QStringLiteral("Horní mez (pro vypnutí meze zadejte hodnotu +9999)"), 7);
    MShedLow = AddEdit("MShedLow", QStringLiteral("Dolní mez:"),
                       QStringLiteral("Dolní mez (pro vypnutí meze zadejte hodnotu -9999)"), 8);
    MShedLimit = AddEdit("MShedLimit", QStringLiteral("Interval měření:"),
                         QStringLiteral("Interval měření při překročení mezí ve formátu MM:SS "
                                        "(max. 60:00, 0:0 plná rychlost)"),
                         9);
    // Its label repeats the interval's; a screen reader needs to tell the two apart.
    MShedLimit->setAccessibleName(QStringLiteral("Interval měření při překročení mezí:"));
    layout->addWidget(MShedParam);

    auto* flags = new QVBoxLayout;
    MShedRewrite = new QCheckBox(QStringLiteral("Přepisovat frontu"), this);
    MShedRewrite->setObjectName(QStringLiteral("MShedRewrite"));
    MShedRewrite->setStatusTip(QStringLiteral(
        "Zaškrtnutím se povolí přepis nejstarších záznamů novými, pokud je fronta zaplněna"));
    MShedRewrite->setEnabled(false);
    MShedAlloff = new QCheckBox(QStringLiteral("Zakázat všechny"), this);
    MShedAlloff->setObjectName(QStringLiteral("MShedAlloff"));
    MShedAlloff->setStatusTip(QStringLiteral("Zaškrtnutím se zakáží všechny indexy najednou"));
    for (QCheckBox* box : {MShedActive, MShedRewrite, MShedAlloff}) {
        box->setToolTip(box->statusTip());
    }
    // The module buttons head the column of the schedule-wide check boxes.
    for (QPushButton* button : {MShedSend, MShedCheck, MShedClear})
        flags->addWidget(button);
    flags->addSpacing(8);
    flags->addWidget(MShedRewrite);
    flags->addWidget(MShedAlloff);
    flags->addStretch();
    layout->addLayout(flags);
}

void ShedPage::EnableControls() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{MShedIndex, MShedActive, MShedRewrite, MShedAlloff,
                                         MShedSelect, MShedRange, MShedInput}) {
        w->setEnabled(true);
    }
    for (QComboBox* box : {MShedSelect, MShedRange, MShedInput})
        SetControlColor(box, kAqua);
    for (QLineEdit* edit : {MShedDate, MShedTime, MShedInter}) {
        edit->setEnabled(true);
        SetControlColor(edit, kWhite);
    }
    for (QLineEdit* edit : {MShedHigh, MShedLow, MShedLimit}) {
        edit->setEnabled(true);
        SetControlColor(edit, kFuchsia);
    }
}

bool ShedPage::ShedRead(const QString& dir) {
    haveTable_ = true;
    EnableControls();
    ReadScheduleFile(dir.toStdString(), table_);  // missing: the defaults, silently
    MShedRewrite->setChecked(table_.rewrite);
    MShedAlloff->setChecked(table_.allOff);
    return true;
}

bool ShedPage::ShedWrite(const QString& dir) {
    if (!haveTable_) return false;
    const Schedule schedule{MShedRewrite->isChecked(), MShedAlloff->isChecked(), table_.entries};
    if (!WriteScheduleFile(dir.toStdString(), schedule)) {
        Prompts().Message(
            this,
            QStringLiteral("Nelze otevřít soubor %1 !").arg(QString::fromLatin1(kScheduleFileName)),
            QStringLiteral("TMForm::ShedWrite()"));
    }
    return true;
}

bool ShedPage::ShedShow(int index) {
    if (index < 0 || index >= kShedEntries || !haveTable_) return false;
    const ShedEntry& e = table_.entries[index];
    MShedActive->setChecked(e.active);
    shownQuantity_ = e.quantity;
    shownRange_ = e.range;
    shownInput_ = e.input;
    MShedDate->setText(Utf8(e.date));
    MShedTime->setText(Utf8(e.time));
    MShedInter->setText(Utf8(e.interval));
    MShedHigh->setText(Utf8(e.high));
    MShedLow->setText(Utf8(e.low));
    MShedLimit->setText(Utf8(e.limitInterval));
    ApplyListFill(MShedSelect, FillQuantity(e.quantity, nullptr));
    // The Schedule page does not know the instrument that will log: model 0.
    ApplyListFill(MShedRange, FillRange(e.quantity, 0, e.range));
    ApplyListFill(MShedInput, models_->FillInput(e.quantity, e.input));
    return true;
}

bool ShedPage::ShedStore(int index) {
    if (index < 0 || index >= kShedEntries || !haveTable_) return false;
    ShedEntry& e = table_.entries[index];
    e.active = MShedActive->isChecked();
    e.quantity = MShedSelect->currentIndex();
    e.range = MShedRange->currentIndex();
    e.input = MShedInput->currentIndex();
    e.date = MShedDate->text().toStdString();
    e.time = MShedTime->text().toStdString();
    e.interval = MShedInter->text().toStdString();
    e.high = MShedHigh->text().toStdString();
    e.low = MShedLow->text().toStdString();
    e.limitInterval = MShedLimit->text().toStdString();
    return true;
}

void ShedPage::MShedIndexEnter() {
    const int selected = indexGroup_->checkedId();
    if (selected == shownIndex_ || selected < 0) return;
    ShedStore(shownIndex_);
    ShedShow(selected);
    shownIndex_ = selected;
}

void ShedPage::MShedSelectChange() {
    const int selected = MShedSelect->currentIndex();
    if (selected == shownQuantity_) return;
    shownQuantity_ = selected;
    shownRange_ = MShedRange->currentIndex();
    shownInput_ = MShedInput->currentIndex();
    ApplyListFill(MShedRange, FillRange(shownQuantity_, 0, shownRange_));
    ApplyListFill(MShedInput, models_->FillInput(shownQuantity_, shownInput_));
}

void ShedPage::RefreshInput() {
    ApplyListFill(MShedInput, models_->FillInput(shownQuantity_, shownInput_));
}

Schedule ShedPage::CurrentSchedule() {
    ShedStore(shownIndex_);
    return Schedule{MShedRewrite->isChecked(), MShedAlloff->isChecked(), table_.entries};
}

TransactionResult ShedPage::Run(Operation op, int address) {
    InfoProgress progress(session_.Info());
    TCommPort* link = &session_.Link();
    BusServices services;
    services.exchange = [link](const char* request, char* reply) {
        return link->Send(request, reply);
    };
    services.poller = link;
    services.busy = &session_.Bus();
    services.progress = &progress;
    services.clock = SystemLocalTime;
    services.encode = [this](int q, int r, int i) { return models_->EncodeConfig(q, r, i); };
    services.report = [this, link](const TransactionResult& result, const char* caption) {
        const std::string text =
            result.refusal.empty() ? link->StrError(result.code) : result.refusal;
        Prompts().Message(this, Utf8(text), QString::fromLatin1(caption));
    };
    TShedTransfer transfer(services);
    switch (op) {
        case Operation::kSend:
            return transfer.Send(address, CurrentSchedule(),
                                 session_.WorkingDirectory().toStdString());
        case Operation::kCheck:
            return transfer.Check(address, CurrentSchedule());
        case Operation::kClear:
            return transfer.Clear(address);
    }
    return {};
}

void ShedPage::MShedSendClick() {
    if (session_.Bus().Busy()) return;
    Run(Operation::kSend, AddressFromText(session_.AddressText().toStdString()));
}

void ShedPage::MShedCheckClick() {
    if (session_.Bus().Busy()) return;
    Run(Operation::kCheck, AddressFromText(session_.AddressText().toStdString()));
}

void ShedPage::MShedClearClick() {
    if (session_.Bus().Busy()) return;
    Run(Operation::kClear, session_.SelectedAddress());
}

void ShedPage::FormClosing() {
    ShedStore(shownIndex_);
    ShedWrite(session_.WorkingDirectory());
}

}  // namespace qx
