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
#include "measure/core/online_model.h"
#include "measure/core/recorder.h"
#include "measure/core/station_status.h"

namespace qx::ctl {
namespace {

using Clock = CtlSession::Clock;

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
