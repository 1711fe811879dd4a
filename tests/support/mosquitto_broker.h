#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "support/test_dirs.h"

struct mosquitto;
struct mosquitto_message;

namespace kr5061::test {

// A real mosquitto for one test, on free loopback ports of its own: a plain
// listener (anonymous clients welcome; a user name is checked against a
// password file made by mosquitto_passwd: "alice" / "secret") and a TLS
// listener whose CA and server certificate (for "localhost" only, so
// 127.0.0.1 is the wrong host name) openssl makes at start. Persistence keeps sessions across
// stop/start.
class MosquittoBroker {
public:
    MosquittoBroker();
    ~MosquittoBroker();

    // Starts the broker and waits until it accepts; false with the reason in error().
    bool start();
    // Stops it (SIGTERM) and waits for its end.
    void stop();

    int port() const { return m_port; }
    int tlsPort() const { return m_tlsPort; }
    std::string url() const { return "mqtt://127.0.0.1:" + std::to_string(m_port); }
    std::filesystem::path caFile() const { return m_dir.file("ca.crt"); }
    // A CA the broker's certificate is not signed by.
    std::filesystem::path otherCaFile() const { return m_dir.file("other.crt"); }
    const std::filesystem::path& dir() const { return m_dir.path(); }
    const std::string& error() const { return m_error; }

private:
    bool makeFiles();

    TempDir m_dir;
    int m_port = 0;
    int m_tlsPort = 0;
    pid_t m_pid = -1;
    bool m_filesMade = false;
    std::string m_error;
};

struct ReceivedMessage {
    std::string topic;
    std::string payload;
    bool retained = false;
};

// A subscriber on a thread of libmosquitto's: a persistent session (QoS 1 on
// "#"), so messages published while it reconnects after a broker restart
// wait for it.
class TestSubscriber {
public:
    explicit TestSubscriber(int port, const std::string& clientId = "kr5061-test-subscriber");
    ~TestSubscriber();

    // Waits until `ready` holds for the messages so far, or the timeout passes.
    bool waitFor(const std::function<bool(const std::vector<ReceivedMessage>&)>& ready,
                 std::chrono::milliseconds timeout);
    // The first subscription was acknowledged.
    bool waitSubscribed(std::chrono::milliseconds timeout);
    std::vector<ReceivedMessage> messages();
    std::size_t count();
    std::vector<ReceivedMessage> messagesOn(const std::string& topic);

private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onSubscribe(mosquitto*, void* self, int mid, int count, const int* granted);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* m);

    mosquitto* m_mosq = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<ReceivedMessage> m_messages;
    bool m_subscribed = false;
};

// A port nobody listens on at the moment.
int freeLoopbackPort();

// A loopback port that swallows connections, as a black-holed address does:
// its listener's queue is full and nobody accepts, so a new connect waits
// for an answer that never comes.
class BlackHole {
public:
    BlackHole();
    ~BlackHole();
    BlackHole(const BlackHole&) = delete;
    BlackHole& operator=(const BlackHole&) = delete;

    int port() const { return m_port; }  // 0 when it could not be made

private:
    int m_listener = -1;
    std::vector<int> m_fillers;
    int m_port = 0;
};

}  // namespace kr5061::test
