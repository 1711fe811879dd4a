#pragma once

#include "graph/graph_scene.h"
#include "graph/raster.h"

namespace kr5061 {

class TileMarks;

// Draws one layer's raster operations of the scene into `buf`, which covers the
// view's client area.
void rasteriseScene(const GraphScene& scene, Layer layer, const PixelBuffer& buf);
// Draws one of the scene's operations; a trace also marks the tiles it touches
// when given `marks`.
void rasteriseOp(const GraphScene& scene, const RasterOp& op, const PixelBuffer& buf,
                 TileMarks* marks = nullptr);

// Whether two scenes draw the same apart from where their traces' points lie:
// the same operations and texts in the same order and places, with the traces
// in the same positions and on the same surfaces.
bool sameBesidesTraces(const GraphScene& a, const GraphScene& b);

}  // namespace kr5061
