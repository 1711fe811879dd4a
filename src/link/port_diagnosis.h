#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kr5061 {

// Why a serial device could not be opened, as the window layer reads it from
// the serial back end.
enum class PortErrorKind {
    kNotFound,          // no such device (unplugged, wrong name)
    kPermissionDenied,  // the user may not open it
    kBusy,              // another program holds it
    kOther,
};

struct PortFailure {
    std::string device;  // e.g. "/dev/ttyUSB0" or "COM3"
    PortErrorKind kind = PortErrorKind::kOther;
    std::string detail;  // the system's own words, shown for kOther only
};

// The configured port number a device stands for: /dev/ttyUSB{n-1} and COMn
// are port n (1..16); any other device gives 0 (it needs --port DEVICE).
int portNumberOfDevice(std::string_view device);

// The device names in the order a person reads them: ttyUSB2 before ttyUSB10,
// duplicates removed.
void sortDeviceNames(std::vector<std::string>& devices);

// One message that names the device, says why it cannot be used and what to
// do about it. `present` are the serial devices that exist now (any order);
// they are listed for a missing device, each with the port number it maps to.
std::string diagnosePort(const PortFailure& failure, std::vector<std::string> present);

}  // namespace kr5061
