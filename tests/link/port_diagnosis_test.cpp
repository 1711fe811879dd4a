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
        {"permission denied",
         PortErrorKind::kPermissionDenied,
         {"/dev/ttyUSB0"},
         "Cannot use /dev/ttyUSB9: permission denied. Your user must be in the dialout group: "
         "sudo usermod -aG dialout $USER, then log out and in."},
        {"busy",
         PortErrorKind::kBusy,
         {},
         "Cannot use /dev/ttyUSB9: another program is using it. Close that program and the "
         "port is opened again."},
        {"other", PortErrorKind::kOther, {}, "Cannot use /dev/ttyUSB9: Input/output error"},
    };
    for (const DiagnosisCase& c : cases) {
        PortFailure failure{"/dev/ttyUSB9", c.kind, "Input/output error"};
        EXPECT_EQ(diagnosePort(failure, c.present), c.expected) << c.name;
    }
}

TEST(PortDiagnosis, LongDeviceListsAreCut) {
    std::vector<std::string> present;
    for (int i = 0; i < 12; ++i) {
        present.push_back("/dev/ttyUSB" + std::to_string(i));
    }
    const std::string text = diagnosePort({"/dev/ttyACM3", PortErrorKind::kNotFound, ""}, present);
    EXPECT_NE(text.find("/dev/ttyUSB7 (port 8) and 4 more."), std::string::npos) << text;
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
