#pragma once

#include <QBasicTimer>
#include <QWidget>

#include "common/run_state.h"
#include "panels/alarm_blink.h"
#include "panels/limit_rules.h"
#include "panels/readout_layout.h"

class QLineEdit;

namespace kr5061 {

class CUpDown;

// The channel readout and alarm bar below the graph: running extremes, alarm
// indicators and the editable alarm limits of the five channels.
class CReadoutBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateWidth = kReadoutBarWidth, kTemplateHeight = kReadoutBarHeight;

    // Reads the ten limits from the settings file; the fields show them from
    // the first refresh on.
    CReadoutBar(LiveState& state, QWidget* parent = nullptr);

    // Pushes the twenty texts into the fields and repaints the alarm squares,
    // which starts or stops their blinking. Called after every accepted frame.
    void refresh();

    QLineEdit* field(int id) const;
    CUpDown* spin(int id) const;
    QWidget* control(int id) const;

    const AlarmBlink& blink() const { return m_blink; }
    bool blinkTimerActive(int id) const { return m_blinkTimers[id].isActive(); }
    // One tick of an indicator's blink timer, as the timer itself delivers it.
    void blinkTimerFired(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void pushTexts();
    void limitTyped(int channel, LimitSide side);
    void limitStepped(int channel, LimitSide side, int delta);
    QLineEdit* limitField(int channel, LimitSide side) const;

    LiveState& m_state;
    AlarmBlink m_blink;
    QBasicTimer m_blinkTimers[kIndicatorCount + 1];  // by indicator id; slot 0 unused
    QLineEdit* m_maxFields[kChannelCount] = {};
    QLineEdit* m_minFields[kChannelCount] = {};
    QLineEdit* m_hiFields[kChannelCount] = {};
    QLineEdit* m_loFields[kChannelCount] = {};
};

}  // namespace kr5061
