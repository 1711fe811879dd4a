#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/channels.h"
#include "graph/graph_layout.h"
#include "graph/live_graph.h"
#include "store/text_export.h"

namespace kr5061 {

class CHygDoc;
struct ViewState;

// The printed test report is laid out in page units of 0.01 inch with y
// growing upward and the origin at the bottom-right corner of the printable
// area: every x on the page is <= 0, every y >= 0.
inline constexpr int kReportUnitsPerInch = 100;

// What one report is drawn from. The real-time run and a logger data set both
// fill it, so both print the same page.
struct ReportSource {
    SampleView samples;
    int count = 0;  // samples to print, clamped to 0..kSampleCapacity
    bool fahrenheit = false;
    bool showChannel[kChannelCount] = {true, true, true, true, true};
    std::int64_t startTime = 0;   // calendar seconds of sample 0
    std::int64_t periodMs = 0;    // sample period
    float axis[kAxisLines] = {};  // value axis, bottom grid line (0) to top (10)
};

// The run on screen: committed samples, visible traces and the unzoomed axis.
ReportSource liveReportSource(const CHygDoc& doc, const ViewState& view, const LiveGraph& graph);

// The run as the graph shows it now: while zoomed, only the samples between
// the plot's edges at the current zoom level, on that level's value axis;
// otherwise liveReportSource. `g` is the view's plot geometry.
ReportSource shownReportSource(const CHygDoc& doc, const ViewState& view, const LiveGraph& graph,
                               const PlotGeometry& g);

// The data set in the recall buffer, with the logger graph's visible channels
// and its unzoomed axis.
ReportSource recallReportSource(const CHygDoc& doc, const bool (&showChannel)[kChannelCount],
                                const float (&axis)[kAxisLines]);

// Size of the printable area in page units (rounded down); only the masks
// reach its edges, and a little past them.
struct ReportPage {
    int width = 850;
    int height = 1100;
};

struct ReportColour {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const ReportColour&, const ReportColour&) = default;
};

struct ReportPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ReportPoint&, const ReportPoint&) = default;
};

enum class ReportPenStyle { Solid, Dotted };

struct ReportPen {
    ReportColour colour;
    int width = 1;  // page units
    ReportPenStyle style = ReportPenStyle::Solid;
    friend bool operator==(const ReportPen&, const ReportPen&) = default;
};

enum class ReportFont { Title, Label };

// Both report fonts: "Arial", thin, with these character heights in page units.
inline constexpr const char* kReportFontFace = "Arial";
inline constexpr int kReportFontWeight = 100;
inline constexpr int kReportTitleHeight = 40;
inline constexpr int kReportLabelHeight = 15;
constexpr int reportFontHeight(ReportFont f) {
    return f == ReportFont::Title ? kReportTitleHeight : kReportLabelHeight;
}

enum class ReportOpKind { Polyline, Fill, Text };

// One drawing step. Polyline: pen and two or more points. Fill: rectangle
// (left <= right, bottom <= top) painted in colour, no outline. Text: drawn
// upright with its top-left corner at `at`, in colour, on a transparent
// background.
struct ReportOp {
    ReportOpKind kind = ReportOpKind::Polyline;
    ReportPen pen;
    std::vector<ReportPoint> points;
    int left = 0, bottom = 0, right = 0, top = 0;
    ReportColour colour;
    ReportFont font = ReportFont::Label;
    ReportPoint at;
    std::string text;
};

// The page in drawing order; later steps paint over earlier ones.
struct ReportOps {
    std::vector<ReportOp> ops;
};

// Print pens of the traces: darker than the screen colours so they read on paper.
ReportPen reportTracePen(int channel);

// The whole page: frame, traces, masks, title, legend, value and time labels,
// grid and the print date (printTime in calendar seconds, shown in local time).
// Replaces whatever `out` held.
void layoutReportPage(const ReportSource& src, const ReportPage& page, std::int64_t printTime,
                      ReportOps& out);

}  // namespace kr5061
