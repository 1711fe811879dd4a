#pragma once

#include <array>

#include "common/pixel_rect.h"
#include "common/run_state.h"

namespace kr5061 {

// The bar's template size in pixels.
inline constexpr int kReadoutBarWidth = 431 * 2, kReadoutBarHeight = 73 * 2;

// Every row of the bar has the same columns, in this order.
enum class ReadoutRole {
    ChannelLabel,
    MaxCaption,
    MaxField,
    MinCaption,
    MinField,
    AlarmHiCaption,
    AlarmLowCaption,
    HiLimitCaption,
    HiField,
    HiSpin,
    LowLimitCaption,
    LowField,
    LowSpin,
};
inline constexpr int kReadoutColumns = 13;

enum class ReadoutFont { None, Caption, Label, Limit };

struct FontChoice {
    const char* face;
    int pixelHeight;
    int weight;            // 100..900
    int averageWidth = 0;  // pixels; 0 keeps the face's own proportions
};
inline constexpr FontChoice kCaptionFont{"Arial", 14, 500};         // captions, extreme fields
inline constexpr FontChoice kLabelFont{"black ROMAN", 14, 100, 8};  // channel labels
inline constexpr FontChoice kLimitFont{"black ROMAN", 12, 100};     // limit fields

struct ReadoutControl {
    int id = 0;
    ReadoutRole role = ReadoutRole::ChannelLabel;
    int channel = 0;
    const char* text = "";  // captions and labels only
    PixelRect rect;
};

using ReadoutControls = std::array<ReadoutControl, kReadoutColumns * kChannelCount>;

// All controls of the bar in pixels, row by row. A spin takes the right end of
// the limit field it belongs to, which narrows by the spin's width.
const ReadoutControls& readoutControls();

// The one control of a channel's row with the given role.
const ReadoutControl& readoutControl(int channel, ReadoutRole role);

ReadoutFont readoutFont(ReadoutRole role);

// The RH high limit field accepts any character; the other nine limit fields
// take only what a decimal number is made of.
bool limitFieldFiltersKeys(int channel, ReadoutRole role);

}  // namespace kr5061
