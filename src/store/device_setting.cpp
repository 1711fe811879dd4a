#include "store/device_setting.h"

#include "store/config.h"
#include "store/ini_file.h"

namespace kr5061 {

namespace {

constexpr std::string_view kSection = "DeviceInfo";

std::string keyOf(int port) {
    return "Port " + std::to_string(port);
}

}  // namespace

std::string readPortDevice(int port) {
    if (port < kMinComPort || port > kMaxComPort) {
        return {};
    }
    return readProfileString(configFilePath(), kSection, keyOf(port), "");
}

bool writePortDevice(int port, std::string_view device) {
    if (port < kMinComPort || port > kMaxComPort || device.empty() ||
        device.size() > kProfileTextMax || device.front() == ' ' || device.back() == ' ') {
        return false;
    }
    return writeProfileString(configFilePath(), kSection, keyOf(port), device);
}

}  // namespace kr5061
