#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "common/run_state.h"
#include "graph/graph_layout.h"
#include "graph/live_graph.h"
#include "graph/raster.h"
#include "store/hyg_doc.h"
#include "store/truncation.h"

namespace kr5061 {

inline constexpr Pixel kBandColour = rgb(217, 218, 212);
inline constexpr Pixel kGridColour = rgb(170, 170, 170);
inline constexpr Pixel kPlotBackground = rgb(0, 0, 0);
inline constexpr Pixel kTextColour = rgb(0, 0, 0);
inline constexpr Pixel kTraceColour[kChannelCount] = {
    rgb(255, 0, 0), rgb(255, 255, 0), rgb(0, 255, 255), rgb(200, 100, 200), rgb(0, 255, 0)};
inline constexpr std::string_view kChannelName[kChannelCount] = {"AIR", "WB", "DP", "K/IR", "RH"};

// What the status bar shows while no sample exists (the cursor readout
// overwrites it once the mouse moves over a run).
inline constexpr std::string_view kTimeCaption = "time:";
inline constexpr std::string_view kChannelCaption =
    "AIR:         WB:         DP:         K/IR:         RH:";

// The places a graph paint draws to. The plot and the two strips are bitmaps of
// their own in spirit: each has its own origin and is cut to its own rectangle.
// The frame surface carries what the graph draws over the main frame (legend
// band, time band and labels) in the frame's client coordinates; it lies under
// the bitmaps, which are copied last.
enum class Surface : std::uint8_t { View, Frame, Plot, ValueStrip, RightMargin };
inline constexpr int kSurfaceCount = 5;

// Frame and view ops go down first, then the bitmaps' ops over them.
enum class Layer : std::uint8_t { Under, Over };
constexpr Layer layerOf(Surface s) {
    return s == Surface::View || s == Surface::Frame ? Layer::Under : Layer::Over;
}

struct SurfacePlace {
    int originX = 0, originY = 0;  // surface (0, 0) in view pixels
    PixelRect clip;                // in view pixels
};

enum class OpKind : std::uint8_t { Fill, Line, Trace };

// A channel's trace: one-pixel segments between consecutive points, each
// point truncated to whole pixels. The y values are read from the graph's
// coordinate arrays when the scene is drawn; x too when `xs` is given,
// otherwise sample i lies at dT * (i + base) + t0 (a zoom level's even spacing).
struct TracePoints {
    const float* xs = nullptr;
    const float* ys = nullptr;
    int count = 0;
    float dT = 0, t0 = 0, base = 0;
};

// One raster operation in its surface's coordinates. A fill covers (x0, y0) with
// size (x1, y1); a line runs from (x0, y0) towards (x1, y1), end pixel left out.
// Coordinates are float because zoomed traces run far beyond any int16 screen.
struct RasterOp {
    OpKind kind = OpKind::Fill;
    Surface surface = Surface::View;
    LineStyle style = LineStyle::Solid;
    Pixel colour = 0;
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    TracePoints trace;
};

enum class FontRole : std::uint8_t { Label };  // the main frame's 10-point label font

inline constexpr int kSceneTextCapacity = 24;

// A text anchored at its top-left corner. Opaque texts first fill their cell
// with the background colour, as text drawn on a device context does.
struct SceneText {
    FontRole font = FontRole::Label;
    Surface surface = Surface::View;
    int x = 0, y = 0;
    Pixel colour = kTextColour;
    bool opaque = true;
    Pixel background = kBandColour;
    char text[kSceneTextCapacity] = {};
    int length = 0;

    std::string_view view() const { return {text, static_cast<std::size_t>(length)}; }
};

inline constexpr int kValueLabels = kAxisLines;
inline constexpr int kTimeLabels = 10;

// The drawing of one paint. Its buffers are allocated once and reused; building
// a scene never allocates. Traces refer to the graph's coordinate arrays, so a
// scene is drawn before the graph state moves on.
class GraphScene {
public:
    static constexpr int kOpCapacity = 256;
    static constexpr int kTextCapacity = 64;

    GraphScene();
    // Takes over another scene's contents without allocating.
    void assign(const GraphScene& other);

    void clear();
    void add(const RasterOp& op);
    void addText(const SceneText& text);

    int opCount(Layer layer) const { return m_count[static_cast<int>(layer)]; }
    const RasterOp& op(Layer layer, int i) const { return m_ops[static_cast<int>(layer)][i]; }
    int textCount() const { return m_textCount; }
    const SceneText& text(int i) const { return m_texts[i]; }

    SurfacePlace surface[kSurfaceCount];
    int width = 0, height = 0;  // of the view

    // Per-view label texts of the latest paint, bottom value first.
    char yLabel[kValueLabels][kSceneTextCapacity] = {};
    char timeLabel[kTimeLabels][kSceneTextCapacity] = {};
    // Instants and sample indices at the time grid lines (kept between paints
    // like the view's own fields).
    std::int64_t timeAtGrid[kTimeLabels] = {};
    int sampleAtGrid[kTimeLabels] = {};

private:
    std::unique_ptr<RasterOp[]> m_ops[2];
    int m_count[2] = {};
    int m_capacity[2] = {};
    SceneText m_texts[kTextCapacity];
    int m_textCount = 0;
};

// What the view's window needs besides the scene.
struct SceneInputs {
    PixelRect viewClient;                   // the view's client rectangle
    int frameOriginX = 0;                   // where the view's (0, 0) lies in the main frame's
    int frameOriginY = 0;                   //   client coordinates
    Pixel buttonFace = rgb(240, 240, 240);  // the system's button-face colour
};

// Window work a paint asks for, decided here and carried out by the view.
struct PaintOutcome {
    bool invalidateAgain = false;  // the live scale compressed: paint once more
    bool showCaptions = false;     // status panes 1 and 2 get kTimeCaption, kChannelCaption
    bool zoomMode = false;         // the scroll bar spans 0..scrollRange
    int scrollRange = 0;
    bool showScrollPos = false;  // first paint of a zoom: the bar moves to m_scrollPos
    bool rearmSampleClock = false;
    int samplePeriodMs = 0;
    bool keepCursorLine = false;  // draw the cursor line again at cursorX
    int cursorX = 0;
};

// One whole paint of the real-time graph: advances the live scale (and may
// compress it), rebuilds the zoom levels, formats the labels and fills `scene`
// with everything to draw. The graph state changes exactly as a paint changes
// it; the scene is then drawn by rasteriseScene and a text painter.
PaintOutcome paintGraph(LiveGraph& graph, ViewState& view, const CHygDoc& doc,
                        const SceneInputs& in, GraphScene& scene);

// Right-alignment shift of a value label, in digits of 7.5 pixels.
int valueLabelShift(float v);

}  // namespace kr5061
