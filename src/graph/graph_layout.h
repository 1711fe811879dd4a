#pragma once

#include "common/pixel_rect.h"

namespace kr5061 {

// Where the plot and its two side strips go inside the view's client rectangle.
// In a window too small for a plot, width and height go zero or negative; the
// paint then has nothing to trace but still lays the strips out.
struct PlotGeometry {
    int x0 = 0, y0 = 0;  // plot top-left
    int x1 = 0, y1 = 0;  // plot bottom-right
    int width = 0, height = 0;
    PixelRect valueLabelStrip;   // left of the plot, carries the value labels
    PixelRect rightMarginStrip;  // right of the plot, plain band colour
};

PlotGeometry plotGeometry(const PixelRect& viewClient);

// The part of the view that is the graph: legend band, value labels, plot,
// right margin and time labels, without the room the docked panels cover.
// An exported picture of the graph is this part of the view.
PixelRect graphPictureRect(const PixelRect& viewClient);

// The two band-coloured rectangles the main frame itself paints behind the
// graph, in its client coordinates (client width x height): the strip down the
// right margin and the legend band above the plot.
struct FrameBands {
    PixelRect rightMargin;
    PixelRect legend;
};

FrameBands frameBands(int clientWidth, int clientHeight);

// One docked panel's place. When `apply` is false the frame is too short for
// the panel and the window leaves it where and as it is.
struct PanelPlacement {
    PixelRect rect;
    bool apply = false;
};

// The docked panels' places in the main frame's client rectangle, recomputed on
// every resize; the window only moves, raises and shows them.
struct PanelLayout {
    PanelPlacement graphBar;
    PanelPlacement readoutBar;
    PanelPlacement meterPanel;
    PanelPlacement scrollStrip;
};

PanelLayout panelLayout(const PixelRect& frameClient);

}  // namespace kr5061
