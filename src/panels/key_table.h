#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "link/frames.h"

namespace kr5061 {

// One key of the meter's front as the remote keys reproduce it. Positions are
// pixels of the meter panel; the button size comes from the dialog layout in
// dialog units; the key image is larger than the button and is cut at the
// button's size when drawn.
struct MeterKey {
    int id;
    const char* caption;  // the button's caption in the dialog layout
    const char* label;    // what the key's cap says on our artwork
    int x, y;
    int widthDu, heightDu;
    int imageWidth, imageHeight;
    std::uint8_t pressCommand, pressArg;
    bool hasDoubleClick;
    std::uint8_t doubleCommand, doubleArg;

    constexpr int width() const { return widthDu * 2; }
    constexpr int height() const { return heightDu * 2; }
};

inline constexpr int kMeterKeyCount = 9;

inline constexpr std::array<MeterKey, kMeterKeyCount> kMeterKeys = {{
    {1046, "MAX/MINUP", "MAX/MIN", 55, 358, 17, 14, 36, 29, kCmdKey, 0x0A, true, kCmdKey, 0x0B},
    {1052, "AVG", "AVG", 92, 360, 17, 16, 34, 33, kCmdKey, 0x14, true, kCmdKey, 0x16},
    {1044, "HOLDUP", "HOLD", 126, 361, 18, 12, 37, 25, kCmdKey, 0x1E, false, 0, 0},
    {1047, "IRT", "IRT", 93, 396, 17, 16, 35, 32, kCmdIrt, 0x0A, false, 0, 0},
    {1055, "UNITS",
     "\xC2\xB0"
     "C/\xC2\xB0"
     "F",
     92, 447, 17, 18, 35, 40, kCmdKey, 0x28, true, kCmdKey, 0x2C},
    {1048, "MAXMIND", "MAX/MIN", 67, 478, 15, 21, 32, 43, kCmdKey, 0x3C, true, kCmdKey, 0x42},
    {1049, "HOLDD", "HOLD", 119, 479, 16, 21, 32, 45, kCmdKey, 0x32, false, 0, 0},
    {1056, "AREA", "NEXT/AREA", 93, 511, 16, 19, 34, 40, kCmdKey, 0x46, true, kCmdKey, 0x4D},
    {1045, "POWEROFF", "", 139, 561, 12, 12, 24, 26, kCmdKey, 0x50, false, 0, 0},
}};

// The key with this control id, or nullptr.
const MeterKey* findMeterKey(int id);

// The frame one press of the key sends.
CommandFrame keyPressFrame(const MeterKey& key);

// The frame a double-click sends on top of its presses; none for keys without one.
std::optional<CommandFrame> keyDoubleClickFrame(const MeterKey& key);

}  // namespace kr5061
