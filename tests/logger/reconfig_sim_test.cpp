// Reconfiguration over a real link on the simulated bus: the command on the wire, the address
// that changes at once, and the line settings that change only after a power cycle.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "link/core/pause_lease.h"
#include "link/core/protocol.h"
#include "logger/core/reconfigure.h"
#include "tests/logger/sim_bus.h"

namespace qx {
namespace {

class ReconfigSim : public test::SimBus {
  protected:
    Exchange LinkExchange() {
        return [this](const char* request, char* reply) { return port_->Send(request, reply); };
    }
    // One request at the link's present settings; the reply text without checksum and CR, or
    // empty when nobody answered.
    std::string Ask(const std::string& request) {
        char reply[kBufferSize + 1] = {};
        PauseLease hold(*port_);
        if (port_->Send(request.c_str(), reply) != kOk) return {};
        std::string text(reply);
        text.pop_back();  // CR
        if (port_->ChecksumOn()) text.resize(text.size() - 2);
        return text;
    }
};

TEST_F(ReconfigSim, NewAddressAtOnceLineSettingsAfterPowerCycle) {
    struct Case {
        int baudCode;
        bool checksum;
        ReconfigureRequest request;
        const char* command;      // without checksum digits and CR
        const char* configReply;  // $AA2 at the new address after the power cycle
    };
    const Case cases[] = {
        // 9600 Bd plain to 38400 Bd with checksums; configuration byte 5D is carried over.
        {6, false, {7, 0x2A, 5, true}, "%072A5D0840", "!2A5D084E"},
        // 1200 Bd with checksums to 2400 Bd plain, and the highest address users can set.
        {3, true, {0, 254, 1, false}, "%00FE5D0400", "!FE5D040E"},
    };
    std::vector<sim::ModuleSettings> modules;
    for (const Case& c : cases) {
        sim::ModuleSettings m;
        m.address = c.request.address;
        m.baudCode = c.baudCode;
        m.checksum = c.checksum;
        m.config = 0x5D;
        modules.push_back(m);
    }
    Start(modules);
    // Each case leaves its module at line settings that the next case's link does not use.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        sim::Simulator& sim = sim_;
        sim.Record().Clear();
        ASSERT_EQ(port_->Open(0, c.baudCode, c.checksum, nullptr), kOk);

        TransactionResult result;
        {
            PauseLease hold(*port_);
            result = Reconfigure(LinkExchange(), c.request);
        }
        EXPECT_TRUE(result.Ok()) << result.code << result.refusal;

        ASSERT_TRUE(sim.Record().WaitRequests(3, std::chrono::seconds(5)));
        const auto requests = Requests();
        const std::vector<std::string> expected = {
            Frame(ReqConfig(c.request.address), c.checksum),
            Frame(ReqPrepareConfig(c.request.address), c.checksum), Frame(c.command, c.checksum)};
        EXPECT_EQ(requests, expected);

        // The new address answers at once, still at the old line settings; the old one is gone.
        char newModel[8], oldModel[8];
        std::snprintf(newModel, sizeof newModel, "$%02XM", c.request.newAddress);
        std::snprintf(oldModel, sizeof oldModel, "$%02XM", c.request.address);
        EXPECT_EQ(Ask(newModel), "!" + std::string(newModel + 1, 2) + "15200520");
        EXPECT_EQ(Ask(oldModel), "");
        const auto module = sim.FindModule(c.request.newAddress);
        ASSERT_TRUE(module);
        EXPECT_EQ(module->Settings().baudCode, c.baudCode);
        EXPECT_EQ(module->Settings().checksum, c.checksum);

        // After the power cycle only the new baud rate and checksum mode reach it.
        sim.PowerCycle();
        char config[8];
        std::snprintf(config, sizeof config, "$%02X2", c.request.newAddress);
        EXPECT_EQ(Ask(config), "");
        ASSERT_EQ(port_->Open(0, c.request.baudItem + 3, c.request.checksum, nullptr), kOk);
        EXPECT_EQ(Ask(config), c.configReply);
        port_->Close();
    }
}

TEST_F(ReconfigSim, AbsentModuleGetsNoConfigurationCommand) {
    sim::ModuleSettings m;
    m.address = 9;
    Start({m});
    ASSERT_EQ(port_->Open(0, m.baudCode, false, nullptr), kOk);

    TransactionResult result;
    {
        PauseLease hold(*port_);
        result = Reconfigure(LinkExchange(), {8, 9, 5, true});
    }
    EXPECT_EQ(result.code, kTimeoutError);
    ASSERT_TRUE(sim_.Record().WaitRequests(3, std::chrono::seconds(5)));
    EXPECT_EQ(Requests(), std::vector<std::string>(3, "$082\r"));
    // The module at the address asked for as the new one keeps its settings.
    EXPECT_EQ(Ask("$092"), "!0900060E");
}

}  // namespace
}  // namespace qx
