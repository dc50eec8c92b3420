#pragma once
// The Setup page's "Najdi": looks for a module at every baud rate and checksum mode on the port
// `portNumber` (0 = COM1), and lists what answered in the progress dialog until the user closes
// it. False when the bus was busy and nothing ran; then the link is as it was.

namespace qx {

class Session;

bool RunModuleFind(Session& session, int portNumber);

}  // namespace qx
