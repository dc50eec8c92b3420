#include "sim/control.h"

#include <gtest/gtest.h>

#include "sim/simulator.h"

namespace qx::sim {
namespace {

TEST(SimControl, ModuleSpecOverridesDefaultsAndRejectsBadItems) {
    ModuleSettings s;
    std::string error;
    ASSERT_TRUE(
        ParseModuleItems("addr=0x1F,baud=19200,csum=1,model=1525,inst=525,number=7,"
                         "flags=0x02,config=0x5d,attached=0,fw=3,ifw=4,mute2=1",
                         &s, &error))
        << error;
    EXPECT_EQ(s.address, 0x1F);
    EXPECT_EQ(s.baudCode, 7);
    EXPECT_TRUE(s.checksum);
    EXPECT_EQ(s.moduleModel, 1525);
    EXPECT_EQ(s.instrumentModel, 525);
    EXPECT_EQ(s.instrumentNumber, 7);
    EXPECT_EQ(s.formatFlags, 0x02);
    EXPECT_EQ(s.config, 0x5D);
    EXPECT_FALSE(s.instrumentAttached);
    EXPECT_EQ(s.moduleFirmware, 3);
    EXPECT_EQ(s.instrumentFirmware, 4);
    EXPECT_TRUE(s.muteConfigRead);

    ASSERT_TRUE(ParseModuleItems("baud=3", &s, &error));
    EXPECT_EQ(s.baudCode, 3);
    for (const char* bad : {"addr=256", "baud=9", "baud=57600", "baud=2", "csum=2", "addr=-1",
                            "colour=1", "addr", "addr=1x", "number=123456789", "addr=1,,"}) {
        ModuleSettings before = s;
        EXPECT_FALSE(ParseModuleItems(bad, &s, &error)) << bad;
        EXPECT_EQ(s.baudCode, before.baudCode) << bad;  // a failed items changes nothing
        EXPECT_EQ(s.address, before.address) << bad;
    }
}

TEST(SimControl, CommandsReachTheModules) {
    Simulator sim;
    ModuleSettings a;
    a.address = 1;
    ModuleSettings b;
    b.address = 2;
    sim.AddModule(a);
    sim.AddModule(b);

    EXPECT_EQ(ExecuteControl(sim, "unplug 2"), "ok");
    EXPECT_TRUE(sim.FindModule(1)->Settings().instrumentAttached);
    EXPECT_FALSE(sim.FindModule(2)->Settings().instrumentAttached);
    EXPECT_EQ(ExecuteControl(sim, "plug"), "ok");
    EXPECT_TRUE(sim.FindModule(2)->Settings().instrumentAttached);
    EXPECT_EQ(ExecuteControl(sim, "unplug 9"), "error: no such module");

    EXPECT_EQ(ExecuteControl(sim, "novalue on 1"), "ok");
    EXPECT_TRUE(sim.FindModule(1)->NoValue());
    EXPECT_FALSE(sim.FindModule(2)->NoValue());

    EXPECT_EQ(ExecuteControl(sim, "set 2 baud=4800,csum=1,config=0x40"), "ok");
    EXPECT_EQ(sim.FindModule(2)->Settings().baudCode, 5);
    EXPECT_EQ(sim.FindModule(2)->Settings().config, 0x40);
    EXPECT_EQ(ExecuteControl(sim, "set 2 baud=1"), "error: bad module item 'baud=1'");

    EXPECT_EQ(ExecuteControl(sim, "value 1.95 2"), "ok");
    EXPECT_EQ(sim.FindModule(2)->Respond(Frame("#02", true).substr(0, 5), 5, 0.0), ">+01.95\\");
    EXPECT_EQ(ExecuteControl(sim, "value nan 2"),
              "error: unknown or malformed command: value nan 2");
    EXPECT_EQ(ExecuteControl(sim, "value auto"), "ok");

    for (const char* ok : {"silence on", "silence off", "drop 3", "corrupt", "stall", "stall 250",
                           "late 300 $2", "late 0", "stream off", "power", ""})
        EXPECT_EQ(ExecuteControl(sim, ok), "ok") << ok;
    for (const char* bad : {"silence maybe", "drop -1", "drop", "stall 1e9", "late", "late -5",
                            "late 10 $2 x", "frobnicate", "unplug 1 2", "novalue on 300"})
        EXPECT_EQ(ExecuteControl(sim, bad).rfind("error", 0), 0u) << bad;
    EXPECT_NE(ExecuteControl(sim, "status").find("addr=0x02 baud=4800 csum=1"), std::string::npos);
}

TEST(SimControl, QueueCommands) {
    Simulator sim;
    ModuleSettings a;
    a.address = 1;
    a.config = 0x5D;
    sim.AddModule(a);
    EXPECT_EQ(ExecuteControl(sim, "value 50"), "ok");
    EXPECT_EQ(ExecuteControl(sim, "prefill 3"), "ok");
    EXPECT_EQ(ExecuteControl(sim, "prefill 2 0x70 1"), "ok");  // resistance: 50 kohm on 399.9
    EXPECT_EQ(ExecuteControl(sim, "record 5D4605000000C6DC 1"), "ok");
    auto q = sim.FindModule(1)->Log().Queue();
    ASSERT_EQ(q.size(), 6u);
    EXPECT_EQ(q[0].substr(0, 8), "5D040500");
    EXPECT_EQ(q[3].substr(0, 8), "70040500");
    EXPECT_EQ(q[5], "5D4605000000C6DC");
    // One second apart, the last stamped with the module's clock now: T1 seconds step by one.
    EXPECT_EQ((std::stoi(q[1].substr(8, 2), nullptr, 16) -
               std::stoi(q[0].substr(8, 2), nullptr, 16) + 60) %
                  60 % 64,
              1);
    EXPECT_EQ(ExecuteControl(sim, "clearqueue"), "ok");
    EXPECT_TRUE(sim.FindModule(1)->Log().Queue().empty());
    EXPECT_EQ(ExecuteControl(sim, "set 1 queue=2"), "ok");
    EXPECT_EQ(ExecuteControl(sim, "prefill 5"), "ok");
    EXPECT_EQ(sim.FindModule(1)->Log().Queue().size(), 2u);  // no rewrite: the rest is lost
    EXPECT_EQ(ExecuteControl(sim, "accel 100"), "ok");
    for (const char* bad : {"record 5D46 1", "record 5D4605000000C6DC 300", "prefill -1",
                            "prefill 3 0x100", "accel 0", "accel fast", "clearqueue 7"})
        EXPECT_EQ(ExecuteControl(sim, bad).rfind("error", 0), 0u) << bad;
}

}  // namespace
}  // namespace qx::sim
