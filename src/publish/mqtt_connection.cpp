#include "publish/mqtt_connection.h"

#include <mosquitto.h>
#include <netdb.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <unordered_map>

#include "common/retry_backoff.h"
#include "publish/mqtt_reasons.h"

namespace kr5061 {

namespace {

std::int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::once_flag g_libraryReady;

constexpr int kMaxInFlight = 100;
constexpr int kIdlePollMs = 1000;  // keep-alive and time-outs are checked at least this often
constexpr int kStopGraceMs = 250;  // beyond the caller's time-out, before the thread is left

const char* orNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

}  // namespace

struct MqttConnection::Core {
    enum class Phase { kWaiting, kConnecting, kConnected };

    Core(MqttOptions options, EventSink sink)
        : m_options(std::move(options)), m_sink(std::move(sink)) {
        m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    }
    ~Core() {
        if (m_wakeFd >= 0) {
            ::close(m_wakeFd);
        }
    }

    void run();
    void wake() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
    bool stopRequested() {
        std::lock_guard lock(m_mutex);
        return m_stopRequested;
    }
    std::string lookUp() const;
    void attempt(std::int64_t nowMs);
    void setUpClient();
    bool setUpTls(std::int64_t nowMs);
    void sendQueued(std::vector<MqttMessage>& batch);
    void sendOne(MqttMessage& message);
    void fail(const std::string& reason, std::int64_t nowMs);
    void drop();
    void finish();
    int pollOnce(std::int64_t nowMs, int maxWaitMs = kIdlePollMs);
    void judge(int rc, int err, bool hungUp, int sockErr);
    std::string lossReason(int rc, int err) const;
    // Nothing is reported once the owner stopped waiting for this thread.
    void report(const MqttEvent& event) {
        std::lock_guard lock(m_sinkMutex);
        if (!m_silenced) {
            m_sink(event);
        }
    }

    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    const MqttOptions m_options;
    const EventSink m_sink;
    int m_wakeFd = -1;

    std::mutex m_sinkMutex;
    bool m_silenced = false;

    std::mutex m_mutex;  // guards what follows up to the thread's own part
    std::condition_variable m_endedChanged;
    std::deque<MqttMessage> m_queue;
    bool m_stopRequested = false;
    std::optional<MqttMessage> m_last;
    int m_stopTimeoutMs = 0;
    bool m_ended = false;

    // Owned by the connection's thread.
    mosquitto* m_mosq = nullptr;
    Phase m_phase = Phase::kWaiting;
    std::int64_t m_deadlineMs = 0;  // next attempt (waiting) or give up (connecting)
    RetryBackoff m_schedule;
    std::unordered_map<int, std::uint64_t> m_inFlight;  // mid -> tag
    std::string m_refused;      // the broker's answer to the last CONNECT, when it refused
    std::string m_lastLog;      // the library's last error or warning
    std::string m_verifyError;  // why the broker's certificate was refused
    bool m_lost = false;        // the broker ended a connection
    bool m_gaveUp = false;      // a single attempt failed
};

MqttConnection::MqttConnection(MqttOptions options, EventSink sink)
    : m_core(std::make_shared<Core>(std::move(options), std::move(sink))) {
    std::call_once(g_libraryReady, [] { mosquitto_lib_init(); });
}

MqttConnection::~MqttConnection() {
    stop(std::nullopt, 0);
}

void MqttConnection::start() {
    if (!m_thread.joinable()) {
        // The thread holds the core too: left behind by stop(), it ends on its own.
        m_thread = std::thread([core = m_core] { core->run(); });
    }
}

void MqttConnection::publish(MqttMessage message) {
    {
        std::lock_guard lock(m_core->m_mutex);
        if (m_core->m_stopRequested) {
            return;
        }
        m_core->m_queue.push_back(std::move(message));
    }
    m_core->wake();
}

void MqttConnection::stop(std::optional<MqttMessage> last, int timeoutMs) {
    if (!m_thread.joinable()) {
        return;
    }
    Core& c = *m_core;
    {
        std::lock_guard lock(c.m_mutex);
        c.m_stopRequested = true;
        c.m_last = std::move(last);
        c.m_stopTimeoutMs = timeoutMs;
    }
    c.wake();
    bool ended = false;
    {
        std::unique_lock lock(c.m_mutex);
        ended = c.m_endedChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs + kStopGraceMs),
                                          [&c] { return c.m_ended; });
    }
    if (ended) {
        m_thread.join();
        return;
    }
    // Held by the network (a name lookup that does not come back): left to
    // end by itself, silenced, with the core it shares.
    {
        std::lock_guard lock(c.m_sinkMutex);
        c.m_silenced = true;
    }
    m_thread.detach();
}

void MqttConnection::Core::run() {
    m_deadlineMs = steadyMs();
    std::vector<MqttMessage> batch;
    while (true) {
        bool stopping = false;
        {
            std::lock_guard lock(m_mutex);
            batch.assign(std::make_move_iterator(m_queue.begin()),
                         std::make_move_iterator(m_queue.end()));
            m_queue.clear();
            stopping = m_stopRequested;
        }
        const std::int64_t now = steadyMs();
        if (!stopping && m_phase == Phase::kWaiting && !m_gaveUp && now >= m_deadlineMs) {
            attempt(now);
        }
        sendQueued(batch);
        if (stopping) {
            break;
        }
        pollOnce(now);
    }
    finish();
    std::lock_guard lock(m_mutex);
    m_ended = true;
    m_endedChanged.notify_all();
}

// The broker's name is looked up here before libmosquitto looks it up again:
// a lookup that does not come back (a resolver that does not answer) then
// holds only this thread before any client exists, and what it finds after a
// stop is not used. Empty when the name is known.
std::string MqttConnection::Core::lookUp() const {
#ifdef KR5061_TEST_HOOKS
    // End-to-end tests: a resolver that does not answer, without one.
    if (const char* delay = std::getenv("KR5061_TEST_LOOKUP_DELAY_MS")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(delay)));
    }
#endif
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string& host = m_options.url.host;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (found != nullptr) {
        ::freeaddrinfo(found);
    }
    return rc == 0 ? std::string() : mqtt::lookupText(host, rc);
}

void MqttConnection::Core::attempt(std::int64_t nowMs) {
    report({MqttEvent::Kind::kConnecting, {}, 0, 0});
    const std::string unknown = lookUp();
    if (stopRequested()) {
        return;
    }
    if (!unknown.empty()) {
        fail(unknown, steadyMs());
        return;
    }
    m_refused.clear();
    m_lastLog.clear();
    m_lost = false;
    // A fresh client for every attempt: nothing of a dead connection is
    // resent behind the outbox's back.
    m_mosq = mosquitto_new(orNull(m_options.clientId), true, this);
    if (m_mosq == nullptr) {
        fail("the MQTT client cannot be created", nowMs);
        return;
    }
    setUpClient();
    if (m_options.url.tls && !setUpTls(nowMs)) {
        return;
    }
    const BrokerUrl& url = m_options.url;
    const int rc =
        mosquitto_connect_async(m_mosq, url.host.c_str(), url.port, m_options.keepaliveSeconds);
    const int err = errno;
    if (rc != MOSQ_ERR_SUCCESS) {
        fail(lossReason(rc, err), steadyMs());
        return;
    }
    m_phase = Phase::kConnecting;
    m_deadlineMs = steadyMs() + m_options.connectTimeoutMs;
}

void MqttConnection::Core::setUpClient() {
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_int_option(m_mosq, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_max_inflight_messages_set(m_mosq, kMaxInFlight);
    mosquitto_connect_callback_set(m_mosq, &Core::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &Core::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &Core::onPublish);
    mosquitto_log_callback_set(m_mosq, &Core::onLog);
    const BrokerUrl& url = m_options.url;
    if (!url.user.empty()) {
        mosquitto_username_pw_set(m_mosq, url.user.c_str(), orNull(m_options.password));
    }
    if (!m_options.willTopic.empty()) {
        mosquitto_will_set(m_mosq, m_options.willTopic.c_str(), 7, "offline", 1, true);
    }
}

bool MqttConnection::Core::setUpTls(std::int64_t nowMs) {
    m_verifyError.clear();
    if (SSL_CTX* ctx = SSL_CTX_new(TLS_client_method())) {
        SSL_CTX_set_cert_verify_callback(ctx, &mqtt::verifyAndRemember, &m_verifyError);
        mosquitto_opts_set(m_mosq, MOSQ_OPT_SSL_CTX, ctx);  // the client holds a reference
        mosquitto_int_option(m_mosq, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 1);
        SSL_CTX_free(ctx);
    }
    if (m_options.caFile.empty()) {
        mosquitto_int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    }
    const int rc =
        mosquitto_tls_set(m_mosq, orNull(m_options.caFile), nullptr, orNull(m_options.certFile),
                          orNull(m_options.keyFile), nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        fail("the CA file, certificate or key cannot be used (" +
                 mqtt::lowerFirst(m_lastLog.empty() ? mosquitto_strerror(rc) : m_lastLog) + ")",
             nowMs);
        return false;
    }
    return true;
}

void MqttConnection::Core::sendQueued(std::vector<MqttMessage>& batch) {
    for (MqttMessage& m : batch) {
        if (m_phase == Phase::kConnected) {
            sendOne(m);
        } else if (m.tag != 0) {
            report({MqttEvent::Kind::kNotSent, {}, 0, m.tag});
        }
    }
    batch.clear();
}

void MqttConnection::Core::sendOne(MqttMessage& m) {
    int mid = 0;
    const int rc =
        mosquitto_publish(m_mosq, &mid, m.topic.c_str(), static_cast<int>(m.payload.size()),
                          m.payload.data(), m.qos, m.retain);
    if (rc != MOSQ_ERR_SUCCESS) {
        if (m.tag != 0) {
            report({MqttEvent::Kind::kNotSent, {}, 0, m.tag});
        }
        return;
    }
    if (m.qos > 0) {
        m_inFlight[mid] = m.tag;
    }
}

void MqttConnection::Core::drop() {
    if (m_mosq != nullptr) {
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
    }
    m_inFlight.clear();
    m_phase = Phase::kWaiting;
}

void MqttConnection::Core::fail(const std::string& reason, std::int64_t nowMs) {
    drop();
    if (!m_options.retry) {
        m_gaveUp = true;
        report({MqttEvent::Kind::kFailed, reason, 0, 0});
        return;
    }
    const int delay = m_schedule.nextDelayMs();
    m_deadlineMs = nowMs + delay;
    report({MqttEvent::Kind::kFailed, reason, delay, 0});
}

std::string MqttConnection::Core::lossReason(int rc, int err) const {
    return mqtt::lossText(rc, err, m_options.url.host, m_verifyError, m_lastLog);
}

int MqttConnection::Core::pollOnce(std::int64_t nowMs, int maxWaitMs) {
    pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {-1, 0, 0}};
    nfds_t count = 1;
    const int sock = m_mosq != nullptr ? mosquitto_socket(m_mosq) : -1;
    if (sock >= 0) {
        const short writing = mosquitto_want_write(m_mosq) ? POLLOUT : 0;
        fds[count++] = {sock, static_cast<short>(POLLIN | writing), 0};
    }
    int timeout = maxWaitMs;
    if (m_phase != Phase::kConnected) {
        timeout =
            m_gaveUp
                ? -1
                : static_cast<int>(std::clamp<std::int64_t>(m_deadlineMs - nowMs, 0, maxWaitMs));
    }
    const int ready = ::poll(fds, count, timeout);
    if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
        std::uint64_t drained = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &drained, sizeof drained);
    }
    if (m_mosq == nullptr) {
        return ready;
    }
    const int rc = mosquitto_loop(m_mosq, 0, 1);
    const int err = errno;
    // A refused TCP connect under TLS leaves the library waiting for a
    // handshake that never comes; the socket's own error tells.
    const bool hungUp = count > 1 && (fds[1].revents & (POLLERR | POLLHUP)) != 0;
    int sockErr = 0;
    socklen_t length = sizeof sockErr;
    if (hungUp && m_mosq != nullptr && rc == MOSQ_ERR_SUCCESS &&
        ::getsockopt(fds[1].fd, SOL_SOCKET, SO_ERROR, &sockErr, &length) != 0) {
        sockErr = errno;
    }
    judge(rc, err, hungUp, sockErr);
    return ready;
}

// After a turn of the library's loop: whether the attempt or the connection failed, and why.
void MqttConnection::Core::judge(int rc, int err, bool hungUp, int sockErr) {
    const std::int64_t now = steadyMs();
    if (!m_refused.empty()) {
        fail(m_refused, now);
    } else if (hungUp && rc == MOSQ_ERR_SUCCESS) {
        fail(sockErr != 0                    ? lossReason(MOSQ_ERR_ERRNO, sockErr)
             : m_phase == Phase::kConnecting ? "the connection was refused or closed before the "
                                               "handshake"
                                             : lossReason(MOSQ_ERR_CONN_LOST, 0),
             now);
    } else if (m_lost || (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN) ||
               (rc == MOSQ_ERR_NO_CONN && m_phase == Phase::kConnected)) {
        fail(lossReason(m_lost && rc == MOSQ_ERR_SUCCESS ? MOSQ_ERR_CONN_LOST : rc, err), now);
    } else if (m_phase == Phase::kConnecting && now >= m_deadlineMs) {
        fail("no answer within " + std::to_string(m_options.connectTimeoutMs / 1000) + " s", now);
    }
}

void MqttConnection::Core::finish() {
    std::optional<MqttMessage> last;
    int timeoutMs = 0;
    {
        std::lock_guard lock(m_mutex);
        last = std::move(m_last);
        timeoutMs = m_stopTimeoutMs;
    }
    if (m_phase == Phase::kConnected && last) {
        sendOne(*last);
    }
    const std::int64_t deadline = steadyMs() + timeoutMs;
    for (std::int64_t now = steadyMs();
         m_phase == Phase::kConnected && !m_inFlight.empty() && now < deadline; now = steadyMs()) {
        pollOnce(now, static_cast<int>(std::min<std::int64_t>(deadline - now, kIdlePollMs)));
    }
    if (m_phase == Phase::kConnected) {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop(m_mosq, 0, 1);
    }
    drop();
}

void MqttConnection::Core::onConnect(mosquitto*, void* self, int rc) {
    auto* c = static_cast<Core*>(self);
    if (rc != 0) {
        c->m_refused = mqtt::refusalText(rc);
        return;
    }
    c->m_phase = Phase::kConnected;
    c->m_schedule.succeeded();
    for (MqttMessage m : c->m_options.onConnect) {
        c->sendOne(m);
    }
    c->report({MqttEvent::Kind::kConnected, {}, 0, 0});
}

void MqttConnection::Core::onDisconnect(mosquitto*, void* self, int) {
    static_cast<Core*>(self)->m_lost = true;
}

void MqttConnection::Core::onPublish(mosquitto*, void* self, int mid) {
    auto* c = static_cast<Core*>(self);
    const auto it = c->m_inFlight.find(mid);
    if (it == c->m_inFlight.end()) {
        return;  // QoS 0, or a message id the broker made up
    }
    const std::uint64_t tag = it->second;
    c->m_inFlight.erase(it);
    if (tag != 0) {
        c->report({MqttEvent::Kind::kAcked, {}, 0, tag});
    }
}

void MqttConnection::Core::onLog(mosquitto*, void* self, int level, const char* text) {
    if (text != nullptr && (level & (MOSQ_LOG_ERR | MOSQ_LOG_WARNING)) != 0) {
        static_cast<Core*>(self)->m_lastLog = text;
    }
}

}  // namespace kr5061
