#include "logger/logger_report.h"

#include <algorithm>
#include <cmath>

#include "common/run_state.h"
#include "logger/logger_scene.h"

namespace kr5061 {

ReportSource loggerReportSource(const CHygDoc& doc, const LoggerGraph& graph,
                                const ViewState& view) {
    float axis[kLoggerAxisLines];
    loggerLevel0Axis(view.m_loggerGain, view.m_loggerOffset, axis);
    return recallReportSource(doc, graph.showChannel, axis);
}

ReportSource shownLoggerReportSource(const CHygDoc& doc, const LoggerGraph& graph,
                                     const ViewState& view) {
    ReportSource src = loggerReportSource(doc, graph, view);
    if (graph.fullView || src.count < 2) {
        return src;
    }
    // The drawn level places position j at x0 + j x step, and position j shows
    // record j - scrollOffset.
    const int z = std::clamp(graph.zoomLevel, 0, kLoggerZoomLevels - 1);
    const double x0 = graph.loggerX[z][0][0];
    const double step = loggerRecordStep(graph, doc);
    if (!(step > 0.0) || !std::isfinite(step) || !std::isfinite(x0)) {
        return src;
    }
    // A record within a thousandth of a pixel of an edge is drawn on it; the
    // slack keeps float rounding of the stored coordinates from dropping it.
    constexpr double kSlack = 1e-3;
    const double off = graph.scrollOffset;
    const double lastRecord = src.count - 1.0;
    const double left = std::ceil((graph.plotLeft - x0) / step - kSlack) - off;
    const double right = std::floor((graph.plotRight - x0) / step + kSlack) - off;
    // Only positions 0..count-1 carry a record.
    const double first = std::clamp(std::max(left, -off), 0.0, lastRecord);
    const double last = std::clamp(std::min(right, lastRecord - off), first, lastRecord);
    const int from = static_cast<int>(first);
    src.samples = src.samples.from(from);
    src.count = static_cast<int>(last) - from + 1;
    src.startTime += static_cast<std::int64_t>(from) * src.periodMs / 1000;
    for (int k = 0; k < kLoggerAxisLines; ++k) {
        src.axis[k] = graph.loggerAxisValue[k][z];
    }
    return src;
}

}  // namespace kr5061
