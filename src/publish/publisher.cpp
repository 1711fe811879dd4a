#include "publish/publisher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <chrono>

#include "link/link_driver.h"
#include "store/hyg_doc.h"

namespace kr5061 {

namespace {

constexpr std::uint64_t kAlarmTagBit = std::uint64_t{1} << 63;
constexpr std::size_t kMaxPendingAlarms = 100;
constexpr int kSyncPeriodMs = 500;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

Publisher::Publisher(QObject* parent) : QObject(parent) {
    m_readingTimer.setSingleShot(true);
    connect(&m_readingTimer, &QTimer::timeout, this, &Publisher::sendReading);
    connect(&m_syncTimer, &QTimer::timeout, this, &Publisher::syncOutbox);
    connect(&m_countdownTimer, &QTimer::timeout, this, [this] {
        if (m_status.state == PublishState::kRetrying) {
            const std::int64_t left = m_retryAtMs - nowMs();
            m_status.retryInSeconds =
                static_cast<int>(std::max<std::int64_t>(0, left + 999) / 1000);
            emit statusChanged();
        }
    });
}

Publisher::~Publisher() {
    if (m_alarmState != nullptr) {
        std::erase(m_alarmState->alarmEvents, &m_alarmWatch);
    }
    stop(0);
}

void Publisher::followLink(LinkDriver& link, LiveState& state, const CHygDoc& doc) {
    if (m_alarmState != nullptr) {
        std::erase(m_alarmState->alarmEvents, &m_alarmWatch);
    }
    m_alarmState = &state;
    state.alarmEvents.push_back(&m_alarmWatch);
    connect(&link, &LinkDriver::framesAccepted, this,
            [this, &state, &doc] { readingAccepted(state, doc); });
}

std::int64_t Publisher::nowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool Publisher::start(const PublishTarget& target, QString* error) {
    stop(0);
    std::string why;
    if (!m_outbox.open(target.outboxDir, target.outboxCapacity, &why)) {
        if (error != nullptr) {
            *error =
                tr("Cannot publish to %1: %2.").arg(qs(brokerAddressText(target.url)), qs(why));
        }
        return false;
    }
    m_target = target;
    m_topics = publishTopics(target.url.prefix, target.id);
    MqttOptions options;
    options.url = target.url;
    options.clientId = "kr5061-" + target.id;
    options.password = target.password;
    options.caFile = target.caFile;
    options.certFile = target.certFile;
    options.keyFile = target.keyFile;
    options.willTopic = m_topics.status;
    options.onConnect.push_back({m_topics.status, std::string(kOnline), 1, true, 0});
    for (int c = 0; c < kChannelCount; ++c) {
        // Turned off, the configs are cleared so an earlier announcement goes away.
        options.onConnect.push_back(
            {discoveryTopic(target.id, c),
             target.discovery ? discoveryPayload(target.url.prefix, target.id, c) : std::string(),
             1, true, 0});
    }
    m_status = PublishStatus{};
    m_status.broker = brokerAddressText(target.url);
    m_status.waiting = m_outbox.waiting();
    QPointer<Publisher> self(this);
    m_connection = std::make_unique<MqttConnection>(std::move(options), [self](const MqttEvent& e) {
        QMetaObject::invokeMethod(
            self,
            [self, e] {
                if (self)
                    self->onEvent(e);
            },
            Qt::QueuedConnection);
    });
    m_syncTimer.start(kSyncPeriodMs);
    m_countdownTimer.start(1000);
    setState(PublishState::kConnecting, {}, 0);
    if (m_status.waiting > 0) {
        log(tr("%1 samples from an earlier run wait in the outbox.").arg(m_status.waiting));
    }
    m_connection->start();
    return true;
}

void Publisher::stop(int timeoutMs) {
    if (!m_connection) {
        return;
    }
    m_readingTimer.stop();
    m_syncTimer.stop();
    m_countdownTimer.stop();
    m_connection->stop(MqttMessage{m_topics.status, std::string(kOffline), 1, true, 0}, timeoutMs);
    // The acknowledgements that came in while stopping move the outbox on.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    m_connection.reset();
    m_outbox.close();
    setState(PublishState::kOff, {}, 0);
    m_alarms.clear();
}

void Publisher::finishThen(int timeoutMs, std::function<void()> done) {
    const std::int64_t deadline = nowMs() + timeoutMs;
    auto* check = new QTimer(this);
    const auto tryEnd = [this, check, deadline, done = std::move(done)] {
        const bool reachable = m_status.state == PublishState::kConnected ||
                               m_status.state == PublishState::kConnecting;
        const std::int64_t left = deadline - nowMs();
        if (m_connection && reachable && m_outbox.waiting() > 0 && left > 0) {
            return;
        }
        check->stop();
        check->deleteLater();
        stop(static_cast<int>(std::max<std::int64_t>(0, left)));
        done();
    };
    connect(check, &QTimer::timeout, this, tryEnd);
    check->start(20);
    tryEnd();
}

void Publisher::setState(PublishState state, const std::string& reason, int retryInMs) {
    const bool changed = state != m_status.state || reason != m_status.reason;
    m_status.state = state;
    m_status.reason = reason;
    m_retryAtMs = nowMs() + retryInMs;
    m_status.retryInSeconds = (retryInMs + 999) / 1000;
    if (changed && state != PublishState::kConnecting) {
        log(qs(publishStatusText(m_status)));
    }
    emit statusChanged();
}

void Publisher::log(const QString& line) {
    emit logLine(line);
}

void Publisher::onEvent(const MqttEvent& e) {
    if (!m_connection) {
        return;
    }
    switch (e.kind) {
        case MqttEvent::Kind::kConnecting:
            if (m_status.state != PublishState::kRetrying) {
                setState(PublishState::kConnecting, {}, 0);
            }
            break;
        case MqttEvent::Kind::kConnected:
            m_outbox.rewind();
            for (PendingAlarm& a : m_alarms) {
                a.sent = false;
            }
            setState(PublishState::kConnected, {}, 0);
            sendAlarms();
            if (!m_reading.empty() && !m_readingTimer.isActive()) {
                sendReading();
            }
            pump();
            break;
        case MqttEvent::Kind::kFailed:
            m_outbox.rewind();
            setState(PublishState::kRetrying, e.reason, e.retryInMs);
            break;
        case MqttEvent::Kind::kAcked:
            if ((e.tag & kAlarmTagBit) != 0) {
                std::erase_if(m_alarms, [&](const PendingAlarm& a) { return a.tag == e.tag; });
            } else {
                m_outbox.acknowledged(positionOfTag(e.tag));
                pump();
            }
            break;
        case MqttEvent::Kind::kNotSent:
            break;  // the next connection sends it again
    }
}

// Samples go out in order, at most the outbox's window of them unacknowledged,
// so a long backlog leaves room for the readings between them.
void Publisher::pump() {
    if (m_status.state == PublishState::kConnected) {
        SampleFacts sample;
        OutboxPosition position;
        while (m_outbox.take(sample, position)) {
            m_connection->publish(
                {m_topics.sample, samplePayload(sample), 1, false, positionTag(position)});
        }
    }
    const std::uint64_t waiting = m_outbox.waiting();
    if (waiting != m_status.waiting) {
        m_status.waiting = waiting;
        emit statusChanged();
    }
}

void Publisher::sampleCommitted(const CHygDoc& doc, const ViewState& view) {
    if (!m_connection) {
        return;
    }
    if (!m_outbox.follow(doc, view)) {
        reportOutboxProblem();
    }
    if (const std::uint64_t dropped = m_outbox.droppedSinceLastAsked(); dropped > 0) {
        m_status.dropped = m_outbox.dropped();
        log(tr("The outbox is full: the oldest %1 samples were dropped (%2 in all).")
                .arg(dropped)
                .arg(m_status.dropped));
    }
    pump();
}

void Publisher::readingAccepted(const LiveState& state, const CHygDoc& doc) {
    if (!m_connection) {
        return;
    }
    const std::int64_t now = QDateTime::currentSecsSinceEpoch();
    m_reading = readingPayload(readingFactsOf(state, doc, now));
    const std::int64_t wait = m_pacer.delayMs(nowMs());
    if (wait == 0) {
        sendReading();
    } else if (!m_readingTimer.isActive()) {
        m_readingTimer.start(static_cast<int>(wait));
    }
}

void Publisher::sendReading() {
    if (m_reading.empty() || m_status.state != PublishState::kConnected) {
        return;  // the newest reading goes when the connection is made
    }
    m_connection->publish({m_topics.reading, std::move(m_reading), 0, true, 0});
    m_reading.clear();
    m_pacer.sent(nowMs());
}

void Publisher::alarmEvent(const AlarmEvent& event) {
    if (!m_connection || !publishesAlarm(event)) {
        return;
    }
    if (m_alarms.size() == kMaxPendingAlarms) {
        m_alarms.pop_front();  // the oldest event goes first while the broker is away
    }
    m_alarms.push_back({kAlarmTagBit | ++m_alarmSerial, alarmPayload(event), false});
    sendAlarms();
}

void Publisher::sendAlarms() {
    if (m_status.state != PublishState::kConnected) {
        return;
    }
    for (PendingAlarm& a : m_alarms) {
        if (!a.sent) {
            a.sent = true;
            m_connection->publish({m_topics.alarm, a.payload, 1, false, a.tag});
        }
    }
}

void Publisher::syncOutbox() {
    if (!m_outbox.syncIfDue(nowMs())) {
        reportOutboxProblem();
    } else {
        m_outboxFailing = false;  // a failure after this one is news again
    }
}

void Publisher::reportOutboxProblem() {
    if (!m_outboxFailing) {
        m_outboxFailing = true;
        log(tr("The outbox cannot be written: %1").arg(qs(m_outbox.error())));
    }
}

QString Publisher::statusShort() const {
    return qs(publishStatusShort(m_status));
}

QString Publisher::statusText() const {
    return qs(publishStatusText(m_status));
}

}  // namespace kr5061
