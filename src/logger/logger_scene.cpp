#include "logger/logger_scene.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

#include "graph/graph_scale.h"
#include "store/number_text.h"

namespace kr5061 {

namespace {

// Pixel coordinates are floats; drawing and indexing truncate them toward
// zero. Values beyond int (a record far off a deep zoom) saturate instead of
// overflowing.
int truncInt(float v) {
    if (!(v == v)) {
        return 0;
    }
    constexpr float kMax = 2.0e9f;
    return static_cast<int>(std::clamp(v, -kMax, kMax));
}

void hLine(const PixelBuffer& buf, float x0, float x1, float y, Pixel c) {
    drawLine(buf, buf.bounds(), std::trunc(x0), std::trunc(y), std::trunc(x1), std::trunc(y), c);
}

void vLine(const PixelBuffer& buf, float x, float y0, float y1, Pixel c,
           LineStyle style = LineStyle::Solid, LineMode mode = LineMode::Set) {
    drawLine(buf, buf.bounds(), std::trunc(x), std::trunc(y0), std::trunc(x), std::trunc(y1), c,
             style, mode);
}

void addText(LoggerScene& scene, LoggerFont font, int x, int y, std::string text) {
    scene.texts.push_back(LoggerText{font, x, y, std::move(text)});
}

// A trace segment, skipped cheaply when it lies wholly off one side of the image.
void segment(const PixelBuffer& buf, float x0, float y0, float x1, float y1, Pixel c) {
    const float w = static_cast<float>(buf.width), h = static_cast<float>(buf.height);
    if ((x0 < 0 && x1 < 0) || (x0 >= w && x1 >= w) || (y0 < 0 && y1 < 0) ||
        (y0 >= h && y1 >= h)) {
        return;
    }
    drawLine(buf, buf.bounds(), std::trunc(x0), std::trunc(y0), std::trunc(x1), std::trunc(y1),
             c);
}

void frameAndGrid(const LoggerGraph& g, const PixelBuffer& buf, float W, float H) {
    fillRect(buf, buf.bounds(), truncInt(g.plotLeft), truncInt(g.plotTop),
             truncInt(g.plotRight) - truncInt(g.plotLeft),
             truncInt(g.plotBottom) - truncInt(g.plotTop), rgb(0, 0, 0));
    for (int k = 0; k <= 10; ++k) {
        hLine(buf, g.plotLeft, g.plotRight, g.plotTop + H * static_cast<float>(k) * 0.1f,
              kLoggerGrid);
    }
    if (g.fullView) {
        for (int k = 1; k <= 15; ++k) {
            vLine(buf, g.plotLeft + W * static_cast<float>(k) / 15.0f, g.plotTop, g.plotBottom,
                  kLoggerGrid);
        }
    }
    vLine(buf, g.plotLeft, g.plotTop, g.plotBottom, kLoggerEdge);
    vLine(buf, g.plotRight, g.plotTop, g.plotBottom, kLoggerEdge);
    for (int k = 0; k <= 10; ++k) {
        hLine(buf, g.plotLeft - 3, g.plotLeft, g.plotTop + H * static_cast<float>(k) * 0.1f,
              kLoggerEdge);
    }
    fillRect(buf, buf.bounds(), truncInt(g.plotLeft - 11.2f), truncInt(g.plotBottom) + 1,
             truncInt(g.plotRight), 100, kLoggerBackground);
}

void level0(LoggerGraph& g, const CHygDoc& doc, const ViewState& view, int n, float W, float H) {
    g.xStep = n > 1 ? W / static_cast<float>(n - 1) : 0.0f;
    float axis[kLoggerAxisLines];
    loggerLevel0Axis(view.m_loggerGain, view.m_loggerOffset, axis);
    for (int k = 0; k < kLoggerAxisLines; ++k) {
        g.loggerAxisValue[k][0] = axis[k];
    }
    const float a0 = axis[0], a10 = axis[kLoggerAxisLines - 1];
    const bool fahrenheit = doc.m_recallFahrenheit == 1;
    for (int i = 0; i < n; ++i) {
        const float x = static_cast<float>(i) * g.xStep + g.plotLeft;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const float r = plottedValue(ch, doc.m_recall[i][ch], fahrenheit);
            g.loggerX[i][ch][0] = x;
            g.loggerY[i][ch][0] = g.plotBottom - (r - a0) * H / (a10 - a0);
        }
    }
}

void masks(const LoggerGraph& g, const PixelBuffer& buf) {
    const int R = buf.width, B = buf.height;
    const PixelRect c = buf.bounds();
    fillRect(buf, c, 0, 23, R, truncInt(g.plotTop - 23), kLoggerBackground);
    fillRect(buf, c, 0, truncInt(g.plotBottom) + 1, R,
             truncInt(static_cast<float>(B) - g.plotBottom), kLoggerBackground);
    fillRect(buf, c, 0, 23, truncInt(g.plotLeft), B - 23, kLoggerBackground);
    fillRect(buf, c, truncInt(g.plotRight), 23, truncInt(static_cast<float>(R) - g.plotRight),
             B - 23, kLoggerBackground);
}

void fullView(LoggerGraph& g, const CHygDoc& doc, int n, const PixelBuffer& buf,
              LoggerScene& scene) {
    for (int i = 0; i + 1 < n; ++i) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            if (g.showChannel[ch]) {
                segment(buf, g.loggerX[i][ch][0], g.loggerY[i][ch][0], g.loggerX[i + 1][ch][0],
                        g.loggerY[i + 1][ch][0], kLoggerTrace[ch]);
            }
        }
    }
    masks(g, buf);
    const std::int64_t start = doc.m_recallTag;
    const std::int64_t end =
        start + static_cast<std::int64_t>(std::max(n - 1, 0)) * doc.m_recallPeriod;
    const int y = truncInt(g.plotBottom + 8);
    addText(scene, LoggerFont::A, truncInt(g.plotLeft), y, loggerClock(start));
    addText(scene, LoggerFont::A, truncInt(g.plotRight - 55), y, loggerClock(end));
}

// Axis values and corner order of levels 1..depth, each from the rectangle
// dragged on the level below it.
void rebuildAxes(LoggerGraph& g, int depth, float H) {
    for (int l = 1; l <= depth; ++l) {
        const int r = l - 1;
        if (g.zoomHiX[r] < g.zoomLoX[r]) {
            std::swap(g.zoomHiX[r], g.zoomLoX[r]);
        }
        if (g.zoomHiY[r] < g.zoomLoY[r]) {
            std::swap(g.zoomHiY[r], g.zoomLoY[r]);
        }
        const float b0 = g.loggerAxisValue[0][r], b10 = g.loggerAxisValue[10][r];
        for (int k = 0; k < kLoggerAxisLines; ++k) {
            g.loggerAxisValue[k][l] =
                b0 + ((g.plotBottom - g.zoomHiY[r]) +
                      static_cast<float>(k) * (g.zoomHiY[r] - g.zoomLoY[r]) * 0.1f) *
                         (b10 - b0) / H;
        }
    }
}

// Coordinates of levels 1..depth. A record's levels lie next to each other in
// memory, so records are taken in small blocks whose levels are computed in
// contiguous scratch rows (which the compiler vectorises) and written back
// while the block is still in cache.
void rebuildCoordinates(LoggerGraph& g, int n, int depth, float W, float H) {
    constexpr int kBlock = 64;
    float bx[kBlock];
    float by[kChannelCount][kBlock];
    for (int first = 0; first < n; first += kBlock) {
        const int m = std::min(kBlock, n - first);
        for (int j = 0; j < m; ++j) {
            bx[j] = g.loggerX[first + j][0][0];
            for (int ch = 0; ch < kChannelCount; ++ch) {
                by[ch][j] = g.loggerY[first + j][ch][0];
            }
        }
        for (int l = 1; l <= depth; ++l) {
            const float loX = g.zoomLoX[l - 1], dX = g.zoomHiX[l - 1] - loX;
            const float loY = g.zoomLoY[l - 1], dY = g.zoomHiY[l - 1] - loY;
            const float left = g.plotLeft, top = g.plotTop;
            for (int j = 0; j < m; ++j) {
                bx[j] = left + (bx[j] - loX) * W / dX;
            }
            for (int ch = 0; ch < kChannelCount; ++ch) {
                float* row = by[ch];
                for (int j = 0; j < m; ++j) {
                    row[j] = top + (row[j] - loY) * H / dY;
                }
            }
            for (int j = 0; j < m; ++j) {
                auto& xs = g.loggerX[first + j];
                auto& ys = g.loggerY[first + j];
                for (int ch = 0; ch < kChannelCount; ++ch) {
                    xs[ch][l] = bx[j];
                    ys[ch][l] = by[ch][j];
                }
            }
        }
    }
}

void zoomGridAndLabelIndices(LoggerGraph& g, int n, float W, float s, const PixelBuffer& buf) {
    const int D = g.zoomLevel;
    const int steps = truncInt(W / s);
    const bool firstInside = g.firstIndex >= 0 && g.firstIndex < n;
    if (steps <= 1) {
        for (int m = 0; m < kLoggerTimeLabels; ++m) {
            const int idx = g.firstIndex + m;
            g.labelIndex[m] = idx;
            if (idx >= 0 && idx < n) {
                vLine(buf, g.loggerX[idx][0][D], g.plotBottom, g.plotTop, kLoggerZoomGrid);
            }
        }
    } else {
        const float f = steps >= 4 ? 0.25f : steps == 3 ? 1.0f / 3.0f : 0.5f;
        const int q = truncInt(W * f / s);
        for (int m = 0; m < kLoggerTimeLabels; ++m) {
            if (firstInside) {
                vLine(buf, g.loggerX[g.firstIndex][0][D] + static_cast<float>(m * q) * s,
                      g.plotBottom, g.plotTop, kLoggerZoomGrid);
            }
            g.labelIndex[m] = g.firstIndex + m * q;
        }
    }
}

void zoomView(LoggerGraph& g, const CHygDoc& doc, int n, float W, float H,
              const PixelBuffer& buf, LoggerScene& scene) {
    const int D = g.zoomLevel;
    scene.zoomMode = true;
    scene.scrollMax = n;
    rebuildAxes(g, D, H);
    rebuildCoordinates(g, n, D, W, H);
    const float s = loggerRecordStep(g, doc);
    if (s <= 0.0f) {
        // Fewer than two records: nothing to place along the time axis.
        g.firstIndex = 0;
        g.firstIndexValid = true;
        masks(g, buf);
        return;
    }
    if (!g.firstIndexValid) {
        const float off = static_cast<float>(g.scrollOffset);
        g.firstIndex = truncInt((g.plotLeft - (g.loggerX[0][0][D] + off * s)) / s + off);
        scene.thumb = std::clamp(g.firstIndex, 0, n);
        g.firstIndexValid = true;
    }
    const std::int64_t period = doc.m_recallPeriod;
    g.firstTime = doc.m_recallTag + static_cast<std::int64_t>(g.firstIndex - g.scrollOffset) * period;
    zoomGridAndLabelIndices(g, n, W, s, buf);
    for (int m = 0; m < kLoggerTimeLabels; ++m) {
        g.labelTime[m] = g.firstTime + static_cast<std::int64_t>(g.labelIndex[m] - g.firstIndex) * period;
    }

    // The scroll offset shifts the data by whole records; only segments whose
    // shifted ends are records of the set are drawn.
    const int off = g.scrollOffset;
    for (int i = std::max(0, -off); i < n - off - 1 && i < n - 1; ++i) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            if (g.showChannel[ch]) {
                segment(buf, g.loggerX[i + off][ch][D], g.loggerY[i][ch][D],
                        g.loggerX[i + 1 + off][ch][D], g.loggerY[i + 1][ch][D], kLoggerTrace[ch]);
            }
        }
    }
    masks(g, buf);
    for (int m = 0; m < kLoggerTimeLabels; ++m) {
        const int idx = g.labelIndex[m];
        if (idx < 0 || idx >= n) {
            continue;
        }
        const float x = g.loggerX[idx][0][D];
        if (g.plotLeft <= x && x <= g.plotRight) {
            addText(scene, LoggerFont::A, truncInt(x), truncInt(g.plotBottom) + 1,
                    loggerClock(g.labelTime[m]));
        }
    }
}

void valueLabels(const LoggerGraph& g, float H, LoggerScene& scene) {
    for (int k = 0; k < kLoggerAxisLines; ++k) {
        const float v = g.loggerAxisValue[k][g.zoomLevel];
        const float p = static_cast<float>(valueLabelDigits(v));
        addText(scene, LoggerFont::A, truncInt(g.plotLeft - 70 + p * 7.5f),
                truncInt(g.plotBottom - H * static_cast<float>(k) * 0.1f - 5), formatFixed(v, 2));
    }
}

void legend(const LoggerGraph& g, const PixelBuffer& buf, LoggerScene& scene) {
    static const char* const kNames[kChannelCount] = {"AIR", "WB", "DP", "K/IR", "RH"};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (!g.showChannel[ch]) {
            continue;
        }
        const float base = g.plotLeft + 120.0f * static_cast<float>(ch);
        addText(scene, LoggerFont::A, truncInt(base + 40), 40, kNames[ch]);
        // A two-pixel pen centred on y = 60.
        hLine(buf, base + 20, base + 80, 59, kLoggerTrace[ch]);
        hLine(buf, base + 20, base + 80, 60, kLoggerTrace[ch]);
    }
}

}  // namespace

int valueLabelDigits(float v) {
    if (v >= 1000) return 1;
    if (v >= 100) return 2;
    if (v >= 10) return 3;
    if (v >= 0) return 4;
    if (v > -10) return 3;
    if (v > -100) return 2;
    if (v > -1000) return 1;
    return 0;
}

std::string loggerClock(std::int64_t calendarSeconds) {
    const std::time_t t = static_cast<std::time_t>(calendarSeconds);
    std::tm tm{};
#ifdef _WIN32
    if (localtime_s(&tm, &t) != 0) return {};
#else
    if (localtime_r(&t, &tm) == nullptr) return {};
#endif
    char buf[16];
    const std::size_t len = std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
    return std::string(buf, len);
}

int loggerRecordCount(const CHygDoc& doc) { return std::clamp(doc.m_recallCount, 0, kSampleCapacity); }

float loggerRecordStep(const LoggerGraph& graph, const CHygDoc& doc) {
    if (loggerRecordCount(doc) < 2) {
        return 0.0f;
    }
    const int D = graph.zoomLevel;
    return graph.loggerX[1][0][D] - graph.loggerX[0][0][D];
}

void addReadoutTexts(LoggerGraph& g, const CHygDoc& doc, LoggerScene& scene) {
    const int n = loggerRecordCount(doc);
    if (g.cursorIndex >= 0 && g.cursorIndex < n && doc.m_recall[g.cursorIndex][kSurface] <= -1000.0f) {
        g.readoutText[kSurface] = "------";
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (!g.showChannel[ch]) {
            continue;
        }
        const int x = truncInt(g.plotLeft + 120.0f * static_cast<float>(ch));
        const bool rh = ch == kHumidity;
        addText(scene, LoggerFont::B, x, 70, g.readoutText[ch] + (rh ? "%RH" : doc.m_recallUnit));
        addText(scene, LoggerFont::B, x + (rh ? 62 : 50), 70, "@");
        addText(scene, LoggerFont::B, x + (rh ? 74 : 62), 70, g.readoutTime);
    }
}

void buildLoggerScene(LoggerGraph& g, const CHygDoc& doc, const ViewState& view,
                      bool storeEmpty, const PixelBuffer& buf, LoggerScene& scene) {
    scene.clear();
    fillRect(buf, buf.bounds(), 0, 0, buf.width, buf.height, kLoggerBackground);
    g.plotLeft = 306;
    g.plotTop = 90;
    g.plotRight = static_cast<float>(buf.width - 61);
    g.plotBottom = static_cast<float>(buf.height - 61);
    const float W = g.plotRight - g.plotLeft, H = g.plotBottom - g.plotTop;
    frameAndGrid(g, buf, W, H);

    if (!storeEmpty) {
        const int n = loggerRecordCount(doc);
        level0(g, doc, view, n, W, H);
        if (g.fullView) {
            fullView(g, doc, n, buf, scene);
        } else {
            zoomView(g, doc, n, W, H, buf, scene);
        }
        valueLabels(g, H, scene);
        addReadoutTexts(g, doc, scene);
    }
    legend(g, buf, scene);
    if (!g.cursorAbsent) {
        vLine(buf, static_cast<float>(g.cursorX), g.plotTop, g.plotBottom, kLoggerCursor,
              LineStyle::Dotted, LineMode::Invert);
    }
}

}  // namespace kr5061
