#include "publish/mqtt_connection.h"

#include <mosquitto.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

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

// The broker's answer to CONNECT (MQTT 3.1.1 return codes).
std::string refusalText(int code) {
    switch (code) {
        case 1:
            return "the broker does not speak MQTT 3.1.1";
        case 2:
            return "the broker rejected the client id";
        case 3:
            return "the broker is unavailable";
        case 4:
            return "wrong user name or password";
        case 5:
            return "not authorised (wrong user name or password, or no permission)";
        default:
            return "the broker refused the connection (code " + std::to_string(code) + ")";
    }
}

// "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"
// -> "certificate verify failed".
std::string tlsDetail(const std::string& log) {
    const std::size_t colon = log.rfind(':');
    if (log.find("OpenSSL") == std::string::npos || colon == std::string::npos ||
        colon + 1 >= log.size()) {
        return log;
    }
    return log.substr(colon + 1);
}

std::string lowerFirst(std::string text) {
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

const char* orNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

// The whole certificate check, as OpenSSL does it, keeping the reason of a
// refusal: the library only says "certificate verify failed".
int verifyAndRemember(X509_STORE_CTX* store, void* reason) {
    const int ok = X509_verify_cert(store);
    if (ok != 1) {
        const int error = X509_STORE_CTX_get_error(store);
        // The library's own host name check refuses without saying why.
        *static_cast<std::string*>(reason) = error == X509_V_ERR_UNSPECIFIED
                                                 ? "it is not made out to this host name"
                                                 : X509_verify_cert_error_string(error);
    }
    return ok;
}

}  // namespace

MqttConnection::MqttConnection(MqttOptions options, EventSink sink)
    : m_options(std::move(options)), m_sink(std::move(sink)) {
    std::call_once(g_libraryReady, [] { mosquitto_lib_init(); });
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

MqttConnection::~MqttConnection() {
    stop(std::nullopt, 0);
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
    }
}

void MqttConnection::start() {
    if (!m_thread.joinable()) {
        m_thread = std::thread(&MqttConnection::run, this);
    }
}

void MqttConnection::publish(MqttMessage message) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopRequested) {
            return;
        }
        m_queue.push_back(std::move(message));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void MqttConnection::stop(std::optional<MqttMessage> last, int timeoutMs) {
    if (!m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
        m_last = std::move(last);
        m_stopTimeoutMs = timeoutMs;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    m_thread.join();
}

void MqttConnection::run() {
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
            finish();
            return;
        }
        pollOnce(now);
    }
}

void MqttConnection::attempt(std::int64_t nowMs) {
    report({MqttEvent::Kind::kConnecting, {}, 0, 0});
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
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_int_option(m_mosq, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_max_inflight_messages_set(m_mosq, kMaxInFlight);
    mosquitto_connect_callback_set(m_mosq, &MqttConnection::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttConnection::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttConnection::onPublish);
    mosquitto_log_callback_set(m_mosq, &MqttConnection::onLog);
    const BrokerUrl& url = m_options.url;
    if (!url.user.empty()) {
        mosquitto_username_pw_set(m_mosq, url.user.c_str(), orNull(m_options.password));
    }
    if (!m_options.willTopic.empty()) {
        mosquitto_will_set(m_mosq, m_options.willTopic.c_str(), 7, "offline", 1, true);
    }
    if (url.tls) {
        m_verifyError.clear();
        if (SSL_CTX* ctx = SSL_CTX_new(TLS_client_method())) {
            SSL_CTX_set_cert_verify_callback(ctx, &verifyAndRemember, &m_verifyError);
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
                     lowerFirst(m_lastLog.empty() ? mosquitto_strerror(rc) : m_lastLog) + ")",
                 nowMs);
            return;
        }
    }
    const int rc =
        mosquitto_connect_async(m_mosq, url.host.c_str(), url.port, m_options.keepaliveSeconds);
    const int err = errno;
    if (rc != MOSQ_ERR_SUCCESS) {
        fail(lossReason(rc, err), nowMs);
        return;
    }
    m_phase = Phase::kConnecting;
    m_deadlineMs = nowMs + m_options.connectTimeoutMs;
}

void MqttConnection::sendQueued(std::vector<MqttMessage>& batch) {
    for (MqttMessage& m : batch) {
        if (m_phase == Phase::kConnected) {
            sendOne(m);
        } else if (m.tag != 0) {
            report({MqttEvent::Kind::kNotSent, {}, 0, m.tag});
        }
    }
    batch.clear();
}

void MqttConnection::sendOne(MqttMessage& m) {
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

void MqttConnection::drop() {
    if (m_mosq != nullptr) {
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
    }
    m_inFlight.clear();
    m_phase = Phase::kWaiting;
}

void MqttConnection::fail(const std::string& reason, std::int64_t nowMs) {
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

std::string MqttConnection::lossReason(int rc, int err) const {
    switch (rc) {
        case MOSQ_ERR_ERRNO:
            return lowerFirst(std::generic_category().message(err));
        case MOSQ_ERR_EAI:
        case MOSQ_ERR_LOOKUP:
            return "unknown host \"" + m_options.url.host + "\"";
        case MOSQ_ERR_TLS:
        case MOSQ_ERR_TLS_HANDSHAKE:
            if (!m_verifyError.empty()) {
                return "TLS failed: the broker's certificate was refused (" + m_verifyError + ")";
            }
            return "TLS failed: " +
                   (m_lastLog.empty() ? std::string("handshake refused") : tlsDetail(m_lastLog));
        case MOSQ_ERR_KEEPALIVE:
            return "the broker stopped answering";
        case MOSQ_ERR_CONN_LOST:
        case MOSQ_ERR_NO_CONN:
        case MOSQ_ERR_SUCCESS:
            return "the broker closed the connection";
        default:
            return lowerFirst(mosquitto_strerror(rc));
    }
}

int MqttConnection::pollOnce(std::int64_t nowMs) {
    pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {-1, 0, 0}};
    nfds_t count = 1;
    const int sock = m_mosq != nullptr ? mosquitto_socket(m_mosq) : -1;
    if (sock >= 0) {
        const short writing = mosquitto_want_write(m_mosq) ? POLLOUT : 0;
        fds[count++] = {sock, static_cast<short>(POLLIN | writing), 0};
    }
    int timeout = kIdlePollMs;
    if (m_phase != Phase::kConnected) {
        timeout =
            m_gaveUp
                ? -1
                : static_cast<int>(std::clamp<std::int64_t>(m_deadlineMs - nowMs, 0, kIdlePollMs));
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
    const std::int64_t now = steadyMs();
    // A refused TCP connect under TLS leaves the library waiting for a
    // handshake that never comes; the socket's own error tells.
    const bool hungUp = count > 1 && (fds[1].revents & (POLLERR | POLLHUP)) != 0;
    int sockErr = 0;
    socklen_t length = sizeof sockErr;
    if (hungUp && m_mosq != nullptr && rc == MOSQ_ERR_SUCCESS &&
        ::getsockopt(fds[1].fd, SOL_SOCKET, SO_ERROR, &sockErr, &length) != 0) {
        sockErr = errno;
    }
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
    return ready;
}

void MqttConnection::finish() {
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
    while (m_phase == Phase::kConnected && !m_inFlight.empty() && steadyMs() < deadline) {
        pollOnce(steadyMs());
    }
    if (m_phase == Phase::kConnected) {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop(m_mosq, 0, 1);
    }
    drop();
}

void MqttConnection::onConnect(mosquitto*, void* self, int rc) {
    auto* c = static_cast<MqttConnection*>(self);
    if (rc != 0) {
        c->m_refused = refusalText(rc);
        return;
    }
    c->m_phase = Phase::kConnected;
    c->m_schedule.connected();
    for (MqttMessage m : c->m_options.onConnect) {
        c->sendOne(m);
    }
    c->report({MqttEvent::Kind::kConnected, {}, 0, 0});
}

void MqttConnection::onDisconnect(mosquitto*, void* self, int) {
    static_cast<MqttConnection*>(self)->m_lost = true;
}

void MqttConnection::onPublish(mosquitto*, void* self, int mid) {
    auto* c = static_cast<MqttConnection*>(self);
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

void MqttConnection::onLog(mosquitto*, void* self, int level, const char* text) {
    if (text != nullptr && (level & (MOSQ_LOG_ERR | MOSQ_LOG_WARNING)) != 0) {
        static_cast<MqttConnection*>(self)->m_lastLog = text;
    }
}

}  // namespace kr5061
