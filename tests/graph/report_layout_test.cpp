#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ctime>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "graph/graph_scale.h"
#include "graph/report_layout.h"
#include "store/text_export.h"

namespace kr5061 {
namespace {

const ReportPage kPage{850, 1100};

std::int64_t localSeconds(int year, int month, int day, int hour, int minute, int second) {
    return *calendarSecondsOf(StartFields{year, month, day, hour, minute, second});
}

// A record-major block the tests fill freely; large, so it lives on the heap.
struct Records {
    float data[kSampleCapacity][kChannelCount] = {};
};

struct Fixture {
    std::unique_ptr<Records> records = std::make_unique<Records>();
    ReportSource src;
    ReportOps ops;

    Fixture() {
        src.samples = SampleView::recordMajor(records->data);
        src.periodMs = 1000;
        for (int k = 0; k < kAxisLines; ++k)
            src.axis[k] = static_cast<float>(k * 10);  // gain 10, offset 0
    }
    void set(int i, int ch, float v) { records->data[i][ch] = v; }
    const ReportOps& layout(std::int64_t printTime = 0) {
        layoutReportPage(src, kPage, printTime, ops);
        return ops;
    }
};

std::vector<const ReportOp*> polylinesWith(const ReportOps& ops, const ReportPen& pen) {
    std::vector<const ReportOp*> out;
    for (const ReportOp& op : ops.ops)
        if (op.kind == ReportOpKind::Polyline && op.pen == pen)
            out.push_back(&op);
    return out;
}

std::vector<const ReportOp*> traces(const ReportOps& ops, int ch) {
    return polylinesWith(ops, reportTracePen(ch));
}

std::vector<const ReportOp*> ofKind(const ReportOps& ops, ReportOpKind kind) {
    std::vector<const ReportOp*> out;
    for (const ReportOp& op : ops.ops)
        if (op.kind == kind)
            out.push_back(&op);
    return out;
}

const ReportOp* textAt(const ReportOps& ops, ReportPoint at) {
    for (const ReportOp& op : ops.ops)
        if (op.kind == ReportOpKind::Text && op.at == at)
            return &op;
    return nullptr;
}

std::string textAtOrNone(const ReportOps& ops, ReportPoint at) {
    const ReportOp* op = textAt(ops, at);
    return op != nullptr ? op->text : "<none>";
}

const ReportPen kFramePen{{0, 0, 0}, 2, ReportPenStyle::Solid};
const ReportPen kGridPen{{127, 127, 127}, 1, ReportPenStyle::Dotted};

// ---- Fixed parts of the page --------------------------------------------

TEST(ReportPage, FrameIsFourBlackLinesOfABoxFromMinus750To10AndFrom200To1000) {
    Fixture f;
    f.src.count = 10;
    const ReportOps& ops = f.layout();
    ASSERT_GE(ops.ops.size(), 4u);
    const std::vector<ReportPoint> expected[] = {
        {{-750, 200}, {-10, 200}},
        {{-750, 200}, {-750, 1000}},
        {{-750, 1000}, {-10, 1000}},
        {{-10, 200}, {-10, 1000}},
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ops.ops[i].kind, ReportOpKind::Polyline);
        EXPECT_EQ(ops.ops[i].pen, kFramePen);
        EXPECT_EQ(ops.ops[i].points, expected[i]) << "frame line " << i;
    }
}

TEST(ReportPage, TracePensAreTheDarkPrintColoursTwoUnitsWide) {
    const ReportColour colours[] = {{55, 0, 0}, {55, 55, 0}, {0, 55, 55}, {50, 25, 50}, {0, 55, 0}};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        EXPECT_EQ(reportTracePen(ch), (ReportPen{colours[ch], 2, ReportPenStyle::Solid}))
            << "channel " << ch;
    }
}

TEST(ReportPage, TitleLegendAndFontsSitWhereTheyBelong) {
    Fixture f;
    f.src.count = 3;
    const ReportOps& ops = f.layout();
    const ReportOp* title = textAt(ops, {-620, 1120});
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text, " Test Report ");
    EXPECT_EQ(title->font, ReportFont::Title);
    EXPECT_EQ(reportFontHeight(ReportFont::Title), 40);
    EXPECT_EQ(reportFontHeight(ReportFont::Label), 15);
    EXPECT_STREQ(kReportFontFace, "Arial");
    EXPECT_EQ(kReportFontWeight, 100);

    const char* names[] = {"AIR", "WB", "DP", "K/IR", "RH"};
    const int xs[] = {-600, -500, -400, -300, -200};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const ReportOp* legend = textAt(ops, {xs[ch], 1025});
        ASSERT_NE(legend, nullptr) << names[ch];
        EXPECT_EQ(legend->text, names[ch]);
        EXPECT_EQ(legend->font, ReportFont::Label);
        EXPECT_EQ(legend->colour, (ReportColour{0, 0, 0}));
    }
}

TEST(ReportPage, ValueLabelsReadTheAxisBottomToTopInOneDecimal) {
    Fixture f;
    f.src.count = 2;
    f.layout();
    for (int k = 0; k < kAxisLines; ++k) {
        EXPECT_EQ(textAtOrNone(f.ops, {-800, 210 + 80 * k}), std::to_string(k * 10) + ".0");
    }

    // Gain 1, offset -2, built as the view builds it.
    auto graph = makeLiveGraph();
    buildLevel0Axis(*graph, 1, -2);
    std::copy(std::begin(graph->axisValue[0]), std::end(graph->axisValue[0]), f.src.axis);
    f.layout();
    EXPECT_EQ(textAtOrNone(f.ops, {-800, 210}), "-2.0");
    EXPECT_EQ(textAtOrNone(f.ops, {-800, 1010}), "8.0");
}

TEST(ReportPage, GridIsTenDottedRowsPastTheLeftEdgeAndThreeColumns) {
    Fixture f;
    f.src.count = 2;
    const auto grid = polylinesWith(f.layout(), kGridPen);
    ASSERT_EQ(grid.size(), 13u);
    for (int m = 1; m <= 10; ++m) {
        const int y = 200 + 80 * m;
        EXPECT_EQ(grid[m - 1]->points, (std::vector<ReportPoint>{{-10, y}, {-755, y}}));
    }
    const int xs[] = {-565, -380, -195};
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(grid[10 + c]->points, (std::vector<ReportPoint>{{xs[c], 200}, {xs[c], 1000}}));
}

TEST(ReportPage, PrintDateInLocalTimeWithTwoBlanksBeforeTheClock) {
    Fixture f;
    f.src.count = 2;
    const ReportOp* date = textAt(f.layout(localSeconds(2026, 12, 8, 14, 3, 5)), {-200, 100});
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->text, "2026-12-08  14:03");
    EXPECT_EQ(date->font, ReportFont::Label);
}

TEST(ReportPage, MasksCoverAboveAndBelowTheFrameAfterTheTracesAndBeforeTheTexts) {
    Fixture f;
    f.src.count = 50;
    const ReportOps& ops = f.layout();
    const auto fills = ofKind(ops, ReportOpKind::Fill);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ((std::vector<int>{fills[0]->left, fills[0]->bottom, fills[0]->right, fills[0]->top}),
              (std::vector<int>{-950, 1000, 100, 1200}));
    EXPECT_EQ((std::vector<int>{fills[1]->left, fills[1]->bottom, fills[1]->right, fills[1]->top}),
              (std::vector<int>{-950, -100, 100, 200}));
    for (const ReportOp* fill : fills)
        EXPECT_EQ(fill->colour, (ReportColour{255, 255, 255}));

    // Drawing order: no trace after the masks, no text before them.
    std::size_t firstFill = 0, lastTrace = 0, firstText = ops.ops.size();
    for (std::size_t i = 0; i < ops.ops.size(); ++i) {
        const ReportOp& op = ops.ops[i];
        if (op.kind == ReportOpKind::Fill && firstFill == 0)
            firstFill = i;
        if (op.kind == ReportOpKind::Polyline && op.pen.width == 2 && !(op.pen == kFramePen))
            lastTrace = i;
        if (op.kind == ReportOpKind::Text && firstText == ops.ops.size())
            firstText = i;
    }
    EXPECT_GT(lastTrace, 3u);
    EXPECT_LT(lastTrace, firstFill);
    EXPECT_LT(firstFill + 1, firstText);
}

// ---- Time labels ----------------------------------------------------------

TEST(ReportTimeLabels, StepByAQuarterOfTheSamplesTimesThePeriod) {
    Fixture f;
    f.src.count = 100;  // 25 samples per label step
    f.src.periodMs = 1000;
    f.src.startTime = localSeconds(2026, 3, 4, 10, 0, 0);
    f.layout();
    const int xs[] = {-750, -580, -410, -240, -70};
    const char* expected[] = {"10:00:00", "10:00:25", "10:00:50", "10:01:15", "10:01:40"};
    for (int j = 0; j < 5; ++j)
        EXPECT_EQ(textAtOrNone(f.ops, {xs[j], 195}), expected[j]);
}

TEST(ReportTimeLabels, QuarterOfTheCountIsAnIntegerDivision) {
    Fixture f;
    f.src.count = 9;  // 9 / 4 = 2 samples per step
    f.src.periodMs = 2000;
    f.src.startTime = localSeconds(2026, 3, 4, 23, 59, 50);
    f.layout();
    EXPECT_EQ(textAtOrNone(f.ops, {-750, 195}), "23:59:50");
    EXPECT_EQ(textAtOrNone(f.ops, {-580, 195}), "23:59:54");
    EXPECT_EQ(textAtOrNone(f.ops, {-70, 195}), "00:00:06");
}

// ---- Traces ---------------------------------------------------------------

TEST(ReportTraces, TwoSamplesSpanTheFrameFromBottomToTop) {
    Fixture f;
    f.src.count = 2;
    f.set(0, kAir, 0.0f);
    f.set(1, kAir, 100.0f);
    f.set(0, kHumidity, 50.0f);
    f.set(1, kHumidity, 25.0f);
    const ReportOps& ops = f.layout();
    ASSERT_EQ(traces(ops, kAir).size(), 1u);
    EXPECT_EQ(traces(ops, kAir)[0]->points, (std::vector<ReportPoint>{{-750, 200}, {-10, 1000}}));
    EXPECT_EQ(traces(ops, kHumidity)[0]->points,
              (std::vector<ReportPoint>{{-750, 600}, {-10, 400}}));
}

TEST(ReportTraces, EachVisibleChannelIsOnePolylineThroughAllSamplesInChannelOrder) {
    Fixture f;
    f.src.count = 101;
    for (int i = 0; i < 101; ++i)
        for (int ch = 0; ch < kChannelCount; ++ch)
            f.set(i, ch, static_cast<float>(10 + ch * 10 + (i % 7)));
    const ReportOps& ops = f.layout();
    int previousIndex = -1;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const auto t = traces(ops, ch);
        ASSERT_EQ(t.size(), 1u) << "channel " << ch;
        ASSERT_EQ(t[0]->points.size(), 101u);
        EXPECT_EQ(t[0]->points.front().x, -750);
        EXPECT_NEAR(t[0]->points.back().x, -10, 1);
        EXPECT_EQ(t[0]->points[50].x, -380);  // halfway: 50 x 7.4 - 750
        for (std::size_t i = 1; i < t[0]->points.size(); ++i)
            ASSERT_LE(t[0]->points[i - 1].x, t[0]->points[i].x);
        const int index = static_cast<int>(t[0] - ops.ops.data());
        EXPECT_GT(index, previousIndex);
        previousIndex = index;
    }
}

TEST(ReportTraces, HeightsAreTakenUnroundedAndTruncated) {
    Fixture f;
    f.src.count = 2;
    for (int k = 0; k < kAxisLines; ++k)
        f.src.axis[k] = static_cast<float>(k);  // gain 1: 80 units per degree
    f.set(0, kAir, 5.06f);                      // 604.8; one decimal would have made it 608
    f.set(0, kSurface, 5.06f);                  // the screen's cut to 5.0 would have made it 600
    f.set(0, kDewPoint, -0.01f);                // 199.2 truncates toward zero to 199
    const ReportOps& ops = f.layout();
    EXPECT_EQ(traces(ops, kAir)[0]->points[0].y, 604);
    EXPECT_EQ(traces(ops, kSurface)[0]->points[0].y, 604);
    EXPECT_EQ(traces(ops, kDewPoint)[0]->points[0].y, 199);
}

TEST(ReportTraces, FahrenheitConvertsTheTemperaturesButNeverHumidity) {
    Fixture f;
    f.src.count = 2;
    f.src.fahrenheit = true;
    for (int i = 0; i < 2; ++i) {
        for (int ch = 0; ch < kChannelCount; ++ch)
            f.set(i, ch, 20.0f);  // 68 F
    }
    const ReportOps& ops = f.layout();
    for (int ch = 0; ch < 4; ++ch)
        EXPECT_EQ(traces(ops, ch)[0]->points[0].y, 744) << "channel " << ch;  // 8 x 68 + 200
    EXPECT_EQ(traces(ops, kHumidity)[0]->points[0].y, 360);                   // 8 x 20 + 200
}

TEST(ReportTraces, HiddenChannelsHaveNeitherTraceNorLegendAndTheOthersKeepTheirPlaces) {
    Fixture f;
    f.src.count = 5;
    f.src.showChannel[kWetBulb] = false;
    f.src.showChannel[kHumidity] = false;
    const ReportOps& ops = f.layout();
    EXPECT_TRUE(traces(ops, kWetBulb).empty());
    EXPECT_TRUE(traces(ops, kHumidity).empty());
    EXPECT_EQ(textAt(ops, {-500, 1025}), nullptr);
    EXPECT_EQ(textAt(ops, {-200, 1025}), nullptr);
    EXPECT_EQ(textAtOrNone(ops, {-400, 1025}), "DP");
    EXPECT_EQ(textAtOrNone(ops, {-300, 1025}), "K/IR");
    EXPECT_EQ(traces(ops, kDewPoint).size(), 1u);
}

TEST(ReportTraces, OneSampleDrawsNoTraceButEverythingElse) {
    Fixture f;
    f.src.count = 1;
    f.src.startTime = localSeconds(2026, 3, 4, 10, 0, 0);
    const ReportOps& ops = f.layout();
    for (int ch = 0; ch < kChannelCount; ++ch)
        EXPECT_TRUE(traces(ops, ch).empty());
    EXPECT_EQ(polylinesWith(ops, kFramePen).size(), 4u);
    EXPECT_EQ(polylinesWith(ops, kGridPen).size(), 13u);
    EXPECT_EQ(ofKind(ops, ReportOpKind::Fill).size(), 2u);
    // Title, five legend names, eleven values, five times, the date.
    EXPECT_EQ(ofKind(ops, ReportOpKind::Text).size(), 23u);
    EXPECT_EQ(textAtOrNone(ops, {-70, 195}), "10:00:00");
}

TEST(ReportTraces, AnEmptySourceStillLaysOutThePage) {
    Fixture f;
    f.src.count = 0;
    const ReportOps& ops = f.layout();
    EXPECT_EQ(ops.ops.size(), 4u + 2u + 23u + 13u);
}

// ---- Readings and sources that could hurt the page -----------------------

TEST(ReportDamagedInput, AbsentSurfaceRunsOffTheChartWithinIntegerRange) {
    Fixture f;
    f.src.count = 6;  // 148 units per sample
    for (int k = 0; k < kAxisLines; ++k)
        f.src.axis[k] = static_cast<float>(k);  // the steepest axis: the mark lands at -719800
    for (int i = 0; i < 6; ++i)
        f.set(i, kSurface, 5.0f);
    f.set(2, kSurface, kAbsentReading);
    f.set(3, kSurface, kAbsentReading);
    const auto t = traces(f.layout(), kSurface);
    // Down into the lower mask, across under it, back up: the stretch far
    // below is dropped, the two slopes stay, each ending on the safe band.
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0]->points, (std::vector<ReportPoint>{{-750, 600}, {-602, 600}, {-581, -100000}}));
    ASSERT_EQ(t[1]->points.size(), 3u);
    EXPECT_EQ(t[1]->points[0], (ReportPoint{-179, -100000}));
    EXPECT_EQ(t[1]->points[1], (ReportPoint{-158, 600}));
}

TEST(ReportDamagedInput, NotANumberOrInfinityBreaksTheTraceInsteadOfDrawingGarbage) {
    Fixture f;
    f.src.count = 6;
    for (int i = 0; i < 6; ++i)
        f.set(i, kAir, 50.0f);
    f.set(2, kAir, std::numeric_limits<float>::quiet_NaN());
    f.set(4, kAir, std::numeric_limits<float>::infinity());
    const auto t = traces(f.layout(), kAir);
    ASSERT_EQ(t.size(), 1u);  // only samples 0-1 remain joined; 3 and 5 each touch a bad one
    EXPECT_EQ(t[0]->points, (std::vector<ReportPoint>{{-750, 600}, {-602, 600}}));
}

TEST(ReportDamagedInput, AFlatAxisDrawsNoTraceAndLabelsStillPrint) {
    Fixture f;
    f.src.count = 10;
    for (float& a : f.src.axis)
        a = 0.0f;
    const ReportOps& ops = f.layout();
    for (int ch = 0; ch < kChannelCount; ++ch)
        EXPECT_TRUE(traces(ops, ch).empty());
    EXPECT_EQ(textAtOrNone(ops, {-800, 1010}), "0.0");
}

TEST(ReportDamagedInput, CountBeyondTheBlockAndExtremePeriodsStayInBounds) {
    Fixture f;
    f.src.count = 50000;  // reads past the block would trip the address sanitizer
    f.src.periodMs = std::numeric_limits<std::int64_t>::max();
    f.src.startTime = std::numeric_limits<std::int64_t>::max() - 5;
    const ReportOps& ops = f.layout();
    ASSERT_EQ(traces(ops, kAir).size(), 1u);
    EXPECT_EQ(traces(ops, kAir)[0]->points.size(), static_cast<std::size_t>(kSampleCapacity));

    f.src.count = -3;
    f.src.periodMs = std::numeric_limits<std::int64_t>::min();
    f.layout();
    EXPECT_TRUE(traces(f.ops, kAir).empty());
}

// ---- Sources ---------------------------------------------------------------

TEST(ReportSources, LiveRunTakesCommittedSamplesVisibleTracesAndTheUnzoomedAxis) {
    auto doc = std::make_unique<CHygDoc>();
    auto graph = makeLiveGraph();
    ViewState view;
    view.m_sampleIndex = 3;
    view.m_fahrenheit = true;
    view.m_showTrace[kDewPoint] = false;
    view.m_startTime = 1'700'000'000;
    view.m_samplePeriodMs = 5000;
    buildLevel0Axis(*graph, 2, -5);
    graph->axisValue[1][0] = 77.0f;  // a zoom level must not leak into the report
    doc->m_live[kWetBulb][2] = 12.5f;

    const ReportSource src = liveReportSource(*doc, view, *graph);
    EXPECT_EQ(src.count, 3);
    EXPECT_TRUE(src.fahrenheit);
    EXPECT_FALSE(src.showChannel[kDewPoint]);
    EXPECT_TRUE(src.showChannel[kAir]);
    EXPECT_EQ(src.startTime, 1'700'000'000);
    EXPECT_EQ(src.periodMs, 5000);
    EXPECT_FLOAT_EQ(src.axis[0], -10.0f);
    EXPECT_FLOAT_EQ(src.axis[10], 10.0f);
    EXPECT_FLOAT_EQ(src.samples.at(2, kWetBulb), 12.5f);
}

TEST(ReportSources, ZoomedGraphGivesItsVisibleSamplesOnItsOwnAxis) {
    auto doc = std::make_unique<CHygDoc>();
    auto graph = makeLiveGraph();
    ViewState view;
    view.m_sampleIndex = 100;
    view.m_startTime = 1'700'000'000;
    view.m_samplePeriodMs = 2000;
    for (int i = 0; i < 100; ++i) {
        doc->m_live[kAir][i] = static_cast<float>(i);
    }
    const PlotGeometry g = plotGeometry({0, 0, 1600, 900});  // plot 1256 pixels wide
    EXPECT_EQ(shownReportSource(*doc, view, *graph, g).count, 100) << "live: the whole run";

    graph->liveMode = 0;
    graph->zoomLevel = 2;
    graph->levelX[kAir][2][0] = -400.0f;  // sample 20 at the left edge, 20 pixels apart
    graph->levelX[kAir][2][1] = -380.0f;
    graph->axisValue[2][0] = 15.0f;
    ReportSource src = shownReportSource(*doc, view, *graph, g);
    EXPECT_EQ(src.count, 63) << "samples 20..82";
    EXPECT_FLOAT_EQ(src.samples.at(0, kAir), 20.0f);
    EXPECT_EQ(src.startTime, 1'700'000'040);
    EXPECT_FLOAT_EQ(src.axis[0], 15.0f);

    view.m_scrollBase = -70;  // scrolled so far that the run ends inside the plot
    src = shownReportSource(*doc, view, *graph, g);
    EXPECT_EQ(src.count, 10) << "samples 90..99";
    EXPECT_FLOAT_EQ(src.samples.at(9, kAir), 99.0f);
}

TEST(ReportSources, RecalledSetPrintsItsOwnUnitAndSecondsPeriod) {
    auto doc = std::make_unique<CHygDoc>();
    doc->m_recallCount = 9;
    doc->m_recallPeriod = 2;
    doc->m_recallFahrenheit = 1;
    doc->m_recallTag = static_cast<std::int32_t>(localSeconds(2026, 5, 6, 8, 0, 0));
    for (int i = 0; i < 9; ++i) {
        doc->m_recall[i][kAir] = 10.0f;
        doc->m_recall[i][kHumidity] = 10.0f;
    }
    const bool show[kChannelCount] = {true, false, false, false, true};
    float axis[kAxisLines];
    for (int k = 0; k < kAxisLines; ++k)
        axis[k] = static_cast<float>(k * 10);

    ReportOps ops;
    layoutReportPage(recallReportSource(*doc, show, axis), kPage, 0, ops);
    const char* expected[] = {"08:00:00", "08:00:04", "08:00:08", "08:00:12", "08:00:16"};
    const int xs[] = {-750, -580, -410, -240, -70};
    for (int j = 0; j < 5; ++j)
        EXPECT_EQ(textAtOrNone(ops, {xs[j], 195}), expected[j]);
    ASSERT_EQ(traces(ops, kAir).size(), 1u);
    for (const ReportPoint& p : traces(ops, kAir)[0]->points)
        EXPECT_EQ(p.y, 600);  // 50 F
    for (const ReportPoint& p : traces(ops, kHumidity)[0]->points)
        EXPECT_EQ(p.y, 280);  // 10 %RH, unconverted
    EXPECT_TRUE(traces(ops, kWetBulb).empty());
}

}  // namespace
}  // namespace kr5061
