#pragma once

#include <cstdint>

namespace kr5061 {

struct LiveState;
class CHygDoc;

// Told by the alarm evaluation what happened, so alarms can be logged. The
// receive step calls it after the extremes and alarms of each accepted frame;
// the link watchdog when it cleared every alarm. `now` is calendar seconds.
class AlarmEventSink {
public:
    virtual ~AlarmEventSink() = default;
    virtual void readingEvaluated(const LiveState& state, const CHygDoc& doc, std::int64_t now) = 0;
    virtual void alarmsCleared(std::int64_t now) = 0;
};

}  // namespace kr5061
