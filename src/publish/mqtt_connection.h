#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "publish/broker_url.h"
#include "publish/publish_pacing.h"

struct mosquitto;

namespace kr5061 {

struct MqttMessage {
    std::string topic;
    std::string payload;
    int qos = 0;
    bool retain = false;
    std::uint64_t tag = 0;  // non-zero: an acknowledgement or a failure is reported with it
};

struct MqttOptions {
    BrokerUrl url;
    std::string clientId;
    std::string password;  // empty: none is sent
    std::string caFile;    // empty with TLS: the system's certificates
    std::string certFile, keyFile;
    std::string willTopic;               // "offline" is left there, retained, when the link dies
    std::vector<MqttMessage> onConnect;  // sent first on every connection
    int connectTimeoutMs = 15000;
    int keepaliveSeconds = 30;
    bool retry = true;  // false: a single attempt (a connection test)
};

struct MqttEvent {
    enum class Kind {
        kConnecting,  // an attempt starts
        kConnected,
        kFailed,   // an attempt failed or the connection was lost: `reason`, `retryInMs`
        kAcked,    // the broker acknowledged the message tagged `tag`
        kNotSent,  // the message tagged `tag` could not be sent (no connection)
    };
    Kind kind = Kind::kConnecting;
    std::string reason;
    int retryInMs = 0;
    std::uint64_t tag = 0;
};

// One client of one broker, driven by libmosquitto on a thread of its own:
// name lookup, connect, TLS handshake and every socket operation happen
// there, so the caller's thread never waits for the network. The caller
// queues messages from any thread; what happens comes back through the event
// function, called on the connection's thread. Reconnects by itself, 1 s
// doubling to 60 s, until stopped.
class MqttConnection {
public:
    using EventSink = std::function<void(const MqttEvent&)>;

    MqttConnection(MqttOptions options, EventSink sink);
    ~MqttConnection();
    MqttConnection(const MqttConnection&) = delete;
    MqttConnection& operator=(const MqttConnection&) = delete;

    void start();
    // Queues a message; sent at once while connected, else reported kNotSent.
    void publish(MqttMessage message);
    // Sends `last` (retained "offline") when connected, waits at most
    // `timeoutMs` for the broker to acknowledge what is in flight,
    // disconnects and ends the thread.
    void stop(std::optional<MqttMessage> last, int timeoutMs);

private:
    enum class Phase { kWaiting, kConnecting, kConnected };

    void run();
    void attempt(std::int64_t nowMs);
    void sendQueued(std::vector<MqttMessage>& batch);
    void sendOne(MqttMessage& message);
    void fail(const std::string& reason, std::int64_t nowMs);
    void drop();
    void finish();
    int pollOnce(std::int64_t nowMs);
    std::string lossReason(int rc, int err) const;
    void report(const MqttEvent& event) { m_sink(event); }

    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    MqttOptions m_options;
    EventSink m_sink;
    std::thread m_thread;
    int m_wakeFd = -1;

    std::mutex m_mutex;  // guards the three below
    std::deque<MqttMessage> m_queue;
    bool m_stopRequested = false;
    std::optional<MqttMessage> m_last;
    int m_stopTimeoutMs = 0;

    // Owned by the connection's thread.
    mosquitto* m_mosq = nullptr;
    Phase m_phase = Phase::kWaiting;
    std::int64_t m_deadlineMs = 0;  // next attempt (waiting) or give up (connecting)
    ReconnectSchedule m_schedule;
    std::unordered_map<int, std::uint64_t> m_inFlight;  // mid -> tag
    std::string m_refused;      // the broker's answer to the last CONNECT, when it refused
    std::string m_lastLog;      // the library's last error or warning
    std::string m_verifyError;  // why the broker's certificate was refused
    bool m_lost = false;        // the broker ended a connection
    bool m_gaveUp = false;      // a single attempt failed
};

}  // namespace kr5061
