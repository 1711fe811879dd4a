#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

#include "common/run_state.h"

namespace kr5061 {

struct MeterRgb {
    std::uint8_t r, g, b;
    friend constexpr bool operator==(MeterRgb, MeterRgb) = default;
};

inline constexpr MeterRgb kLcdColour{168, 191, 163};
inline constexpr MeterRgb kBacklitLcdColour{175, 238, 238};
inline constexpr MeterRgb kMeterStripColour{217, 218, 212};
inline constexpr MeterRgb kOfflineColour{255, 0, 0};
inline constexpr MeterRgb kLcdTextColour{0, 0, 0};

// The instrument's display window on the meter picture.
inline constexpr int kLcdX = 51, kLcdY = 196, kLcdWidth = 116, kLcdHeight = 151;
inline constexpr int kMeterStripTop = 620;

enum class MeterFont : std::uint8_t { upperDigits, mainDigits, offline, annunciator, hold, degree };
inline constexpr int kMeterFontCount = 6;

// A cell height includes the font's internal leading; a character height does not.
enum class FontHeight : std::uint8_t { cell, character };

struct MeterFontDef {
    const char* face;
    int height;
    FontHeight heightKind;
    int averageWidth;      // pixels; 0 keeps the face's own proportions
    int weight;            // 100..900
    int escapementTenths;  // text angle in tenths of a degree
    bool swiss;            // sans-serif family hint
};

const MeterFontDef& meterFontDef(MeterFont font);

// The average character width a font's width request refers to: the lowercase
// letters and the space, weighted by their frequency in English text. Fonts
// report their own stored averages inconsistently, so we measure this instead.
double weightedAverageWidth(const std::function<double(char)>& advance);

struct MeterFill {
    int x, y, width, height;
    MeterRgb colour;
};

// A text drawn from the top-left corner of its character cell, transparent background.
struct MeterText {
    MeterFont font;
    int x, y;
    std::string_view text;
    MeterRgb colour;
};

// What one paint of the display draws, in order: the fills, then the texts.
// The texts refer to the meter state's strings, which must outlive the list.
struct MeterDisplay {
    std::array<MeterFill, 2> fills{};
    int fillCount = 0;
    std::array<MeterText, 18> texts{};
    int textCount = 0;
};

// The display window (backlight tint), the strip below the picture for a client
// area of the given size, and either "OFFLINE" or the mirrored display texts.
MeterDisplay meterDisplayItems(const MeterState& meter, bool offline, int clientWidth,
                               int clientHeight);

}  // namespace kr5061
