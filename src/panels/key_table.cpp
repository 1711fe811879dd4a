#include "panels/key_table.h"

namespace kr5061 {

namespace {

CommandFrame frameFor(std::uint8_t command, std::uint8_t arg) {
    // Only the key command knows the repeated second argument (code 0x46).
    return command == kCmdKey ? keyFrame(arg) : buildCommandFrame(command, arg);
}

}  // namespace

const MeterKey* findMeterKey(int id) {
    for (const MeterKey& key : kMeterKeys) {
        if (key.id == id) {
            return &key;
        }
    }
    return nullptr;
}

CommandFrame keyPressFrame(const MeterKey& key) {
    return frameFor(key.pressCommand, key.pressArg);
}

std::optional<CommandFrame> keyDoubleClickFrame(const MeterKey& key) {
    if (!key.hasDoubleClick) {
        return std::nullopt;
    }
    return frameFor(key.doubleCommand, key.doubleArg);
}

}  // namespace kr5061
