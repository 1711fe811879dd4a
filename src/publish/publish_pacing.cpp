#include "publish/publish_pacing.h"

#include <algorithm>

namespace kr5061 {

std::int64_t ReadingPacer::delayMs(std::int64_t nowMs) const {
    if (!m_sentAny || nowMs < m_lastSentMs) {
        return 0;  // nothing sent yet, or the clock went back
    }
    return std::max<std::int64_t>(0, m_lastSentMs + kMinGapMs - nowMs);
}

void ReadingPacer::sent(std::int64_t nowMs) {
    m_sentAny = true;
    m_lastSentMs = nowMs;
}

std::string publishStatusShort(const PublishStatus& s) {
    switch (s.state) {
        case PublishState::kOff:
            return "MQTT: off";
        case PublishState::kConnecting:
            return "MQTT: connecting";
        case PublishState::kConnected:
            return "MQTT: connected";
        case PublishState::kRetrying:
            return "MQTT: retrying (" + s.reason + ")";
    }
    return {};
}

std::string publishStatusText(const PublishStatus& s) {
    std::string text;
    switch (s.state) {
        case PublishState::kOff:
            return "Publishing is off.";
        case PublishState::kConnecting:
            text = "Connecting to the broker " + s.broker + ".";
            break;
        case PublishState::kConnected:
            text = "Connected to the broker " + s.broker + ".";
            break;
        case PublishState::kRetrying:
            text = "The broker " + s.broker + " cannot be used: " + s.reason +
                   ". Next attempt in " + std::to_string(s.retryInSeconds) + " s.";
            break;
    }
    if (s.waiting > 0) {
        text += " " + std::to_string(s.waiting) + " samples wait in the outbox.";
    }
    if (s.dropped > 0) {
        text += " " + std::to_string(s.dropped) +
                " of the oldest samples were dropped because the outbox was full.";
    }
    return text;
}

}  // namespace kr5061
