#pragma once

#include <QObject>
#include <QPointer>

#include "common/run_state.h"
#include "panels/alarm_log.h"
#include "panels/alarm_log_wnd.h"
#include "panels/alarm_watch.h"
#include "panels/desktop_notifier.h"
#include "psychro/psychro_chart_wnd.h"
#include "psychro/psychro_settings.h"
#include "store/hyg_doc.h"

class QMenu;
class QWidget;

namespace kr5061 {

class LinkDriver;

// What the moist-air additions bring to the main window: the two items at
// the end of the RealTime menu, the Psychrometric Chart and Alarm Log windows
// they open, and, for the program's lifetime, the alarm event log with its
// watch on the alarm evaluation and the desktop notifications.
class PsychroWindows : public QObject {
    Q_OBJECT
public:
    PsychroWindows(LiveState& state, const CHygDoc& doc, LinkDriver& link, QMenu* realTimeMenu,
                   QWidget* frame);
    ~PsychroWindows() override;

    void OnChart();
    void OnAlarmLog();

    psychro::CPsychroChartWnd* chartWindow() const { return m_chart; }
    CAlarmLogWnd* alarmLogWindow() const { return m_logWindow; }
    AlarmLog& log() { return m_log; }
    DesktopNotifier& notifier() { return m_notifier; }
    QAction* chartAction() const { return m_chartAction; }
    QAction* alarmLogAction() const { return m_logAction; }

private:
    void framesAccepted();
    void eventAdded(const AlarmEvent& e);
    void settingsChanged();

    LiveState& m_state;
    const CHygDoc& m_doc;
    QWidget* m_frame;
    psychro::PsychroSettings m_settings;
    AlarmLog m_log;
    AlarmWatch m_watch;
    DesktopNotifier m_notifier;
    psychro::LiveReading m_latest;
    QPointer<psychro::CPsychroChartWnd> m_chart;
    QPointer<CAlarmLogWnd> m_logWindow;
    QAction* m_chartAction;
    QAction* m_logAction;
};

}  // namespace kr5061
