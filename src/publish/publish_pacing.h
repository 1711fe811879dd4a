#pragma once

#include <cstdint>
#include <string>

namespace kr5061 {

// The reading topic carries at most one message a second: a reading that
// comes sooner waits, and a newer one replaces it while it waits.
class ReadingPacer {
public:
    static constexpr std::int64_t kMinGapMs = 1000;

    // A new reading at `nowMs`: 0 when it may go now, else the milliseconds
    // to wait (the caller then sends the newest reading when they passed).
    std::int64_t delayMs(std::int64_t nowMs) const;
    void sent(std::int64_t nowMs);

private:
    bool m_sentAny = false;
    std::int64_t m_lastSentMs = 0;
};

enum class PublishState {
    kOff,         // no broker set up
    kConnecting,  // an attempt is under way
    kConnected,
    kRetrying,  // the last attempt failed or the connection was lost
};

struct PublishStatus {
    PublishState state = PublishState::kOff;
    std::string broker;  // "host:port"
    std::string reason;  // why the last attempt failed or the connection ended
    int retryInSeconds = 0;
    std::uint64_t waiting = 0;  // samples in the outbox not yet acknowledged
    std::uint64_t dropped = 0;  // samples dropped because the outbox was full
};

// "MQTT: connected", "MQTT: retrying (connection refused)": short enough for
// a status-bar pane.
std::string publishStatusShort(const PublishStatus& status);

// The whole story, for a tooltip and the log: broker, state, reason, next
// attempt, samples waiting and dropped.
std::string publishStatusText(const PublishStatus& status);

}  // namespace kr5061
