#include "ctl/core/broker_watch.h"

namespace qx::ctl {
namespace {

std::string Values(std::uint64_t n, const char* what) {
    return std::to_string(n) + (n == 1 ? " value " : " values ") + what;
}

// The publisher's last error as the reason in "cannot reach the broker at HOST:PORT (REASON)":
// without the broker's address, which the message names already, and with a hint in brackets
// after a colon, so that brackets do not nest: "connection refused: is the broker running?".
std::string ShortReason(std::string error, const std::string& where) {
    for (const std::string& named : {" by " + where, " at " + where, where + " "}) {
        const std::size_t at = error.find(named);
        if (at != std::string::npos) error.erase(at, named.size());
    }
    const std::string plain = "cannot reach the broker: ";
    if (error.starts_with(plain)) error.erase(0, plain.size());
    const std::size_t open = error.find(" (");
    if (open != std::string::npos && error.ends_with(")")) {
        error.pop_back();
        error.replace(open, 2, ": ");
    }
    return error;
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
            say_("cannot reach the broker at " + Where() + " (" +
                 ShortReason(publisher_.LastError(), Where()) + "); " +
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
         " min (" + ShortReason(publisher_.LastError(), Where()) + "); " +
         Values(publisher_.Waiting(), "queued"));
    while (remindAt_ <= now)
        remindAt_ += kRemindEvery;
}

}  // namespace qx::ctl
