#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "logger/logger_report.h"
#include "logger/logger_scene.h"
#include "logger/logger_zoom.h"

namespace kr5061 {
namespace {

constexpr std::int64_t kTag = 1765000000;

class LoggerShownReport : public ::testing::Test {
protected:
    void SetUp() override {
        view.m_loggerGain = 10;
        view.m_loggerOffset = 0;
        doc->m_recallCount = 100;
        doc->m_recallPeriod = 2;
        doc->m_recallTag = kTag;
        for (int i = 0; i < 100; ++i) {
            doc->m_recall[i][kAir] = static_cast<float>(i);
        }
    }

    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    std::unique_ptr<LoggerGraph> graph = makeLoggerGraph();
    ViewState view;
};

TEST_F(LoggerShownReport, ZoomAndScrollChooseTheRecordsBetweenThePlotEdges) {
    struct Case {
        const char* what;
        bool fullView;
        int level;
        float x0, step;  // where the level puts position 0, and the spacing
        int scrollOffset;
        int first, count;
        float axis0;
    };
    const float fit = (885.0f - 306.0f) / 99.0f;  // all 100 records across the plot
    const Case cases[] = {
        {"full view: the whole set on level 0", true, 3, 106, 10, 0, 0, 100, 0},
        {"zoomed: positions 20..77", false, 2, 106, 10, 0, 20, 58, 15},
        {"zoom mode on level 0, edges exactly on records", false, 0, 306, fit, 0, 0, 100, 0},
        {"scrolled right: records 50..99 end inside", false, 2, 106, 10, -30, 50, 50, 15},
        {"scrolled left: records before 0 are not drawn", false, 2, 106, 10, 25, 0, 53, 15},
        {"scrolled past the end: the last record", false, 2, 106, 10, -200, 99, 1, 15},
    };
    for (const Case& c : cases) {
        ResetToFullView(*graph, true);
        graph->plotLeft = 306;
        graph->plotRight = 885;
        graph->fullView = c.fullView;
        graph->zoomLevel = c.level;
        graph->scrollOffset = c.scrollOffset;
        graph->loggerX[c.level][0][0] = c.x0;
        graph->loggerX[c.level][1][0] = c.x0 + c.step;
        for (int k = 0; k < kLoggerAxisLines; ++k) {
            graph->loggerAxisValue[k][0] = static_cast<float>(10 * k);
            graph->loggerAxisValue[k][2] = 15.0f + static_cast<float>(k);
        }
        const ReportSource src = shownLoggerReportSource(*doc, *graph, view);
        EXPECT_EQ(src.count, c.count) << c.what;
        EXPECT_FLOAT_EQ(src.samples.at(0, kAir), static_cast<float>(c.first)) << c.what;
        EXPECT_EQ(src.startTime, kTag + 2 * c.first) << c.what;
        EXPECT_EQ(src.periodMs, 2000) << c.what;
        EXPECT_FLOAT_EQ(src.axis[0], c.axis0) << c.what;
    }
}

// Through a real paint, drag and scroll: the report holds exactly the records
// the paint placed inside the plot.
TEST_F(LoggerShownReport, MatchesTheRecordsAPaintPlacesInsideThePlot) {
    std::vector<Pixel> pixels(946 * 598);
    const PixelBuffer buf{pixels.data(), 946, 598, 946};
    LoggerScene scene;
    buildLoggerScene(*graph, *doc, view, false, buf, scene);
    loggerButtonDown(*graph, {450, 150});
    loggerMouseMove(*graph, *doc, false, {700, 400}, buf, scene);
    ASSERT_TRUE(loggerButtonUp(*graph, *doc, false, {700, 400}, buf));
    buildLoggerScene(*graph, *doc, view, false, buf, scene);
    ASSERT_EQ(graph->zoomLevel, 1);
    for (int thumb : {0, 40, 90}) {
        if (thumb > 0) {
            loggerScroll(*graph, true, thumb);
            buildLoggerScene(*graph, *doc, view, false, buf, scene);
        }
        int first = -1, count = 0;
        for (int j = 0; j < 100; ++j) {
            const int record = j - graph->scrollOffset;
            const float x = graph->loggerX[1][j][0];
            if (record >= 0 && record < 100 && graph->plotLeft <= x && x <= graph->plotRight) {
                first = first < 0 ? record : first;
                ++count;
            }
        }
        ASSERT_GT(count, 1) << thumb;
        const ReportSource src = shownLoggerReportSource(*doc, *graph, view);
        EXPECT_EQ(src.count, count) << thumb;
        EXPECT_FLOAT_EQ(src.samples.at(0, kAir), static_cast<float>(first)) << thumb;
        EXPECT_FLOAT_EQ(src.axis[10], graph->loggerAxisValue[10][1]) << thumb;
        EXPECT_LT(src.axis[10], 100.0f) << "the zoomed axis, not level 0's";
    }
}

}  // namespace
}  // namespace kr5061
