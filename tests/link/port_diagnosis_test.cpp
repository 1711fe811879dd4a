#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/port_diagnosis.h"

namespace kr5061 {
namespace {

struct DiagnosisCase {
    const char* name;
    PortErrorKind kind;
    std::vector<std::string> present;
    std::string expected;
};

TEST(PortDiagnosis, NamesTheDeviceSaysWhyAndWhatToDo) {
    const DiagnosisCase cases[] = {
        {"missing, others present",
         PortErrorKind::kNotFound,
         {"/dev/ttyS4", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyUSB1", "/dev/ttyUSB9",
          "/dev/ttyUSB1"},
         "Cannot use /dev/ttyUSB9: the device is not there. Is the instrument plugged in? "
         "Serial devices present now: /dev/ttyACM0 (use --port /dev/ttyACM0), /dev/ttyS4 (use "
         "--port /dev/ttyS4), /dev/ttyUSB1 (port 2), /dev/ttyUSB10 (port 11)."},
        {"missing, nothing present",
         PortErrorKind::kNotFound,
         {},
         "Cannot use /dev/ttyUSB9: the device is not there. Is the instrument plugged in? "
         "No serial device is present now."},
        {"busy",
         PortErrorKind::kBusy,
         {},
         "Cannot use /dev/ttyUSB9: another program is using it. Close that program and the "
         "port is opened again."},
        {"other", PortErrorKind::kOther, {}, "Cannot use /dev/ttyUSB9: Input/output error"},
    };
    for (const DiagnosisCase& c : cases) {
        const PortFailure failure{"/dev/ttyUSB9", c.kind, "Input/output error", "", "", 0};
        EXPECT_EQ(diagnosePort(failure, c.present), c.expected) << c.name;
    }
}

TEST(PortDiagnosis, LongDeviceListsAreCut) {
    std::vector<std::string> present;
    for (int i = 0; i < 12; ++i) {
        present.push_back("/dev/ttyUSB" + std::to_string(i));
    }
    const std::string text =
        diagnosePort({"/dev/ttyACM3", PortErrorKind::kNotFound, "", "", "", 0}, present);
    EXPECT_NE(text.find("/dev/ttyUSB7 (port 8) and 4 more."), std::string::npos) << text;
}

// The window points to its own menu, not to a command-line option.
TEST(PortDiagnosis, WindowAdviceNamesTheDeviceCommand) {
    const std::string text = diagnosePort({"/dev/ttyUSB0", PortErrorKind::kNotFound, "", "", "", 0},
                                          {"/dev/ttyS0", "/dev/ttyUSB3"}, PortAdvice::kWindow);
    EXPECT_NE(text.find("/dev/ttyS0 (COM Port > Device...), /dev/ttyUSB3 (port 4)."),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("--port"), std::string::npos) << text;
}

// The dialout group is named only when it is the device's group; a group that
// may not write, or root's, is no advice: then owner and mode are named.
TEST(PortDiagnosis, PermissionAdviceFollowsTheDevicesGroupAndMode) {
    const struct {
        const char* owner;
        const char* group;
        unsigned mode;
        std::string advice;
    } cases[] = {
        {"root", "dialout", 0660,
         "Your user must be in the dialout group: sudo usermod -aG dialout $USER, then log out "
         "and in."},
        {"root", "uucp", 0660,
         "Your user must be in the uucp group: sudo usermod -aG uucp $USER, then log out and "
         "in."},
        {"root", "root", 0660,
         "It belongs to user root and group root with permissions rw-rw----; ask the "
         "administrator of this computer for access to it."},
        {"anna", "dialout", 0600,
         "It belongs to user anna and group dialout with permissions rw-------; ask the "
         "administrator of this computer for access to it."},
        {"", "", 0, "Ask the administrator of this computer for access to it."},
    };
    for (const auto& c : cases) {
        const PortFailure f{"/dev/ttyS1", PortErrorKind::kPermissionDenied, "", c.owner, c.group,
                            c.mode};
        EXPECT_EQ(diagnosePort(f, {}), "Cannot use /dev/ttyS1: permission denied. " + c.advice);
    }
}

TEST(PortDiagnosis, DeviceListEntriesSayWhatEachDeviceIs) {
    EXPECT_EQ(describeSerialDevice({"/dev/ttyUSB0", "FT232R USB UART", "FTDI", 0x0403, 0x6001}),
              "/dev/ttyUSB0 (port 1): FT232R USB UART, FTDI, USB 0403:6001");
    EXPECT_EQ(describeSerialDevice({"/dev/ttyS0", "", "", -1, -1}), "/dev/ttyS0");
    EXPECT_EQ(describeSerialDevice({"/dev/ttyACM0", "", "Arduino", 0x2341, 0x43}),
              "/dev/ttyACM0: Arduino, USB 2341:0043");
}

TEST(PortDiagnosis, PortNumbersOfDevices) {
    const std::pair<const char*, int> cases[] = {
        {"/dev/ttyUSB0", 1}, {"/dev/ttyUSB15", 16}, {"/dev/ttyUSB16", 0}, {"COM3", 3},
        {"COM17", 0},        {"/dev/ttyACM0", 0},   {"/dev/ttyUSB", 0},   {"/dev/ttyUSBx", 0},
    };
    for (const auto& [device, port] : cases) {
        EXPECT_EQ(portNumberOfDevice(device), port) << device;
    }
}

}  // namespace
}  // namespace kr5061
