#pragma once

#include "graph/report_layout.h"
#include "logger/logger_graph.h"
#include "store/hyg_doc.h"

namespace kr5061 {

struct ViewState;

// The whole set in the recall buffer, with the logger graph's visible channels
// and its unzoomed axis.
ReportSource loggerReportSource(const CHygDoc& doc, const LoggerGraph& graph,
                                const ViewState& view);

// The set as the logger graph shows it after its last paint: in zoom mode only
// the records placed between the plot's edges (scroll offset included), on the
// drawn level's value axis; otherwise loggerReportSource.
ReportSource shownLoggerReportSource(const CHygDoc& doc, const LoggerGraph& graph,
                                     const ViewState& view);

}  // namespace kr5061
