#pragma once

#include "common/run_state.h"
#include "store/config.h"

namespace kr5061 {

// First values of the sample-rate dialog: the current run's period and limit
// when they are usable, else the configured ones. Before the first accepted
// Run the view holds only its start-up values (the sample clock's own pre-run
// period), never a choice of the user, so the configured ones apply.
struct SampleDialogValues {
    int seconds = 1;
    int count = 1000;
};
SampleDialogValues sampleDialogValues(const LiveState& state, int configuredSeconds,
                                      int configuredCount);

// Applies an accepted sample-rate dialog: the period (at least one second),
// the limit and their texts; the next accepted frame starts the run.
void applyRun(LiveState& state, int seconds, int count);

// The Stop command.
void stopRun(LiveState& state);

// Whether Run must first ask to save the graph of an earlier run.
inline bool runAsksToSave(const MainFrameState& frame) { return frame.m_graphUsed != 0; }

// Whether closing must first ask to save the data.
inline bool closeAsksToSave(const ViewState& view) { return view.m_sampleIndex > 1; }

// Everything the program writes back to the settings file when it closes.
ConfigSnapshot closingSnapshot(const LiveState& state);

// Enabled state of the view's commands.
struct CommandEnabling {
    bool start = false;
    bool stop = false;
    bool save = false;
    bool print = false;
    bool undoZoom = false;
    bool open = false;
};
CommandEnabling commandEnabling(const ViewState& view, bool liveMode);

}  // namespace kr5061
