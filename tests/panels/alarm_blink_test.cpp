#include <gtest/gtest.h>

#include "panels/alarm_blink.h"

namespace kr5061 {
namespace {

TEST(AlarmBlinkSquares, SitRightOfTheAlarmCaptionsThirtyPixelsApart) {
    EXPECT_EQ(indicatorRect(1), rectAt(378, 3, 15, 15));
    EXPECT_EQ(indicatorRect(2), rectAt(485, 3, 15, 15));
    EXPECT_EQ(indicatorRect(9), rectAt(378, 123, 15, 15));
    EXPECT_EQ(indicatorRect(6), rectAt(485, 63, 15, 15));
    EXPECT_EQ(indicatorId(kDewPoint, false), 6);
}

TEST(AlarmBlink, PaintStartsTheTimerAndTicksAlternateBeginningWithRed) {
    AlarmBlink blink;
    MainFrameState frame;
    paintAlarms(blink, frame);
    for (int id = 1; id <= kIndicatorCount; ++id) {
        EXPECT_FALSE(blink.timerOn(id));
        EXPECT_EQ(blink.shown(id), SquareFill::Idle);
        EXPECT_FALSE(blinkTick(blink, id)) << "a stopped timer changes nothing";
    }

    frame.m_loAlarm[kDewPoint] = true;  // id 6
    paintAlarms(blink, frame);
    EXPECT_TRUE(blink.timerOn(6));
    EXPECT_EQ(blink.shown(6), SquareFill::Idle) << "the square is left to the timer";
    EXPECT_FALSE(blink.timerOn(5));

    const SquareFill expected[] = {SquareFill::Red, SquareFill::Background, SquareFill::Red,
                                   SquareFill::Background};
    for (SquareFill fill : expected) {
        ASSERT_TRUE(blinkTick(blink, 6));
        EXPECT_EQ(blink.shown(6), fill);
        paintAlarms(blink, frame);  // repaints in between keep the phase
        EXPECT_EQ(blink.shown(6), fill);
    }
    EXPECT_EQ(blink.shown(5), SquareFill::Idle) << "the DP high square is untouched";
}

TEST(AlarmBlink, ClearedAlarmTurnsGreyAndStopsAtTheNextPaint) {
    AlarmBlink blink;
    MainFrameState frame;
    frame.m_hiAlarm[kAir] = true;
    paintAlarms(blink, frame);
    blinkTick(blink, 1);
    EXPECT_EQ(blink.shown(1), SquareFill::Red);

    frame.m_hiAlarm[kAir] = false;
    // A tick already due before the repaint still blinks.
    EXPECT_TRUE(blinkTick(blink, 1));
    EXPECT_EQ(blink.shown(1), SquareFill::Background);
    paintAlarms(blink, frame);
    EXPECT_FALSE(blink.timerOn(1));
    EXPECT_EQ(blink.shown(1), SquareFill::Idle);
    EXPECT_FALSE(blinkTick(blink, 1));

    // The phase carries over to the next alarm of the same square.
    frame.m_hiAlarm[kAir] = true;
    paintAlarms(blink, frame);
    blinkTick(blink, 1);
    EXPECT_EQ(blink.shown(1), SquareFill::Red);
}

}  // namespace
}  // namespace kr5061
