#include "logger/logger_zoom.h"

#include <algorithm>
#include <cmath>

#include "store/number_text.h"
#include "store/truncation.h"

namespace kr5061 {

namespace {

// The rubber band spanned by two corners, normalised.
PixelRect band(LoggerPoint a, LoggerPoint b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

void invertBand(const PixelBuffer& frame, LoggerPoint a, LoggerPoint b) {
    invertHalftoneFrame(frame, frame.bounds(), band(a, b));
}

void invertCursor(const LoggerGraph& g, const PixelBuffer& frame, int x) {
    drawLine(frame, frame.bounds(), x, truncWhole(g.plotTop), x, truncWhole(g.plotBottom),
             kLoggerCursor, LineStyle::Dotted, LineMode::Invert);
}

// The record nearest to pointer x; a pointer exactly between two records keeps the lower one.
void placeCursor(LoggerGraph& g, int n, int px, float s) {
    const int D = g.zoomLevel;
    const float fx = static_cast<float>(px);
    const float at = (fx - g.loggerX[D][0][0]) / s - static_cast<float>(g.scrollOffset);
    g.cursorIndex = static_cast<int>(std::clamp(at, -2.0e9f, 2.0e9f));
    const int j = g.cursorIndex + g.scrollOffset;
    if (j >= 0 && j + 1 < n && fx - g.loggerX[D][j][0] > g.loggerX[D][j + 1][0] - fx) {
        ++g.cursorIndex;
    }
}

void readout(LoggerGraph& g, const CHygDoc& doc, const PixelBuffer& frame, LoggerScene& overlay) {
    const int i = g.cursorIndex;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        float v = doc.m_recall[i][ch];
        if (doc.m_recallFahrenheit == 1 && ch != kHumidity) {
            v = toFahrenheit(v);
        }
        g.readoutText[ch] = ch == kSurface ? formatCutTenth(v) : formatFixed(v, 1);
    }
    g.readoutTime = localTimeText(static_cast<std::int64_t>(doc.m_recallTag) +
                                      static_cast<std::int64_t>(i) * doc.m_recallPeriod,
                                  kClockPattern);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (g.showChannel[ch]) {
            const int x = truncToInt(g.plotLeft + 120.0f * static_cast<float>(ch));
            fillRect(frame, frame.bounds(), x, 70, 50, 20, kLoggerBackground);
        }
    }
    addReadoutTexts(g, doc, overlay);
}

}  // namespace

LoggerPoint clampToPlot(const LoggerGraph& g, LoggerPoint p) {
    const float x = static_cast<float>(p.x), y = static_cast<float>(p.y);
    if (x < g.plotLeft) p.x = truncToInt(g.plotLeft);
    if (x > g.plotRight) p.x = truncToInt(g.plotRight);
    if (y < g.plotTop) p.y = truncToInt(g.plotTop);
    if (y > g.plotBottom) p.y = truncToInt(g.plotBottom);
    return p;
}

void loggerButtonDown(LoggerGraph& g, LoggerPoint p) {
    p = clampToPlot(g, p);
    g.anchorPoint = g.lastPoint = p;
    g.zoomLoX[g.zoomLevel] = static_cast<float>(p.x);
    g.zoomLoY[g.zoomLevel] = static_cast<float>(p.y);
    g.dragging = true;
    g.noDrag = true;
}

void loggerMouseMove(LoggerGraph& g, const CHygDoc& doc, bool storeEmpty, LoggerPoint p,
                     const PixelBuffer& frame, LoggerScene& overlay) {
    overlay.clear();
    if (storeEmpty) {
        return;
    }
    const int n = loggerRecordCount(doc);
    const float s = loggerRecordStep(g, doc);
    const float fx = static_cast<float>(p.x);
    if (n >= 2 && s > 0.0f && g.plotLeft <= fx && fx <= g.plotRight + 1) {
        placeCursor(g, n, p.x, s);
        if (!g.cursorAbsent) {
            invertCursor(g, frame, g.cursorX);
        }
        invertCursor(g, frame, p.x);
        g.cursorAbsent = false;
        g.cursorX = p.x;
    }
    if (g.dragging) {
        const LoggerPoint c = clampToPlot(g, p);
        // The old band always goes, also when the pointer came back to the
        // anchor, so that no outline is left behind on the picture.
        invertBand(frame, g.anchorPoint, g.lastPoint);
        invertBand(frame, g.anchorPoint, c);
        if (c.x != g.anchorPoint.x || c.y != g.anchorPoint.y) {
            g.noDrag = false;
        }
        g.lastPoint = c;
    }
    if (n >= 2 && g.cursorIndex >= 0 && g.cursorIndex < n) {
        readout(g, doc, frame, overlay);
    }
}

bool loggerButtonUp(LoggerGraph& g, const CHygDoc& doc, bool storeEmpty, LoggerPoint p,
                    const PixelBuffer& frame) {
    p = clampToPlot(g, p);
    const int D = g.zoomLevel;
    g.zoomHiX[D] = static_cast<float>(p.x);
    g.zoomHiY[D] = static_cast<float>(p.y);
    if (g.dragging) {
        invertBand(frame, g.anchorPoint, g.lastPoint);
        g.dragging = false;
    }
    if (g.noDrag || storeEmpty) {
        return false;
    }
    const float W = g.plotRight - g.plotLeft, H = g.plotBottom - g.plotTop;
    const float s = loggerRecordStep(g, doc);
    if (s < W && D < kLoggerMaxZoomLevel) {
        // Grid lines 0 and 1 of the level this rectangle would make, with the
        // corners as dragged: a drag that ends above its start gives a
        // negative division and only switches to zoom mode.
        const float b0 = g.loggerAxisValue[0][D], b10 = g.loggerAxisValue[10][D];
        const float lift = g.plotBottom - g.zoomHiY[D];
        const float v0 = b0 + lift * (b10 - b0) / H;
        const float v1 = b0 + (lift + (g.zoomHiY[D] - g.zoomLoY[D]) * 0.1f) * (b10 - b0) / H;
        // A rectangle without width would scale the time axis by infinity.
        const bool hasWidth = g.zoomHiX[D] != g.zoomLoX[D];
        if (v1 - v0 > 0.1f && hasWidth) {
            g.zoomLevel = D + 1;
        }
    }
    g.fullView = false;
    g.firstIndexValid = false;
    return true;
}

bool loggerDragWatch(LoggerGraph& g, LoggerPoint p) {
    if (!g.dragging) {
        return false;
    }
    const float x = static_cast<float>(p.x), y = static_cast<float>(p.y);
    const bool outside = y >= g.plotBottom + 40 || y <= g.plotTop - 20 ||
                         x >= g.plotRight + 50 || x <= g.plotLeft - 50;
    if (!outside) {
        return false;
    }
    g.dragging = false;
    g.noDrag = true;
    return true;
}

int loggerScroll(LoggerGraph& g, bool thumbReleased, int pos) {
    if (thumbReleased) {
        g.scrollOffset = g.firstIndex - pos + 1;
    }
    return g.firstIndex - g.scrollOffset + 1;
}

}  // namespace kr5061
