#include "logger/ui/logger_pages.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "logger/ui/shed_page.h"
#include "measure/ui/session.h"

namespace qx {
namespace {

QPushButton* BusButton(QWidget* sheet, const char* name, const QString& caption,
                       const QString& hint, const QRect& geometry) {
    auto* button = new QPushButton(caption, sheet);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setGeometry(geometry);
    button->setEnabled(false);
    return button;
}

}  // namespace

TLoggerPages::TLoggerPages(Session& session, QWidget* sheet) : QObject(sheet), session_(session) {
    MShedSend =
        BusButton(sheet, "MShedSend", QStringLiteral("Odeslat"),
                  QStringLiteral("Odešle parametry sběru dat do QX"), QRect(300, 8, 115, 26));
    MShedCheck = BusButton(sheet, "MShedCheck", QStringLiteral("Zkontrolovat"),
                           QStringLiteral("Zkontroluje nastavení parametrů pro sběr dat v QX"),
                           QRect(300, 40, 115, 26));
    MShedClear =
        BusButton(sheet, "MShedClear", QStringLiteral("Nulovat frontu"),
                  QStringLiteral("Nuluje všechny záznamy ve frontě QX"), QRect(300, 72, 115, 26));
    page_ = new TShedPage(&session.Models(), sheet);
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page_);
    // The module buttons head the page's column of schedule-wide check boxes.
    page_->AddModuleButtons({MShedSend, MShedCheck, MShedClear});

    page_->ShedRead(session.WorkingDirectory());
    page_->ShedShow(0);

    connect(MShedSend, &QPushButton::clicked, this, [this] { MShedSendClick(); });
    connect(MShedCheck, &QPushButton::clicked, this, [this] { MShedCheckClick(); });
    connect(MShedClear, &QPushButton::clicked, this, [this] { MShedClearClick(); });
    connect(&session, &Session::BusAvailable, this, [this](bool available) {
        for (QPushButton* button : {MShedSend, MShedCheck, MShedClear})
            button->setEnabled(available);
    });
    connect(&session, &Session::Closing, this, [this] { FormClosing(); });
}

ShedBusContext TLoggerPages::BusContext() const {
    return ShedBusContext{&session_.Link(), &session_.Bus(), &session_.Info(),
                          session_.WorkingDirectory()};
}

void TLoggerPages::MShedSendClick() {
    if (session_.Bus().Busy()) return;
    page_->MShedSendClick(BusContext(), session_.AddressText());
}

void TLoggerPages::MShedCheckClick() {
    if (session_.Bus().Busy()) return;
    page_->MShedCheckClick(BusContext(), session_.AddressText());
}

void TLoggerPages::MShedClearClick() {
    if (session_.Bus().Busy()) return;
    page_->MShedClearClick(BusContext(), session_.SelectedAddress());
}

void TLoggerPages::FormClosing() {
    page_->ShedStore(page_->ShownIndex());
    page_->ShedWrite(session_.WorkingDirectory());
}

}  // namespace qx
