#pragma once
// The COM map: the program offers the ports COM1..COM4 (port numbers 0..3), each standing for a
// device path the user maps it onto.

#include <array>
#include <string>
#include <string_view>

namespace qx {

constexpr int kComPorts = 4;

using PortPaths = std::array<std::string, kComPorts>;  // device paths of COM1..COM4

// The entry of the map a port number stands for. Any number lands on one of the four, so a stray
// saved number can never read past the map.
constexpr std::size_t ComIndex(int port) {
    return static_cast<std::size_t>(port & (kComPorts - 1));
}

// "COM1".."COM4" for the port numbers 0..3.
std::string ComName(int port);

// The port number of "COM1".."COM4", in any case; -1 for any other name.
int ComNumber(std::string_view name);

// "/dev/ttyS0".."/dev/ttyS3": what COM1..COM4 stand for until a mapping says otherwise.
std::string DefaultComDevice(int port);
PortPaths DefaultPortPaths();

}  // namespace qx
