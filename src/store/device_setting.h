#pragma once

#include <string>
#include <string_view>

namespace kr5061 {

// The serial device chosen in the window for a port number, kept in the
// settings file in a section of its own ("DeviceInfo", one key "Port N" per
// port number) so the choice holds at the next start.

// The device bound to `port` (1..16); empty when none was chosen.
std::string readPortDevice(int port);

// Remembers `device` for `port`; false when the file could not be written or
// the name cannot be kept (empty, longer than a setting holds, a line break).
bool writePortDevice(int port, std::string_view device);

}  // namespace kr5061
