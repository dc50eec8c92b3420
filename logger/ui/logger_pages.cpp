#include "logger/ui/logger_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/setup_page.h"
#include "app/ui/tmform.h"
#include "logger/ui/run_module_find.h"
#include "logger/ui/shed_page.h"
#include "logger/ui/tmcfg_form.h"
#include "measure/ui/online_page.h"

namespace qx {

TLoggerPages::TLoggerPages(TMForm& form, TMCfgForm& cfg) : QObject(&form), form_(form), cfg_(cfg) {
    QWidget* sheet = form.MShedullerSh;
    page_ = new TShedPage(&form.Models(), sheet);
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page_);
    // The window's module buttons head the page's column of schedule-wide check boxes.
    page_->AddModuleButtons({form.MShedSend, form.MShedCheck, form.MShedClear});

    page_->ShedRead(form.WorkingDirectory());
    page_->ShedShow(0);

    connect(form.MShedSend, &QPushButton::clicked, this, [this] { MShedSendClick(); });
    connect(form.MShedCheck, &QPushButton::clicked, this, [this] { MShedCheckClick(); });
    connect(form.MShedClear, &QPushButton::clicked, this, [this] { MShedClearClick(); });
    connect(form.MSetupSh->MSetFind, &QPushButton::clicked, this, [this] { MSetFindClick(); });
    connect(form.MSetupSh->MSetConfig, &QPushButton::clicked, this, [this] { MSetConfigClick(); });
    // The input choices depend on the models of the station in use.
    connect(form.MOnLineSh, &TOnlinePage::InputSetChanged, page_, &TShedPage::RefreshInput);
    form.AddPage(this);
}

ShedBusContext TLoggerPages::BusContext() const {
    return ShedBusContext{&form_.Link(), &form_.Bus(), form_.InfoForm(), form_.WorkingDirectory()};
}

void TLoggerPages::MShedSendClick() {
    if (form_.InfoForm() == nullptr || form_.Bus().Busy()) return;
    page_->MShedSendClick(BusContext(), form_.MSetupSh->MSetAddress->text());
}

void TLoggerPages::MShedCheckClick() {
    if (form_.InfoForm() == nullptr || form_.Bus().Busy()) return;
    page_->MShedCheckClick(BusContext(), form_.MSetupSh->MSetAddress->text());
}

void TLoggerPages::MShedClearClick() {
    if (form_.InfoForm() == nullptr || form_.Bus().Busy()) return;
    page_->MShedClearClick(BusContext(), form_.SelectedAddress());
}

void TLoggerPages::MSetFindClick() {
    RunModuleFind(form_);
}

void TLoggerPages::MSetConfigClick() {
    if (form_.Bus().Busy()) return;
    cfg_.MSetConfigClick(form_.Link(), form_.Bus(), form_.MSetupSh->MSetCsum->isChecked(),
                         form_.MSetupSh->MSetBaud->currentIndex());
}

void TLoggerPages::FormClosing() {
    page_->ShedStore(page_->ShownIndex());
    page_->ShedWrite(form_.WorkingDirectory());
}

}  // namespace qx
