#include "ctl/core/answer_watch.h"

#include "measure/core/station_status.h"

namespace qx::ctl {

AnswerWatch::AnswerWatch(const CtlEnvironment& env, std::string where, Say say)
    : env_(env), where_(std::move(where)), say_(std::move(say)) {}

void AnswerWatch::Event(const LinkEvent& e) {
    if (e.address < 0) return;
    Station& st = stations_[e.address];
    if (e.message == kVisitFailed) {
        // A module that answered fails one visit and is dropped on the next: its station change
        // reports it. One that never answered has no station to drop.
        if (e.station.state == 0 && !st.away) Report(e.address, st);
        return;
    }
    if (e.message != kStationChanged || e.station.state == st.state) return;
    const bool wasThere = st.state != 0;
    st.state = e.station.state;
    if (st.state == 0 && wasThere && !st.away) {
        Report(e.address, st);
    } else if (st.state == 2 && st.away) {
        st.away = false;
        const StationStatus s = StationStatusOf(e.station);
        say_("the module at address " + std::to_string(e.address) +
             " answers again: " + s.moduleText + " " + s.instrumentText);
    }
}

void AnswerWatch::Tick() {
    const auto now = env_.monotonic();
    for (auto& [address, st] : stations_) {
        if (!st.away || now < st.remindAt) continue;
        const auto minutes = std::chrono::duration_cast<std::chrono::minutes>(now - st.since);
        say_("no module answers at address " + std::to_string(address) + " on " + where_ + " for " +
             std::to_string(minutes.count()) + " min; still trying");
        while (st.remindAt <= now)
            st.remindAt += kRemindEvery;
    }
}

bool AnswerWatch::Away(int address) const {
    const auto it = stations_.find(address);
    return it != stations_.end() && it->second.away;
}

void AnswerWatch::Report(int address, Station& st) {
    st.away = true;
    st.since = env_.monotonic();
    st.remindAt = st.since + kRemindEvery;
    say_("no module answers at address " + std::to_string(address) + " on " + where_ +
         "; still trying");
}

std::string LineText(const LinkChoice& c) {
    return c.device + " (" + std::to_string(BitRate(c.baudCode)) + " Bd, checksum " +
           (c.checksum ? "on" : "off") + ")";
}

}  // namespace qx::ctl
