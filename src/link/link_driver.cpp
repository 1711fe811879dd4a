#include "link/link_driver.h"

#include <QByteArray>
#include <ctime>

#include "link/link_ticks.h"
#include "link/ms_comm.h"
#include "link/port_survey.h"
#include "panels/alarm_events.h"

namespace kr5061 {

namespace {

std::int64_t systemClock() { return static_cast<std::int64_t>(std::time(nullptr)); }

constexpr int kReceiveThreshold = static_cast<int>(kLiveFrameSize);

}  // namespace

LinkDriver::LinkDriver(LiveState& state, CHygDoc& doc, CMSComm& comm, QObject* parent)
    : QObject(parent), m_state(state), m_doc(doc), m_comm(comm), m_clock(&systemClock) {
    connect(&m_comm, &CMSComm::onComm, this, &LinkDriver::OnCommEvent);
    m_comm.setHeldBytes([this] { return static_cast<qint64>(m_reader.buffered()); });
    connect(&m_pollTimer, &QTimer::timeout, this, &LinkDriver::pollTick);
    connect(&m_watchdogTimer, &QTimer::timeout, this, &LinkDriver::watchdogTick);
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

void LinkDriver::startWatchdog() { m_watchdogTimer.start(kWatchdogPeriodMs); }

void LinkDriver::OnCommEvent() {
    const QByteArray bytes = m_comm.input();
    const ReceiveOutcome outcome =
        onReceive(m_state, m_doc, m_reader, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                  static_cast<std::size_t>(bytes.size()), m_clock());
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
    if (kr5061::watchdogTick(m_state)) {
        if (m_state.alarmEvents != nullptr) {
            m_state.alarmEvents->alarmsCleared(m_clock());
        }
        m_comm.setPortOpen(false);
        OpenPortAndStart();
        emit linkLost();
    }
    if (m_watchdogTimer.isActive()) {
        m_watchdogTimer.start(kWatchdogPeriodMs);
    }
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
