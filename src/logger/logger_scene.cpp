#include "logger/logger_scene.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

#include "logger/logger_levels.h"
#include "store/number_text.h"
#include "store/truncation.h"

namespace kr5061 {

namespace {

// fillRect clipped to the buffer.
void fillArea(const PixelBuffer& buf, int x, int y, int width, int height, Pixel colour) {
    fillRect(buf, buf.bounds(), x, y, width, height, colour);
}

// Whether the ends of a grid line are small enough to compose row by row
// (anything else, a far zoomed one or NaN, goes through drawLine alone).
bool gridEnds(float a, float b, float c) {
    constexpr float kLimit = 1.0e9f;
    return std::fabs(a) < kLimit && std::fabs(b) < kLimit && std::fabs(c) < kLimit;
}

// The frame's, grid's and legend's solid lines along a row or a column.
void hLine(const PixelBuffer& buf, float x0, float x1, float y, Pixel c) {
    drawLine(buf, buf.bounds(), x0, y, x1, y, c);
}

void vLine(const PixelBuffer& buf, float x, float y0, float y1, Pixel c) {
    drawLine(buf, buf.bounds(), x, y0, x, y1, c);
}

void addText(LoggerScene& scene, LoggerFont font, int x, int y, std::string text) {
    scene.texts.push_back(LoggerText{font, x, y, std::move(text)});
}

// The plot's black area with the grid lines and the red edges over it, one
// row at a time, so that each row is finished while it is in the cache: the
// same pixels as filling the area and then drawing the lines in turn. Only
// for an area wholly inside the buffer and lines of ordinary size; false
// leaves the work to the caller.
bool plotRows(const LoggerGraph& g, const PixelBuffer& buf, float W, float H) {
    const int pl = truncToInt(g.plotLeft), pt = truncToInt(g.plotTop);
    const int pr = truncToInt(g.plotRight), pb = truncToInt(g.plotBottom);
    if (!(0 <= pl && pl < pr && pr <= buf.width && 0 <= pt && pt < pb && pb <= buf.height) ||
        !gridEnds(g.plotLeft, g.plotRight, W) || !gridEnds(g.plotTop, g.plotBottom, H)) {
        return false;
    }
    // Columns set on every row: the vertical grid lines, then the edges.
    int columns[17];
    Pixel colours[17];
    int count = 0;
    if (g.fullView) {
        for (int k = 1; k <= 15; ++k) {
            const int x = static_cast<int>(g.plotLeft + W * static_cast<float>(k) / 15.0f);
            if (x >= 0 && x < buf.width) {
                columns[count] = x, colours[count++] = kLoggerGrid;
            }
        }
    }
    columns[count] = pl, colours[count++] = kLoggerEdge;
    if (pr < buf.width) {
        columns[count] = pr, colours[count++] = kLoggerEdge;
    }
    // The horizontal grid lines' rows, top down; those below the area are
    // drawn after it.
    int gridRows[kLoggerAxisLines];
    for (int k = 0; k < kLoggerAxisLines; ++k) {
        gridRows[k] = static_cast<int>(g.plotTop + H * static_cast<float>(k) * 0.1f);
    }
    int next = 0;
    for (int y = pt; y < pb; ++y) {
        bool grid = false;
        for (; next < kLoggerAxisLines && gridRows[next] <= y; ++next) {
            grid = grid || gridRows[next] == y;
        }
        Pixel* row = &buf.at(0, y);
        fillPixels(row + pl, static_cast<std::size_t>(pr - pl), grid ? kLoggerGrid : rgb(0, 0, 0));
        for (int c = 0; c < count; ++c) {
            row[columns[c]] = colours[c];
        }
    }
    for (int k = 0; k < kLoggerAxisLines; ++k) {
        if (gridRows[k] < pt || gridRows[k] >= pb) {
            hLine(buf, g.plotLeft, g.plotRight, g.plotTop + H * static_cast<float>(k) * 0.1f,
                  kLoggerGrid);
        }
    }
    return true;
}

void frameAndGrid(const LoggerGraph& g, const PixelBuffer& buf, float W, float H, bool masked) {
    if (!plotRows(g, buf, W, H)) {
        fillArea(buf, truncToInt(g.plotLeft), truncToInt(g.plotTop),
                 truncToInt(g.plotRight) - truncToInt(g.plotLeft),
                 truncToInt(g.plotBottom) - truncToInt(g.plotTop), rgb(0, 0, 0));
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
    }
    for (int k = 0; k <= 10; ++k) {
        hLine(buf, g.plotLeft - 3, g.plotLeft, g.plotTop + H * static_cast<float>(k) * 0.1f,
              kLoggerEdge);
    }
    if (!masked) {
        fillArea(buf, truncToInt(g.plotLeft - 11.2f), truncToInt(g.plotBottom) + 1,
                 truncToInt(g.plotRight), 100, kLoggerBackground);
    }
}

void masks(const LoggerGraph& g, const PixelBuffer& buf) {
    const int R = buf.width, B = buf.height;
    // Up to the window's top edge: the toolbar strip above row 23 shows the
    // window through its gaps, and no trace may show there.
    fillArea(buf, 0, 0, R, truncToInt(g.plotTop), kLoggerBackground);
    fillArea(buf, 0, truncToInt(g.plotBottom) + 1, R,
             truncToInt(static_cast<float>(B) - g.plotBottom), kLoggerBackground);
    // Beside the plot from row 23 down; the rows above and below it are
    // filled already.
    const int top = std::max(23, truncToInt(g.plotTop));
    const int height = std::min(B, truncToInt(g.plotBottom) + 1) - top;
    fillArea(buf, 0, top, truncToInt(g.plotLeft), height, kLoggerBackground);
    fillArea(buf, truncToInt(g.plotRight), top, truncToInt(static_cast<float>(R) - g.plotRight),
             height, kLoggerBackground);
}

void fullView(LoggerGraph& g, const CHygDoc& doc, int n, const PixelBuffer& buf,
              LoggerScene& scene) {
    drawLoggerTraces(g, 0, 0, n - 1, 0, buf);
    masks(g, buf);
    const std::int64_t start = doc.m_recallTag;
    const std::int64_t end =
        start + static_cast<std::int64_t>(std::max(n - 1, 0)) * doc.m_recallPeriod;
    const int y = truncToInt(g.plotBottom + 8);
    addText(scene, LoggerFont::A, truncToInt(g.plotLeft), y, localTimeText(start, kClockPattern));
    addText(scene, LoggerFont::A, truncToInt(g.plotRight - 55), y,
            localTimeText(end, kClockPattern));
}

void zoomGridAndLabelIndices(LoggerGraph& g, int n, float W, float s, const PixelBuffer& buf) {
    const int D = g.zoomLevel;
    const int steps = truncToInt(W / s);
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
        const int q = truncToInt(W * f / s);
        for (int m = 0; m < kLoggerTimeLabels; ++m) {
            if (firstInside) {
                vLine(buf, g.loggerX[D][g.firstIndex][0] + static_cast<float>(m * q) * s,
                      g.plotBottom, g.plotTop, kLoggerZoomGrid);
            }
            g.labelIndex[m] = g.firstIndex + m * q;
        }
    }
}

void zoomView(LoggerGraph& g, const CHygDoc& doc, int n, float W, float H, const PixelBuffer& buf,
              LoggerScene& scene) {
    const int D = g.zoomLevel;
    scene.zoomMode = true;
    scene.scrollMax = n;
    buildLoggerZoomLevels(g, n, W, H);
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
        g.firstIndex = truncToInt((g.plotLeft - (g.loggerX[D][0][0] + off * s)) / s + off);
        scene.thumb = std::clamp(g.firstIndex, 0, n);
        g.firstIndexValid = true;
    }
    const std::int64_t period = doc.m_recallPeriod;
    g.firstTime =
        doc.m_recallTag + static_cast<std::int64_t>(g.firstIndex - g.scrollOffset) * period;
    zoomGridAndLabelIndices(g, n, W, s, buf);
    for (int m = 0; m < kLoggerTimeLabels; ++m) {
        g.labelTime[m] =
            g.firstTime + static_cast<std::int64_t>(g.labelIndex[m] - g.firstIndex) * period;
    }

    // The scroll offset shifts the data by whole records; only segments whose
    // shifted ends are records of the set are drawn.
    const int off = g.scrollOffset;
    const int first = std::max(0, -off);
    const int last = static_cast<int>(std::min<std::int64_t>(
        static_cast<std::int64_t>(n) - 1, static_cast<std::int64_t>(n) - off - 1));
    drawLoggerTraces(g, D, first, last, off, buf);
    masks(g, buf);
    for (int m = 0; m < kLoggerTimeLabels; ++m) {
        const int idx = g.labelIndex[m];
        if (idx < 0 || idx >= n) {
            continue;
        }
        const float x = g.loggerX[D][idx][0];
        if (g.plotLeft <= x && x <= g.plotRight) {
            addText(scene, LoggerFont::A, truncToInt(x), truncToInt(g.plotBottom) + 1,
                    localTimeText(g.labelTime[m], kClockPattern));
        }
    }
}

void valueLabels(const LoggerGraph& g, float H, LoggerScene& scene) {
    for (int k = 0; k < kLoggerAxisLines; ++k) {
        const float v = g.loggerAxisValue[k][g.zoomLevel];
        const float p = static_cast<float>(valueLabelDigits(v));
        addText(scene, LoggerFont::A, truncToInt(g.plotLeft - 70 + p * 7.5f),
                truncToInt(g.plotBottom - H * static_cast<float>(k) * 0.1f - 5), formatFixed(v, 2));
    }
}

void legend(const LoggerGraph& g, const PixelBuffer& buf, LoggerScene& scene) {
    static const char* const kNames[kChannelCount] = {"AIR", "WB", "DP", "K/IR", "RH"};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (!g.showChannel[ch]) {
            continue;
        }
        const float base = g.plotLeft + 120.0f * static_cast<float>(ch);
        addText(scene, LoggerFont::A, truncToInt(base + 40), 40, kNames[ch]);
        // A two-pixel pen centred on y = 60.
        hLine(buf, base + 20, base + 80, 59, kLoggerTrace[ch]);
        hLine(buf, base + 20, base + 80, 60, kLoggerTrace[ch]);
    }
}

}  // namespace

int valueLabelDigits(float v) {
    if (v >= 1000)
        return 1;
    if (v >= 100)
        return 2;
    if (v >= 10)
        return 3;
    if (v >= 0)
        return 4;
    if (v > -10)
        return 3;
    if (v > -100)
        return 2;
    if (v > -1000)
        return 1;
    return 0;
}

int loggerRecordCount(const CHygDoc& doc) {
    return std::clamp(doc.m_recallCount, 0, kSampleCapacity);
}

float loggerRecordStep(const LoggerGraph& graph, const CHygDoc& doc) {
    if (loggerRecordCount(doc) < 2) {
        return 0.0f;
    }
    const int D = graph.zoomLevel;
    return graph.loggerX[D][1][0] - graph.loggerX[D][0][0];
}

void addReadoutTexts(LoggerGraph& g, const CHygDoc& doc, LoggerScene& scene) {
    const int n = loggerRecordCount(doc);
    if (g.cursorIndex >= 0 && g.cursorIndex < n &&
        doc.m_recall[g.cursorIndex][kSurface] <= -1000.0f) {
        g.readoutText[kSurface] = "------";
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (!g.showChannel[ch]) {
            continue;
        }
        const int x = truncToInt(g.plotLeft + 120.0f * static_cast<float>(ch));
        const bool rh = ch == kHumidity;
        addText(scene, LoggerFont::B, x, 70, g.readoutText[ch] + (rh ? "%RH" : doc.m_recallUnit));
        addText(scene, LoggerFont::B, x + (rh ? 62 : 50), 70, "@");
        addText(scene, LoggerFont::B, x + (rh ? 74 : 62), 70, g.readoutTime);
    }
}

void buildLoggerScene(LoggerGraph& g, const CHygDoc& doc, const ViewState& view, bool storeEmpty,
                      const PixelBuffer& buf, LoggerScene& scene) {
    scene.clear();
    g.plotLeft = 306;
    g.plotTop = 90;
    g.plotRight = static_cast<float>(buf.width - 61);
    g.plotBottom = static_cast<float>(buf.height - 61);
    // Background everywhere; the plot's own area is filled black right after,
    // so it is skipped here. With a set on screen the masks later paint
    // everything around the plot except the plot's bottom row, so only that
    // gets the background first.
    const int pl = 306, pt = 90, pr = buf.width - 61, pb = buf.height - 61;
    const bool masked = !storeEmpty && pr > pl && pb > pt;
    if (masked) {
        fillArea(buf, 0, pb, buf.width, 1, kLoggerBackground);
    } else if (pr > pl && pb > pt) {
        fillArea(buf, 0, 0, buf.width, pt, kLoggerBackground);
        fillArea(buf, 0, pb, buf.width, buf.height - pb, kLoggerBackground);
        fillArea(buf, 0, pt, pl, pb - pt, kLoggerBackground);
        fillArea(buf, pr, pt, buf.width - pr, pb - pt, kLoggerBackground);
    } else {
        fillArea(buf, 0, 0, buf.width, buf.height, kLoggerBackground);
    }
    const float W = g.plotRight - g.plotLeft, H = g.plotBottom - g.plotTop;
    frameAndGrid(g, buf, W, H, masked);

    if (!storeEmpty) {
        const int n = loggerRecordCount(doc);
        buildLoggerLevel0(g, doc, view, n, W, H);
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
        const float x = truncWhole(static_cast<float>(g.cursorX));
        drawLine(buf, buf.bounds(), x, truncWhole(g.plotTop), x, truncWhole(g.plotBottom),
                 kLoggerCursor, LineStyle::Dotted, LineMode::Invert);
    }
}

}  // namespace kr5061
