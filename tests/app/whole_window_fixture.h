#pragma once
// The whole window as the program puts it together, polling the simulated bus of
// simulated_bus.h from a throwaway working directory (the schedule file lives there).

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "common/ui/tminfo_form.h"
#include "data/ui/data_view.h"
#include "data/ui/graph_page.h"
#include "data/ui/table_page.h"
#include "logger/ui/shed_page.h"
#include "logger/ui/tmcfg_form.h"
#include "sim/simulator.h"
#include "tests/app/form_fixture.h"
#include "tests/app/simulated_bus.h"

namespace qx::test {

class WholeWindowFixture : public ::testing::Test {
  protected:
    WholeWindowFixture() : link_(PortPaths{}) {
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(workDir_.path());
        // A generous gap keeps a simulator slowed down by a loaded machine from looking silent.
        link_.SetReplyGapMs(600);
        DumpWireOnRequest();
        std::string error;
        started_ = StartSimulatedBus(simulator_, settings_, &error);
        EXPECT_TRUE(started_) << error;
    }
    ~WholeWindowFixture() override {
        form_.reset();
        simulator_.Stop();
        QDir::setCurrent(previousDir_);
    }

    // The window with every page, as the program creates it.
    TMForm& Build() {
        form_ = std::make_unique<TMForm>(link_);
        info_ = &form_->Shared().Info();
        cfg_ = form_->MCfgForm;
        logger_ = form_->MShedullerSh;
        data_ = &form_->MTableSh->View();
        return *form_;
    }

    // With MERIDO_WIRE_DUMP=DIR every frame on the line, without its time, goes to
    // DIR/<suite>.<test>.wire, so that the frames of two builds can be compared.
    void DumpWireOnRequest() {
        const char* dir = std::getenv("MERIDO_WIRE_DUMP");
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        if (dir == nullptr || info == nullptr) return;
        auto out = std::make_shared<std::ofstream>(
            std::string(dir) + "/" + info->test_suite_name() + "." + info->name() + ".wire");
        simulator_.Record().SetObserver(
            [out](const sim::WireFrame& frame) { *out << sim::TraceLine(0, frame) << '\n'; });
    }

    // The last message shown, so that an unexpected one names itself in the failure.
    std::string LastMessage() const {
        if (prompt_.Log().empty()) return {};
        const auto& shown = prompt_.Log().back();
        return (shown.caption + QStringLiteral(": ") + shown.text).toStdString();
    }

    QTemporaryDir workDir_;
    QString previousDir_;
    TempSettings settings_;
    sim::Simulator simulator_;
    TCommPort link_;
    ScriptedPrompt prompt_;
    std::unique_ptr<TMForm> form_;
    TMInfoForm* info_ = nullptr;
    TMCfgForm* cfg_ = nullptr;
    ShedPage* logger_ = nullptr;
    DataView* data_ = nullptr;
    bool started_ = false;
};

}  // namespace qx::test
