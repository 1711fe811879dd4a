#pragma once

#include <cstdint>
#include <string>

#include "common/run_state.h"
#include "store/hyg_doc.h"

namespace kr5061 {

// Main frame state right after creation: idle, no alarms, the port menu
// unlocked, the configured port awaiting data.
void initFrameState(MainFrameState& frame, int comPort);

// Poll tick (every 1000 ms): true when the poll byte is to be sent, i.e. a
// frame was accepted since the previous tick.
bool pollTick(MainFrameState& frame);

// Link watchdog tick (every 3000 ms). Returns true when no frame arrived since
// the previous tick: the link has been ended (endSilentLink) and the caller
// closes and reopens the port, resends the start command and repaints the
// meter panel and the readout bar. A tick that comes late (`onTime` false: the
// program itself did not run, after a suspend or a stop) judges nothing, since
// frames could not be read meanwhile; it only starts the next watch.
bool watchdogTick(LiveState& state, bool onTime = true);

// What the watchdog does to a silent link, also done at once when the port
// reports a hang-up: alarms cleared, offline, the port menu unlocked, Run and
// Stop disabled, a run in progress ended.
void endSilentLink(LiveState& state);

// COMk menu command, k = 1..4, after the port was closed and before it is reopened.
void selectMenuPort(MainFrameState& frame, int k);

// First value of the "COM Port Setup" field.
int otherComInitialValue(const MainFrameState& frame);

// "Other COM" with the value the user entered: false (nothing changes) outside 5..16.
bool selectOtherPort(MainFrameState& frame, int value);

// How long a reading may stand in for the periods after it without a new frame.
inline constexpr std::int64_t kCarryLimitMs = 2500;

// The sample clock's time keeping, on a monotonic clock in milliseconds.
// Sample i of a run belongs to the tick at anchor + i x period, whenever the
// tick actually runs; the owner tells it when frames arrive.
struct SampleClock {
    std::int64_t anchorMs = 0;    // the tick that committed sample 0
    int periodMs = 0;             // the period the anchor holds for
    std::int64_t lastTickMs = 0;  // the previous tick that found a sample due
    std::int64_t frameMs = 0;     // arrival of the newest accepted frame
    std::int64_t readingMs = 0;   // arrival of the reading of the newest committed sample

    void frameArrived(std::int64_t nowMs) { frameMs = nowMs; }
};

// Why a tick ended the run.
enum class RunCut {
    kNone,
    kProgramStopped,   // the program did not run for longer than a reading may be carried
    kReadingsMissing,  // a reading came again after more than that without one
};

struct SampleTickResult {
    int committed = 0;  // samples committed by this tick
    RunCut cut = RunCut::kNone;
    std::int64_t gapMs = 0;  // how long the program did not run, or no reading came
};

// Sample clock tick: commits what is due when a run is recording and has
// started (its first frame arrived; nothing is committed while Run waits).
// The slot of a period holds the latest reading that arrived before its tick.
// A period without a new frame carries the previous reading into its slot
// while that reading is younger than kCarryLimitMs and the link is not known
// lost (the watchdog found it silent, or the port hung up): times stay true
// over slow frames, and no reading is repeated after the instrument went.
// Ticks that did not run (the process or its event loop stopped) are caught
// up the same way; when a slot cannot be filled truthfully and a later
// reading (or the program's own stop) makes that a hole, the run ends at the
// last true sample instead of stamping readings with times they were not
// taken at.
SampleTickResult sampleTick(LiveState& state, CHygDoc& doc, SampleClock& clock, std::int64_t nowMs);

// What a cut run says, e.g. "the program was stopped for 5 s; the run ended at
// sample 61", with the number of samples the run kept.
std::string runCutText(const SampleTickResult& tick, int samples);

}  // namespace kr5061
