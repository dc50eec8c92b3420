#include "logger/ui/tmcfg_form.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "tests/app/qt_test_app.h"

namespace qx {
namespace {

TEST(CfgForm, SendClampsTheAddressesAndClosesWithOk) {
    test::TestApp();
    TMCfgForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Změna nastavení QX"));
    EXPECT_EQ(form.findChild<QLabel*>("Label6")->text(),
              QStringLiteral("modulu vypnutím a zapnutím jeho napájení. "));
    EXPECT_EQ(form.MBaud->count(), 6);
    EXPECT_EQ(form.MBaud->itemText(4), QStringLiteral("19200  Bd"));

    struct Case {
        const char* address;
        const char* newAddress;
        const char* shownNew;
        int sentNew;
    } cases[] = {{"5", "300", "254", 254}, {"5", "-5", "0", 0}, {"5", "abc", "abc", 0}};
    for (const Case& c : cases) {
        form.MAddress->setText(QString::fromLatin1(c.address));
        form.MNewaddr->setText(QString::fromLatin1(c.newAddress));
        form.MBaud->setCurrentIndex(3);
        form.MCsum->setChecked(true);
        form.open();
        form.MSend->click();
        EXPECT_EQ(form.result(), QDialog::Accepted);
        EXPECT_EQ(form.MNewaddr->text(), QString::fromLatin1(c.shownNew));
        const ReconfigureRequest req = form.Request();
        EXPECT_EQ(req.address, 5);
        EXPECT_EQ(req.newAddress, c.sentNew);
        EXPECT_EQ(req.baudItem, 3);
        EXPECT_TRUE(req.checksum);
    }
    form.open();
    form.MCancel->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace qx
