#pragma once
// The module find's view of the program's link object.

#include "link/core/comm_port.h"

#include "link/core/find_link.h"

namespace qx {

class TCommPortFindLink : public FindLink {
  public:
    // `portIndex` is the Setup page's COM port; `window` receives the poller's notifications.
    TCommPortFindLink(TCommPort& port, int portIndex, NotificationSink* window)
        : port_(port), portIndex_(portIndex), window_(window) {}

    int Reopen(int baudCode, bool checksum) override;
    void RequestPause() override { port_.RequestPause(); }
    void ReleasePause() override { port_.ReleasePause(); }
    int Send(const char* request, char* reply) override { return port_.Send(request, reply); }
    int Probe(const char* request, char* reply) override { return port_.Send(request, reply, 1); }
    void ClearPollList() override { port_.ClearPollList(); }
    void SetPollEntry(int addr, int entry) override { port_.SetPollEntry(addr, entry); }

  private:
    TCommPort& port_;
    int portIndex_;
    NotificationSink* window_;
};

}  // namespace qx
