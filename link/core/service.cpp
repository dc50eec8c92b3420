#include "link/core/service.h"

#include <chrono>
#include <thread>

namespace qx {

namespace {

void YieldBriefly() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

void TService::Execute() {
    addr_ = 255;  // the first scan step lands on the lowest listed address
    error_ = false;
    while (port_.IsOpen())
        Cycle();
    port_.Notify(kStationChanged, -1, 0);
    port_.MarkPollerStopped();
}

// One visit of one listed address. Every return before the end starts the next cycle at once;
// only a complete visit and an empty poll list pause.
void TService::Cycle() {
    PausePoint();
    if (port_.PortLost()) {
        WaitForLostPort();
        return;
    }
    WaitWindow();
    DropStationAfterError();
    WaitWindow();
    if (!Scan()) {
        // Nothing listed, or only absent modules asked a moment ago: the window's rest, however
        // eager the command.
        PauseSleep(kCyclePauseMs);
        return;
    }
    WaitWindow();
    if (port_.Station(addr_).state == 0 && !IdentifyModule()) {
        if (const int ms = port_.AbsentRetryMs(); ms > 0)
            retryAt_[addr_] = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        port_.Notify(kVisitFailed, addr_, 0);
        return;
    }
    WaitWindow();
    if (!ReadConfig()) return VisitFailed();
    DropInstrument();
    WaitWindow();
    if (!IdentifyInstrument()) return VisitFailed();
    WaitWindow();
    if (SendConfigIfChanged()) {
        if (error_) port_.Notify(kVisitFailed, addr_, 0);
        return;
    }
    WaitWindow();
    if (flags_ & kFlagValue) {
        if (!Exchange(ReqValue(addr_))) return VisitFailed();
        ReadValue();
    }
    PauseSleep(port_.CyclePauseMs());
}

// The next visit drops the station; the next address comes first.
void TService::VisitFailed() {
    error_ = true;
    port_.Notify(kVisitFailed, addr_, 0);
}

// The only place where a foreground transaction may take the bus: between two cycles.
void TService::PausePoint() {
    while (port_.PauseRequested() && port_.IsOpen()) {
        port_.SetPauseAcknowledged(true);
        YieldBriefly();
    }
    if (port_.PauseAcknowledged()) port_.SetPauseAcknowledged(false);
}

void TService::WaitForLostPort() {
    using Clock = std::chrono::steady_clock;
    constexpr auto kLookEvery = std::chrono::milliseconds(1000);
    if (nextLook_ == Clock::time_point{}) {
        // The station of every listed address is gone with the port; the window learns of the
        // loss through their notifications.
        NotifyListed();
        error_ = false;
        nextLook_ = Clock::now() + kLookEvery;
    }
    while (port_.IsOpen() && !port_.PauseRequested() && Clock::now() < nextLook_)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!port_.IsOpen() || port_.PauseRequested()) return;
    nextLook_ = Clock::now() + kLookEvery;
    if (!port_.ReopenLostPort()) return;
    nextLook_ = {};
    NotifyListed();  // back: the next visits identify the modules
}

void TService::NotifyListed() {
    for (int a = 0; a < kStations; ++a) {
        if (port_.PollEntry(a) == 0) continue;
        ResetStation(a);
        port_.Notify(kStationChanged, a, 0);
    }
}

void TService::WaitWindow() {
    while (!port_.WindowIdle() && port_.IsOpen())
        YieldBriefly();
}

void TService::PauseSleep(int ms) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    // A foreground transaction waiting for the bus gets it now, not at the end of the rest.
    while (port_.IsOpen() && !port_.PauseRequested()) {
        const auto now = Clock::now();
        if (now >= end) break;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(end - now, std::chrono::milliseconds(10)));
    }
}

bool TService::ResetStation(int addr) {
    bool changed = false;
    port_.UpdateStation(addr, [&](StationRecord& st) {
        if (st.state == 0) return;
        st.state = 0;
        st.instrumentNumber = -1;
        changed = true;
    });
    return changed;
}

void TService::DropStationAfterError() {
    if (!error_) return;
    error_ = false;
    if (ResetStation(addr_)) port_.Notify(kStationChanged, addr_, 0);
}

bool TService::Scan() {
    const auto now = std::chrono::steady_clock::now();
    for (int step = 0; step < kStations; ++step) {
        addr_ = (addr_ + 1) & 0xFF;
        if (port_.PollEntry(addr_) != 0) {
            if (now < retryAt_[addr_]) continue;  // absent, and asked a moment ago
            return true;
        }
        if (ResetStation(addr_)) port_.Notify(kStationChanged, addr_, 0);
    }
    return false;
}

// Fields and the value are read from the reply's text without checksum digits and CR, so that
// decimal checksum digits never extend a short number field or the value. Send has made sure
// that the reply answers this very request: a late reply to an earlier one never feeds a field.
bool TService::Exchange(const std::string& request, int attempts) {
    if (port_.Send(request.c_str(), reply_, attempts) != kOk) return false;
    text_ = ReplyText(reply_, port_.ChecksumOn());
    return true;
}

bool TService::IdentifyModule() {
    // Where no module answered, one attempt tells as much as three.
    if (!Exchange(ReqModel(addr_), port_.AbsentRetryMs() > 0 ? 1 : kSendAttempts)) return false;
    const int model = DecimalAt(text_, 4, 7);
    port_.UpdateStation(addr_, [&](StationRecord& st) { st.moduleModel = model; });
    if (!Exchange(ReqFirmware(addr_))) return false;
    const int firmware = DecimalAt(text_, 4, 7);
    port_.UpdateStation(addr_, [&](StationRecord& st) {
        st.moduleFirmware = firmware;
        st.state = 1;
    });
    port_.Notify(kStationChanged, addr_, 0);
    return true;
}

// A reply whose fields are not hexadecimal is as useless as no reply: it fails the exchange
// rather than feeding a made-up configuration byte or flags into the station.
bool TService::ReadConfig() {
    if (!Exchange(ReqConfig(addr_))) return false;
    const int flags = HexPairAt(text_, 8);
    WaitWindow();
    const int config = HexPairAt(text_, 4);
    if (flags < 0 || config < 0) return false;
    flags_ = flags;
    moduleConfig_ = config;
    bool adopted = false;
    port_.UpdateStation(addr_, [&](StationRecord& st) {
        if (st.config >= 0) return;
        st.config = config;
        adopted = true;
    });
    if (adopted) port_.Notify(kConfigKnown, addr_, 0);
    return true;
}

void TService::DropInstrument() {
    if ((flags_ & kFlagInstrument) || port_.Station(addr_).state != 2) return;
    WaitWindow();
    port_.UpdateStation(addr_, [](StationRecord& st) {
        st.state = 1;
        st.instrumentNumber = -1;
        st.instrumentModel = 0;
    });
    port_.Notify(kStationChanged, addr_, 0);
    WaitWindow();
    port_.UpdateStation(addr_, [](StationRecord& st) {
        st.value = kNoValue;
        st.sign = 0;
    });
    port_.Notify(kValueRead, addr_, port_.TimeOfDayTenths());
}

bool TService::IdentifyInstrument() {
    if (!(flags_ & kFlagInstrument) || port_.Station(addr_).state == 2) return true;
    if (!Exchange(ReqModel(addr_))) return false;
    const int model = DecimalAt(text_, 8, 11);
    port_.UpdateStation(addr_, [&](StationRecord& st) { st.instrumentModel = model; });
    if (!Exchange(ReqFirmware(addr_))) return false;
    const int firmware = DecimalAt(text_, 8, 11);
    port_.UpdateStation(addr_, [&](StationRecord& st) { st.instrumentFirmware = firmware; });
    if (!Exchange(ReqInstrumentNumber(addr_))) return false;
    const int number = DecimalAt(text_, 4, 11);
    port_.UpdateStation(addr_, [&](StationRecord& st) {
        st.instrumentNumber = number == 0 ? -1 : number;
        st.state = 2;
    });
    port_.Notify(kStationChanged, addr_, 0);
    return true;
}

// True when the cycle ends here: a configuration command replaces the value read. A byte below 0
// is never sent: it is adopted from the module's reply instead.
bool TService::SendConfigIfChanged() {
    const int wanted = port_.Station(addr_).config;
    if (wanted < 0 || wanted == moduleConfig_) return false;
    const int csumFlag = port_.ChecksumOn() ? kFlagChecksum : 0;
    if (!Exchange(ReqSetConfig(addr_, addr_, wanted & 0xFF, port_.BaudCode(), csumFlag)))
        error_ = true;
    return true;
}

void TService::ReadValue() {
    double value = kNoValue;
    int sign = 0;
    if (!ParseValueReply(text_, &value, &sign)) {
        value = kNoValue;
        sign = 0;
    }
    port_.UpdateStation(addr_, [&](StationRecord& st) {
        st.value = value;
        st.sign = sign;
    });
    port_.Notify(kValueRead, addr_, port_.TimeOfDayTenths());
}

}  // namespace qx
