#pragma once
// The station poller: the body of the background thread that keeps the station table current.

#include <array>
#include <chrono>
#include <string>
#include <string_view>

#include "link/core/comm_port.h"
#include "link/core/protocol.h"

namespace qx {

class TService {
  public:
    explicit TService(TCommPort& port) : port_(port) {}
    // The poll loop; returns when the link's open flag drops, after the final notification.
    void Execute();

  private:
    void Cycle();
    void PausePoint();
    // While the port is lost: no exchanges; the station drops once, and about once a second the
    // link looks for the device and opens it again. Returns early for a pause or a Close.
    void WaitForLostPort();
    // Drops the station of every listed address and notifies each.
    void NotifyListed();
    // Waits while the main window handles a notification (ends at once on a closed link).
    void WaitWindow();
    // Sleeps the cycle's pause of `ms`; a Close or a pause request ends it early.
    void PauseSleep(int ms);
    void DropStationAfterError();
    void VisitFailed();
    bool Scan();
    bool IdentifyModule();
    bool ReadConfig();
    void DropInstrument();
    bool IdentifyInstrument();
    bool SendConfigIfChanged();
    void ReadValue();
    // One exchange with the current address; false when it failed.
    bool Exchange(const std::string& request, int attempts = kSendAttempts);
    // Resets the station at `addr` to absent; true when it was not absent before.
    bool ResetStation(int addr);

    TCommPort& port_;
    int addr_ = 255;                                    // current address
    bool error_ = false;                                // an exchange of the current cycle failed
    char reply_[kBufferSize] = {};                      // raw reply of the last exchange
    std::string_view text_;                             // its text without checksum digits and CR
    int flags_ = 0;                                     // format flags of the last $AA2 reply
    int moduleConfig_ = 0;                              // configuration byte of the last $AA2 reply
    std::chrono::steady_clock::time_point nextLook_{};  // next look for a lost port's device
    // Per address: no visit before this time (an absent module, see SetAbsentRetryMs).
    std::array<std::chrono::steady_clock::time_point, kStations> retryAt_{};
};

}  // namespace qx
