#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "publish/broker_url.h"

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
//
// Stopping never waits for the network longer than it was told: a thread
// held by a name lookup that does not come back, or by anything else, is
// left to end on its own (it keeps what it uses alive and reports nothing
// any more), so a window closes and a service ends on time.
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
    // disconnects and ends the thread. Returns within about `timeoutMs`
    // plus a quarter of a second, whatever the network does; no event is reported
    // after it returned.
    void stop(std::optional<MqttMessage> last, int timeoutMs);

private:
    struct Core;
    std::shared_ptr<Core> m_core;
    std::thread m_thread;
};

}  // namespace kr5061
