#pragma once

#include <cstddef>
#include <cstdint>

#include "common/run_state.h"
#include "link/frame_reader.h"
#include "store/hyg_doc.h"

namespace kr5061 {

// What the windows have to do after a receive event.
struct ReceiveOutcome {
    int framesAccepted = 0;
    bool notifyViews = false;   // a run started: views redraw from the store
    bool alarmChanged = false;  // the readout bar repaints its alarm squares
    bool runEnded = false;      // the sample limit was reached
};

// One accepted or refused live frame: header test, run start, status texts,
// readings into the store with the K/IR rules, display values and the
// extremes and alarms. `now` is calendar seconds. Returns false when the
// buffer fails the header test (nothing changes then).
bool receiveLiveFrame(LiveState& state, CHygDoc& doc, const std::uint8_t* data, std::size_t size,
                      std::int64_t now, ReceiveOutcome& outcome);

// Ends the run once the sample limit is reached; runs after every receive event.
void runEndCheck(LiveState& state, ReceiveOutcome& outcome);

// A whole receive event: splits the bytes into frames, handles each in order,
// then checks for the end of the run.
ReceiveOutcome onReceive(LiveState& state, CHygDoc& doc, FrameReader& reader,
                         const std::uint8_t* data, std::size_t size, std::int64_t now);

// The K/IR range, hold, absent-reading and zero-fix rules on a received K/IR value.
float applySurfaceRules(SurfaceHandlerState& s, float k, std::uint8_t rangeMarker,
                        std::uint8_t statusB);

// Status bytes to the unit flag, annunciator texts, backlight and supply text.
void applyStatus(LiveState& state, std::uint8_t statusA, std::uint8_t statusB);

}  // namespace kr5061
