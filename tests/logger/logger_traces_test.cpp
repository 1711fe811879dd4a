#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "logger/logger_graph.h"
#include "logger/logger_scene.h"
#include "store/hyg_doc.h"

namespace kr5061 {
namespace {

// A buffer whose every pixel starts distinct, so a pixel drawn where it should
// not be (or left out) shows.
struct Canvas {
    std::vector<Pixel> pixels;
    PixelBuffer buf;
    Canvas(int width, int height) : pixels(static_cast<std::size_t>(width) * height) {
        for (std::size_t k = 0; k < pixels.size(); ++k) {
            pixels[k] = 0xff000000u | static_cast<Pixel>(k * 2654435761u >> 8);
        }
        buf = PixelBuffer{pixels.data(), width, height, width};
    }
};

// The traces as plain segments: drawLine from record to record, record by
// record and channel by channel in between. A segment with both ends left of,
// above, right of or below the image is skipped, also when an end in (-1, 0)
// would truncate into the first column or row.
void referenceTraces(const LoggerGraph& g, int level, int first, int last, int shift,
                     const PixelBuffer& buf) {
    const float w = static_cast<float>(buf.width), h = static_cast<float>(buf.height);
    for (int i = first + 1; i <= last; ++i) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const float x0 = g.loggerX[level][i - 1 + shift][ch], y0 = g.loggerY[level][i - 1][ch];
            const float x1 = g.loggerX[level][i + shift][ch], y1 = g.loggerY[level][i][ch];
            if (!g.showChannel[ch] || (x0 < 0 && x1 < 0) || (y0 < 0 && y1 < 0) ||
                (x0 >= w && x1 >= w) || (y0 >= h && y1 >= h)) {
                continue;
            }
            drawLine(buf, buf.bounds(), x0, y0, x1, y1, kLoggerTrace[ch]);
        }
    }
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct TraceCase {
    const char* name;
    int width, height, count;
    int first, last, shift;
    std::uint8_t shown;                               // bit per channel
    std::function<float(int)> x;                      // record -> x
    std::function<float(int, int, std::mt19937&)> y;  // record, channel -> y
};

float uniform(std::mt19937& rng, float lo, float hi) {
    return lo + (hi - lo) * static_cast<float>(rng() % 1000000u) / 1000000.0f;
}

TEST(LoggerTraces, SameAsDrawingEverySegmentInOrder) {
    const TraceCase cases[] = {
        {"dense crossing waves", 200, 120, 3000, 0, 2999, 0, 0x1f,
         [](int i) { return 5.0f + static_cast<float>(i) * 0.063f; },
         [](int i, int ch, std::mt19937&) {
             return 60.0f + 45.0f * std::sin(static_cast<float>(i) * (0.004f + 0.002f * ch) + ch);
         }},
        {"steep zig-zags within columns", 80, 90, 900, 0, 899, 0, 0x1f,
         [](int i) { return 2.5f + static_cast<float>(i) * 0.081f; },
         [](int i, int ch, std::mt19937&) {
             const int phase = (i * (ch + 3)) % 7;
             return phase < 3 ? 2.0f + 5.0f * ch : 87.0f - static_cast<float>(phase * ch);
         }},
        {"off the image above, below and beside", 90, 70, 2000, 0, 1999, 0, 0x1f,
         [](int i) { return -20.5f + static_cast<float>(i) * 0.061f; },
         [](int i, int ch, std::mt19937& rng) {
             switch ((i * 7 + ch) % 23) {
                 case 0:
                     return -1e30f;
                 case 1:
                     return 1e12f;
                 case 2:
                     return -0.5f;
                 case 3:
                     return 69.7f;
                 case 4:
                     return 70.0f;
                 case 5:
                     return -1.0f;
                 default:
                     return uniform(rng, -60.0f, 130.0f);
             }
         }},
        {"top edge, one channel", 60, 40, 1200, 0, 1199, 0, 0x02,
         [](int i) { return static_cast<float>(i) * 0.08f; },
         [](int, int, std::mt19937& rng) {
             const float ends[] = {-0.5f, -0.2f, -1.5f, -3.0f};
             return rng() % 20 == 0 ? 2.5f : ends[rng() % 4];
         }},
        {"left edge", 40, 80, 300, 0, 299, 0, 0x1f,
         [](int i) { return -0.95f + static_cast<float>(i) * 0.1f; },
         [](int i, int ch, std::mt19937&) {
             return static_cast<float>(i < 10 ? 20 + 3 * i : 50 + i % 3) + 5.0f * ch;
         }},
        {"ramps ending mid-column and at gaps", 70, 50, 1005, 0, 1004, 0, 0x1f,
         [](int i) { return static_cast<float>(i) * 0.1f; },
         [](int i, int ch, std::mt19937&) {
             if (ch == 2 && i % 53 == 0) {
                 return kNaN;
             }
             return std::fmod(static_cast<float>(i) * 0.37f + 13.0f * ch, 50.0f);
         }},
        {"a point missing now and then inside a column", 40, 45, 800, 0, 799, 0, 0x1f,
         [](int i) { return static_cast<float>(i) * 0.05f; },
         [](int i, int ch, std::mt19937&) {
             const int r = i % 10;
             switch (ch) {
                 case 0:
                     return r == 5 ? kNaN : 5.0f + 0.1f * r;
                 // Level over the record where channel 0 is missing, then missing itself.
                 case 1:
                     return r == 6 ? kNaN : r == 4 || r == 5 ? 20.5f : 14.0f + 0.5f * r;
                 default:
                     return 8.0f + 5.0f * ch + 0.3f * static_cast<float>(i % 20);
             }
         }},
        {"not finite", 90, 70, 1500, 0, 1499, 0, 0x1f,
         [](int i) { return i == 700 ? kNaN : static_cast<float>(i) * 0.06f; },
         [](int i, int ch, std::mt19937& rng) {
             if ((i + ch) % 97 == 0) {
                 return kNaN;
             }
             if ((i * 3 + ch) % 89 == 0) {
                 return ch % 2 ? kInf : -kInf;
             }
             return uniform(rng, 10.0f, 60.0f);
         }},
        {"a pixel or more apart, steep and gentle", 140, 80, 200, 0, 199, 0, 0x1f,
         [](int i) { return -3.0f + static_cast<float>(i) * 1.7f; },
         [](int i, int ch, std::mt19937& rng) {
             return ch < 2 ? uniform(rng, -10.0f, 90.0f)
                           : 40.0f + 8.0f * std::sin(static_cast<float>(i) * 0.2f + ch);
         }},
        {"scrolled, a sub-range, hidden channels", 100, 80, 1500, 100, 1300, 150, 0x1b,
         [](int i) { return -10.0f + static_cast<float>(i) * 0.07f; },
         [](int i, int ch, std::mt19937& rng) {
             return 40.0f + 10.0f * ch * std::sin(static_cast<float>(i) * 0.01f) +
                    uniform(rng, -3.0f, 3.0f);
         }},
    };
    auto graph = makeLoggerGraph();
    for (const TraceCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 rng(1234);
        for (int i = 0; i < c.count; ++i) {
            const float x = c.x(i);
            for (int ch = 0; ch < kChannelCount; ++ch) {
                graph->loggerX[0][i][ch] = x;
                graph->loggerY[0][i][ch] = c.y(i, ch, rng);
            }
        }
        for (int ch = 0; ch < kChannelCount; ++ch) {
            graph->showChannel[ch] = ((c.shown >> ch) & 1) != 0;
        }
        Canvas ours(c.width, c.height), reference(c.width, c.height);
        drawLoggerTraces(*graph, 0, c.first, c.last, c.shift, ours.buf);
        referenceTraces(*graph, 0, c.first, c.last, c.shift, reference.buf);
        const auto diff = std::mismatch(ours.pixels.begin(), ours.pixels.end(),
                                        reference.pixels.begin(), reference.pixels.end());
        const long at = diff.first - ours.pixels.begin();
        EXPECT_TRUE(diff.first == ours.pixels.end())
            << "first differing pixel " << at % c.width << "," << at / c.width;
    }
}

// ---- Level 0 kept between paints ---------------------------------------------

struct LoggerSet {
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    std::unique_ptr<LoggerGraph> graph = makeLoggerGraph();
    ViewState view;
    LoggerScene scene;
    int width = 946, height = 598;
    std::vector<Pixel> pixels;

    LoggerSet() {
        doc->m_recallCount = 3000;
        doc->m_recallPeriod = 2;
        doc->m_recallTag = 1765000000;
        doc->m_recallUnit = "C";
        for (int i = 0; i < kSampleCapacity; ++i) {
            for (int ch = 0; ch < kChannelCount; ++ch) {
                doc->m_recall[i][ch] = 40.0f + 30.0f * std::sin(static_cast<float>(i) * 0.01f + ch);
            }
        }
        view.m_loggerGain = 10;
        view.m_loggerOffset = 0;
    }
    void paint() {
        pixels.assign(static_cast<std::size_t>(width) * height, 0);
        buildLoggerScene(*graph, *doc, view, false,
                         PixelBuffer{pixels.data(), width, height, width}, scene);
    }
};

struct Level0Change {
    const char* name;
    bool movesY;  // a level-0 y of the painted records changes
    std::function<void(LoggerSet&)> apply;
};

TEST(LoggerLevel0, KeptOnlyWhileItsInputsStayTheSame) {
    const Level0Change changes[] = {
        {"nothing", false, [](LoggerSet&) {}},
        {"a record in the middle", true,
         [](LoggerSet& s) { s.doc->m_recall[1500][kDewPoint] += 7.0f; }},
        {"the first record", true, [](LoggerSet& s) { s.doc->m_recall[0][kAir] = -5.0f; }},
        {"the last record", true, [](LoggerSet& s) { s.doc->m_recall[2999][kHumidity] = 99.0f; }},
        {"a record past the count", false,
         [](LoggerSet& s) { s.doc->m_recall[3000][kAir] = 5.0f; }},
        {"changed and changed back", false,
         [](LoggerSet& s) {
             const float was = s.doc->m_recall[10][kSurface];
             s.doc->m_recall[10][kSurface] = 90.0f;
             s.paint();
             s.doc->m_recall[10][kSurface] = was;
         }},
        {"fewer records", false, [](LoggerSet& s) { s.doc->m_recallCount = 2000; }},
        {"more records", false, [](LoggerSet& s) { s.doc->m_recallCount = 3500; }},
        {"gain", true, [](LoggerSet& s) { s.view.m_loggerGain = 5; }},
        {"offset", true, [](LoggerSet& s) { s.view.m_loggerOffset = -1; }},
        {"fahrenheit", true, [](LoggerSet& s) { s.doc->m_recallFahrenheit = 1; }},
        {"window size", true, [](LoggerSet& s) { s.width = 1100, s.height = 700; }},
    };
    for (const Level0Change& c : changes) {
        SCOPED_TRACE(c.name);
        LoggerSet kept;
        kept.paint();
        kept.paint();
        const std::uint64_t generation = kept.graph->level0Generation;
        c.apply(kept);
        kept.paint();
        LoggerSet fresh;
        c.apply(fresh);
        fresh.paint();
        const auto diff = std::mismatch(kept.pixels.begin(), kept.pixels.end(),
                                        fresh.pixels.begin(), fresh.pixels.end());
        EXPECT_TRUE(diff.first == kept.pixels.end())
            << "pixel " << (diff.first - kept.pixels.begin());
        const int n = loggerRecordCount(*fresh.doc);
        const std::size_t bytes = sizeof(float) * kChannelCount * static_cast<std::size_t>(n);
        EXPECT_EQ(std::memcmp(kept.graph->loggerX[0], fresh.graph->loggerX[0], bytes), 0);
        EXPECT_EQ(std::memcmp(kept.graph->loggerY[0], fresh.graph->loggerY[0], bytes), 0);
        if (c.movesY) {
            EXPECT_GT(kept.graph->level0Generation, generation);
        } else if (std::strcmp(c.name, "nothing") == 0) {
            EXPECT_EQ(kept.graph->level0Generation, generation);
        }
    }
}

}  // namespace
}  // namespace kr5061
