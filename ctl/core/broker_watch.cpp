#include "ctl/core/broker_watch.h"

namespace qx::ctl {
namespace {

std::string Values(std::uint64_t n, const char* what) {
    return std::to_string(n) + (n == 1 ? " value " : " values ") + what;
}

}  // namespace

BrokerWatch::BrokerWatch(const CtlEnvironment& env, const MqttPublisher& publisher, Say say)
    : env_(env), publisher_(publisher), say_(std::move(say)) {}

std::string BrokerWatch::Where() const {
    const MqttTarget& t = publisher_.Target();
    const bool v6 = t.host.find(':') != std::string::npos;
    return (v6 ? "[" + t.host + "]" : t.host) + ":" + std::to_string(t.port);
}

void BrokerWatch::Tick() {
    const auto now = env_.monotonic();
    const std::uint64_t failures = publisher_.Failures();
    if (failures != failuresSeen_) {
        failuresSeen_ = failures;
        resentWhen_.reset();
        if (!away_) {
            away_ = true;
            since_ = now;
            remindAt_ = now + kRemindEvery;
            acknowledgedBefore_ = publisher_.Acknowledged();
            say_("cannot reach the broker at " + Where() + " (" + publisher_.LastError() + "); " +
                 Values(publisher_.Waiting(), "queued"));
            return;
        }
    }
    if (!away_) return;
    if (publisher_.Connected()) {
        // Back: the outage ends once what waited when the connection came has been taken.
        if (!resentWhen_) resentWhen_ = publisher_.Acknowledged() + publisher_.Waiting();
        if (publisher_.Acknowledged() < *resentWhen_) return;
        away_ = false;
        const std::uint64_t sent = publisher_.Acknowledged() - acknowledgedBefore_;
        say_("broker reachable again; " + std::to_string(sent) +
             (sent == 1 ? " queued value sent" : " queued values sent"));
        return;
    }
    if (now < remindAt_) return;
    const auto minutes = std::chrono::duration_cast<std::chrono::minutes>(now - since_);
    say_("cannot reach the broker at " + Where() + " for " + std::to_string(minutes.count()) +
         " min (" + publisher_.LastError() + "); " + Values(publisher_.Waiting(), "queued"));
    while (remindAt_ <= now)
        remindAt_ += kRemindEvery;
}

}  // namespace qx::ctl
