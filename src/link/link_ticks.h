#pragma once

#include <cstdint>
#include <string>

#include "link/link_state.h"
#include "store/hyg_doc.h"

namespace kr5061 {

// Main frame state right after creation: idle, no alarms, the port menu
// unlocked, the configured port awaiting data.
void initFrameState(MainFrameState& frame, int comPort);

// Poll tick (every 1000 ms): true when the poll byte is to be sent, i.e. a
// frame was accepted since the previous tick.
bool pollTick(MainFrameState& frame);

// Link watchdog tick (every 3000 ms). Returns true when no frame arrived since
// the previous tick: the run has been ended and the port menu unlocked, and the
// caller closes and reopens the port, resends the start command and repaints
// the meter panel and the readout bar.
bool watchdogTick(LiveState& state);

// COMk menu command, k = 1..4, after the port was closed and before it is reopened.
void selectMenuPort(MainFrameState& frame, int k);

// First value of the "COM Port Setup" field.
int otherComInitialValue(const MainFrameState& frame);

// "Other COM" with the value the user entered: false (nothing changes) outside 5..16.
bool selectOtherPort(MainFrameState& frame, int value);

// Sample clock tick: commits the latest reading when a run is recording and
// has started (its first frame arrived; nothing is committed while Run waits).
// Sample i is the reading current at start + i x period: in a period without a
// new frame, once the run has started and while the link is alive, the
// previous sample's reading is carried into the current slot and committed
// again (the watchdog ends the run after 3 s of silence, so a carried reading
// is never older than that). Returns true when a sample was committed (the
// view repaints).
bool sampleTick(LiveState& state, CHygDoc& doc);

// "%d/%m/%y %H:%M:%S" of a calendar time in local time.
std::string formatDateTime(std::int64_t calendarSeconds);

}  // namespace kr5061
