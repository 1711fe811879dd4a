#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "graph/graph_scene.h"
#include "graph/raster.h"

namespace kr5061 {

// The tiles of a buffer (16 x 16 pixels each) that traces drew into, and what
// each such tile held before the first trace touched it. The drawing marks a
// tile before drawing into it; putBack() then returns every marked tile to
// what it held, so that the traces vanish and the rest stays.
class TileMarks {
public:
    static constexpr int kTile = 16;

    // For a buffer of buf's size: nothing marked, nothing kept. Only pixels
    // inside `keep` are kept and put back (traces draw nowhere else).
    void reset(const PixelBuffer& buf, const PixelRect& keep);
    // The same buffer's pixels, possibly moved in memory.
    void setBuffer(const PixelBuffer& buf) { m_buf = buf; }
    // Marks the tiles under [left, right] x [top, bottom] (inclusive), keeping
    // the pixels of any tile not kept before.
    void mark(int left, int top, int right, int bottom);
    // Every marked tile back to its kept pixels; nothing marked afterwards.
    void putBack();

private:
    enum : std::uint8_t { kMarked = 1, kKept = 2 };
    PixelRect tileRect(int index) const;
    Pixel* keptPixels(int index) const {
        return m_kept.get() + static_cast<std::size_t>(index) * kTile * kTile;
    }

    PixelBuffer m_buf;
    PixelRect m_keep;
    int m_columns = 0, m_rows = 0;
    std::vector<std::uint8_t> m_state;
    std::vector<int> m_marked;  // indices of the marked tiles
    // Tile by tile; from calloc, so only the tiles ever kept take up memory.
    std::unique_ptr<Pixel[], decltype(&std::free)> m_kept{nullptr, &std::free};
    std::size_t m_keptTiles = 0;
};

// Draws a graph scene that differs from the scene painted before it only in
// its traces (the case of every new sample of a live run) without painting the
// whole buffer again: the tiles the old traces drew into get back what they
// held before, and the new traces are drawn over them. The result is the full
// paint's, pixel for pixel.
//
// The caller keeps the buffer exactly as the last paint left it between the two
// paints, or calls forget().
class TraceRedraw {
public:
    // Whether `scene` can be drawn by redraw() over the buffer the last paint
    // left, the buffer being width x height.
    bool canRedraw(const GraphScene& scene, int width, int height) const;
    // Puts back the old traces' tiles and draws the scene's traces.
    void redraw(const GraphScene& scene, const PixelBuffer& buf);

    // A full paint: begin() before the first layer is drawn, then each layer
    // drawn through rasterise(), which notes what the traces draw over.
    void begin(const GraphScene& scene, const PixelBuffer& buf);
    void rasterise(const GraphScene& scene, Layer layer, const PixelBuffer& buf);

    void forget() { m_valid = false; }

private:
    GraphScene m_last;  // the last scene painted in full
    bool m_valid = false;
    int m_width = 0, m_height = 0;
    TileMarks m_marks;
};

}  // namespace kr5061
