#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "graph/graph_scene.h"
#include "graph/scene_raster.h"

namespace kr5061 {
namespace {

// A trace drawn through the scene must give exactly the pixels of drawing
// each segment on its own between the truncated points, clipped to the plot:
// points inside, beside, far off (beyond any int), NaN, samples packed into
// one pixel and zig-zags within one pixel column alike.
TEST(TraceRaster, EqualsSegmentBySegmentDrawing) {
    const float kNaN = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> xs, ys;
    for (int i = 0; i < 400; ++i) {
        xs.push_back(static_cast<float>(i) * 0.37f - 20.0f);  // several samples per pixel
        ys.push_back(60.0f + 70.0f * std::sin(static_cast<float>(i) * 0.05f));
    }
    const float odd[][2] = {
        {-5.0e9f, 40.0f},   {30.0f, 3.0e9f},    {kNaN, 20.0f},  {50.0f, -0.4f}, {-0.6f, 10.0f},
        {1.0e12f, 1.0e12f}, {1.0e12f, 1.0e12f}, {70.0f, 20.0f}, {70.9f, 20.9f}, {20.0f, kNaN}};
    for (int k = 0; k < 10; ++k) {
        xs[static_cast<std::size_t>(40 + 30 * k)] = odd[k][0];
        ys[static_cast<std::size_t>(40 + 30 * k)] = odd[k][1];
        xs[static_cast<std::size_t>(41 + 30 * k)] = odd[(k + 3) % 10][0];
        ys[static_cast<std::size_t>(41 + 30 * k)] = odd[(k + 3) % 10][1];
    }
    // Zig-zags within one pixel column, with repeated points among them.
    for (int k = 0; k < 60; ++k) {
        xs.push_back(120.3f + static_cast<float>(k / 6));
        ys.push_back(k % 4 == 0 ? ys.back() : 20.0f + static_cast<float>((k * 37) % 11) * 4.0f);
    }
    // Column runs whose last row nothing else draws: one followed by a NaN
    // point, and the trace's own end after a repeated point.
    const float ends[][2] = {{140.2f, 30.0f}, {140.5f, 34.0f}, {140.7f, 38.0f}, {141.0f, kNaN},
                             {142.0f, 60.0f}, {150.5f, 50.0f}, {150.6f, 54.0f}, {150.7f, 54.0f}};
    for (const auto& e : ends) {
        xs.push_back(e[0]);
        ys.push_back(e[1]);
    }
    const int w = 200, h = 160;
    GraphScene scene;
    scene.width = w, scene.height = h;
    SurfacePlace& plot = scene.surface[static_cast<int>(Surface::Plot)];
    plot = {15, 10, {15, 10, 175, 140}};
    RasterOp op{OpKind::Trace, Surface::Plot, LineStyle::Solid, rgb(255, 0, 0), 0, 0, 0, 0, {}};
    op.trace.xs = xs.data();
    op.trace.ys = ys.data();
    op.trace.count = static_cast<int>(xs.size());
    scene.add(op);

    std::vector<Pixel> got(w * h, 0), want(w * h, 0);
    rasteriseScene(scene, Layer::Over, {got.data(), w, h, w});
    const PixelBuffer ref{want.data(), w, h, w};
    for (std::size_t i = 1; i < xs.size(); ++i) {
        drawLine(ref, plot.clip, static_cast<double>(truncWhole(xs[i - 1])) + 15,
                 static_cast<double>(truncWhole(ys[i - 1])) + 10,
                 static_cast<double>(truncWhole(xs[i])) + 15,
                 static_cast<double>(truncWhole(ys[i])) + 10, rgb(255, 0, 0));
    }
    EXPECT_TRUE(got == want);
    EXPECT_GT(std::count(got.begin(), got.end(), rgb(255, 0, 0)), 300);
}

}  // namespace
}  // namespace kr5061
