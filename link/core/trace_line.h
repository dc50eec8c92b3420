#pragma once
// The protocol trace's line format, one frame per line: what qxsim writes from the module's side
// and meridoctl from the PC's, so that the two traces of one problem read alike.

#include <string>
#include <string_view>

namespace qx {

// One line of a wire trace, without a line end: the time in seconds, ">" for a request (PC to
// module) or "<" for a reply, and the bytes with CR, LF, backslash and other unprintable
// characters escaped (\r, \n, \\, \xHH), so that a frame stays one line whatever it holds.
std::string TraceLine(double seconds, bool fromModule, std::string_view bytes);

}  // namespace qx
