// Live values to a real Mosquitto broker: the test starts its own broker on a free localhost port,
// subscribes, restarts the broker while meridoctl watch publishes, and counts every value.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <future>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ctl/core/broker_watch.h"
#include "ctl/core/ctl_run.h"
#include "ctl/core/mqtt_publisher.h"
#include "tests/logger/sim_bus.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size);
    ::close(fd);
    return ntohs(addr.sin_port);
}

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

// A broker of the test's own: its configuration, database and log in the test's folder. It keeps
// a subscriber's session across its restart, as a lab's broker with persistence does. Stopped at
// the end whatever happened.
class Broker {
  public:
    explicit Broker(const test::TempDir& dir) : dir_(dir), port_(FreePort()) {
        std::ofstream conf(dir_.File("mosquitto.conf"));
        conf << "listener " << port_ << " 127.0.0.1\nallow_anonymous true\npersistence true\n"
             << "persistence_location " << dir_.File("") << "/\n";
        if (::geteuid() == 0) conf << "user root\n";  // keeps the folder writable
    }
    ~Broker() { Stop(); }
    int Port() const { return port_; }

    bool Start() {
        pid_ = ::fork();
        if (pid_ == 0) {
            // A test process that dies (a sanitizer's abort) takes its broker along.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            const std::string log = dir_.File("broker.log");
            if (!std::freopen(log.c_str(), "a", stdout) || !std::freopen(log.c_str(), "a", stderr))
                ::_exit(126);
            ::execl(MOSQUITTO_PATH, "mosquitto", "-c", dir_.File("mosquitto.conf").c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto end = Clock::now() + 10s;
        while (!Accepts(port_)) {
            if (Clock::now() > end || pid_ < 0) return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    // SIGTERM, so that the broker saves its sessions; SIGKILL if it does not end in time.
    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        const auto end = Clock::now() + 10s;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > end) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        pid_ = -1;
    }

  private:
    const test::TempDir& dir_;
    int port_;
    pid_t pid_ = -1;
};

// A durable subscriber (its session outlives a disconnection) that collects the values' "seq".
class Subscriber {
  public:
    Subscriber(int port, std::string topic) : topic_(std::move(topic)) {
        mosquitto_lib_init();
        mosq_ = mosquitto_new("meridoctl-test-subscriber", false, this);
        mosquitto_connect_callback_set(mosq_, [](mosquitto* m, void* self, int rc) {
            if (rc == 0) {
                auto* s = static_cast<Subscriber*>(self);
                mosquitto_subscribe(m, nullptr, s->topic_.c_str(), 1);
            }
        });
        mosquitto_subscribe_callback_set(mosq_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<Subscriber*>(self)->Note(-1);
        });
        mosquitto_message_callback_set(mosq_, [](mosquitto*, void* self,
                                                 const mosquitto_message* msg) {
            const std::string text(static_cast<const char*>(msg->payload),
                                   static_cast<std::size_t>(msg->payloadlen));
            const auto at = text.find("\"seq\":");
            if (at != std::string::npos)
                static_cast<Subscriber*>(self)->Note(std::stol(text.substr(at + 6)), msg->topic);
        });
        mosquitto_reconnect_delay_set(mosq_, 1, 1, false);
        mosquitto_connect_async(mosq_, "127.0.0.1", port, 30);
        mosquitto_loop_start(mosq_);
    }
    // The client's thread ends by itself once the disconnection is asked for (within its loop's
    // one-second step); cancelling it could leave the library's locks held.
    ~Subscriber() {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, false);
        mosquitto_destroy(mosq_);
    }
    // -1 counts a confirmed subscription.
    void Note(long seq, const std::string& topic = {}) {
        {
            std::lock_guard lock(mutex_);
            seq < 0 ? void(++subscriptions_) : void(seqs_.insert(seq));
            if (seq >= 0) topics_.insert(topic);
        }
        changed_.notify_all();
    }
    bool WaitSubscribed(std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return subscriptions_ > 0; });
    }
    bool WaitValues(std::size_t n, std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return seqs_.size() >= n; });
    }
    std::set<long> Seqs() {
        std::lock_guard lock(mutex_);
        return seqs_;
    }
    std::set<std::string> Topics() {
        std::lock_guard lock(mutex_);
        return topics_;
    }

  private:
    std::string topic_;
    mosquitto* mosq_ = nullptr;
    std::mutex mutex_;  // guards seqs_ and subscriptions_ (filled on the client's thread)
    std::condition_variable changed_;
    std::set<long> seqs_;
    std::set<std::string> topics_;
    int subscriptions_ = 0;
};

class CtlMqtt : public test::SimBus {};

// Two modules: each publishes to TOPIC/ADDRESS. The outage and the resend are told on standard
// error.
TEST_F(CtlMqtt, EveryValueReachesTheSubscriberAcrossABrokerRestart) {
    constexpr long kValues = 60;
    test::TempDir dir;
    Broker broker(dir);
    ASSERT_TRUE(broker.Start()) << test::TempDir::Read(dir.File("broker.log"));
    Subscriber subscriber(broker.Port(), "lab/bus1/+");
    ASSERT_TRUE(subscriber.WaitSubscribed(10s));

    sim::ModuleSettings m;
    m.address = 10;
    sim::ModuleSettings m2 = m;
    m2.address = 11;
    Start({m, m2});
    sim_.SetPacing(true);  // values at the line's pace: the outage falls amid them
    std::ostringstream out, err;
    std::atomic<bool> stop{false};
    ctl::CtlEnvironment env;
    env.saved.comPaths = {sim_.SlavePath(), "", "", ""};
    env.saved.address = 10;
    env.out = &out;
    env.err = &err;
    env.stop = &stop;
    env.device = WatchedFactory();
    env.replyGapMs = gapMs_;
    auto watch = std::async(std::launch::async, [&] {
        return ctl::RunCtl(
            {"watch", "--addr", "10,11", "--count", std::to_string(kValues), "--quiet", "--mqtt",
             "mqtt://127.0.0.1:" + std::to_string(broker.Port()) + "/lab/bus1"},
            env);
    });
    // A third of the values, then the broker goes and comes back while values keep coming.
    const bool firstPart = subscriber.WaitValues(kValues / 3, 20s);
    broker.Stop();
    // About five values are taken while the broker is away (each a $AA2 and a #AA request).
    EXPECT_TRUE(sim_.Record().WaitRequests(sim_.Record().RequestCount() + 10, 20s));
    ASSERT_TRUE(broker.Start()) << test::TempDir::Read(dir.File("broker.log"));
    const bool all = subscriber.WaitValues(kValues, 60s);
    if (watch.wait_for(60s) != std::future_status::ready) stop = true;  // never hang
    EXPECT_EQ(watch.get(), 0) << err.str();
    EXPECT_TRUE(firstPart);
    EXPECT_TRUE(all);
    std::set<long> expected;
    for (long seq = 1; seq <= kValues; ++seq)
        expected.insert(seq);
    EXPECT_EQ(subscriber.Seqs(), expected);
    EXPECT_EQ(subscriber.Topics(), (std::set<std::string>{"lab/bus1/10", "lab/bus1/11"}));
    const std::string port = std::to_string(broker.Port());
    EXPECT_TRUE(std::regex_search(
        err.str(), std::regex("meridoctl: cannot reach the broker at 127.0.0.1:" + port +
                              " \\(.+\\); \\d+ values? queued\n")))
        << err.str();
    EXPECT_TRUE(std::regex_search(
        err.str(), std::regex("meridoctl: broker reachable again; \\d+ queued values? sent\n")))
        << err.str();
}

// Without a broker the values wait; beyond the queue's size the oldest are dropped and counted.
TEST(MqttPublisher, AFullQueueDropsTheOldestAndCountsThem) {
    ctl::MqttPublisher publisher({"127.0.0.1", FreePort(), "t"}, 3);
    for (int i = 1; i <= 5; ++i)
        publisher.Publish(std::to_string(i));
    EXPECT_EQ(publisher.Waiting(), 3u);
    EXPECT_EQ(publisher.Dropped(), 2u);
    EXPECT_EQ(publisher.Flush(0ms), 3u);
}

// Nothing listens at the broker's port: told at once, then once a minute with the queue.
TEST(MqttPublisher, AnUnreachableBrokerIsToldAndRemindedOf) {
    const int port = FreePort();
    ctl::MqttPublisher publisher({"127.0.0.1", port, "t"}, 10);
    publisher.Publish("1");
    publisher.Publish("2");
    publisher.Start();
    ctl::CtlEnvironment env;
    int looks = 0;  // each look at the clock is half a minute later
    env.monotonic = [&looks] { return Clock::time_point{} + 30s * ++looks; };
    std::vector<std::string> said;
    ctl::BrokerWatch watch(env, publisher, [&](const std::string& text) { said.push_back(text); });
    const auto end = Clock::now() + 10s;
    while (publisher.Failures() == 0 && Clock::now() < end)
        std::this_thread::sleep_for(1ms);
    for (int i = 0; i < 3; ++i)
        watch.Tick();
    publisher.Stop();
    const std::string at = "cannot reach the broker at 127.0.0.1:" + std::to_string(port);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0], at + " (connection refused: is the broker running?); 2 values queued");
    EXPECT_EQ(said[1],
              at + " for 1 min (connection refused: is the broker running?); 2 values queued");
}

TEST(MqttPublisher, ReadsItsAddressOrSaysWhatIsWrongWithIt) {
    struct Case {
        const char* url;
        const char* host;  // what is wrong when the address is refused
        int port;
        const char* topic;
    };
    const Case cases[] = {
        {"mqtt://broker/lab/bus1", "broker", 1883, "lab/bus1"},
        {"mqtt://10.0.0.5:1884/t", "10.0.0.5", 1884, "t"},
        {"mqtt://[::1]:1885/a/b", "::1", 1885, "a/b"},
        {"mqtt://broker", "the topic is missing", 0, ""},
        {"mqtt://127.0.0.1:33233", "the topic is missing", 0, ""},
        {"mqtt://broker/", "the topic is missing", 0, ""},
        {"mqtt://broker/lab/+", "the topic holds '+' or '#', which only a subscriber may use", 0,
         ""},
        {"mqtt://broker:0/t", "the port '0' is not a number from 1 to 65535", 0, ""},
        {"mqtt://broker:x/t", "the port 'x' is not a number from 1 to 65535", 0, ""},
        {"mqtt://:1883/t", "the host is missing", 0, ""},
        {"mqtt://[::1/t", "the ']' after the IPv6 address is missing", 0, ""},
        {"http://broker/t", "the scheme is not mqtt://", 0, ""},
        {"broker/t", "it does not begin with mqtt://", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        std::string problem;
        const auto target = ctl::ParseMqttUrl(c.url, &problem);
        ASSERT_EQ(target.has_value(), c.port != 0);
        if (!target) {
            EXPECT_EQ(problem, std::string(c.host) + " (the form is mqtt://HOST[:PORT]/TOPIC)");
            continue;
        }
        EXPECT_EQ(target->host, c.host);
        EXPECT_EQ(target->port, c.port);
        EXPECT_EQ(target->topic, c.topic);
    }
}

// libmosquitto's own texts ("Lookup error.") tell a user nothing to do.
TEST(MqttPublisher, SaysWhatFailedInWordsAUserCanActOn) {
    const ctl::MqttTarget target{"broker.lab", 1884, "t"};
    const ctl::MqttTarget v6{"::1", 1883, "t"};
    EXPECT_EQ(ctl::BrokerErrorText(MOSQ_ERR_EAI, 0, target), "cannot resolve host broker.lab");
    EXPECT_EQ(ctl::BrokerErrorText(MOSQ_ERR_ERRNO, ECONNREFUSED, target),
              "connection refused by broker.lab:1884 (is the broker running?)");
    EXPECT_EQ(ctl::BrokerErrorText(MOSQ_ERR_ERRNO, ECONNREFUSED, v6),
              "connection refused by [::1]:1883 (is the broker running?)");
    EXPECT_EQ(ctl::BrokerErrorText(MOSQ_ERR_ERRNO, EHOSTUNREACH, target),
              "no route to broker.lab:1884 (is the network up?)");
    EXPECT_EQ(ctl::BrokerErrorText(MOSQ_ERR_ERRNO, EACCES, target),
              "cannot reach the broker at broker.lab:1884: Permission denied");
    EXPECT_EQ(ctl::BrokerErrorText(MOSQ_ERR_CONN_LOST, 0, target),
              "the connection to the broker at broker.lab:1884 was lost");
    EXPECT_EQ(ctl::BrokerRefusalText(5, target),
              "the broker at broker.lab:1884 refused the connection: it wants a user name and "
              "password, which meridoctl does not give");
}

}  // namespace
}  // namespace qx
