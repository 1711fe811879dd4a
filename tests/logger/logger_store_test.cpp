#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <memory>

#include "logger/logger_graph.h"
#include "logger/logger_store.h"
#include "store/measurement_file.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

class LoggerStoreTest : public ::testing::Test {
protected:
    // A saved run of `count` samples whose AIR readings start at `first`.
    std::filesystem::path saveRun(const char* name, int count, float first, std::int64_t start,
                                  int periodSeconds = 2) {
        auto live = std::make_unique<CHygDoc>();
        for (int i = 0; i < count; ++i) {
            live->m_live[kAir][i] = first + static_cast<float>(i);
            live->m_live[kHumidity][i] = 50.0f;
        }
        ViewState v;
        v.m_sampleIndex = count;
        v.m_startTime = start;
        v.m_samplePeriodMs = periodSeconds * 1000;
        v.m_unitText = "C";
        v.m_gain = 20;
        v.m_offset = -2;
        const auto path = dir.file(name);
        EXPECT_TRUE(saveMeasurement(path, snapshotOfRun(*live, v)).ok);
        return path;
    }
    AdoptResult download(const std::filesystem::path& path) {
        EXPECT_TRUE(downloadSet(path, *doc, view).ok());
        EXPECT_TRUE(view.m_recallLoadedB);
        view.m_recallLoadedB = false;
        return AdoptLoadedSet(*store, *doc, view);
    }

    test::TempDir dir;
    std::unique_ptr<LoggerStore> store = makeLoggerStore();
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    ViewState view;
};

TEST_F(LoggerStoreTest, SameFileTwiceGivesTwoNumberedSets) {
    const auto path = saveRun("a.AsmDat", 9, 20.0f, 1765000000);
    EXPECT_EQ(download(path).index, 0);
    EXPECT_EQ(download(path).index, 1);
    const LoggerRow row = loggerRow(*store, 1);
    EXPECT_EQ(row.set, "2");
    EXPECT_EQ(row.rate, "2sec");
    EXPECT_EQ(row.nums, "9");
    EXPECT_EQ(store->setRecords[1][3][kAir], 23.0f);
    EXPECT_EQ(store->setGain[1], 20);
    EXPECT_EQ(store->setOffset[1], -2);
    EXPECT_EQ(doc->m_signatureIn, "00") << "a signature passes once per load";
}

TEST_F(LoggerStoreTest, HundredAndFirstLoadWrapsToASingleRow) {
    const auto path = saveRun("a.AsmDat", 3, 1.0f, 1765000000);
    for (int i = 0; i < 100; ++i) {
        EXPECT_FALSE(download(path).listCleared);
    }
    EXPECT_EQ(loggerRow(*store, 99).set, "100");
    const AdoptResult wrapped = download(path);
    EXPECT_TRUE(wrapped.listCleared);
    EXPECT_EQ(wrapped.index, 0);
    EXPECT_EQ(store->lastSet, 0);
    EXPECT_FALSE(SelectSet(*store, 5, *doc, view)) << "older rows can no longer be chosen";
}

TEST_F(LoggerStoreTest, ZeroRecordSetIsListedWithZero) {
    download(saveRun("empty.AsmDat", 0, 0.0f, 1765000000));
    EXPECT_EQ(loggerRow(*store, 0).nums, "0");
}

TEST_F(LoggerStoreTest, SelectingAnOlderSetBringsBackItsOwnStartAndAxis) {
    download(saveRun("old.AsmDat", 5, 10.0f, 1765000000, 3));
    download(saveRun("new.AsmDat", 7, 30.0f, 1765900000, 1));
    EXPECT_EQ(doc->m_recallTag, store->setStart[1]);
    view.m_loggerGain = 500;
    EXPECT_TRUE(SelectSet(*store, 0, *doc, view));
    EXPECT_EQ(doc->m_recallCount, 5);
    EXPECT_EQ(doc->m_recall[4][kAir], 14.0f);
    EXPECT_EQ(doc->m_recallPeriod, 3);
    EXPECT_EQ(doc->m_recallTag, store->setStart[0]);
    EXPECT_EQ(view.m_loggerGain, 20);
    EXPECT_NE(loggerRow(*store, 0).time, loggerRow(*store, 1).time);
}

TEST_F(LoggerStoreTest, NoSelectionMarkDoesNothing) {
    download(saveRun("a.AsmDat", 5, 10.0f, 1765000000));
    doc->m_recallCount = 123;
    EXPECT_FALSE(SelectSet(*store, -1, *doc, view));
    EXPECT_EQ(doc->m_recallCount, 123);
}

TEST_F(LoggerStoreTest, BadFilesChangeNothing) {
    download(saveRun("good.AsmDat", 4, 10.0f, 1765000000));
    const auto bad = dir.file("bad.AsmDat");
    std::ofstream(bad, std::ios::binary) << "\x06KR5061\xff\xff\xff\x7f";
    const float before = doc->m_recall[2][kAir];
    const LoadResult r = downloadSet(bad, *doc, view);
    EXPECT_EQ(r.status, LoadStatus::kInvalidFormat);
    EXPECT_FALSE(view.m_recallLoadedB);
    EXPECT_EQ(doc->m_recallCount, 4);
    EXPECT_EQ(doc->m_recall[2][kAir], before);
    EXPECT_EQ(store->lastSet, 0);
    EXPECT_FALSE(downloadSet({}, *doc, view).ok()) << "a cancelled dialog loads nothing";
    EXPECT_FALSE(downloadSet(dir.file("missing.AsmDat"), *doc, view).ok());
    EXPECT_EQ(doc->m_recallCount, 4);
}

TEST_F(LoggerStoreTest, DamagedDateFieldsAdoptWithoutAStartTime) {
    doc->m_recallCount = 1;
    doc->m_recallYear = INT32_MIN;  // any number can stand in a file's date fields
    doc->m_recallMonth = INT32_MIN;
    EXPECT_EQ(AdoptLoadedSet(*store, *doc, view).index, 0);
    EXPECT_EQ(store->setStart[0], 0);
}

TEST(LoggerGraphState, AxisOfExtremeGainAndOffsetDoesNotOverflow) {
    float axis[kLoggerAxisLines];
    loggerLevel0Axis(INT_MAX, INT_MAX, axis);
    EXPECT_FLOAT_EQ(axis[10], static_cast<float>((INT_MAX + 10.0) * INT_MAX));
    loggerLevel0Axis(500, -5, axis);
    EXPECT_EQ(axis[0], -2500.0f);
    EXPECT_EQ(axis[10], 2500.0f);
}

TEST(LoggerGraphState, FullViewResetAndChannelChoice) {
    auto graph = makeLoggerGraph();
    graph->fullView = false;
    graph->zoomLevel = 7;
    graph->scrollOffset = 40;
    graph->cursorAbsent = false;
    ResetToFullView(*graph, false);
    EXPECT_TRUE(graph->fullView);
    EXPECT_EQ(graph->zoomLevel, 0);
    EXPECT_TRUE(graph->cursorAbsent);
    EXPECT_EQ(graph->scrollOffset, 40);
    ResetToFullView(*graph, true);
    EXPECT_EQ(graph->scrollOffset, 0);
    showLoggerChannel(*graph, kHumidity);
    EXPECT_FALSE(graph->showChannel[kAir]);
    EXPECT_TRUE(graph->showChannel[kHumidity]);
    showLoggerChannel(*graph, -1);
    for (bool shown : graph->showChannel) {
        EXPECT_TRUE(shown);
    }
}

}  // namespace
}  // namespace kr5061
