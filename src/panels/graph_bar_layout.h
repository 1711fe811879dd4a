#pragma once

#include <array>

#include "common/pixel_rect.h"

namespace kr5061 {

// The graph control bar's template size in pixels.
inline constexpr int kGraphBarWidth = 359 * 2, kGraphBarHeight = 47 * 2;

enum class GraphBarKind { Caption, Field, Button };

// Which font a control of the bar takes: the caption "Real-Time Graph" keeps
// the template's, the clock field has its own, every other control the field font.
enum class GraphBarFont { Template, Field, Clock };

// What a button does: show one channel alone, all five, or set up the axis.
inline constexpr int kShowAllTraces = -1, kAxisSetup = -2;

struct GraphBarControl {
    int id = 0;
    GraphBarKind kind = GraphBarKind::Caption;
    const char* text = "";  // captions and buttons only
    PixelRect rect;
    GraphBarFont font = GraphBarFont::Field;
    int action = 0;  // buttons: the channel shown alone, kShowAllTraces or kAxisSetup
};

inline constexpr int kGraphBarControlCount = 20;
using GraphBarControls = std::array<GraphBarControl, kGraphBarControlCount>;

// All controls of the bar in pixels: captions, read-only fields, buttons.
const GraphBarControls& graphBarControls();

}  // namespace kr5061
