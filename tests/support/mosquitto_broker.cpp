#include "support/mosquitto_broker.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <thread>

namespace kr5061::test {

namespace fs = std::filesystem;

namespace {

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

BlackHole::BlackHole() {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(m_listener, 0) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        return;
    }
    // Connections nobody accepts fill the queue; later ones get no answer.
    for (int i = 0; i < 3; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        m_fillers.push_back(fd);
    }
    m_port = ntohs(a.sin_port);
}

BlackHole::~BlackHole() {
    for (const int fd : m_fillers) {
        ::close(fd);
    }
    ::close(m_listener);
}

MosquittoBroker::MosquittoBroker() = default;

MosquittoBroker::~MosquittoBroker() {
    stop();
}

bool MosquittoBroker::makeFiles() {
    const std::string d = m_dir.path().string();
    const std::string ext = d + "/ext.cnf";
    std::ofstream(ext) << "subjectAltName=DNS:localhost\n";
    const std::string openssl = "cd '" + d + "' && openssl ";
    const bool ok = run(openssl +
                        "req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 "
                        "-subj '/CN=KR5061 test CA'") &&
                    run(openssl +
                        "req -newkey rsa:2048 -nodes -keyout server.key -out server.csr "
                        "-subj '/CN=localhost'") &&
                    run(openssl +
                        "x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial "
                        "-out server.crt -days 2 -extfile ext.cnf") &&
                    run(openssl +
                        "req -x509 -newkey rsa:2048 -nodes -keyout other.key -out other.crt "
                        "-days 2 -subj '/CN=Another CA'") &&
                    run("mosquitto_passwd -c -b '" + d + "/passwords' alice secret");
    if (!ok) {
        m_error = "openssl or mosquitto_passwd failed";
        return false;
    }
    m_port = freeLoopbackPort();
    m_tlsPort = freeLoopbackPort();
    std::ofstream conf(m_dir.file("mosquitto.conf"));
    if (::geteuid() == 0) {
        conf << "user root\n";  // else the broker drops to a user that cannot read our files
    }
    conf << "per_listener_settings true\n"
         << "persistence true\npersistence_location " << d << "/\n"
         << "log_dest file " << d << "/broker.log\n"
         << "listener " << m_port << " 127.0.0.1\nallow_anonymous true\npassword_file " << d
         << "/passwords\n"
         << "listener " << m_tlsPort << " 127.0.0.1\nallow_anonymous true\n"
         << "cafile " << d << "/ca.crt\ncertfile " << d << "/server.crt\nkeyfile " << d
         << "/server.key\n";
    m_filesMade = true;
    return true;
}

bool MosquittoBroker::start() {
    if (!m_filesMade && !makeFiles()) {
        return false;
    }
    const std::string conf = m_dir.file("mosquitto.conf").string();
    m_pid = ::fork();
    if (m_pid == 0) {
        // Its chatter before the log file opens would clutter the test output.
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execlp("mosquitto", "mosquitto", "-c", conf.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (accepts(m_port) && accepts(m_tlsPort)) {
            return true;
        }
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            m_error = "mosquitto ended at start; see " + m_dir.file("broker.log").string();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_error = "mosquitto did not accept connections within 10 s";
    return false;
}

void MosquittoBroker::stop() {
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

TestSubscriber::TestSubscriber(int port, const std::string& clientId) {
    mosquitto_lib_init();
    m_mosq = mosquitto_new(clientId.c_str(), false, this);
    mosquitto_connect_callback_set(m_mosq, &TestSubscriber::onConnect);
    mosquitto_message_callback_set(m_mosq, &TestSubscriber::onMessage);
    mosquitto_subscribe_callback_set(m_mosq, &TestSubscriber::onSubscribe);
    mosquitto_reconnect_delay_set(m_mosq, 1, 1, false);
    mosquitto_connect_async(m_mosq, "127.0.0.1", port, 30);
    mosquitto_loop_start(m_mosq);
}

TestSubscriber::~TestSubscriber() {
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    mosquitto_destroy(m_mosq);
}

void TestSubscriber::onConnect(mosquitto* mosq, void*, int rc) {
    if (rc == 0) {
        mosquitto_subscribe(mosq, nullptr, "#", 1);
    }
}

void TestSubscriber::onSubscribe(mosquitto*, void* self, int, int, const int*) {
    auto* s = static_cast<TestSubscriber*>(self);
    std::lock_guard lock(s->m_mutex);
    s->m_subscribed = true;
    s->m_changed.notify_all();
}

void TestSubscriber::onMessage(mosquitto*, void* self, const mosquitto_message* m) {
    auto* s = static_cast<TestSubscriber*>(self);
    std::lock_guard lock(s->m_mutex);
    s->m_messages.push_back(
        {m->topic,
         std::string(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen)),
         m->retain});
    s->m_changed.notify_all();
}

bool TestSubscriber::waitSubscribed(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_subscribed; });
}

bool TestSubscriber::waitFor(const std::function<bool(const std::vector<ReceivedMessage>&)>& ready,
                             std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return ready(m_messages); });
}

std::vector<ReceivedMessage> TestSubscriber::messages() {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::size_t TestSubscriber::count() {
    std::lock_guard lock(m_mutex);
    return m_messages.size();
}

std::vector<ReceivedMessage> TestSubscriber::messagesOn(const std::string& topic) {
    std::vector<ReceivedMessage> out;
    for (ReceivedMessage& m : messages()) {
        if (m.topic == topic) {
            out.push_back(std::move(m));
        }
    }
    return out;
}

}  // namespace kr5061::test
