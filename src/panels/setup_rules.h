#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "common/run_state.h"

namespace kr5061 {

// Value-axis choices of the axis dialog, in list order.
inline constexpr std::array<int, 9> kGainChoices = {1, 2, 5, 10, 20, 50, 100, 200, 500};
inline constexpr std::array<int, 5> kOffsetChoices = {0, 2, 5, -2, -5};

// The chosen list item as a gain or offset; no item (or an unknown one) keeps `current`.
int gainFromIndex(int index, int current);
int offsetFromIndex(int index, int current);

// Sample period spin range in seconds, and the sample count range and step.
inline constexpr int kMinPeriodSpin = 1, kMaxPeriodSpin = 3600;
inline constexpr int kSampleDataStep = 1000;

// One step of the sample-count spin by `delta` positions, kept within 1000..10000.
int stepSampleData(int current, int delta);

// One step of the period spin, kept within the spin's range.
int stepSamplePeriod(int current, int delta);

// Dialog integer fields: a whole signed decimal number, blanks around it allowed.
std::optional<int> parseDialogInt(std::string_view text);
// Unsigned fields refuse a sign.
std::optional<unsigned> parseDialogUnsigned(std::string_view text);

// The readout bar's limits as the settings file has them: texts, and the
// numbers they stand for.
void loadLimitSettings(ReadoutState& readout);

// A trace button: one channel alone, or all five when `only` is negative.
void showOnlyTrace(ViewState& view, int only);

}  // namespace kr5061
