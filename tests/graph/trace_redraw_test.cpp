#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "graph/graph_test_support.h"
#include "graph/trace_redraw.h"
#include "graph/zoom_cursor.h"

namespace kr5061 {
namespace {

// A rig whose paints go through TraceRedraw as the view's painter uses it:
// redrawn when it can be, painted in full otherwise.
struct RedrawRig : test::GraphRig {
    TraceRedraw redraw;
    std::vector<Pixel> kept;

    RedrawRig() {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            for (int i = 0; i < 3000; ++i) {
                doc->m_live[ch][i] =
                    std::round((30.0f + 10.0f * ch + 9.0f * std::sin(i * 0.01f * (ch + 1))) * 10) / 10;
            }
        }
        view().m_sampleIndex = 3000;
        settle();
        draw();
    }

    // Paints the current state; true when only the traces were drawn again.
    bool draw() {
        paint();
        const int w = in.viewClient.width(), h = in.viewClient.height();
        kept.resize(static_cast<std::size_t>(w) * h);
        const PixelBuffer buf{kept.data(), w, h, w};
        if (redraw.canRedraw(scene, w, h)) {
            redraw.redraw(scene, buf);
            return true;
        }
        redraw.begin(scene, buf);
        redraw.rasterise(scene, Layer::Under, buf);
        redraw.rasterise(scene, Layer::Over, buf);
        return false;
    }

    void zoomIn() {
        const PlotGeometry g = geometry();
        zoomPress(*graph, view(), g, {g.x0 + 300, g.y0 + 50});
        zoomMove(*graph, view(), *doc, g, {g.x0 + 700, g.y0 + 500});
        ASSERT_TRUE(zoomRelease(*graph, view(), g, {g.x0 + 700, g.y0 + 500}).zoomedIn);
    }
};

// Whatever changes between two paints, the pixels kept are those of painting
// the new state afresh; only the traces are drawn again when nothing else in
// the scene moved.
TEST(TraceRedraw, EveryPaintEqualsAFreshPaint) {
    struct Case {
        const char* what;
        std::function<void(RedrawRig&)> change;
        bool redrawn;
    };
    const Case cases[] = {
        {"nothing", [](RedrawRig&) {}, true},
        {"last readings", [](RedrawRig& r) {
             for (int ch = 0; ch < kChannelCount; ++ch) r.doc->m_live[ch][2999] += 20.0f;
         }, true},
        {"a reading far off the axis", [](RedrawRig& r) { r.doc->m_live[kAir][1500] = 1e30f; },
         true},
        {"a new sample", [](RedrawRig& r) {
             for (int ch = 0; ch < kChannelCount; ++ch) r.doc->m_live[ch][3000] = 5.0f;
             r.view().m_sampleIndex = 3001;
         }, true},
        {"a hidden channel", [](RedrawRig& r) { r.view().m_showTrace[kSurface] = false; }, false},
        {"the axis", [](RedrawRig& r) { r.view().m_gain = 5; }, false},
        {"the size", [](RedrawRig& r) { r.resize(1500, 900); }, false},
        {"a zoom", [](RedrawRig& r) { r.zoomIn(); }, false},
        {"a reading while zoomed", [](RedrawRig& r) {
             r.zoomIn();
             r.draw();
             r.doc->m_live[kHumidity][1200] -= 30.0f;
         }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RedrawRig rig;
        c.change(rig);
        EXPECT_EQ(rig.draw(), c.redrawn);
        rig.render();
        EXPECT_TRUE(rig.kept == rig.pixels);
        // Once more on the same state: redrawn over what that paint left.
        EXPECT_TRUE(rig.draw());
        EXPECT_TRUE(rig.kept == rig.pixels);
    }
}

// Nothing drawn after the traces may lie on the plot: if it did, putting back
// the pixels under the old traces would wipe it, so such a scene is always
// painted in full.
TEST(TraceRedraw, PaintsInFullWhenSomethingCoversTheTraces) {
    RedrawRig rig;
    rig.paint();
    rig.scene.add({OpKind::Line, Surface::Plot, LineStyle::Solid, rgb(1, 2, 3), 0, 5, 100, 5, {}});
    const PixelBuffer buf{rig.kept.data(), 1600, 900, 1600};
    rig.redraw.begin(rig.scene, buf);
    rig.redraw.rasterise(rig.scene, Layer::Under, buf);
    rig.redraw.rasterise(rig.scene, Layer::Over, buf);
    EXPECT_FALSE(rig.redraw.canRedraw(rig.scene, 1600, 900));
}

}  // namespace
}  // namespace kr5061
