#include "link/port_diagnosis.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kr5061 {

namespace {

constexpr int kHighestPort = 16;
// A machine with many serial adapters would otherwise fill the status bar.
constexpr std::size_t kListedDevices = 8;

// The number that ends `name` after `prefix`, or -1 when the rest is not all digits.
int numberAfter(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix ||
        name.size() - prefix.size() > 3) {
        return -1;
    }
    int n = 0;
    for (char c : name.substr(prefix.size())) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
            return -1;
        }
        n = n * 10 + (c - '0');
    }
    return n;
}

// Splits a name into its text and trailing number so that names compare as people count.
std::pair<std::string_view, long> naturalKey(std::string_view name) {
    std::size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])) != 0 &&
           name.size() - digits < 9) {
        --digits;
    }
    const std::string_view tail = name.substr(digits);
    return {name.substr(0, digits), tail.empty() ? -1 : std::stol(std::string(tail))};
}

std::string deviceWithPort(const std::string& device, PortAdvice advice) {
    const int port = portNumberOfDevice(device);
    if (port > 0) {
        return device + " (port " + std::to_string(port) + ")";
    }
    return device + (advice == PortAdvice::kWindow ? std::string(" (COM Port > Device...)")
                                                   : " (use --port " + device + ")");
}

std::string presentList(const std::string& failed, std::vector<std::string> present,
                        PortAdvice advice) {
    present.erase(std::remove(present.begin(), present.end(), failed), present.end());
    if (present.empty()) {
        return "No serial device is present now.";
    }
    sortDeviceNames(present);
    std::string text = "Serial devices present now: ";
    const std::size_t shown = std::min(present.size(), kListedDevices);
    for (std::size_t i = 0; i < shown; ++i) {
        text += (i > 0 ? ", " : "") + deviceWithPort(present[i], advice);
    }
    if (present.size() > shown) {
        text += " and " + std::to_string(present.size() - shown) + " more";
    }
    return text + ".";
}

// Membership of the device's group helps only when the group may read and
// write it and is not root's; otherwise say who may use it.
std::string permissionAdvice(const PortFailure& f) {
    constexpr unsigned kGroupReadWrite = 0060;
    if (!f.group.empty() && f.group != "root" &&
        (f.permissions & kGroupReadWrite) == kGroupReadWrite) {
        return "Your user must be in the " + f.group + " group: sudo usermod -aG " + f.group +
               " $USER, then log out and in.";
    }
    if (f.owner.empty()) {
        return "Ask the administrator of this computer for access to it.";
    }
    return "It belongs to user " + f.owner + " and group " + f.group + " with permissions " +
           permissionText(f.permissions) +
           "; ask the administrator of this computer for access to it.";
}

}  // namespace

int portNumberOfDevice(std::string_view device) {
    int n = numberAfter(device, "/dev/ttyUSB");
    if (n >= 0) {
        n += 1;
    } else {
        n = numberAfter(device, "COM");
    }
    return n >= 1 && n <= kHighestPort ? n : 0;
}

void sortDeviceNames(std::vector<std::string>& devices) {
    std::sort(devices.begin(), devices.end(), [](const std::string& a, const std::string& b) {
        return naturalKey(a) < naturalKey(b);
    });
    devices.erase(std::unique(devices.begin(), devices.end()), devices.end());
}

std::string permissionText(unsigned permissions) {
    std::string text = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit) {
        if ((permissions & (1u << (8 - bit))) == 0) {
            text[static_cast<std::size_t>(bit)] = '-';
        }
    }
    return text;
}

std::string describeSerialDevice(const SerialDeviceInfo& info) {
    std::string text = info.path;
    if (const int port = portNumberOfDevice(info.path); port > 0) {
        text += " (port " + std::to_string(port) + ")";
    }
    std::string about;
    auto add = [&about](const std::string& part) {
        if (!part.empty()) {
            about += (about.empty() ? "" : ", ") + part;
        }
    };
    add(info.description);
    add(info.manufacturer);
    if (info.vendorId >= 0 && info.productId >= 0) {
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04x:%04x", info.vendorId & 0xffff,
                      info.productId & 0xffff);
        add(std::string("USB ") + ids);
    }
    return about.empty() ? text : text + ": " + about;
}

std::string diagnosePort(const PortFailure& failure, std::vector<std::string> present,
                         PortAdvice advice) {
    const std::string head = "Cannot use " + failure.device + ": ";
    switch (failure.kind) {
        case PortErrorKind::kNotFound:
            return head + "the device is not there. Is the instrument plugged in? " +
                   presentList(failure.device, std::move(present), advice);
        case PortErrorKind::kPermissionDenied:
            return head + "permission denied. " + permissionAdvice(failure);
        case PortErrorKind::kBusy:
            return head +
                   "another program is using it. Close that program and the port is "
                   "opened again.";
        case PortErrorKind::kOther:
            break;
    }
    return head +
           (failure.detail.empty() ? std::string("it could not be opened.") : failure.detail);
}

}  // namespace kr5061
