#include "graph/report_layout.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "common/run_state.h"
#include "store/hyg_doc.h"
#include "store/number_text.h"

namespace kr5061 {
namespace {

// Chart frame and grid.
constexpr int kFrameLeft = -750;
constexpr int kFrameRight = -10;
constexpr int kFrameBottom = 200;
constexpr int kFrameTop = 1000;
constexpr float kFrameWidth = 740.0f;
constexpr float kFrameHeight = 800.0f;
constexpr int kGridRowHeight = 80;
constexpr int kGridLeft = -755;  // rows reach a little past the frame's left edge
constexpr int kGridColumns[] = {-565, -380, -195};

// Texts.
constexpr ReportPoint kTitleAt = {-620, 1120};
constexpr int kLegendY = 1025;
constexpr int kLegendX[kChannelCount] = {-600, -500, -400, -300, -200};
constexpr const char* kLegendText[kChannelCount] = {"AIR", "WB", "DP", "K/IR", "RH"};
constexpr int kValueLabelX = -800;
constexpr int kValueLabelY0 = 210;
constexpr int kTimeLabelY = 195;
constexpr int kTimeLabelX[] = {-750, -580, -410, -240, -70};
constexpr ReportPoint kPrintDateAt = {-200, 100};

constexpr ReportColour kBlack = {0, 0, 0};
constexpr ReportColour kWhite = {255, 255, 255};
constexpr ReportPen kFramePen = {kBlack, 2, ReportPenStyle::Solid};
constexpr ReportPen kGridPen = {{127, 127, 127}, 1, ReportPenStyle::Dotted};
constexpr ReportColour kTraceColour[kChannelCount] = {
    {55, 0, 0}, {55, 55, 0}, {0, 55, 55}, {50, 25, 50}, {0, 55, 0}};

// Trace heights are kept within this band before they become integers: a
// reading far off the axis (the absent K/IR mark, a damaged file) still runs
// off the chart, where the masks hide it, but never overflows an integer or
// the raster limits of a printer driver.
constexpr double kTraceBand = 100000.0;

// The masks reach this far past the page's edges: the page size in units is
// rounded down, and a mask ending exactly where the printable area is clipped
// would share its edge pixels with the clipped traces and leave a seam.
constexpr int kMaskBleed = 100;

// A sample period beyond this (about three centuries) can only come from a
// damaged file; bounding it keeps the label arithmetic inside 64 bits.
constexpr std::int64_t kMaxPeriodMs = 10'000'000'000'000;

void addLine(ReportOps& out, const ReportPen& pen, ReportPoint a, ReportPoint b) {
    ReportOp op;
    op.kind = ReportOpKind::Polyline;
    op.pen = pen;
    op.points = {a, b};
    out.ops.push_back(std::move(op));
}

void addFill(ReportOps& out, int left, int bottom, int right, int top, ReportColour colour) {
    if (left >= right || bottom >= top)
        return;
    ReportOp op;
    op.kind = ReportOpKind::Fill;
    op.left = left;
    op.bottom = bottom;
    op.right = right;
    op.top = top;
    op.colour = colour;
    out.ops.push_back(std::move(op));
}

void addText(ReportOps& out, ReportFont font, ReportPoint at, std::string text) {
    if (text.empty())
        return;
    ReportOp op;
    op.kind = ReportOpKind::Text;
    op.font = font;
    op.at = at;
    op.colour = kBlack;
    op.text = std::move(text);
    out.ops.push_back(std::move(op));
}

struct Segment {
    ReportPoint a, b;
};

// The segment between two samples in page units, its heights cut to the safe
// band. False when nothing of it lies in the band or a height is no number.
bool traceSegment(int x0, float y0, int x1, float y1, Segment& s) {
    if (!std::isfinite(y0) || !std::isfinite(y1))
        return false;
    const double ya = y0, yb = y1;
    if ((ya > kTraceBand && yb > kTraceBand) || (ya < -kTraceBand && yb < -kTraceBand))
        return false;
    auto endpoint = [&](int x, double y, int xo, double yo) {
        if (std::abs(y) <= kTraceBand)
            return ReportPoint{x, static_cast<int>(std::trunc(y))};
        const double bound = y > 0 ? kTraceBand : -kTraceBand;
        const double t = (bound - yo) / (y - yo);
        const double xc = xo + t * (x - xo);
        return ReportPoint{static_cast<int>(std::lround(xc)), static_cast<int>(bound)};
    };
    s.a = endpoint(x0, ya, x1, yb);
    s.b = endpoint(x1, yb, x0, ya);
    return true;
}

// One channel's trace across the frame. Consecutive segments join into one
// polyline; a sample that cannot be drawn breaks it.
void addTrace(const ReportSource& src, int n, int ch, ReportOps& out) {
    const float a0 = src.axis[0];
    const float span = src.axis[kAxisLines - 1] - a0;
    const float scale = kFrameHeight / span;
    if (span == 0.0f || !std::isfinite(scale))
        return;
    const float step = kFrameWidth / static_cast<float>(n - 1);
    auto height = [&](int i) {
        float v = src.samples.at(i, ch);
        if (src.fahrenheit && ch != kHumidity)
            v = toFahrenheit(v);
        return scale * (v - a0) + static_cast<float>(kFrameBottom);
    };
    auto xAt = [&](int i) {
        return static_cast<int>(
            std::trunc(static_cast<float>(i) * step + static_cast<float>(kFrameLeft)));
    };
    std::size_t current = 0;  // index of the polyline being extended, 0 for none
    int xPrev = xAt(0);
    float yPrev = height(0);
    for (int i = 1; i < n; ++i) {
        const int x = xAt(i);
        const float y = height(i);
        Segment s;
        if (!traceSegment(xPrev, yPrev, x, y, s)) {
            current = 0;
        } else if (current != 0 && out.ops[current - 1].points.back() == s.a) {
            out.ops[current - 1].points.push_back(s.b);
        } else {
            addLine(out, reportTracePen(ch), s.a, s.b);
            current = out.ops.size();
        }
        xPrev = x;
        yPrev = y;
    }
}

void addTimeLabels(const ReportSource& src, int n, ReportOps& out) {
    const std::int64_t periodMs = std::clamp(src.periodMs, -kMaxPeriodMs, kMaxPeriodMs);
    const std::int64_t quarter = n / 4;
    for (int j = 0; j < 5; ++j) {
        const std::int64_t offset = quarter * periodMs * j / 1000;
        std::int64_t t = 0;
        if (__builtin_add_overflow(src.startTime, offset, &t))
            continue;
        addText(out, ReportFont::Label, {kTimeLabelX[j], kTimeLabelY},
                localTimeText(t, kClockPattern));
    }
}

}  // namespace

ReportPen reportTracePen(int channel) {
    return {kTraceColour[channel], 2, ReportPenStyle::Solid};
}

void layoutReportPage(const ReportSource& src, const ReportPage& page, std::int64_t printTime,
                      ReportOps& out) {
    out.ops.clear();
    const int n = std::clamp(src.count, 0, kSampleCapacity);

    addLine(out, kFramePen, {kFrameLeft, kFrameBottom}, {kFrameRight, kFrameBottom});
    addLine(out, kFramePen, {kFrameLeft, kFrameBottom}, {kFrameLeft, kFrameTop});
    addLine(out, kFramePen, {kFrameLeft, kFrameTop}, {kFrameRight, kFrameTop});
    addLine(out, kFramePen, {kFrameRight, kFrameBottom}, {kFrameRight, kFrameTop});

    // A single sample has no segment, and the x step would divide by zero.
    if (n >= 2) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            if (src.showChannel[ch])
                addTrace(src, n, ch, out);
        }
    }

    // Whatever of the traces lies above or below the value range is painted over.
    addFill(out, -page.width - kMaskBleed, kFrameTop, kMaskBleed, page.height + kMaskBleed, kWhite);
    addFill(out, -page.width - kMaskBleed, -kMaskBleed, kMaskBleed, kFrameBottom, kWhite);

    addText(out, ReportFont::Title, kTitleAt, " Test Report ");
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (src.showChannel[ch])
            addText(out, ReportFont::Label, {kLegendX[ch], kLegendY}, kLegendText[ch]);
    }
    for (int k = 0; k < kAxisLines; ++k) {
        addText(out, ReportFont::Label, {kValueLabelX, kValueLabelY0 + kGridRowHeight * k},
                formatFixed(src.axis[k], 1));
    }
    addTimeLabels(src, n, out);

    for (int m = 1; m <= 10; ++m) {
        const int y = kFrameBottom + kGridRowHeight * m;
        addLine(out, kGridPen, {kFrameRight, y}, {kGridLeft, y});
    }
    for (int x : kGridColumns)
        addLine(out, kGridPen, {x, kFrameBottom}, {x, kFrameTop});

    addText(out, ReportFont::Label, kPrintDateAt, localTimeText(printTime, "%Y-%m-%d  %H:%M"));
}

ReportSource liveReportSource(const CHygDoc& doc, const ViewState& view, const LiveGraph& graph) {
    ReportSource src;
    src.samples = SampleView::channelMajor(doc.m_live);
    src.count = std::clamp(view.m_sampleIndex, 0, kSampleCapacity);
    src.fahrenheit = view.m_fahrenheit;
    std::copy(std::begin(view.m_showTrace), std::end(view.m_showTrace), src.showChannel);
    src.startTime = view.m_startTime;
    src.periodMs = view.m_samplePeriodMs;
    std::copy(std::begin(graph.axisValue[0]), std::end(graph.axisValue[0]), src.axis);
    return src;
}

ReportSource shownReportSource(const CHygDoc& doc, const ViewState& view, const LiveGraph& graph,
                               const PlotGeometry& g) {
    ReportSource src = liveReportSource(doc, view, graph);
    if (graph.liveMode != 0 || src.count < 2 || g.width <= 0) {
        return src;
    }
    // A zoom level spaces its samples evenly: sample i lies at
    // x0 + t0 + dT * (i + scroll base).
    const int z = std::clamp(static_cast<int>(graph.zoomLevel), 0, kDeepestZoomLevel);
    const double t0 = graph.levelX[kAir][z][0];
    const double dT = graph.levelX[kAir][z][1] - t0;
    if (!(dT > 0.0) || !std::isfinite(dT) || !std::isfinite(t0)) {
        return src;
    }
    const double base = view.m_scrollBase;
    const double first = std::clamp(std::ceil(-t0 / dT - base), 0.0, src.count - 1.0);
    const double last = std::clamp(std::floor((g.width - t0) / dT - base), first, src.count - 1.0);
    const int from = static_cast<int>(first);
    src.samples = src.samples.from(from);
    src.count = static_cast<int>(last) - from + 1;
    src.startTime += static_cast<std::int64_t>(from) * src.periodMs / 1000;
    std::copy(std::begin(graph.axisValue[z]), std::end(graph.axisValue[z]), src.axis);
    return src;
}

ReportSource recallReportSource(const CHygDoc& doc, const bool (&showChannel)[kChannelCount],
                                const float (&axis)[kAxisLines]) {
    ReportSource src;
    src.samples = SampleView::recordMajor(doc.m_recall);
    src.count = std::clamp(doc.m_recallCount, 0, kSampleCapacity);
    src.fahrenheit = doc.m_recallFahrenheit == 1;
    std::copy(std::begin(showChannel), std::end(showChannel), src.showChannel);
    src.startTime = doc.m_recallTag;
    src.periodMs = static_cast<std::int64_t>(doc.m_recallPeriod) * 1000;
    std::copy(std::begin(axis), std::end(axis), src.axis);
    return src;
}

}  // namespace kr5061
