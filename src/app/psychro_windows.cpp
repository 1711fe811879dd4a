#include "app/psychro_windows.h"

#include <QAction>
#include <QMenu>

#include "link/link_driver.h"

namespace kr5061 {

PsychroWindows::PsychroWindows(LiveState& state, const CHygDoc& doc, LinkDriver& link,
                               QMenu* realTimeMenu, QWidget* frame)
    : QObject(frame),
      m_state(state),
      m_doc(doc),
      m_frame(frame),
      m_settings(psychro::readPsychroSettings()),
      m_log(alarmLogPath()),
      m_watch(m_log) {
    settingsChanged();
    m_state.alarmEvents.push_back(&m_watch);
    m_log.setListener([this](const AlarmEvent& e) { eventAdded(e); });
    realTimeMenu->addSeparator();
    m_chartAction = realTimeMenu->addAction(tr("Psychrometric &Chart"));
    m_logAction = realTimeMenu->addAction(tr("&Alarm Log"));
    connect(m_chartAction, &QAction::triggered, this, &PsychroWindows::OnChart);
    connect(m_logAction, &QAction::triggered, this, &PsychroWindows::OnAlarmLog);
    connect(&link, &LinkDriver::framesAccepted, this, &PsychroWindows::framesAccepted);
}

PsychroWindows::~PsychroWindows() {
    // The windows show the log and settings held here: they go first.
    delete m_logWindow;
    delete m_chart;
    std::erase(m_state.alarmEvents, &m_watch);
    m_log.setListener(nullptr);
}

void PsychroWindows::framesAccepted() {
    // The slot at the sample index holds the latest reading until the sample
    // clock moves on; it is kept here so the chart never shows a slot in between.
    const int i = m_state.view.m_sampleIndex;
    if (i < 0 || i >= kSampleCapacity) {
        return;
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        m_latest.values[ch] = m_doc.m_live[ch][i];
    }
    m_latest.present = true;
    if (m_chart) {
        m_chart->showReading(m_latest);
    }
}

void PsychroWindows::eventAdded(const AlarmEvent& e) {
    if (m_logWindow) {
        m_logWindow->eventAdded();
    }
    if (m_settings.notifications && e.rise) {
        m_notifier.notify(QStringLiteral("KR5061: %1 %2")
                              .arg(QString::fromStdString(alarmChannelText(e)),
                                   QString::fromStdString(alarmKindText(e))),
                          QStringLiteral("%1 (limit %2)")
                              .arg(QString::fromStdString(alarmValueText(e.value, e)),
                                   QString::fromStdString(alarmValueText(e.limit, e))));
    }
}

void PsychroWindows::settingsChanged() {
    m_watch.setPressureKPa(m_settings.pressureInUse());
    m_watch.setThresholdK(m_settings.condensationThresholdK);
}

void PsychroWindows::OnChart() {
    if (!m_chart) {
        m_chart = new psychro::CPsychroChartWnd(m_state, m_doc, m_settings, m_frame);
        connect(m_chart, &psychro::CPsychroChartWnd::settingsChanged, this,
                &PsychroWindows::settingsChanged);
        m_chart->showReading(m_latest);
    }
    m_chart->show();
    m_chart->raise();
    m_chart->activateWindow();
}

void PsychroWindows::OnAlarmLog() {
    if (!m_logWindow) {
        m_logWindow = new CAlarmLogWnd(m_log, m_notifier, m_settings.notifications, m_frame);
        connect(m_logWindow, &CAlarmLogWnd::notificationsToggled, this, [this](bool on) {
            m_settings.notifications = on;
            psychro::writePsychroSettings(m_settings);
        });
    }
    m_logWindow->show();
    m_logWindow->raise();
    m_logWindow->activateWindow();
}

}  // namespace kr5061
