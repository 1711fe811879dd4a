#include "logger/logger_scene.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

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
    // Records packed closer than a pixel give segments that start and end in
    // the same pixel; a line leaves out its end pixel, so those draw nothing.
    if (truncInt(x0) == truncInt(x1) && truncInt(y0) == truncInt(y1)) {
        return;
    }
    drawLine(buf, buf.bounds(), x0, y0, x1, y1, c);  // it truncates the ends itself
}

void frameAndGrid(const LoggerGraph& g, const PixelBuffer& buf, float W, float H,
                  bool masked) {
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
    if (!masked) {
        fillRect(buf, buf.bounds(), truncInt(g.plotLeft - 11.2f), truncInt(g.plotBottom) + 1,
                 truncInt(g.plotRight), 100, kLoggerBackground);
    }
}

// trunc() for doubles without a library call: the conversion truncates and is
// exact below 2^52, where every double is already whole beyond it.
inline double truncFast(double d) {
    return std::abs(d) < 4503599627370496.0 ? static_cast<double>(static_cast<std::int64_t>(d))
                                            : d;
}

// The plotted value of a stored reading, bit for bit that of plottedValue(),
// written out here so that the 50 000 values of a paint need no calls.
inline float plotted(int ch, float stored, bool fahrenheit) {
    const float v = (fahrenheit && ch != kHumidity) ? toFahrenheit(stored) : stored;
    double tenths = static_cast<double>(v) * 10.0;
    tenths += std::copysign(std::abs(tenths) * 1e-6, tenths);
    if (ch == kSurface) {
        return static_cast<float>(truncFast(tenths) / 10.0);
    }
    return static_cast<float>(truncFast(tenths + std::copysign(0.5, tenths)) / 10.0);
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
            const float r = plotted(ch, doc.m_recall[i][ch], fahrenheit);
            g.loggerX[0][i][ch] = x;
            g.loggerY[0][i][ch] = g.plotBottom - (r - a0) * H / (a10 - a0);
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
                segment(buf, g.loggerX[0][i][ch], g.loggerY[0][i][ch], g.loggerX[0][i + 1][ch],
                        g.loggerY[0][i + 1][ch], kLoggerTrace[ch]);
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

// One level's coordinates from the level below: origin + (v - lo) x extent / span.
// Fixed-size chunks let the compiler vectorise the loop.
void scaleLevel(const float* from, float* to, int count, float origin, float lo, float span,
                float extent) {
    constexpr int kChunk = 16;
    int k = 0;
    for (; k + kChunk <= count; k += kChunk) {
        for (int j = 0; j < kChunk; ++j) {
            to[k + j] = origin + (from[k + j] - lo) * extent / span;
        }
    }
    for (; k < count; ++k) {
        to[k] = origin + (from[k] - lo) * extent / span;
    }
}

static_assert(sizeof(LoggerGraph::loggerX[0]) == sizeof(float) * kSampleCapacity * kChannelCount,
              "a level's coordinates must be one contiguous block");

// Coordinates of levels 1..depth, level by level.
void rebuildCoordinates(LoggerGraph& g, int n, int depth, float W, float H) {
    const int count = n * kChannelCount;
    for (int l = 1; l <= depth; ++l) {
        const int r = l - 1;
        scaleLevel(&g.loggerX[r][0][0], &g.loggerX[l][0][0], count, g.plotLeft, g.zoomLoX[r],
                   g.zoomHiX[r] - g.zoomLoX[r], W);
        scaleLevel(&g.loggerY[r][0][0], &g.loggerY[l][0][0], count, g.plotTop, g.zoomLoY[r],
                   g.zoomHiY[r] - g.zoomLoY[r], H);
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
                vLine(buf, g.loggerX[D][idx][0], g.plotBottom, g.plotTop, kLoggerZoomGrid);
            }
        }
    } else {
        const float f = steps >= 4 ? 0.25f : steps == 3 ? 1.0f / 3.0f : 0.5f;
        const int q = truncInt(W * f / s);
        for (int m = 0; m < kLoggerTimeLabels; ++m) {
            if (firstInside) {
                vLine(buf, g.loggerX[D][g.firstIndex][0] + static_cast<float>(m * q) * s,
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
        g.firstIndex = truncInt((g.plotLeft - (g.loggerX[D][0][0] + off * s)) / s + off);
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
                segment(buf, g.loggerX[D][i + off][ch], g.loggerY[D][i][ch],
                        g.loggerX[D][i + 1 + off][ch], g.loggerY[D][i + 1][ch], kLoggerTrace[ch]);
            }
        }
    }
    masks(g, buf);
    for (int m = 0; m < kLoggerTimeLabels; ++m) {
        const int idx = g.labelIndex[m];
        if (idx < 0 || idx >= n) {
            continue;
        }
        const float x = g.loggerX[D][idx][0];
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
    return graph.loggerX[D][1][0] - graph.loggerX[D][0][0];
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
    g.plotLeft = 306;
    g.plotTop = 90;
    g.plotRight = static_cast<float>(buf.width - 61);
    g.plotBottom = static_cast<float>(buf.height - 61);
    // Background everywhere; the plot's own area is filled black right after,
    // so it is skipped here. With a set on screen the masks later paint
    // everything around the plot below the top 23 rows except the plot's
    // bottom row, so only those get the background first.
    const PixelRect c = buf.bounds();
    const int pl = 306, pt = 90, pr = buf.width - 61, pb = buf.height - 61;
    const bool masked = !storeEmpty && pr > pl && pb > pt;
    if (masked) {
        fillRect(buf, c, 0, 0, buf.width, 23, kLoggerBackground);
        fillRect(buf, c, 0, pb, buf.width, 1, kLoggerBackground);
    } else if (pr > pl && pb > pt) {
        fillRect(buf, c, 0, 0, buf.width, pt, kLoggerBackground);
        fillRect(buf, c, 0, pb, buf.width, buf.height - pb, kLoggerBackground);
        fillRect(buf, c, 0, pt, pl, pb - pt, kLoggerBackground);
        fillRect(buf, c, pr, pt, buf.width - pr, pb - pt, kLoggerBackground);
    } else {
        fillRect(buf, c, 0, 0, buf.width, buf.height, kLoggerBackground);
    }
    const float W = g.plotRight - g.plotLeft, H = g.plotBottom - g.plotTop;
    frameAndGrid(g, buf, W, H, masked);

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
