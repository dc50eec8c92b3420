#pragma once
// Tells the user on standard error when the MQTT broker cannot be reached (a failed or lost
// connection), once a minute while it stays away with the values waiting for it, and when the
// values that waited have gone out after the reconnection.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ctl/core/ctl_environment.h"
#include "ctl/core/mqtt_publisher.h"

namespace qx::ctl {

class BrokerWatch {
  public:
    using Say = std::function<void(const std::string&)>;
    static constexpr auto kRemindEvery = std::chrono::seconds(60);

    BrokerWatch(const CtlEnvironment& env, const MqttPublisher& publisher, Say say);
    // Looks at the publisher: called after every value and whenever the command wakes.
    void Tick();

  private:
    std::string Where() const;

    const CtlEnvironment& env_;
    const MqttPublisher& publisher_;
    Say say_;
    std::uint64_t failuresSeen_ = 0;
    bool away_ = false;
    std::chrono::steady_clock::time_point since_{};
    std::chrono::steady_clock::time_point remindAt_{};
    std::uint64_t acknowledgedBefore_ = 0;     // when the outage was reported
    std::optional<std::uint64_t> resentWhen_;  // acknowledged count that ends the resend
};

}  // namespace qx::ctl
