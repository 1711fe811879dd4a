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
    // Who may use the device (kPermissionDenied): its owner and group names and
    // its permission bits (0660 for rw-rw----); empty names when unknown.
    std::string owner;
    std::string group;
    unsigned permissions = 0;
};

// How the user picks another device: in the window's COM Port menu, or with
// --port on the command line.
enum class PortAdvice { kCommandLine, kWindow };

// The configured port number a device stands for: /dev/ttyUSB{n-1} and COMn
// are port n (1..16); any other device gives 0 (it needs --port DEVICE).
int portNumberOfDevice(std::string_view device);

// The device names in the order a person reads them: ttyUSB2 before ttyUSB10,
// duplicates removed.
void sortDeviceNames(std::vector<std::string>& devices);

// One message that names the device, says why it cannot be used and what to
// do about it. `present` are the serial devices that exist now (any order);
// they are listed for a missing device, each with the port number it maps to.
std::string diagnosePort(const PortFailure& failure, std::vector<std::string> present,
                         PortAdvice advice = PortAdvice::kCommandLine);

// "rw-rw----" for 0660: permission bits as `ls -l` shows them.
std::string permissionText(unsigned permissions);

// One serial device as the device list shows it.
struct SerialDeviceInfo {
    std::string path;  // "/dev/ttyUSB0", "COM3"
    std::string description;
    std::string manufacturer;
    int vendorId = -1;  // USB ids, -1 when not a USB device
    int productId = -1;
};

// "/dev/ttyUSB0 (port 1): FT232R USB UART, FTDI, USB 0403:6001", leaving out
// what is unknown.
std::string describeSerialDevice(const SerialDeviceInfo& info);

}  // namespace kr5061
