#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "psychro/chart_range.h"
#include "psychro/quantities.h"

// The psychrometric chart as drawing operations with pixel positions: lines,
// markers and texts. The window only paints them, on screen, into a PDF or
// onto a printer page.
namespace kr5061::psychro {

// What a drawing is made with; the colours are fixed here so pictures can be
// checked by pixel.
enum class ChartInk : std::uint8_t {
    paper,
    frame,
    grid,
    saturation,
    relativeHumidity,
    wetBulb,
    enthalpy,
    volume,
    text,
    statePoint,
    trail,
    surface,
    dewPoint,
    marginClear,
    marginRisk,
};
inline constexpr int kChartInkCount = 15;

// 0xffRRGGBB.
std::uint32_t inkColour(ChartInk ink);

enum class ChartStroke : std::uint8_t { solid, dashed, dotted };

struct ChartPoint {
    float x = 0, y = 0;
};

// A polyline through points [first, first + count) of the scene's points.
struct ChartLine {
    ChartInk ink = ChartInk::grid;
    ChartStroke stroke = ChartStroke::solid;
    float width = 1;
    float alpha = 1;
    int first = 0, count = 0;
};

enum class MarkerShape : std::uint8_t { ring, dot, triangleUp, diamond };

struct ChartMarker {
    MarkerShape shape = MarkerShape::dot;
    ChartInk ink = ChartInk::statePoint;
    float x = 0, y = 0;
    float size = 4;  // radius, or half the width
    float alpha = 1;
};

// A filled rectangle (the condensation margin on the temperature axis).
struct ChartBar {
    ChartInk ink = ChartInk::marginClear;
    float left = 0, top = 0, right = 0, bottom = 0;
};

enum class ChartFont : std::uint8_t { tick, label, title };

// Alignment of a text to its anchor point, like Qt's alignment flags.
enum ChartAlign : std::uint8_t {
    kAlignLeft = 1,
    kAlignRight = 2,
    kAlignHCentre = 4,
    kAlignTop = 8,
    kAlignBottom = 16,
    kAlignVCentre = 32,
};

struct ChartText {
    float x = 0, y = 0;
    std::uint8_t align = kAlignLeft | kAlignTop;
    ChartFont font = ChartFont::tick;
    ChartInk ink = ChartInk::text;
    bool halo = false;      // a paper-coloured box under the text keeps it legible over lines
    bool vertical = false;  // turned a quarter anticlockwise, reading upwards
    std::string text;       // UTF-8
};

struct ChartRect {
    float left = 0, top = 0, right = 0, bottom = 0;
    float width() const { return right - left; }
    float height() const { return bottom - top; }
};

// Text sizes in pixels as the window's fonts have them, so labels are spaced
// to fit.
struct ChartFontSizes {
    float tickHeight = 15, tickCharWidth = 7;
    float labelHeight = 13, labelCharWidth = 6;
    float titleHeight = 17;
};

class ChartScene {
public:
    void clear();

    // Where a state lies, and which state lies under a pixel.
    float xOf(double tC) const;
    float yOf(double w) const;
    double tAt(float x) const;
    double wAt(float y) const;

    int width = 0, height = 0;
    ChartRect plot;
    ChartRect markerStrip;  // under the plot: surface and dew-point markers
    ChartRange range;
    std::vector<ChartPoint> points;
    std::vector<ChartLine> lines;
    std::vector<ChartMarker> markers;
    std::vector<ChartBar> bars;
    std::vector<ChartText> texts;
};

struct ChartBackgroundInputs {
    int width = 0, height = 0;
    ChartRange range;
    double pressureKPa = kStandardPressureKPa;
    Units units = Units::si;
    ChartFontSizes fonts;
};

// The chart itself: frame, grid, saturation curve, relative-humidity curves
// every 10 %, lines of constant wet bulb, enthalpy and specific volume, their
// labels, the axes and the title with the pressure in use.
void buildChartBackground(const ChartBackgroundInputs& in, ChartScene& scene);

struct ChartOverlayInputs {
    std::optional<ChartFocus> state;    // the live reading
    std::span<const ChartFocus> trail;  // earlier states of the run, oldest first
    std::optional<double> surfaceC;
    std::optional<double> dewPointC;
    double thresholdK = kDefaultCondensationThresholdK;
    Units units = Units::si;
    ChartFontSizes fonts;
};

// The live part over a built background: the fading trail, the state point
// with its dew point, and on the strip under the temperature axis the surface
// and dew-point markers with the margin between them.
void buildChartOverlay(const ChartScene& background, const ChartOverlayInputs& in,
                       ChartScene& overlay);

// How many earlier states the trail shows.
inline constexpr int kTrailLength = 60;

}  // namespace kr5061::psychro
