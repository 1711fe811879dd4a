#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <fstream>

#include "panels/meter_display.h"
#include "panels/num_edit.h"
#include "panels/readout_bar.h"
#include "panels/up_down.h"
#include "support/test_dirs.h"

// Readable QString values in failure messages.
static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace kr5061 {
namespace {

// Field and spin ids of the AIR, WB and RH rows.
constexpr int kAirHiField = 1107, kAirHiSpin = 1118, kAirLoField = 1108;
constexpr int kWbHiField = 1081, kDpLoField = 1084, kRhHiField = 1091, kAirMaxField = 1101;

// Records the keys that reach it, to see what the bar lets through.
class KeySink : public QWidget {
public:
    int keys = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

class ReadoutBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar = std::make_unique<CReadoutBar>(state, &parent);
        bar->refresh();
        parent.show();
    }

    // Replaces a limit field's text the way a user does: select all, then type.
    void typeInto(int id, const QString& keys) {
        QLineEdit* edit = bar->field(id);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, keys);
    }

    QColor squarePixel(int indicator) {
        const QImage image = bar->grab().toImage();
        const PixelRect r = indicatorRect(indicator);
        return image.pixelColor(r.left + 7, r.top + 7);
    }

    test::ScopedConfigDir configDir;
    LiveState state;
    KeySink parent;
    std::unique_ptr<CReadoutBar> bar;
};

TEST_F(ReadoutBarTest, NumericFieldsRefuseLettersAndKeepTheirEditingKeys) {
    CNumEdit edit;
    QTest::keyClicks(&edit, "-1.5");
    EXPECT_EQ(edit.text(), "-1.5");
    QTest::keyClicks(&edit, "a, E+");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "-1.5");
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "1.");
    edit.clear();
    QTest::keyClicks(&edit, "1--");
    EXPECT_EQ(edit.text(), "1--") << "signs go anywhere";
    edit.setText("abc");
    EXPECT_EQ(edit.text(), "abc") << "program text is not filtered";

    // In the bar, a letter leaves the AIR high limit as it was.
    typeInto(kAirHiField, "a");
    EXPECT_EQ(bar->field(kAirHiField)->text(), "140.0");
    EXPECT_EQ(state.readout.m_hiText[kAir], "140.0");
    EXPECT_EQ(qobject_cast<CNumEdit*>(bar->field(kRhHiField)), nullptr);
    EXPECT_NE(qobject_cast<CNumEdit*>(bar->field(kDpLoField)), nullptr);
}

TEST_F(ReadoutBarTest, TypedValueIsClampedRewrittenAtOnceAndStored) {
    typeInto(kWbHiField, "600");
    EXPECT_EQ(bar->field(kWbHiField)->text(), "500.0");
    EXPECT_EQ(state.readout.m_hiText[kWetBulb], "500.0");
    EXPECT_FLOAT_EQ(state.readout.m_hiLimit[kWetBulb], 500.0f);

    // Digits typed one after another build the number the user meant.
    typeInto(kAirHiField, "35");
    EXPECT_EQ(bar->field(kAirHiField)->text(), "35.0");
    EXPECT_FLOAT_EQ(state.readout.m_hiLimit[kAir], 35.0f);

    typeInto(kDpLoField, "-");
    EXPECT_EQ(bar->field(kDpLoField)->text(), "0.0");

    // The low limit cannot pass the high one.
    typeInto(kAirLoField, "50");
    EXPECT_EQ(state.readout.m_loText[kAir], "35.0");
}

TEST_F(ReadoutBarTest, RhHighFieldTakesALetterAndReadsItAsZero) {
    typeInto(kRhHiField, "a");
    EXPECT_EQ(bar->field(kRhHiField)->text(), "0.0");
    EXPECT_FLOAT_EQ(state.readout.m_hiLimit[kHumidity], 0.0f);

    state.readout.m_loLimit[kHumidity] = 20.0f;
    typeInto(kRhHiField, "b");
    EXPECT_EQ(bar->field(kRhHiField)->text(), "20.0") << "tied to the RH low limit";
    EXPECT_EQ(state.readout.m_hiText[kHumidity], "20.0");
}

TEST_F(ReadoutBarTest, SpinAndArrowKeysStepTheLimitWithinItsBounds) {
    QTest::mouseClick(bar->spin(kAirHiSpin)->upButton(), Qt::LeftButton);
    EXPECT_EQ(bar->field(kAirHiField)->text(), "140.0");
    QTest::mouseClick(bar->spin(kAirHiSpin)->downButton(), Qt::LeftButton);
    EXPECT_EQ(bar->field(kAirHiField)->text(), "139.0");
    EXPECT_FLOAT_EQ(state.readout.m_hiLimit[kAir], 139.0f);

    bar->field(kAirLoField)->setFocus();
    QTest::keyClick(bar->field(kAirLoField), Qt::Key_Down);
    EXPECT_EQ(state.readout.m_loText[kAir], "-1.0");
    EXPECT_EQ(bar->field(kAirLoField)->text(), "-1.0");
}

TEST_F(ReadoutBarTest, RefreshShowsStoredTextsWithoutTypingThem) {
    state.readout.m_hiText[kAir] = "35.5abc";
    state.readout.m_hiLimit[kAir] = 35.5f;
    state.readout.m_maxText[kAir] = "23.5C";
    bar->refresh();
    EXPECT_EQ(bar->field(kAirHiField)->text(), "35.5abc") << "a refresh is not an edit";
    EXPECT_EQ(state.readout.m_hiText[kAir], "35.5abc");
    EXPECT_EQ(bar->field(kAirMaxField)->text(), "23.5C");
    EXPECT_TRUE(bar->field(kAirMaxField)->isReadOnly());
}

TEST(ReadoutBarSettings, LimitsComeFromTheSettingsFileUnclampedAndUntied) {
    test::ScopedConfigDir dir;
    std::ofstream(dir.path() / "KR5061config.ini")
        << "[Alarmhi1Info]\nHi1 limit=-50.5x\n[Alarmlow4Info]\nLow4 limit=junk\n"
           "[Alarmhi2Info]\nHi2 limit=nan\n";
    LiveState state;
    CReadoutBar bar(state);
    EXPECT_FLOAT_EQ(state.readout.m_hiLimit[kAir], -50.5f);
    EXPECT_EQ(state.readout.m_hiText[kAir], "-50.5x");
    EXPECT_FLOAT_EQ(state.readout.m_loLimit[kSurface], 0.0f);
    EXPECT_FLOAT_EQ(state.readout.m_hiLimit[kWetBulb], 0.0f) << "nan is no number";
    EXPECT_EQ(state.readout.m_hiText[kDewPoint], "140.0");
    EXPECT_FLOAT_EQ(state.readout.m_hiLimit[kSurface], 2501.0f);
    EXPECT_EQ(bar.field(kAirHiField)->text(), "") << "fields fill at the first refresh";
    bar.refresh();
    EXPECT_EQ(bar.field(kAirHiField)->text(), "-50.5x");
}

TEST_F(ReadoutBarTest, AlarmSquareBlinksRedFirstAndTurnsGreyWhenCleared) {
    EXPECT_EQ(squarePixel(1), QColor(181, 181, 181));
    EXPECT_FALSE(bar->blinkTimerActive(1));

    state.frame.m_hiAlarm[kAir] = true;
    bar->refresh();
    EXPECT_EQ(squarePixel(1), QColor(181, 181, 181)) << "left to the timer until it fires";
    EXPECT_TRUE(bar->blinkTimerActive(1));
    EXPECT_FALSE(bar->blinkTimerActive(2));

    bar->blinkTimerFired(1);
    EXPECT_EQ(squarePixel(1), QColor(255, 0, 0));
    bar->blinkTimerFired(1);
    EXPECT_EQ(squarePixel(1), QColor(240, 240, 240));
    bar->blinkTimerFired(1);
    EXPECT_EQ(squarePixel(1), QColor(255, 0, 0));
    EXPECT_EQ(squarePixel(2), QColor(181, 181, 181)) << "the low square stays idle";

    state.frame.m_hiAlarm[kAir] = false;
    bar->refresh();
    EXPECT_EQ(squarePixel(1), QColor(181, 181, 181));
    EXPECT_FALSE(bar->blinkTimerActive(1));
}

TEST_F(ReadoutBarTest, ControlsSitAtTheirPixelPositionsWithTheirTexts) {
    EXPECT_EQ(bar->size(), QSize(862, 146));
    EXPECT_EQ(bar->field(kAirHiField)->geometry(), QRect(566, 0, 48, 26));
    EXPECT_EQ(bar->spin(kAirHiSpin)->geometry(), QRect(614, 0, 18, 26));
    EXPECT_EQ(bar->field(1090)->geometry(), QRect(216, 112, 92, 26));  // RH minimum
    auto* label = qobject_cast<QLabel*>(bar->control(1052));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "K/IR:   ");
    EXPECT_EQ(label->geometry().topLeft(), QPoint(2, 88));
    EXPECT_EQ(label->font().pixelSize(), 14);
    // The labels' characters average 8 pixels across, wider than the face's own.
    const QFontMetricsF fm(label->font());
    EXPECT_NEAR(
        weightedAverageWidth([&fm](char c) { return fm.horizontalAdvance(QLatin1Char(c)); }), 8.0,
        8.0 * 0.06);
    auto* caption = qobject_cast<QLabel*>(bar->control(1061));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text(), "Alarm Low");
    // Arial (Liberation Sans) has Regular and Bold faces only: weights 100
    // (labels, limit fields) and 500 (captions) both show as Regular.
    EXPECT_EQ(caption->font().weight(), QFont::Normal);
    EXPECT_EQ(label->font().weight(), QFont::Normal);
    EXPECT_EQ(QFontInfo(label->font()).styleName(), "Regular");
    EXPECT_EQ(bar->field(kWbHiField)->font().pixelSize(), 12);
    EXPECT_EQ(bar->field(kWbHiField)->font().weight(), QFont::Normal);
}

TEST_F(ReadoutBarTest, EscapeAndEnterStopAtTheBar) {
    for (int id : {kRhHiField, kAirHiField}) {
        bar->field(id)->setFocus();
        QTest::keyClick(bar->field(id), Qt::Key_Return);
        QTest::keyClick(bar->field(id), Qt::Key_Escape);
        QTest::keyClick(bar->field(id), Qt::Key_Enter);
    }
    EXPECT_EQ(parent.keys, 0);
}

}  // namespace
}  // namespace kr5061
