#include "panels/graph_bar_layout.h"

#include "common/channels.h"

namespace kr5061 {

namespace {

constexpr int px(int units) {
    return units * 2;
}

// Template rectangles in dialog units.
constexpr PixelRect du(int x, int y, int w, int h) {
    return {px(x), px(y), px(x + w), px(y + h)};
}

constexpr int kClockField = 1027, kBarCaption = 1043;

GraphBarControl caption(int id, const char* text, const PixelRect& r) {
    return {id,
            GraphBarKind::Caption,
            text,
            r,
            id == kBarCaption ? GraphBarFont::Template : GraphBarFont::Field,
            0};
}

GraphBarControl field(int id, const PixelRect& r) {
    return {id,
            GraphBarKind::Field,
            "",
            r,
            id == kClockField ? GraphBarFont::Clock : GraphBarFont::Field,
            0};
}

// The buttons share one row.
GraphBarControl button(int id, const char* text, int x, int w, int action) {
    return {id, GraphBarKind::Button, text, du(x, 13, w, 14), GraphBarFont::Field, action};
}

}  // namespace

const GraphBarControls& graphBarControls() {
    static const GraphBarControls controls = {
        caption(kBarCaption, "Real-Time Graph", du(161, 0, 60, 8)),
        caption(1032, "voltage stage", du(162, 15, 44, 9)),
        caption(1035, "Start Time", du(1, 33, 35, 8)),
        caption(1077, "Sample Rate", du(113, 33, 43, 8)),
        caption(1079, "Sec", du(195, 32, 15, 12)),
        caption(1080, "Sample Data", du(211, 33, 43, 8)),
        caption(1037, "DataNo.", du(292, 33, 26, 8)),
        field(1026, du(212, 14, 39, 12)),
        field(kClockField, du(255, 9, 98, 18)),
        field(1014, du(36, 32, 76, 12)),
        field(1078, du(157, 32, 37, 12)),
        field(1081, du(255, 32, 35, 12)),
        field(1015, du(320, 32, 33, 12)),
        button(1044, "AIR", 0, 16, kAir),
        button(1045, "WB", 16, 16, kWetBulb),
        button(1046, "DP", 32, 16, kDewPoint),
        button(1049, "IR/K", 48, 16, kSurface),
        button(1050, "RH", 64, 16, kHumidity),
        button(1047, "Combine", 80, 32, kShowAllTraces),
        button(1048, "Y Axis", 117, 32, kAxisSetup),
    };
    return controls;
}

}  // namespace kr5061
