// The commands that listen to the poller: identify, read, watch and record.

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <set>
#include <vector>

#include "ctl/core/answer_watch.h"
#include "ctl/core/broker_watch.h"
#include "ctl/core/ctl_commands.h"
#include "ctl/core/ctl_progress.h"
#include "ctl/core/live_value.h"
#include "ctl/core/mqtt_publisher.h"
#include "link/core/comm_port_find_link.h"
#include "link/core/pause_lease.h"
#include "logger/core/module_find.h"
#include "link/core/port_holder.h"
#include "measure/core/online_model.h"
#include "measure/core/recorder.h"
#include "measure/core/station_status.h"

namespace qx::ctl {
namespace {

using Clock = CtlSession::Clock;

std::string OpenErrorText(SerialDevice::OpenError why, const std::string& device) {
    switch (why) {
        case SerialDevice::OpenError::NotFound:
            return "the device does not exist (is the adapter plugged in?)";
        case SerialDevice::OpenError::Busy: {
            const auto holder = FindPortHolder(device);
            return "another program uses the port" +
                   (holder ? " (" + PortHolderText(*holder) + ")" : std::string());
        }
        case SerialDevice::OpenError::Permission:
            return "permission denied: add the user to the dialout group "
                   "(sudo usermod -aG dialout $USER) and log in again";
        default:
            return "the port cannot be opened or set up";
    }
}

// The identification, reported as a failure when it does not come.
int Identify(const CtlOptions& o, const CtlEnvironment& env, CtlSession& s, StationRecord* st) {
    const int address = s.Choice().address;
    switch (s.WaitIdentified(address, AnswerDeadline(o, 5), st)) {
        case CtlSession::Wait::kIdentified:
            return kExitDone;
        case CtlSession::Wait::kStopped:
            return Fail(env, "interrupted", kExitComm);
        case CtlSession::Wait::kTimeout:
            break;
    }
    if (s.Port().PortLost()) return Fail(env, "the port went away", kExitNoPort);
    return Fail(env, "no module answers on " + DescribeLink(s.Choice()), kExitComm);
}

std::string ModelName(const char* prefix, int model) {
    return prefix + std::to_string(model > 1000 ? model - 1000 : model);
}

std::string IdentityText(int address, const StationRecord& st) {
    const ConfigMeaning m = MeaningOf(st);
    char config[8];
    std::snprintf(config, sizeof config, "0x%02X", st.config & 0xFF);
    std::string text = "address        " + std::to_string(address) + "\n";
    text += "module         " + ModelName("QX", st.moduleModel) + "  (model " +
            std::to_string(st.moduleModel) + ", firmware " + std::to_string(st.moduleFirmware) +
            ")\n";
    if (st.state == 2) {
        text += "instrument     " + ModelName("WZ", st.instrumentModel) + "  (model " +
                std::to_string(st.instrumentModel) + ", firmware " +
                std::to_string(st.instrumentFirmware) + ", number " +
                (st.instrumentNumber > 0 ? std::to_string(st.instrumentNumber) : "none") + ")\n";
    } else {
        text += "instrument     none attached\n";
    }
    text += "configuration  " + std::string(st.config >= 0 ? config : "unknown");
    if (m.quantity >= 0) {
        text += "  " + std::string(QuantityKey(m.quantity));
        if (!m.rangeText.empty()) text += ", range " + m.rangeText;
    }
    return text + "\n";
}

std::string IdentityJson(const LinkChoice& c, const StationRecord& st) {
    const ConfigMeaning m = MeaningOf(st);
    std::string j = "{\"port\":" + JsonString(c.device) +
                    ",\"baud\":" + std::to_string(BitRate(c.baudCode)) +
                    ",\"checksum\":" + (c.checksum ? "true" : "false") +
                    ",\"address\":" + std::to_string(c.address) +
                    ",\"module\":{\"name\":" + JsonString(ModelName("QX", st.moduleModel)) +
                    ",\"model\":" + std::to_string(st.moduleModel) +
                    ",\"firmware\":" + std::to_string(st.moduleFirmware) + "},\"instrument\":";
    if (st.state == 2) {
        j += "{\"name\":" + JsonString(ModelName("WZ", st.instrumentModel)) +
             ",\"model\":" + std::to_string(st.instrumentModel) +
             ",\"firmware\":" + std::to_string(st.instrumentFirmware) + ",\"number\":" +
             (st.instrumentNumber > 0 ? std::to_string(st.instrumentNumber) : "null") + "}";
    } else {
        j += "null";
    }
    j += ",\"config\":" + (st.config >= 0 ? std::to_string(st.config) : "null");
    j += ",\"quantity\":" + (m.quantity >= 0 ? JsonString(QuantityKey(m.quantity)) : "null");
    j += ",\"unit\":" + (m.quantity >= 0 ? JsonString(m.unit) : "null");
    j += ",\"range\":" + (m.quantity >= 0 ? JsonString(m.rangeText) : "null");
    return j + "}";
}

void PrintValue(const CtlOptions& o, const CtlEnvironment& env, const LiveValue& v) {
    if (o.format == "json") {
        *env.out << LiveValueJson(v) << std::endl;
    } else if (o.format == "csv") {
        *env.out << LiveValueCsv(v) << std::endl;
    } else {
        *env.out << LiveValueText(v) << std::endl;
    }
}

// When a stream of values ends: after `count` values, at `duration`, or on a signal.
struct StreamEnd {
    std::optional<long> count;
    Clock::time_point deadline = Clock::time_point::max();

    explicit StreamEnd(const CtlOptions& o) : count(o.count) {
        if (o.duration) {
            deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(*o.duration));
        }
    }
};

// A line on standard error that a terminal redraws in place (the running count of a recording);
// nothing when standard error is not a terminal. Messages clear it first.
class StatusLine {
  public:
    explicit StatusLine(const CtlEnvironment& env) : env_(env) {}
    ~StatusLine() { Clear(); }
    void Show(const std::string& text) {
        if (!env_.errIsTerminal || env_.err == nullptr) return;
        const auto now = Clock::now();
        if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
        lastDraw_ = now;
        *env_.err << "\r\033[K" << text << std::flush;
        drawn_ = true;
    }
    void Clear() {
        if (!drawn_) return;
        *env_.err << "\r\033[K" << std::flush;
        drawn_ = false;
    }

  private:
    const CtlEnvironment& env_;
    Clock::time_point lastDraw_{};
    bool drawn_ = false;
};

// The addresses that answer now at the chosen line settings, each asked once.
std::vector<int> FindAnswering(const CtlEnvironment& env, CtlSession& s) {
    PauseLease hold(s.Port());
    TCommPortFindLink link(s.Port(), s.Choice().portIndex, &s);
    CtlProgress progress(env, "looking for modules on " + LineText(s.Choice()) + ", address");
    progress.Open({}, 254);
    std::vector<int> found = AnsweringAddresses(link, progress, s.Choice().checksum);
    progress.Finish(false);
    return found;
}

std::string AddressListText(const std::vector<int>& addresses) {
    std::string text;
    for (int a : addresses)
        text += (text.empty() ? "" : ", ") + std::to_string(a);
    return text;
}

// The addresses a command polls: --addr's list, the single given or saved one, or with
// --addr found those that answer now. Empty after a failure, which has been reported.
std::vector<int> PollAddresses(const CtlOptions& o, const CtlEnvironment& env, CtlSession& s,
                               int* exit) {
    if (!o.addressesFound)
        return o.addresses.size() > 1 ? o.addresses : std::vector<int>{s.Choice().address};
    const std::vector<int> found = FindAnswering(env, s);
    if (env.Stopped()) {
        *exit = Fail(env, "interrupted", kExitComm);
    } else if (found.empty()) {
        *exit = Fail(env, "no module answers at any address on " + LineText(s.Choice()), kExitComm);
    } else {
        Fail(env,
             std::string(found.size() == 1 ? "a module answers at address "
                                           : "modules answer at addresses ") +
                 AddressListText(found),
             0);
    }
    return found;
}

// What a stream of values does with each value of a listed address.
enum class Take { kSkipped, kCounted, kStop };

// Polls `addresses` in turn, one identification per module and then values round-robin, and
// hands each value to `take` until the end; `tick` runs whenever the command wakes, at least
// once a second. Modules that do not answer are reported and polled again without holding up
// the others. The exit code.
int StreamValues(const CtlOptions& o, const CtlEnvironment& env, CtlSession& s,
                 const std::vector<int>& addresses, const AnswerWatch::Say& say,
                 const std::function<Take(const LinkEvent&)>& take,
                 const std::function<void()>& tick) {
    // The bus is the command's own: it polls back to back instead of the window's rest, and a
    // module that does not answer costs one time-out a second instead of three every round.
    s.Port().SetCyclePauseMs(0);
    s.Port().SetAbsentRetryMs(1000);
    for (int a : addresses)
        s.Listen(a);
    const std::set<int> listed(addresses.begin(), addresses.end());
    const StreamEnd end(o);
    // Without --timeout the modules may come later: a service waits for its bus.
    const auto firstBy = o.timeout ? AnswerDeadline(o, 0) : Clock::time_point::max();
    AnswerWatch watch(env, LineText(s.Choice()), say);
    long taken = 0;
    LinkEvent e;
    while (!(end.count && taken >= *end.count)) {
        const auto wake = std::min({end.deadline, taken == 0 ? firstBy : end.deadline,
                                    Clock::now() + std::chrono::seconds(1)});
        const bool got = s.Next(e, wake);
        if (got && listed.count(e.address)) {
            watch.Event(e);
            if (e.message == kValueRead) {
                const Take t = take(e);
                if (t == Take::kStop) return kExitComm;
                if (t == Take::kCounted) ++taken;
            }
        }
        watch.Tick();
        if (tick) tick();
        if (got) continue;
        if (env.Stopped() || Clock::now() >= end.deadline) break;
        if (taken == 0 && Clock::now() >= firstBy) {
            std::string from = DescribeLink(s.Choice());
            if (addresses.size() > 1)
                from = from.substr(0, from.rfind(", address ")) + ", addresses " +
                       AddressListText(addresses);
            return Fail(env, "no value came in time from " + from, kExitComm);
        }
    }
    return kExitDone;
}

}  // namespace

int Fail(const CtlEnvironment& env, const std::string& text, int code) {
    *env.err << "meridoctl: " << text << std::endl;
    return code;
}

std::string DescribeLink(const LinkChoice& c) {
    std::string port = c.name;
    if (c.name != c.device) port += " (" + c.device + ")";
    return port + ", " + std::to_string(BitRate(c.baudCode)) + " Bd, checksum " +
           (c.checksum ? "on" : "off") + ", address " + std::to_string(c.address);
}

CtlSession::Clock::time_point AnswerDeadline(const CtlOptions& o, double fallback) {
    const double s = o.timeout.value_or(fallback);
    return Clock::now() +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

std::unique_ptr<CtlSession> MakeSession(const CtlOptions& o, const CtlEnvironment& env, int* exit) {
    auto session = std::make_unique<CtlSession>(env, ChooseLink(o, env.saved));
    if (!o.trace.empty() && !session->OpenTrace(o.trace)) {
        *exit = Fail(env, "cannot create the trace file " + o.trace, kExitUsage);
        return nullptr;
    }
    return session;
}

std::unique_ptr<CtlSession> OpenSession(const CtlOptions& o, const CtlEnvironment& env, int* exit) {
    auto session = MakeSession(o, env, exit);
    if (!session) return nullptr;
    const int rc = session->Open();
    if (rc != kOk) {
        const LinkChoice& c = session->Choice();
        const std::string port = c.name == c.device ? c.device : c.name + " (" + c.device + ")";
        *exit = Fail(
            env,
            "cannot use " + port + ": " + OpenErrorText(session->Port().LastOpenError(), c.device),
            kExitNoPort);
        return nullptr;
    }
    return session;
}

int RunIdentify(const CtlOptions& o, const CtlEnvironment& env) {
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    StationRecord st;
    if (int rc = Identify(o, env, *s, &st)) return rc;
    *env.out << (o.json ? IdentityJson(s->Choice(), st) + "\n"
                        : IdentityText(s->Choice().address, st))
             << std::flush;
    return kExitDone;
}

int RunRead(const CtlOptions& o, const CtlEnvironment& env) {
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    const std::vector<int> addresses = PollAddresses(o, env, *s, &exit);
    if (addresses.empty()) return exit;
    for (int a : addresses)
        s->Listen(a);
    // Each module is identified, then gives one value; one that fails is reported and the
    // others are still read.
    const auto deadline = AnswerDeadline(o, 5);
    std::set<int> waiting;
    for (int a : addresses) {
        StationRecord st;
        const auto outcome = s->WaitIdentified(a, deadline, &st);
        if (outcome == CtlSession::Wait::kStopped) return Fail(env, "interrupted", kExitComm);
        LinkChoice at = s->Choice();
        at.address = a;
        if (outcome == CtlSession::Wait::kTimeout) {
            if (s->Port().PortLost()) return Fail(env, "the port went away", kExitNoPort);
            exit = Fail(env, "no module answers on " + DescribeLink(at), kExitComm);
        } else if (st.state != 2) {
            exit =
                Fail(env, "no instrument is attached to the module at address " + std::to_string(a),
                     kExitComm);
        } else {
            waiting.insert(a);
        }
    }
    if (waiting.empty()) return exit;
    if (o.format == "csv") *env.out << LiveValueCsvHeader() << "\n";
    long seq = 0;
    LinkEvent e;
    while (!waiting.empty() && s->Next(e, deadline)) {
        if (e.message != kValueRead || waiting.erase(e.address) == 0) continue;
        PrintValue(o, env, {++seq, e.at, e.address, e.station});
    }
    if (!waiting.empty())
        exit = Fail(env, env.Stopped() ? "interrupted" : "no value came in time", kExitComm);
    return exit;
}

int RunWatch(const CtlOptions& o, const CtlEnvironment& env) {
    std::unique_ptr<MqttPublisher> publisher;
    if (!o.mqtt.empty()) {
        std::string problem;
        const auto target = ParseMqttUrl(o.mqtt, &problem);
        if (!target)
            return Fail(env, "invalid MQTT address '" + o.mqtt + "': " + problem, kExitUsage);
        publisher = std::make_unique<MqttPublisher>(*target, static_cast<std::size_t>(o.mqttQueue));
    }
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    const std::vector<int> addresses = PollAddresses(o, env, *s, &exit);
    if (addresses.empty()) return exit;
    const auto say = [&env](const std::string& text) { Fail(env, text, 0); };
    std::optional<BrokerWatch> broker;
    if (publisher) {
        publisher->Start();
        broker.emplace(env, *publisher, say);
    }
    // One address keeps its topic; several publish each to TOPIC/ADDRESS.
    const bool subtopics = addresses.size() > 1;
    if (!o.quiet && o.format == "csv") *env.out << LiveValueCsvHeader() << std::endl;
    long seq = 0;
    std::uint64_t droppedSeen = 0;
    exit = StreamValues(
        o, env, *s, addresses, say,
        [&](const LinkEvent& e) {
            const LiveValue v{++seq, e.at, e.address, e.station};
            if (!o.quiet) PrintValue(o, env, v);
            if (!publisher) return Take::kCounted;
            publisher->Publish(LiveValueJson(v), subtopics ? std::to_string(e.address) : "");
            if (publisher->Dropped() != droppedSeen) {
                droppedSeen = publisher->Dropped();
                if (droppedSeen == 1 || droppedSeen % 1000 == 0)
                    Fail(env,
                         "the MQTT queue is full: the oldest values are being dropped (" +
                             std::to_string(droppedSeen) + " so far)",
                         0);
            }
            return Take::kCounted;
        },
        [&] {
            if (broker) broker->Tick();
        });
    if (publisher) {
        // The last values go out; the broker's coming back is still told meanwhile.
        const auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(o.mqttWait));
        std::size_t left = 0;
        do {
            const auto step =
                std::min<Clock::duration>(until - Clock::now(), std::chrono::seconds(1));
            left = publisher->Flush(std::chrono::duration_cast<std::chrono::milliseconds>(
                std::max<Clock::duration>(step, Clock::duration::zero())));
            broker->Tick();
        } while (left > 0 && Clock::now() < until);
        publisher->Stop();
        if (left > 0 || publisher->Dropped() > 0) {
            std::string text =
                Counted(static_cast<long long>(publisher->Dropped() + left), "value") +
                " did not reach the broker";
            if (!publisher->LastError().empty()) text += ": " + publisher->LastError();
            exit = Fail(env, text, kExitComm);
        }
    }
    return exit;
}

int RunRecord(const CtlOptions& o, const CtlEnvironment& env) {
    if (o.files.size() != 1) return Fail(env, "record needs one FILE", kExitUsage);
    const std::string& path = o.files[0];
    if (o.force && o.append)
        return Fail(env, "--force and --append exclude each other", kExitUsage);
    // Lines recorded before are replaced only when asked to; an empty file holds none.
    std::error_code error;
    if (!o.force && !o.append && std::filesystem::file_size(path, error) > 0 && !error)
        return Fail(env, path + " exists; --force replaces it, --append adds to it", kExitUsage);
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    const std::vector<int> addresses = PollAddresses(o, env, *s, &exit);
    if (addresses.empty()) return exit;
    // The On-line page's recording: every value of the addresses, one data line each, each
    // line with the address it came from.
    Recorder recorder(env.clock);
    if (!recorder.OpenFile(path, o.append))
        return Fail(env, "cannot create the data file " + path, kExitUsage);
    ModelsInUse models;
    OnlineModel online(&models);
    online.SetSelectedAddress(addresses.front());
    StatusLine status(env);
    const auto say = [&](const std::string& text) {
        status.Clear();
        Fail(env, text, 0);
    };
    long lines = 0;
    exit = StreamValues(
        o, env, *s, addresses, say,
        [&](const LinkEvent& e) {
            if (!online.OnValue(e.address, e.station)) return Take::kSkipped;
            const Recorder::Step step = recorder.WriteRecord(e.address, e.tenths, e.station);
            if (step == Recorder::Step::Failed) {
                say("cannot write to " + path + "; the lines before stay");
                return Take::kStop;
            }
            if (step != Recorder::Step::Written) return Take::kSkipped;
            ++lines;
            status.Show(std::to_string(lines) + (lines == 1 ? " line" : " lines") +
                        ", the last: " + LiveValueText({lines, e.at, e.address, e.station}));
            return Take::kCounted;
        },
        {});
    status.Clear();
    recorder.CloseFile();
    if (o.json) {
        *env.out << "{\"file\":" << JsonString(path) << ",\"lines\":" << lines << "}" << std::endl;
    } else {
        *env.out << Counted(lines, "line") << " written to " << path << std::endl;
    }
    return exit;
}

}  // namespace qx::ctl
