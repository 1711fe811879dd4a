#include "logger/logger_graph.h"

#include <cstdint>

namespace kr5061 {

std::unique_ptr<LoggerGraph> makeLoggerGraph() { return std::make_unique<LoggerGraph>(); }

void ResetToFullView(LoggerGraph& graph, bool resetScroll) {
    graph.fullView = true;
    graph.cursorAbsent = true;
    graph.zoomLevel = 0;
    graph.noDrag = true;
    if (resetScroll) {
        graph.scrollOffset = 0;
    }
}

void loggerLevel0Axis(int gain, int offset, float (&axis)[kLoggerAxisLines]) {
    for (int k = 0; k < kLoggerAxisLines; ++k) {
        // In 64 bits, so no gain and offset can overflow the product.
        axis[k] = static_cast<float>((static_cast<std::int64_t>(offset) + k) * gain);
    }
}

void showLoggerChannel(LoggerGraph& graph, int only) {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        graph.showChannel[ch] = (only < 0 || only == ch);
    }
}

}  // namespace kr5061
