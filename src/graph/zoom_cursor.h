#pragma once

#include <string>
#include <vector>

#include "common/run_state.h"
#include "graph/graph_layout.h"
#include "graph/live_graph.h"
#include "graph/raster.h"
#include "store/hyg_doc.h"

namespace kr5061 {

// Rubber band rectangle spanned by two points, left <= right and top <= bottom
// (right and bottom exclusive, as a window rectangle). Equal points give an
// empty rectangle, which draws nothing.
PixelRect bandRect(GraphPoint a, GraphPoint b);

// The point pulled into the plot rectangle [x0, x1] x [y0, y1].
GraphPoint clampToPlot(const PlotGeometry& g, GraphPoint p);

// Left button down. False when the press is ignored (no sample yet, or no plot
// to speak of); otherwise corner A is stored and the drag watch must start.
bool zoomPress(LiveGraph& graph, const ViewState& view, const PlotGeometry& g, GraphPoint p);

// What a mouse move changes on screen; the window strokes it with XOR.
struct MoveOutcome {
    bool handled = false;
    bool eraseCursor = false;  // a previous cursor line at erasedCursorX goes first
    int erasedCursorX = 0;
    int cursorX = 0;  // the new cursor line
    bool readout = false;
    std::string timeText;     // status pane 1
    std::string readingText;  // status pane 2
    PixelRect erasedBand;     // empty when no band goes
    PixelRect drawnBand;      // empty when no band comes
};

MoveOutcome zoomMove(LiveGraph& graph, ViewState& view, const CHygDoc& doc, const PlotGeometry& g,
                     GraphPoint p);

struct ReleaseOutcome {
    bool handled = false;
    PixelRect erasedBand;  // the last band, wiped with XOR
    bool repaint = false;  // a drag ended: zoom mode (maybe one level deeper)
    bool zoomedIn = false;
};

ReleaseOutcome zoomRelease(LiveGraph& graph, ViewState& view, const PlotGeometry& g, GraphPoint p);

// Drag watch tick with the cursor in view coordinates. True when a drag was
// cancelled because the cursor left the zone: repaint and stop the watch.
bool dragWatchTick(LiveGraph& graph, ViewState& view, const PixelRect& viewClient,
                   GraphPoint cursor);

// Undo Zoom: straight back to the live graph, every level at once.
void undoZoom(LiveGraph& graph, ViewState& view);

// The sample nearest to view x at the current level; on an exact half the
// earlier sample wins. Outside the committed samples the result lies outside
// 0..m_sampleIndex-1 (the readout then stays as it is).
int nearestSample(const LiveGraph& graph, const ViewState& view, const PlotGeometry& g, int x);

// The status-bar readout of sample i: pane 1 and pane 2 texts.
struct ReadoutTexts {
    std::string time;
    std::string readings;
};
ReadoutTexts cursorReadout(const ViewState& view, const CHygDoc& doc, int sample);

// One channel's reading as the readout shows it ("12.4 C", "----", "45.0 %RH").
std::string readoutValueText(int channel, float stored, bool fahrenheit);

// Rebuilds the zoom from level 0 and the stored corner fractions at the
// current geometry, for the committed samples: the corner pixels and value axes
// of levels 1..zoomLevel, and the coordinates of the deepest level. Nothing
// reads the coordinates of the levels in between, so they are not kept. The
// deepest level's coordinates are kept between paints and rebuilt only when
// level 0, the zoom stack, the sample count or the plot size changed.
void rebuildLevels(LiveGraph& graph, const PlotGeometry& g, int sampleCount);

// Thumb tracking on the zoom scroll bar at position p: returns the bar position
// to show. Other scroll actions keep the data where it is and return the same.
int thumbTrack(ViewState& view, int p);
int scrollBarPosition(const ViewState& view);

// The cursor line on the window's cached image (view coordinates): a dotted
// inverting line over the plot's rows that keeps the pixels it covers, so that
// taking it away gives back exactly what lay under it, whatever a paint drew
// there since it was taken or wherever the line was clamped.
class CursorLine {
public:
    // Draws the line at column x; returns the rectangle it touched.
    PixelRect draw(const PixelBuffer& buf, const PlotGeometry& g, int x);
    // Puts back what the line covered; returns that rectangle (empty when no
    // line is drawn).
    PixelRect erase(const PixelBuffer& buf);
    // The image was painted anew: the line is no longer on it.
    void forget() { m_drawn = false; }
    bool drawn() const { return m_drawn; }
    int x() const { return m_rect.left; }

private:
    std::vector<Pixel> m_under;  // the column under the line, top down
    PixelRect m_rect;
    bool m_drawn = false;
};

// The rubber band's XOR stroke; drawing it twice wipes it.
void xorBand(const PixelBuffer& buf, const PixelRect& band);

}  // namespace kr5061
