#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "common/run_state.h"
#include "panels/alarm_watch.h"
#include "publish/mqtt_connection.h"
#include "publish/outbox.h"
#include "publish/payloads.h"
#include "publish/publish_pacing.h"
#include "publish/publish_settings.h"

namespace kr5061 {

class CHygDoc;
class LinkDriver;

// Puts the readings, samples and alarms of one instrument on a broker: the
// window, `record --publish` and `bridge` each feed one. Every committed
// sample goes through the outbox; readings and alarms go straight out. Runs
// on the thread that owns it; the network runs on the connection's own
// thread and reports back through queued calls.
class Publisher : public QObject {
    Q_OBJECT
public:
    explicit Publisher(QObject* parent = nullptr);
    ~Publisher() override;

    // Opens the outbox and starts connecting. False with `error` when the
    // outbox cannot be used (another process has the same id); nothing
    // starts then.
    bool start(const PublishTarget& target, QString* error);
    // Sends "offline", waits up to `timeoutMs` for the broker to acknowledge
    // what is in flight, and keeps what is not in the outbox for next time.
    // Returns in about that time whatever the network does.
    void stop(int timeoutMs = 1000);
    // Gives a connected (or connecting) broker up to `timeoutMs` to take the
    // samples that wait, without blocking the event loop; then stops and
    // calls `done`. A broker that is away is not waited for.
    void finishThen(int timeoutMs, std::function<void()> done);
    bool isRunning() const { return m_connection != nullptr; }

    // Publishes what `link` accepts: the latest reading, and the alarms that
    // rise or clear (heard beside the alarm log), until the publisher goes.
    void followLink(LinkDriver& link, LiveState& state, const CHygDoc& doc);
    // The receive step accepted frames: the reading topic gets the latest reading.
    void readingAccepted(const LiveState& state, const CHygDoc& doc);
    // The sample clock committed a sample.
    void sampleCommitted(const CHygDoc& doc, const ViewState& view);

    const PublishStatus& status() const { return m_status; }
    QString statusShort() const;
    QString statusText() const;
    const Outbox& outbox() const { return m_outbox; }

signals:
    // The state, the reason, the retry countdown or the samples waiting changed.
    void statusChanged();
    // One line for a log: a change of state, dropped samples, an outbox failure.
    void logLine(const QString& line);

private:
    void onEvent(const MqttEvent& event);
    void pump();
    void sendReading();
    void sendAlarms();
    void alarmEvent(const AlarmEvent& event);
    void setState(PublishState state, const std::string& reason, int retryInMs);
    void log(const QString& line);
    void syncOutbox();
    void reportOutboxProblem();
    std::int64_t nowMs() const;

    PublishTarget m_target;
    PublishTopics m_topics;
    std::unique_ptr<MqttConnection> m_connection;
    Outbox m_outbox;
    PublishStatus m_status;
    std::int64_t m_retryAtMs = 0;
    bool m_outboxFailing = false;

    ReadingPacer m_pacer;
    std::string m_reading;  // the latest reading not yet sent
    QTimer m_readingTimer;

    struct PendingAlarm {
        std::uint64_t tag = 0;
        std::string payload;
        bool sent = false;
    };
    std::deque<PendingAlarm> m_alarms;  // until the broker acknowledged them
    std::uint64_t m_alarmSerial = 0;
    AlarmWatch m_alarmWatch{[this](const AlarmEvent& e) { alarmEvent(e); }};
    LiveState* m_alarmState = nullptr;  // whose alarm events come here

    QTimer m_syncTimer;
    QTimer m_countdownTimer;
};

}  // namespace kr5061
