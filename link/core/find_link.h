#pragma once
// What the module find needs from the link: re-opening it at another baud rate and checksum
// mode, the poller's pause handshake, single exchanges, and the poll list.

#include "link/core/bus.h"

namespace qx {

// The pause handshake parks the poller of the link as it is now open.
class FindLink : public PollerPause {
  public:
    virtual ~FindLink() = default;
    // Closes the link and opens it on the chosen port with `baudCode` and `checksum`;
    // 0 or a negative result code.
    virtual int Reopen(int baudCode, bool checksum) = 0;
    // One exchange; `reply` holds 32 characters and receives the raw reply.
    virtual int Send(const char* request, char* reply) = 0;
    // One exchange of a single attempt, for a scan that asks every address once.
    virtual int Probe(const char* request, char* reply) { return Send(request, reply); }
    virtual void ClearPollList() = 0;
    virtual void SetPollEntry(int addr, int entry) = 0;
};

}  // namespace qx
