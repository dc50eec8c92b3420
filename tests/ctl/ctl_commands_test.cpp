// meridoctl's commands against the simulated module over a real pty: what each prints and
// returns, and that the download and the schedule send put the window's bytes on the wire and
// into the files.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/core/data_line.h"
#include "ctl/core/ctl_run.h"
#include "data/core/queue_download.h"
#include "link/core/pause_lease.h"
#include "link/core/termios_device.h"
#include "logger/core/schedule_file.h"
#include "logger/core/shed_transfer.h"
#include "measure/core/models_in_use.h"
#include "sim/logger.h"
#include "tests/logger/sim_bus.h"
#include "tests/support/fake_progress.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

using test::TempDir;

constexpr int kAddr = 10;
const LocalTime kPcTime{2026, 12, 9, 10, 20, 30, 0};

class CtlSim : public test::SimBus {
  protected:
    void StartModule(const sim::ModuleSettings& m) {
        module_ = m;
        Start({m});
    }

    ctl::CtlEnvironment Env() {
        ctl::CtlEnvironment env;
        env.saved.comPaths = {sim_.SlavePath(), "/nonexistent/ttyQX1", "/nonexistent/ttyQX2",
                              "/nonexistent/ttyQX3"};
        env.saved.baudCode = module_.baudCode;
        env.saved.checksum = module_.checksum;
        env.saved.address = module_.address;
        env.out = &out_;
        env.err = &err_;
        env.device = WatchedFactory();
        env.replyGapMs = gapMs_;
        env.clock = [] { return kPcTime; };
        env.stateDir = dir_.File("state");
        return env;
    }

    int Run(const std::vector<std::string>& args) { return Run(args, Env()); }
    int Run(const std::vector<std::string>& args, const ctl::CtlEnvironment& env) {
        out_.str("");
        err_.str("");
        return ctl::RunCtl(args, env);
    }

    // Every frame on the wire, both ways, as the simulator saw it.
    std::vector<std::string> Wire(char lead) const {
        std::vector<std::string> out;
        bool take = false;
        for (const auto& f : sim_.Record().Frames()) {
            if (!f.fromModule) take = f.bytes[0] == lead;
            if (take) out.push_back(f.bytes);
        }
        return out;
    }

    sim::ModuleSettings module_;
    std::ostringstream out_, err_;
    TempDir dir_;
};

sim::ModuleSettings Module(int baudCode, bool checksum) {
    sim::ModuleSettings m;
    m.address = kAddr;
    m.baudCode = baudCode;
    m.checksum = checksum;
    m.instrumentModel = 1520;  // current and voltage then have the full input set
    return m;
}

TEST_F(CtlSim, EachCommandPrintsItsResultAndExitCode) {
    StartModule(Module(6, false));
    const std::string time = R"(2026-12-09T\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)";
    const std::string value = R"(\{"seq":1,"time":")" + time +
                              R"(","address":10,"module":"QX520","instrument":"WZ520",)"
                              R"("quantity":"current","unit":"A","range":"1000","config":0,)"
                              R"("value":-?[0-9.]+,"limit":0\})";
    struct Case {
        std::vector<std::string> args;
        int exit;
        std::string out;  // a regular expression for the whole of standard output
        std::string err;  // the same for standard error
    };
    const std::vector<Case> cases = {
        {{"identify"},
         0,
         "address        10\n"
         R"(module         QX520  \(model 1520, firmware 102\))"
         "\n"
         R"(instrument     WZ520  \(model 1520, firmware 210, number 12345678\))"
         "\n"
         "configuration  0x00  current, range 1000\n",
         ""},
        {{"identify", "--json"},
         0,
         R"(\{"port":")" + sim_.SlavePath() +
             R"(","baud":9600,"checksum":false,"address":10,"module":\{"name":"QX520",)"
             R"("model":1520,"firmware":102\},"instrument":\{"name":"WZ520","model":1520,)"
             R"("firmware":210,"number":12345678\},"config":0,"quantity":"current",)"
             R"("unit":"A","range":"1000"\})"
             "\n",
         ""},
        {{"read", "--json"}, 0, value + "\n", ""},
        {{"watch", "--count", "2", "--format", "csv"},
         0,
         "seq,time,address,module,instrument,quantity,unit,range,value,limit\n"
         "1," +
             time + R"(,10,QX520,WZ520,current,A,1000,-?[0-9.]+,0)" + "\n2,.*\n",
         ""},
        {{"clock", "set"}, 0, "clock of the module at address 10 set to 2026-12-09 10:20:30\n", ""},
        {{"clock", "show"},
         0,
         "module  2026-12-09 10:20:3\\d\nPC      2026-12-09 10:20:30\nwithin 10 s of the PC\n",
         ""},
        {{"schedule", "clear"}, 0, "0 records dropped from the queue\n", ""},
        {{"reconfigure", "--new-addr", "10", "--json"},
         0,
         R"(\{"address":10,"baud":9600,"checksum":false\})"
         "\n",
         ""},
        {{"identify", "--addr", "11", "--timeout", "0.3"},
         1,
         "",
         "meridoctl: no module answers on COM1 \\(" + sim_.SlavePath() +
             "\\), 9600 Bd, checksum off, address 11\n"},
        {{"identify", "--port", "/nonexistent/ttyX"},
         3,
         "",
         "meridoctl: cannot use /nonexistent/ttyX: the device does not exist.*\n"},
        {{"identify", "--addr", "255"},
         2,
         "",
         "meridoctl: invalid value '255' for --addr: '255' is not an address 0..254 or a range "
         "such as 20-23 \\(see meridoctl --help\\)\n"},
        {{"watch", "--addr", "10,12-11"},
         2,
         "",
         "meridoctl: invalid value '10,12-11' for --addr: the range '12-11' runs backwards.*\n"},
        {{"clock", "show", "--addr", "10,11"},
         2,
         "",
         "meridoctl: clock takes one --addr, not a list\n"},
        {{"download"}, 2, "", "meridoctl: download needs one FILE\n"},
        {{"watch", "--mqtt", "mqtt://127.0.0.1:33233"},
         2,
         "",
         "meridoctl: invalid MQTT address 'mqtt://127.0.0.1:33233': the topic is missing \\(the "
         "form is mqtt://HOST\\[:PORT\\]/TOPIC\\)\n"},
        {{"watch", "--count", "1", "--quiet", "--mqtt", "mqtt://no-such-host.invalid/t",
          "--mqtt-wait", "0.2"},
         1,
         "",
         "(.*\n)*meridoctl: 1 value did not reach the broker: cannot resolve host "
         "no-such-host.invalid\n"},
        {{"--help"}, 0, "Usage: meridoctl [^]*", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
        EXPECT_EQ(Run(c.args), c.exit);
        EXPECT_TRUE(std::regex_match(out_.str(), std::regex(c.out))) << out_.str();
        EXPECT_TRUE(std::regex_match(err_.str(), std::regex(c.err))) << err_.str();
    }

    // The trace: each frame with its time and direction, in qxsim's line format.
    const std::string trace = dir_.File("trace.txt");
    ASSERT_EQ(Run({"clock", "show", "--trace", trace}), 0);
    EXPECT_TRUE(std::regex_match(
        TempDir::Read(trace),
        std::regex(R"(\d+\.\d{3} > @0ART\\r\n\d+\.\d{3} < !0A10203\d091226\\r\n)")))
        << TempDir::Read(trace);

    // The window (here this test) holds the port: the refusal names it.
    ASSERT_EQ(port_->Open(0, module_.baudCode, module_.checksum, nullptr), kOk);
    std::string self;
    std::getline(std::ifstream("/proc/self/comm"), self);
    EXPECT_EQ(Run({"identify"}), 3);
    EXPECT_EQ(err_.str(), "meridoctl: cannot use COM1 (" + sim_.SlavePath() +
                              "): another program uses the port (PID " +
                              std::to_string(::getpid()) + ", " + self + ")\n");
    port_->Close();
}

// Records of one quantity, `perSecond` stamped within each second (a second one gets tenths 5, a
// third is dropped), with signs and scales that vary.
std::vector<std::string> Records(int count, int perSecond) {
    std::vector<std::string> payloads;
    for (int i = 0; i < count; ++i) {
        const sim::CivilTime t{2026, 12, 8, 6, 0, i / perSecond};
        payloads.push_back(sim::RecordPayload(0x10, i % 4 == 1 ? 0x46 : 0x05, 100 + i, t));
    }
    return payloads;
}

TEST_F(CtlSim, DownloadPutsTheWindowsFramesOnTheWireAndItsBytesIntoTheFile) {
    StartModule(Module(8, true));
    const auto payloads = Records(25, 3);
    auto fill = [&] {
        for (const std::string& p : payloads)
            ASSERT_TRUE(sim_.PushRecord(kAddr, p));
        sim_.Record().Clear();
    };
    // The Table page's download, as table_page calls it.
    fill();
    const std::string windowFile = dir_.File("window.PRN");
    ASSERT_EQ(port_->Open(0, 8, true, nullptr), kOk);
    {
        DataFileWriter file;
        ASSERT_TRUE(file.Create(windowFile));
        PauseLease hold(*port_);
        test::FakeProgress progress;
        const auto r = DownloadQueue([this](const char* q, char* a) { return port_->Send(q, a); },
                                     kAddr, file, progress, 0);
        ASSERT_EQ(r.written, 17);  // the third record stamped within one second is dropped
    }
    port_->Close();
    const std::vector<std::string> windowWire = Wire('@');

    fill();
    const std::string ctlFile = dir_.File("ctl.PRN");
    ctl::CtlEnvironment terminal = Env();
    terminal.errIsTerminal = true;
    EXPECT_EQ(Run({"download", ctlFile}, terminal), 0);
    EXPECT_EQ(out_.str(),
              "17 records written to " + ctlFile + " (26 requests; the module reported 25)\n");
    // The bar speaks meridoctl's English; the window's Czech titles stay in the window.
    EXPECT_NE(err_.str().find("] reading records 0/25"), std::string::npos) << err_.str();
    EXPECT_EQ(err_.str().find("záznam"), std::string::npos) << err_.str();
    EXPECT_EQ(Wire('@'), windowWire);
    EXPECT_EQ(TempDir::Read(ctlFile), TempDir::Read(windowFile));
    EXPECT_EQ(Wire('$').size(), 4u);  // $AAM and $AAN with their replies
    EXPECT_EQ(Run({"download", ctlFile}), 2) << "an existing file needs --force";
}

// A recording keeps the lines a file holds unless told: --force empties it, --append writes after
// them (ending a last line cut short first); an empty file is simply used.
TEST_F(CtlSim, RecordReplacesOrExtendsAFileOnlyWhenTold) {
    StartModule(Module(6, false));
    const std::string old = "0x0A\t0x00\t1,000\t0\t08.12.2026\t06:00:00 0\r\n0x0A\t0x00";
    const std::string file = dir_.Write("rec.PRN", old);
    EXPECT_EQ(Run({"record", file, "--count", "1"}), 2);
    EXPECT_EQ(err_.str(),
              "meridoctl: " + file + " exists; --force replaces it, --append adds to it\n");
    EXPECT_EQ(Run({"record", file, "--force", "--append"}), 2);
    EXPECT_EQ(TempDir::Read(file), old);

    const std::regex line(R"(0x0A\t0x00\t-?[0-9]+,[0-9]+\t0\t09\.12\.2026\t[0-9:]{8} [0-9]\r\n)");
    ASSERT_EQ(Run({"record", file, "--count", "1", "--append"}), 0) << err_.str();
    const std::string appended = TempDir::Read(file);
    ASSERT_EQ(appended.rfind(old + "\r\n", 0), 0u) << appended;
    EXPECT_TRUE(std::regex_match(appended.substr(old.size() + 2), line)) << appended;
    ASSERT_EQ(Run({"record", file, "--count", "1", "--force"}), 0) << err_.str();
    EXPECT_TRUE(std::regex_match(TempDir::Read(file), line)) << TempDir::Read(file);
    const std::string empty = dir_.Write("empty.PRN", "");
    EXPECT_EQ(Run({"record", empty, "--count", "1"}), 0) << err_.str();
}

// A device that loses every reply to the chosen requests, as a noisy line does, and waits for
// them only briefly.
class LossyDevice : public TermiosDevice {
  public:
    LossyDevice(sim::Simulator& sim, std::function<bool(std::string_view)> lose)
        : sim_(sim), lose_(std::move(lose)) {}
    void Write(const char* data, std::size_t size) override {
        losing_ = lose_(std::string_view(data, size));
        if (losing_) sim_.DropReplies(1);
        TermiosDevice::Write(data, size);
    }
    int ReadByte(int timeoutMs) override {
        return TermiosDevice::ReadByte(losing_ ? 100 : timeoutMs);
    }

  private:
    sim::Simulator& sim_;
    std::function<bool(std::string_view)> lose_;
    bool losing_ = false;
};

// The module moves on to its next record when the toggle changes. A download that failed on the
// fourth record (toggle 1) leaves that toggle for the next run, which asks for the lost record
// again; starting at 0 would drop it.
TEST_F(CtlSim, TheNextDownloadAsksAgainForTheRecordWhoseReplyWasLost) {
    gapMs_ = 600;
    StartModule(Module(6, false));
    const auto payloads = Records(6, 1);
    for (const std::string& p : payloads)
        ASSERT_TRUE(sim_.PushRecord(kAddr, p));
    int recordRequests = 0;
    ctl::CtlEnvironment env = Env();
    env.device = [&] {
        return std::make_unique<LossyDevice>(sim_, [&](std::string_view frame) {
            return frame.rfind("@0ARQ", 0) == 0 && ++recordRequests >= 4;
        });
    };
    const std::string first = dir_.File("first.PRN"), second = dir_.File("second.PRN");
    EXPECT_EQ(Run({"download", first}, env), 1);
    EXPECT_EQ(recordRequests, 6) << "three attempts at the fourth record";
    recordRequests = -100;
    EXPECT_EQ(Run({"download", second}, env), 0);

    std::string whole;
    ASSERT_EQ(port_->Open(0, 6, false, nullptr), kOk);
    for (const std::string& p : payloads)
        ASSERT_TRUE(sim_.PushRecord(kAddr, p));
    {
        DataFileWriter file;
        ASSERT_TRUE(file.Create(dir_.File("whole.PRN")));
        PauseLease hold(*port_);
        test::FakeProgress progress;
        DownloadQueue([this](const char* q, char* a) { return port_->Send(q, a); }, kAddr, file,
                      progress, 0);
    }
    EXPECT_EQ(TempDir::Read(first) + TempDir::Read(second), TempDir::Read(dir_.File("whole.PRN")));
}

TEST_F(CtlSim, ScheduleSendPutsTheWindowsFramesOnTheWireAndCheckMarksADifference) {
    StartModule(Module(6, false));
    Schedule schedule = Schedule::Defaults();
    schedule.allOff = false;
    schedule.entries[0].active = true;
    schedule.entries[0].quantity = 1;  // voltage, whose byte depends on the full input set
    schedule.entries[0].range = 1;
    schedule.entries[0].input = 2;
    schedule.entries[0].interval = "0:05";
    const std::string file = dir_.File("ROZVRH.QX");
    ASSERT_TRUE(WriteScheduleFile(dir_.File(""), schedule));

    // The Schedule page's send, with the models the poller reported.
    const TempDir windowDir;
    ASSERT_EQ(port_->Open(0, 6, false, nullptr), kOk);
    sim_.Record().Clear();
    {
        ModelsInUse models;
        models.SetModuleModel(1520);
        models.SetInstrumentModel(1520);
        test::FakeProgress progress;
        BusServices bus;
        bus.exchange = [this](const char* q, char* a) { return port_->Send(q, a); };
        bus.poller = port_.get();
        bus.progress = &progress;
        bus.clock = [] { return kPcTime; };
        bus.encode = [&](int q, int r, int i) { return models.EncodeConfig(q, r, i); };
        ASSERT_TRUE(TShedTransfer(bus).Send(kAddr, schedule, windowDir.File("")).Ok());
    }
    port_->Close();
    const std::vector<std::string> windowWire = Wire('@');
    ASSERT_EQ(windowWire.size(), 2u * 19);

    sim_.Record().Clear();
    EXPECT_EQ(Run({"schedule", "send", file}), 0);
    EXPECT_EQ(Wire('@'), windowWire);
    EXPECT_EQ(TempDir::Read(dir_.File("ROZVRH.LOG")), TempDir::Read(windowDir.File("ROZVRH.LOG")));

    EXPECT_EQ(Run({"schedule", "check", file}), 0);
    // Each difference with the file's value and the module's, in the Schedule page's notation.
    schedule.entries[2].active = true;
    schedule.entries[0].interval = "0:10";
    schedule.entries[0].low = "-1.5";
    schedule.entries[1].quantity = 1;  // voltage, range 0, input 0 where the module has current
    ASSERT_TRUE(WriteScheduleFile(dir_.File(""), schedule));
    EXPECT_EQ(Run({"schedule", "check", file}), 4);
    EXPECT_EQ(out_.str(),
              "clock       ok\nindex 1     differs\n"
              "            interval: file 0:10, module 0:05\n"
              "            low limit: file -1.500, module -9999\n"
              "index 2     differs\n"
              "            configuration: file 0x10 (voltage, range 1000), module 0x00 "
              "(current, range 1000)\n"
              "index 3     ok\nindex 4     ok\nindex 5     ok\nindex 6     ok\n"
              "index 7     ok\nindex 8     ok\nenables     differs\n"
              "            index 3: file on, module off\n");
    EXPECT_EQ(Run({"schedule", "check", file, "--json"}), 4);
    EXPECT_TRUE(std::regex_match(
        out_.str(),
        std::regex(R"(\{"differences":3,"items":\[\{"item":"clock","same":true,)"
                   R"("pc":"2026-12-09 10:20:30","module":"2026-12-09 10:20:3\d","offset_s":\d\},)"
                   R"(\{"item":"index","index":1,"same":false,"fields":\[)"
                   R"(\{"field":"interval","file":"0:10","module":"0:05"\},)"
                   R"(\{"field":"low limit","file":"-1.500","module":"-9999"\}\]\},)"
                   R"(\{"item":"index","index":2,"same":false,"fields":\[)"
                   R"(\{"field":"configuration","file":"0x10","module":"0x00"\}\]\},)"
                   R"(\{"item":"index","index":3,"same":true,"fields":\[\]\},.*)"
                   R"(\{"item":"enables","same":false,"fields":\[)"
                   R"(\{"field":"index 3","file":"on","module":"off"\}\]\}\]\}\n)")))
        << out_.str();
}

// Modules 10, 11 and 12 on one bus and nothing at 13: each is polled in turn and each value comes
// with its address. Module 11 switched off mid-run is reported at once and reminded of (a clock
// that runs a minute per look) while 10 and 12 go on, and reported again when it answers.
TEST_F(CtlSim, WatchPollsEveryListedModuleAndTellsWhichDoNotAnswer) {
    std::vector<sim::ModuleSettings> modules;
    for (int a : {10, 11, 12}) {
        modules.push_back(Module(6, false));
        modules.back().address = a;
    }
    module_ = modules[0];
    Start(modules);
    std::atomic<bool> stop{false};
    std::atomic<int> looks{0};
    ctl::CtlEnvironment env = Env();
    env.stop = &stop;
    env.monotonic = [&looks] {
        return std::chrono::steady_clock::time_point{} + std::chrono::seconds(61) * ++looks;
    };
    const auto since = [&](std::size_t mark, const char* lead) {
        const auto r = Requests();
        return std::count_if(r.begin() + static_cast<long>(std::min(mark, r.size())), r.end(),
                             [&](const std::string& f) { return f.rfind(lead, 0) == 0; });
    };
    out_.str("");
    err_.str("");
    auto watch = std::async(std::launch::async, [&] {
        return ctl::RunCtl({"watch", "--addr", "10-13"}, env);
    });
    EXPECT_TRUE(WaitFor([&] { return since(0, "#0C") >= 2; }));
    sim_.SetModuleSilent(11, true);
    const std::size_t off = sim_.Record().RequestCount();
    EXPECT_TRUE(WaitFor([&] {
        return since(off, "$0BM") >= 2 && since(off, "#0A") >= 3 && since(off, "#0C") >= 3;
    }));
    sim_.SetModuleSilent(11, false);
    const std::size_t on = sim_.Record().RequestCount();
    EXPECT_TRUE(WaitFor([&] { return since(on, "#0B") >= 2; }));
    stop = true;
    ASSERT_EQ(watch.get(), 0);
    // The absent module costs its visit's time-out; the others are not held up meanwhile.
    const std::string line = sim_.SlavePath() + " \\(9600 Bd, checksum off\\)";
    for (const char* expected : {
             "no module answers at address 13 on LINE; still trying",
             "no module answers at address 13 on LINE for \\d+ min; still trying",
             "no module answers at address 11 on LINE; still trying",
             "no module answers at address 11 on LINE for 1 min; still trying",
             "the module at address 11 answers again: QX520 WZ520",
         }) {
        const std::string re = std::regex_replace(expected, std::regex("LINE"), line);
        EXPECT_TRUE(std::regex_search(err_.str(), std::regex("(^|\n)meridoctl: " + re + "\n")))
            << re << "\n"
            << err_.str();
    }
    const auto valuesOf = [&](int a) {
        return std::regex_search(out_.str(),
                                 std::regex("[+-]\\d\\d:\\d\\d  " + std::to_string(a) + "  "));
    };
    EXPECT_TRUE(valuesOf(10) && valuesOf(11) && valuesOf(12)) << out_.str();
    EXPECT_FALSE(valuesOf(13));

    // record: each data line with the address it came from; on a terminal the running count
    // and the last value on standard error, cleared at the end.
    const std::string file = dir_.File("bus.PRN");
    ctl::CtlEnvironment terminal = Env();
    terminal.errIsTerminal = true;
    ASSERT_EQ(Run({"record", file, "--addr", "12,10", "--count", "6"}, terminal), 0);
    EXPECT_TRUE(std::regex_match(err_.str(),
                                 std::regex("\r\033\\[K1 line, the last: \\d{4}-.*  1[02]  "
                                            "[^]*\r\033\\[K")))
        << err_.str();
    std::istringstream lines(TempDir::Read(file));
    std::set<int> addresses;
    for (std::string l; std::getline(lines, l);) {
        DataLineFields f;
        std::replace(l.begin(), l.end(), ',', '.');
        ASSERT_EQ(ParseDataLine(l, f), 11) << l;
        addresses.insert(f.address);
    }
    EXPECT_EQ(addresses, (std::set<int>{10, 12}));

    // --addr found: the addresses that answer now, each asked once, then a value of each.
    ctl::CtlEnvironment quick = Env();
    quick.replyGapMs = 3;
    ASSERT_EQ(Run({"read", "--addr", "found", "--format", "csv"}, quick), 0) << err_.str();
    EXPECT_EQ(err_.str(), "meridoctl: modules answer at addresses 10, 11, 12\n");
    EXPECT_TRUE(std::regex_match(out_.str(), std::regex("seq,[^\n]*\n(\\d,[^,]*,1[012],[^\n]*\n){3}")))
        << out_.str();
}

// The quick find asks each address once, the saved settings first: 38400 Bd with checksums,
// then without, then 19200 Bd with checksums, where address 1 comes first and 7 answers.
TEST_F(CtlSim, FastFindFindsAModuleAt19200BdWithChecksums) {
    gapMs_ = 3;
    sim::ModuleSettings m = Module(7, true);
    m.address = 7;
    StartModule(m);
    ctl::CtlEnvironment env = Env();
    env.saved.baudCode = 8;
    env.saved.address = 1;
    EXPECT_EQ(Run({"find", "--fast"}, env), 0);
    EXPECT_EQ(out_.str(), "address 7 (07h), 19200 Bd, checksum on, instrument 12345678\n");
    const auto written = written_.Copy();
    // Address 7 is asked once more when found, and the poller visits it before the link closes.
    const auto probes = std::count_if(written.begin(), written.end(), [](const std::string& f) {
        return f.size() > 4 && f.compare(0, 4, "$07M") != 0 && f[0] == '$' && f[3] == 'M';
    });
    EXPECT_EQ(probes, 255 + 255 + 7);
}

}  // namespace
}  // namespace qx
