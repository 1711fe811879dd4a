#pragma once

#include "common/run_state.h"
#include "store/hyg_doc.h"

namespace kr5061 {

// Per-frame evaluation of the running extremes and the ten alarm states from
// the readings stored at the current sample index. Extremes stay on the Celsius
// scale; texts and alarm comparisons use the unit the instrument displays.
// Returns true when any alarm state changed, so the readout bar repaints only then.
bool ApplyReading(LiveState& state, const CHygDoc& doc);

// The value a channel's reading is shown and compared as: Fahrenheit when the
// instrument displays it (never for RH), K/IR cut toward zero to one decimal.
float displayedReading(int channel, float stored, bool fahrenheit);

}  // namespace kr5061
