#include "graph/trace_redraw.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "graph/scene_raster.h"

namespace kr5061 {

namespace {

// One row of a tile; whole rows (the rule) as one fixed-size copy.
inline void copyRow(const Pixel* from, int width, Pixel* to) {
    if (width == TileMarks::kTile) {
        std::memcpy(to, from, sizeof(Pixel) * TileMarks::kTile);
    } else {
        std::copy_n(from, width, to);
    }
}

}  // namespace

void TileMarks::reset(const PixelBuffer& buf, const PixelRect& keep) {
    m_buf = buf;
    m_keep = intersect(keep, buf.bounds());
    m_columns = (buf.width + kTile - 1) / kTile;
    m_rows = (buf.height + kTile - 1) / kTile;
    const std::size_t tiles =
        static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows);
    m_state.assign(tiles, 0);
    m_marked.clear();
    m_marked.reserve(tiles);
    if (tiles != m_keptTiles) {
        m_kept.reset(static_cast<Pixel*>(std::calloc(tiles, sizeof(Pixel) * kTile * kTile)));
        if (!m_kept && tiles > 0) {
            throw std::bad_alloc();
        }
        m_keptTiles = tiles;
    }
}

PixelRect TileMarks::tileRect(int index) const {
    const int c = index % m_columns, r = index / m_columns;
    return intersect(m_keep, {c * kTile, r * kTile, (c + 1) * kTile, (r + 1) * kTile});
}

void TileMarks::mark(int left, int top, int right, int bottom) {
    const int c0 = std::max(left / kTile, 0), c1 = std::min(right / kTile, m_columns - 1);
    const int r0 = std::max(top / kTile, 0), r1 = std::min(bottom / kTile, m_rows - 1);
    for (int r = r0; r <= r1; ++r) {
        for (int c = c0; c <= c1; ++c) {
            const int index = r * m_columns + c;
            std::uint8_t& state = m_state[static_cast<std::size_t>(index)];
            if (state & kMarked) {
                continue;
            }
            if (!(state & kKept)) {
                const PixelRect t = tileRect(index);
                Pixel* to = keptPixels(index);
                for (int y = t.top; y < t.bottom; ++y, to += kTile) {
                    copyRow(&m_buf.at(t.left, y), t.width(), to);
                }
            }
            state = kMarked | kKept;
            m_marked.push_back(index);
        }
    }
}

void TileMarks::putBack() {
    for (const int index : m_marked) {
        const PixelRect t = tileRect(index);
        const Pixel* from = keptPixels(index);
        for (int y = t.top; y < t.bottom; ++y, from += kTile) {
            copyRow(from, t.width(), &m_buf.at(t.left, y));
        }
        m_state[static_cast<std::size_t>(index)] = kKept;
    }
    m_marked.clear();
}

namespace {

bool overlaps(const PixelRect& a, const PixelRect& b) {
    const PixelRect r = intersect(a, b);
    return r.width() > 0 && r.height() > 0;
}

}  // namespace

void TraceRedraw::begin(const GraphScene& scene, const PixelBuffer& buf) {
    m_last.assign(scene);
    m_width = buf.width;
    m_height = buf.height;
    m_valid = false;
    // Only the bitmaps' layer carries traces. Whatever is drawn after the first
    // of them must stay off their surface, or putting back the tiles under the
    // traces would also take that drawing away.
    const Layer over = Layer::Over;
    int first = 0;
    while (first < scene.opCount(over) && scene.op(over, first).kind != OpKind::Trace) {
        ++first;
    }
    if (first == scene.opCount(over)) {
        return;
    }
    const Surface traceSurface = scene.op(over, first).surface;
    auto clipOf = [&](Surface s) { return scene.surface[static_cast<int>(s)].clip; };
    const PixelRect traced = clipOf(traceSurface);
    for (int i = first; i < scene.opCount(over); ++i) {
        const RasterOp& op = scene.op(over, i);
        const bool trace = op.kind == OpKind::Trace;
        if ((trace && op.surface != traceSurface) ||
            (!trace && overlaps(clipOf(op.surface), traced))) {
            return;
        }
    }
    for (int i = 0; i < scene.textCount(); ++i) {
        const Surface s = scene.text(i).surface;
        if (layerOf(s) == over && overlaps(clipOf(s), traced)) {
            return;
        }
    }
    m_marks.reset(buf, traced);
    m_valid = true;
}

void TraceRedraw::rasterise(const GraphScene& scene, Layer layer, const PixelBuffer& buf) {
    for (int i = 0; i < scene.opCount(layer); ++i) {
        rasteriseOp(scene, scene.op(layer, i), buf, m_valid ? &m_marks : nullptr);
    }
}

bool TraceRedraw::canRedraw(const GraphScene& scene, int width, int height) const {
    return m_valid && width == m_width && height == m_height && sameBesidesTraces(m_last, scene);
}

void TraceRedraw::redraw(const GraphScene& scene, const PixelBuffer& buf) {
    m_marks.setBuffer(buf);
    m_marks.putBack();
    for (int i = 0; i < scene.opCount(Layer::Over); ++i) {
        const RasterOp& op = scene.op(Layer::Over, i);
        if (op.kind == OpKind::Trace) {
            rasteriseOp(scene, op, buf, &m_marks);
        }
    }
}

}  // namespace kr5061
