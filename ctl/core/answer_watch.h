#pragma once
// Tells the user on standard error when a module of the poll list does not answer: at once after
// its first failed visit, then once a minute while it stays away, and when it answers again. A
// service's journal then shows the gaps in its values and why they are there.

#include <chrono>
#include <functional>
#include <map>
#include <string>

#include "ctl/core/ctl_environment.h"
#include "ctl/core/ctl_session.h"

namespace qx::ctl {

class AnswerWatch {
  public:
    using Say = std::function<void(const std::string&)>;
    static constexpr auto kRemindEvery = std::chrono::seconds(60);

    // `where`: the port and line settings, "/dev/ttyUSB0 (19200 Bd, checksum off)".
    AnswerWatch(const CtlEnvironment& env, std::string where, Say say);
    // A notification of the poller.
    void Event(const LinkEvent& e);
    // The reminders that are due.
    void Tick();
    // Addresses reported as not answering, and not answering since.
    bool Away(int address) const;

  private:
    struct Station {
        int state = 0;
        bool away = false;  // reported as not answering
        std::chrono::steady_clock::time_point since{};
        std::chrono::steady_clock::time_point remindAt{};
    };

    void Report(int address, Station& st);

    const CtlEnvironment& env_;
    std::string where_;
    Say say_;
    std::map<int, Station> stations_;
};

// "/dev/ttyUSB0 (19200 Bd, checksum off)"
std::string LineText(const LinkChoice& c);

}  // namespace qx::ctl
