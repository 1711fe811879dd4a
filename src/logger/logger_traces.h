#pragma once

#include "common/channels.h"
#include "graph/raster.h"
#include "logger/logger_graph.h"

namespace kr5061 {

inline constexpr Pixel kLoggerTrace[kChannelCount] = {
    rgb(255, 0, 0), rgb(255, 255, 0), rgb(0, 255, 255), rgb(200, 100, 200), rgb(0, 255, 0)};

// The shown channels' traces at zoom level `level` over records first..last,
// record i placed at the x of record i + shift: one-pixel lines from record
// to record, drawn record by record and channel by channel in between, so
// where traces meet the later record wins, and within a record the later
// channel. All channels of a record share its x. The pixels are those of
// drawLine for every segment in that order.
void drawLoggerTraces(const LoggerGraph& graph, int level, int first, int last, int shift,
                      const PixelBuffer& buf);

}  // namespace kr5061
