#include <gtest/gtest.h>

#include "app/run_control.h"

namespace kr5061 {
namespace {

TEST(RunControl, DialogStartsFromTheCurrentRunWhenUsable) {
    LiveState s;
    SampleDialogValues v = sampleDialogValues(s, 7, 3000);
    EXPECT_EQ(v.seconds, 7) << "before the first Run the view's start-up values do not count";
    EXPECT_EQ(v.count, 3000);
    s.frame.m_graphUsed = 1;
    s.view.m_samplePeriodMs = 5000;
    s.view.m_sampleLimit = 4000;
    v = sampleDialogValues(s, 2, 2000);
    EXPECT_EQ(v.seconds, 5);
    EXPECT_EQ(v.count, 4000);
    s.view.m_samplePeriodMs = 500;  // below one second: the configured period
    s.view.m_sampleLimit = 20000;   // outside 1000..10000: the configured count
    v = sampleDialogValues(s, 2, 2000);
    EXPECT_EQ(v.seconds, 2);
    EXPECT_EQ(v.count, 2000);
}

TEST(RunControl, AcceptedRunArmsTheStartAndKeepsItsTexts) {
    LiveState s;
    s.view.m_runEnabled = true;
    applyRun(s, 0, 4000);  // a typed 0 is raised to one second
    EXPECT_EQ(s.view.m_samplePeriodMs, 1000);
    EXPECT_EQ(s.view.m_sampleLimit, 4000);
    EXPECT_EQ(s.graphBar.m_rateText, "1");
    EXPECT_EQ(s.graphBar.m_limitText, "4000");
    EXPECT_FALSE(s.view.m_runEnabled);
    EXPECT_TRUE(s.view.m_stopEnabled);
    EXPECT_TRUE(s.frame.m_startPending);
    EXPECT_TRUE(s.frame.m_recording);
    EXPECT_TRUE(s.frame.m_idle) << "the first frame after Run starts the run";
    EXPECT_EQ(s.frame.m_graphUsed, 1);
    EXPECT_TRUE(s.view.m_runStarted);
}

TEST(RunControl, RunWhileOfflineLeavesStartAndStopAsTheyWere) {
    LiveState s;
    applyRun(s, 2, 1000);
    EXPECT_FALSE(s.view.m_stopEnabled);
    EXPECT_EQ(s.view.m_samplePeriodMs, 2000);
}

TEST(RunControl, HugePeriodStillFitsMilliseconds) {
    LiveState s;
    applyRun(s, 2147483647, 1000);
    EXPECT_GT(s.view.m_samplePeriodMs, 0);
}

TEST(RunControl, StopEndsRecordingButKeepsThePendingStart) {
    LiveState s;
    applyRun(s, 1, 1000);
    s.view.m_plotting = true;
    stopRun(s);
    EXPECT_TRUE(s.frame.m_idle);
    EXPECT_FALSE(s.frame.m_recording);
    EXPECT_FALSE(s.view.m_plotting);
    EXPECT_FALSE(s.view.m_stopEnabled);
    EXPECT_TRUE(s.frame.m_startPending);
}

TEST(RunControl, CommandEnablingTable) {
    ViewState view;
    CommandEnabling e = commandEnabling(view, true);
    EXPECT_FALSE(e.start || e.stop || e.save || e.print || e.undoZoom);
    EXPECT_TRUE(e.open);
    view.m_runEnabled = true;
    view.m_sampleIndex = 1;
    view.m_loggerOpen = true;
    e = commandEnabling(view, false);
    EXPECT_TRUE(e.start && e.save && e.print && e.undoZoom);
    EXPECT_FALSE(e.open);
}

TEST(RunControl, ClosingAsksOnlyAfterMoreThanOneSample) {
    ViewState view;
    view.m_sampleIndex = 1;
    EXPECT_FALSE(closeAsksToSave(view));
    view.m_sampleIndex = 2;
    EXPECT_TRUE(closeAsksToSave(view));
}

TEST(RunControl, ClosingSnapshotTakesEverySetting) {
    LiveState s;
    s.frame.m_comPort = 7;
    s.readout.m_hiText[3] = "600.0";
    s.readout.m_loText[4] = "10.0";
    s.graphBar.m_rateText = "5";
    s.view.m_gain = 50;
    s.view.m_offset = -2;
    const ConfigSnapshot c = closingSnapshot(s);
    EXPECT_EQ(c.comPort, 7);
    EXPECT_EQ(c.hiText[3], "600.0");
    EXPECT_EQ(c.loText[4], "10.0");
    EXPECT_EQ(c.rateText, "5");
    EXPECT_TRUE(c.limitText.empty());
    EXPECT_EQ(c.gain, 50);
    EXPECT_EQ(c.offset, -2);
}

}  // namespace
}  // namespace kr5061
