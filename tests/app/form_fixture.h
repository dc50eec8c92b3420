#pragma once
// A main window over a link whose COM ports are fakes, with a scripted prompt and a settings
// store of its own.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

#include "app/ui/setup_page.h"
#include "app/ui/tmform.h"
#include "data/ui/data_view.h"
#include "data/ui/graph_page.h"
#include "data/ui/table_page.h"
#include "fake_serial.h"
#include "logger/ui/shed_page.h"
#include "measure/ui/online_page.h"
#include "qt_test_app.h"
#include "tests/support/ui/scripted_prompt.h"

namespace qx::test {

inline std::string FakePath(int port) {
    return "/fake/ttyQX" + std::to_string(port);
}

class FormTest : public ::testing::Test {
  protected:
    FormTest() : link_(PortPaths{}, ports_.Factory()) {
        // The window reads and writes the schedule file in the working directory.
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(workDir_.path());
        QSettings store = settings_.Open();
        for (int port = 0; port < 4; ++port) {
            store.setValue(QStringLiteral("1.0/Ports/COM%1").arg(port + 1),
                           QString::fromStdString(FakePath(port)));
        }
    }
    ~FormTest() override {
        form_.reset();
        QDir::setCurrent(previousDir_);
    }

    void Present(std::initializer_list<int> ports) {
        std::set<std::string> paths;
        for (int port : ports)
            paths.insert(FakePath(port));
        ports_.SetPresent(paths);
    }
    void SetStored(const char* key, const QVariant& value) {
        settings_.Open().setValue(QStringLiteral("1.0/Setup/") + QLatin1String(key), value);
    }
    QVariant Stored(const char* key) {
        return settings_.Open().value(QStringLiteral("1.0/Setup/") + QLatin1String(key));
    }
    TMForm& Form() {
        if (!form_) form_ = std::make_unique<TMForm>(link_);
        return *form_;
    }
    SetupPage& SetupSh() { return *Form().MSetupSh; }
    QStringList PortItems() {
        QStringList items;
        for (int i = 0; i < SetupSh().MSetComm->count(); ++i)
            items << SetupSh().MSetComm->itemText(i);
        return items;
    }
    std::vector<QPushButton*> BusButtons() {
        TMForm& f = Form();
        return {f.MTableSh->MTabReceive, f.MShedullerSh->MShedSend, f.MShedullerSh->MShedCheck,
                f.MShedullerSh->MShedClear};
    }

    QTemporaryDir workDir_;
    QString previousDir_;
    TempSettings settings_;
    FakePorts ports_;
    TCommPort link_;
    ScriptedPrompt prompt_;
    std::unique_ptr<TMForm> form_;
};

}  // namespace qx::test
