#include "link/link_driver.h"

#include <QByteArray>
#include <chrono>
#include <ctime>

#include "link/link_ticks.h"
#include "link/ms_comm.h"
#include "link/port_survey.h"
#include "panels/alarm_events.h"

namespace kr5061 {

namespace {

std::int64_t systemClock() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::int64_t steadyClock() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr int kReceiveThreshold = static_cast<int>(kLiveFrameSize);

}  // namespace

LinkDriver::LinkDriver(LiveState& state, CHygDoc& doc, CMSComm& comm, QObject* parent)
    : QObject(parent),
      m_state(state),
      m_doc(doc),
      m_comm(comm),
      m_clock(&systemClock),
      m_monotonic(&steadyClock) {
    connect(&m_comm, &CMSComm::onComm, this, &LinkDriver::OnCommEvent);
    connect(&m_comm, &CMSComm::portLost, this, &LinkDriver::onPortLost);
    m_comm.setHeldBytes([this] { return static_cast<qint64>(m_reader.buffered()); });
    connect(&m_pollTimer, &QTimer::timeout, this, &LinkDriver::pollTick);
    connect(&m_watchdogTimer, &QTimer::timeout, this, &LinkDriver::watchdogTick);
    m_reopenTimer.setSingleShot(true);
    connect(&m_reopenTimer, &QTimer::timeout, this, &LinkDriver::reopenTick);
}

bool LinkDriver::OpenPortAndStart() {
    m_comm.setCommPort(m_state.frame.m_comPort);
    m_comm.setSettings(QStringLiteral("4800,n,8,1"));
    m_comm.setRThreshold(kReceiveThreshold);
    m_comm.setInputLen(0);
    m_comm.setInBufferCount(0);
    const CommandFrame start = startCommandFrame();
    if (!m_comm.portOpen() && !m_comm.setPortOpen(true)) {
        updatePortProblem();
        return false;
    }
    updatePortProblem();
    // Whatever was half-read on the previous connection cannot continue a frame.
    m_reader.clear();
    return m_comm.setOutput(start.data(), start.size());
}

void LinkDriver::updatePortProblem() {
    const QString text = portProblemText(m_comm, m_portAdvice);
    if (text != m_portProblem) {
        m_portProblem = text;
        emit portProblemChanged(text);
    }
}

void LinkDriver::startPollTimer() {
    m_state.frame.m_frameReceived = false;
    m_pollTimer.start(kPollPeriodMs);
}

void LinkDriver::startWatchdog() {
    m_lastWatchdogMs = m_monotonic();
    m_watchdogTimer.start(kWatchdogPeriodMs);
}

void LinkDriver::OnCommEvent() {
    const QByteArray bytes = m_comm.input();
    const ReceiveOutcome outcome = onReceive(
        m_state, m_doc, m_reader, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
        static_cast<std::size_t>(bytes.size()), m_clock());
    if (outcome.framesAccepted > 0) {
        m_sampleClock.frameArrived(m_monotonic());
        m_reopenBackoff.succeeded();
    }
    if (outcome.notifyViews) {
        emit viewsNotified();
    }
    if (outcome.framesAccepted > 0 || outcome.runEnded) {
        emit framesAccepted(outcome);
    }
}

void LinkDriver::pollTick() {
    if (kr5061::pollTick(m_state.frame)) {
        const std::uint8_t poll = kPollByte;
        m_comm.setOutput(&poll, 1);  // a lost poll is recovered by the next one
    }
}

void LinkDriver::watchdogTick() {
    // A tick far behind its time means the program did not run (stopped,
    // suspended): the instrument cannot be blamed for the frames not read.
    const std::int64_t now = m_monotonic();
    const bool onTime = now - m_lastWatchdogMs < kWatchdogPeriodMs + kWatchdogPeriodMs / 2;
    m_lastWatchdogMs = now;
    if (kr5061::watchdogTick(m_state, onTime)) {
        m_comm.setPortOpen(false);
        if (m_useBackoff) {
            reopenLater();
        } else {
            OpenPortAndStart();
        }
        linkEnded(LinkLoss::kSilent);
    }
    if (m_watchdogTimer.isActive()) {
        m_watchdogTimer.start(kWatchdogPeriodMs);
    }
}

void LinkDriver::onPortLost() {
    // Known gone now: nothing is carried or recorded after this, as when the
    // watchdog finds the link silent. The watchdog, or the backoff, reopens the port.
    endSilentLink(m_state);
    if (m_useBackoff) {
        reopenLater();
    }
    linkEnded(LinkLoss::kHangUp);
}

void LinkDriver::reopenLater() {
    m_comm.setPortOpen(false);
    m_watchdogTimer.stop();
    const int delay = m_reopenBackoff.nextDelayMs();
    m_reopenTimer.start(delay);
    emit reopenScheduled(delay);
}

void LinkDriver::reopenTick() {
    m_reopenTimer.stop();
    if (!OpenPortAndStart()) {
        reopenLater();
        return;
    }
    // Open again: the watchdog tells whether readings come; silence waits longer.
    startWatchdog();
}

void LinkDriver::linkEnded(LinkLoss loss) {
    // The alarms went off with the link; the alarm log and a publisher hear of it.
    for (AlarmEventSink* sink : m_state.alarmEvents) {
        sink->alarmsCleared(m_clock());
    }
    emit linkLost(loss);
}

bool LinkDriver::sampleTick() {
    const SampleTickResult tick = kr5061::sampleTick(m_state, m_doc, m_sampleClock, m_monotonic());
    if (tick.cut != RunCut::kNone) {
        emit runCut(QString::fromStdString(runCutText(tick, m_state.view.m_sampleIndex)));
    }
    return tick.committed > 0;
}

void LinkDriver::selectMenuPort(int k) {
    m_comm.setPortOpen(false);
    m_state.frame.m_comPort = k;
    OpenPortAndStart();
    kr5061::selectMenuPort(m_state.frame, k);
    emit viewsNotified();
}

bool LinkDriver::selectOtherPort(int value) {
    if (!kr5061::selectOtherPort(m_state.frame, value)) {
        return false;
    }
    // Reconfiguring a port that is still open would keep the old device.
    m_comm.setPortOpen(false);
    OpenPortAndStart();
    emit viewsNotified();
    return true;
}

bool LinkDriver::sendFrame(const CommandFrame& frame) {
    return m_comm.setOutput(frame.data(), frame.size());
}

}  // namespace kr5061
