#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>

#include "common/retry_backoff.h"
#include "common/run_state.h"
#include "link/frame_reader.h"
#include "link/frames.h"
#include "link/link_ticks.h"
#include "link/port_diagnosis.h"
#include "link/receive_step.h"
#include "store/hyg_doc.h"

namespace kr5061 {

class CMSComm;

// How the link was found gone.
enum class LinkLoss {
    kSilent,  // the watchdog heard no frame for a whole period
    kHangUp,  // the port reported a hang-up or an I/O error and closed
};

// The live link as the main frame and the view run it: the open-and-start
// sequence, the receive handler, the once-a-second poll, the link watchdog and
// the port commands, over the shared state and the document. Qt only
// schedules; every decision is a core function.
class LinkDriver : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollPeriodMs = 1000;
    static constexpr int kWatchdogPeriodMs = 3000;

    LinkDriver(LiveState& state, CHygDoc& doc, CMSComm& comm, QObject* parent = nullptr);

    // Configures the port for the current port number, opens it and sends the
    // start command. Returns false when the port could not be opened or the
    // start command not sent; the watchdog retries.
    bool OpenPortAndStart();

    void startPollTimer();
    void startWatchdog();

    // How the port is reopened once the link is lost. By default the
    // watchdog reopens it on each of its ticks, as the window does. A
    // service that runs unattended (`bridge`) waits instead: 1 s, then
    // twice as long after each reopen that brought no reading, up to 60 s;
    // a reading makes the next wait 1 s again. The watchdog rests meanwhile.
    void setReopenBackoff(bool on) { m_useBackoff = on; }
    // With the backoff: closes the port and reopens it after the next wait.
    void reopenLater();

    // The timer jobs, public so they can also be driven directly.
    void pollTick();
    void watchdogTick();
    void reopenTick();
    // The sample clock's tick, whoever runs its timer: true when samples were
    // committed (the view repaints). A tick that had to end the run says why
    // through runCut().
    bool sampleTick();

    // COMk (1..4) and "Other COM" with the entered value.
    void selectMenuPort(int k);
    bool selectOtherPort(int value);

    // Sends a command frame (remote key); false when the port could not take it.
    bool sendFrame(const CommandFrame& frame);

    // Calendar seconds used for run starts; tests may replace the clock.
    void setClock(std::int64_t (*clock)()) { m_clock = clock; }
    // Milliseconds of a monotonic clock for the sample clock and the
    // watchdog's own lateness; tests may replace it.
    void setMonotonicClock(std::int64_t (*clock)()) { m_monotonic = clock; }

    const FrameReader& reader() const { return m_reader; }
    // Why the port cannot be used, with what to do; empty while it opens.
    const QString& portProblem() const { return m_portProblem; }
    CMSComm& comm() { return m_comm; }
    // Whether the diagnosis points to the window's menu or to --port.
    void setPortAdvice(PortAdvice advice) { m_portAdvice = advice; }

signals:
    // After each receive event that accepted at least one frame: the meter
    // panel's display area and the graph bar are refreshed.
    void framesAccepted(const kr5061::ReceiveOutcome& outcome);
    // The link is gone (the watchdog found the instrument silent, or the port
    // hung up): repaint meter panel and readout bar.
    void linkLost(kr5061::LinkLoss how);
    // The sample clock ended the run rather than stamp readings with times
    // they were not taken at; `text` says why ("the program was stopped for
    // 5 s; the run ended at sample 61").
    void runCut(const QString& text);
    // The port number or run state changed in a way all views show.
    void viewsNotified();
    // The port's diagnosis changed (empty: the port opened). Retries that
    // fail the same way stay quiet.
    void portProblemChanged(const QString& text);
    // With the reopen backoff: the port is reopened in `delayMs`.
    void reopenScheduled(int delayMs);

private:
    void OnCommEvent();
    void onPortLost();
    void linkEnded(LinkLoss loss);
    void updatePortProblem();

    LiveState& m_state;
    CHygDoc& m_doc;
    CMSComm& m_comm;
    FrameReader m_reader;
    QTimer m_pollTimer;
    QTimer m_watchdogTimer;
    QTimer m_reopenTimer;
    RetryBackoff m_reopenBackoff;
    bool m_useBackoff = false;
    std::int64_t (*m_clock)();
    std::int64_t (*m_monotonic)();
    SampleClock m_sampleClock;
    std::int64_t m_lastWatchdogMs = 0;
    QString m_portProblem;
    PortAdvice m_portAdvice = PortAdvice::kCommandLine;
};

}  // namespace kr5061
