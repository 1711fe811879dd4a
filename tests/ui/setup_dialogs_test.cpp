#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "panels/graph_bar.h"
#include "panels/sample_dlg.h"
#include "panels/up_down.h"
#include "panels/yaxis_dlg.h"
#include "store/config.h"
#include "store/ini_file.h"
#include "support/modal.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

class SetupDialogs : public ::testing::Test {
protected:
    test::ScopedConfigDir config;
};

TEST_F(SetupDialogs, SampleDialogStartsFromTheSettingsFile) {
    writeProfileString(configFilePath(), "SamprateInfo", "Samprate", "7");
    writeProfileString(configFilePath(), "SampdataInfo", "Sampdata", "3000");
    CSampleDlg dlg;
    EXPECT_EQ(dlg.m_sampleRate, 7);
    EXPECT_EQ(dlg.m_sampleData, 3000);
    EXPECT_EQ(dlg.windowTitle(), "Sample Rate And Sample Data ");
    EXPECT_EQ(dlg.size(), QSize(290, 112));
    EXPECT_TRUE(dlg.dataEdit()->isReadOnly());
}

TEST_F(SetupDialogs, SampleCountSpinMovesInThousandsWithinItsRange) {
    CSampleDlg dlg;
    dlg.m_sampleData = 1500;
    dlg.show();
    dlg.dataSpin()->upButton()->click();
    EXPECT_EQ(dlg.dataEdit()->text(), "2500");
    dlg.dataSpin()->downButton()->click();
    EXPECT_EQ(dlg.dataEdit()->text(), "1500");
    dlg.dataSpin()->downButton()->click();
    dlg.dataSpin()->downButton()->click();
    EXPECT_EQ(dlg.dataEdit()->text(), "1000");
    dlg.m_sampleData = 10000;
    dlg.hide();
    dlg.show();
    dlg.dataSpin()->upButton()->click();
    EXPECT_EQ(dlg.dataEdit()->text(), "10000");
}

TEST_F(SetupDialogs, PeriodSpinWritesItsPositionWithinOneToThreeThousandSixHundred) {
    CSampleDlg dlg;
    dlg.show();
    dlg.rateEdit()->setText(QStringLiteral("3600"));
    dlg.rateSpin()->upButton()->click();
    EXPECT_EQ(dlg.rateEdit()->text(), "3600");
    dlg.rateEdit()->setText(QStringLiteral("1"));
    dlg.rateSpin()->downButton()->click();
    EXPECT_EQ(dlg.rateEdit()->text(), "1");
    dlg.rateSpin()->upButton()->click();
    EXPECT_EQ(dlg.rateEdit()->text(), "2");
}

TEST_F(SetupDialogs, ArrowKeysInTheFieldsStepLikeTheSpins) {
    CSampleDlg dlg;
    dlg.m_sampleRate = 5;
    dlg.m_sampleData = 2000;
    dlg.show();
    QTest::keyClick(dlg.rateEdit(), Qt::Key_Up);
    EXPECT_EQ(dlg.rateEdit()->text(), "6");
    QTest::keyClick(dlg.dataEdit(), Qt::Key_Down);
    EXPECT_EQ(dlg.dataEdit()->text(), "1000");
    EXPECT_EQ(dlg.rateEdit()->text(), "6");
}

TEST_F(SetupDialogs, AxisDialogOpensWithNothingChosen) {
    CYAxisDlg dlg;
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Y OFFSET And Y GAINS Setup");
    EXPECT_EQ(dlg.offsetList()->currentIndex(), -1);
    EXPECT_EQ(dlg.gainList()->currentIndex(), -1);
    ASSERT_EQ(dlg.gainList()->count(), 9);
    EXPECT_EQ(dlg.gainList()->itemText(8), "500");
    ASSERT_EQ(dlg.offsetList()->count(), 5);
    EXPECT_EQ(dlg.offsetList()->itemText(3), "-2");
    dlg.accept();
    EXPECT_EQ(dlg.m_gainIndex, -1);
    EXPECT_EQ(dlg.m_offsetIndex, -1);
}

TEST_F(SetupDialogs, YAxisButtonChangesOnlyWhatWasChosen) {
    LiveState state;
    state.view.m_offset = 5;
    CGraphBar bar(state);
    test::onNextModal<CYAxisDlg>([](CYAxisDlg* dlg) {
        dlg->gainList()->setCurrentIndex(4);  // 20
        dlg->accept();
    });
    bar.button(1048)->click();
    EXPECT_EQ(state.view.m_gain, 20);
    EXPECT_EQ(state.view.m_offset, 5);

    test::onNextModal<CYAxisDlg>([](CYAxisDlg* dlg) {
        dlg->gainList()->setCurrentIndex(5);    // 50
        dlg->offsetList()->setCurrentIndex(3);  // -2: the axis runs -100..400
        dlg->accept();
    });
    bar.button(1048)->click();
    EXPECT_EQ(state.view.m_gain, 50);
    EXPECT_EQ(state.view.m_offset, -2);

    test::onNextModal<CYAxisDlg>([](CYAxisDlg* dlg) { dlg->reject(); });
    bar.button(1048)->click();
    EXPECT_EQ(state.view.m_gain, 50);
}

TEST_F(SetupDialogs, TraceButtonsLeaveOnlyTheChosenTrace) {
    LiveState state;
    CGraphBar bar(state);
    bar.button(1045)->click();  // WB
    EXPECT_EQ(std::vector<bool>(std::begin(state.view.m_showTrace), std::end(state.view.m_showTrace)),
              (std::vector<bool>{false, true, false, false, false}));
    bar.button(1047)->click();  // Combine
    for (bool shown : state.view.m_showTrace) {
        EXPECT_TRUE(shown);
    }
    bar.button(1049)->click();  // IR/K
    EXPECT_TRUE(state.view.m_showTrace[kSurface]);
    EXPECT_FALSE(state.view.m_showTrace[kAir]);
}

TEST_F(SetupDialogs, GraphBarShowsTheRunTexts) {
    LiveState state;
    state.graphBar.m_startTimeText = "08/12/26 10:00:00";
    state.graphBar.m_dataNoText = "12";
    state.graphBar.m_rateText = "2";
    state.graphBar.m_limitText = "3000";
    state.graphBar.m_batteryText = "Low";
    CGraphBar bar(state);
    bar.refresh();
    EXPECT_EQ(bar.field(1014)->text(), "08/12/26 10:00:00");
    EXPECT_EQ(bar.field(1015)->text(), "12");
    EXPECT_EQ(bar.field(1078)->text(), "2");
    EXPECT_EQ(bar.field(1081)->text(), "3000");
    EXPECT_EQ(bar.field(1026)->text(), "Low");
    EXPECT_EQ(bar.field(1027)->geometry(), QRect(510, 18, 196, 36));
}

}  // namespace
}  // namespace kr5061
