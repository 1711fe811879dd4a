#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/main_frame.h"
#include "graph/graph_layout.h"
#include "graph/graph_scene.h"
#include "graph/graph_test_support.h"
#include "graph/hyg_view.h"
#include "graph/scene_painter.h"
#include "graph/scroll_strip.h"
#include "link/ms_comm.h"
#include "store/measurement_file.h"
#include "support/main_window_parts.h"
#include "support/modal.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

constexpr int kUndoZoom = 32811;

// The main window on the offscreen platform with a run of samples in the store.
struct GraphWindow : testing::Test, test::MainWindowParts {
    test::ScopedConfigDir config;
    std::unique_ptr<CMainFrame> frame;
    CHygView* view = nullptr;

    void SetUp() override {
        frame = makeFrame();
        frame->resize(1400, 900);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        view = frame->view();
    }

    void commit(int n, float value) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            for (int i = 0; i < n; ++i) {
                doc->m_live[ch][i] = value;
            }
        }
        state->view.m_startTime = 1700000000;
        state->view.m_sampleIndex = n;
        for (int i = 0; i < 5; ++i) {  // the first paint may compress and ask for another
            view->repaintGraph();
            QCoreApplication::processEvents();
        }
    }

    PlotGeometry geometry() const {
        return plotGeometry(rectAt(0, 0, view->width(), view->height()));
    }
    QRgb pixel(int x, int y) const { return view->grab().toImage().pixel(x, y); }
};

TEST_F(GraphWindow, PaintShowsPlotGridTraceStripsAndCaptions) {
    view->repaintGraph();
    EXPECT_EQ(frame->paneText(1), QStringLiteral("time:"));
    EXPECT_EQ(frame->paneText(2),
              QStringLiteral("AIR:         WB:         DP:         K/IR:         RH:"));

    commit(20, 45.0f);
    const PlotGeometry g = geometry();
    const QImage shot = view->grab().toImage();
    const int traceY = g.y0 + static_cast<int>(g.height - g.height * 0.45f);
    EXPECT_EQ(shot.pixel(g.x0 + 3, traceY), kTraceColour[kHumidity]);  // drawn last, on top
    EXPECT_EQ(shot.pixel(g.x0 + 5, g.y0 + 5), kPlotBackground);
    EXPECT_EQ(shot.pixel(g.x0 + 6, g.y0 + static_cast<int>(g.height * 0.1)), kGridColour);
    EXPECT_EQ(shot.pixel(230, g.y0 + 5), kBandColour);       // value-label strip
    EXPECT_EQ(shot.pixel(g.x1 + 5, g.y0 + 5), kBandColour);  // right margin
    // Some dark text pixels of the value labels inside the strip.
    int dark = 0;
    for (int y = g.y0 - 30; y < g.y1 + 30; ++y) {
        for (int x = 226; x < 226 + 60; ++x) {
            dark += qGray(shot.pixel(x, y)) < 100;
        }
    }
    EXPECT_GT(dark, 50);
}

TEST_F(GraphWindow, CursorLineIsAnXorStrokeAndTheReadoutGoesToTheStatusBar) {
    commit(20, 45.0f);
    const PlotGeometry g = geometry();
    const QPoint at(g.x0 + 200, g.y0 + 50);
    QTest::mouseMove(view, at);
    EXPECT_EQ(pixel(at.x(), g.y0), qRgb(255, 255, 255));  // inverted black
    EXPECT_EQ(pixel(at.x(), g.y0 + 3), kPlotBackground);  // between the dots
    EXPECT_TRUE(frame->paneText(1).startsWith(QStringLiteral("time:")));
    EXPECT_EQ(frame->paneText(2),
              QStringLiteral("AIR:45.0 C    WB:45.0 C    DP:45.0 C    K/IR:45.0 C    RH:45.0 %RH"));
    QTest::mouseMove(view, at + QPoint(40, 0));
    EXPECT_EQ(pixel(at.x(), g.y0), kPlotBackground);  // the old line is gone
    EXPECT_EQ(pixel(at.x() + 40, g.y0), qRgb(255, 255, 255));
}

// The cursor line survives a sample's repaint and, moved on, gives back
// exactly what lies under it: over trace and grid pixels, and clamped onto the
// right margin. The reference is a clean paint of the same state.
TEST_F(GraphWindow, CursorLineLeavesNoGhostAfterASampleRepaint) {
    commit(20, 45.0f);
    state->frame.m_recording = true;
    state->frame.m_startPending = false;
    state->frame.m_idle = false;
    state->view.m_sampleLimit = 1000;
    const PlotGeometry g = geometry();
    const int y = g.y0 + 50;
    // Over the trace and the grid, then clamped onto the right edge.
    for (const int x : {g.x0 + 3, g.x1 + 30}) {
        SCOPED_TRACE(x);
        QTest::mouseMove(view, QPoint(x, y));
        const int lineX = std::min(x, g.x1);
        state->view.m_newFrame = true;
        view->sampleClockTick();
        view->repaint();
        const QImage kept = view->graphImage().copy();
        QTest::mouseMove(view, QPoint(g.x0 + 100, y));
        const QImage moved = view->graphImage().copy();
        view->repaintGraph();
        const QImage fresh = view->graphImage();
        EXPECT_NE(kept.pixel(lineX, g.y0), fresh.pixel(lineX, g.y0))
            << "the line stays over the new sample";
        int differing = 0;
        for (int py = 0; py < fresh.height(); ++py) {
            for (int px = 0; px < fresh.width(); ++px) {
                differing += px != g.x0 + 100 && moved.pixel(px, py) != fresh.pixel(px, py);
            }
        }
        EXPECT_EQ(differing, 0) << "pixels left where the line was";
    }
}

TEST_F(GraphWindow, PressDragReleaseZoomsAndUndoZoomReturnsToLive) {
    commit(40, 45.0f);
    const PlotGeometry g = geometry();
    const QPoint a(g.x0 + 100, g.y0 + 40), b(g.x0 + 400, g.y1 - 40);
    QTest::mousePress(view, Qt::LeftButton, {}, a);
    EXPECT_TRUE(view->dragTimer().isActive());
    QTest::mouseMove(view, b);
    // The rubber band is on the image: a corner pixel of the frame is inverted.
    EXPECT_EQ(pixel(a.x(), a.y() + (a.x() + a.y()) % 2), qRgb(255, 255, 255));
    QTest::mouseRelease(view, Qt::LeftButton, {}, b);
    EXPECT_EQ(graph->zoomLevel, 1);
    EXPECT_EQ(graph->liveMode, 0);
    EXPECT_FALSE(state->view.m_dragActive);
    QScrollBar* bar = view->scrollStrip()->scrollBar();
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(bar->maximum(), 40);
    EXPECT_EQ(bar->value(), state->view.m_scrollPos);
    EXPECT_GT(bar->value(), 0);
    frame->updateCommandUI();
    QAction* undo = frame->action(kUndoZoom);
    ASSERT_NE(undo, nullptr);
    EXPECT_TRUE(undo->isEnabled());
    // The band was wiped by the zoom's repaint.
    EXPECT_EQ(pixel(a.x(), a.y() + (a.x() + a.y()) % 2) == qRgb(255, 255, 255), false);

    undo->trigger();
    EXPECT_EQ(graph->zoomLevel, 0);
    EXPECT_EQ(graph->liveMode, 1);
    EXPECT_FALSE(bar->isEnabled());
    EXPECT_EQ(bar->value(), 0) << "the thumb is back at the start";
    frame->updateCommandUI();
    EXPECT_FALSE(undo->isEnabled());
}

constexpr int kExportCsv = 32840, kExportGraphImage = 32841;

TEST_F(GraphWindow, ExportCsvWritesTheRunAsTheCommandLineDoes) {
    test::TempDir dir;
    frame->updateCommandUI();
    EXPECT_FALSE(frame->action(kExportCsv)->isEnabled()) << "no committed sample";
    EXPECT_FALSE(frame->action(kExportGraphImage)->isEnabled());
    commit(4, 21.5f);
    state->view.m_samplePeriodMs = 2000;
    frame->updateCommandUI();
    // The typed name holds dots, so the dialog's own default suffix would not be added.
    test::answerFileDialog(QString::fromStdString(dir.file("run 26.12.08").string()));
    frame->action(kExportCsv)->trigger();
    std::ifstream in(dir.file("run 26.12.08.csv"), std::ios::binary);
    std::stringstream written;
    written << in.rdbuf();
    const RunSnapshot run = snapshotOfRun(*doc, state->view);
    EXPECT_EQ(written.str(), formatCsvTable(tableInputOf(run)));
    EXPECT_NE(written.str().find("21.5"), std::string::npos);
    EXPECT_EQ(frame->paneText(0), QStringLiteral("Exported 4 samples to %1")
                                      .arg(QString::fromStdString(dir.file("run 26.12.08.csv").string())));
}

TEST_F(GraphWindow, ExportGraphImageWritesTheGraphOnScreenZoomIncludedCursorLineNot) {
    test::TempDir dir;
    commit(40, 30.0f);
    const PlotGeometry g = geometry();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(g.x0 + 50, g.y0 + 40));
    QTest::mouseMove(view, QPoint(g.x0 + 300, g.y0 + 200));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(g.x0 + 300, g.y0 + 200));
    ASSERT_EQ(graph->liveMode, 0) << "zoomed";
    const PixelRect r = graphPictureRect(rectAt(0, 0, view->width(), view->height()));
    const QRect area(r.left, r.top, r.width(), r.height());
    QCoreApplication::processEvents();
    const QImage zoomed = view->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint at(g.x0 + 200, g.y0 + 50);
    QTest::mouseMove(view, at);
    ASSERT_NE(pixel(at.x(), g.y0), zoomed.pixel(at.x() - r.left, g.y0 - r.top)) << "cursor line";
    frame->updateCommandUI();
    test::answerFileDialog(QString::fromStdString(dir.file("zoom").string()));
    frame->action(kExportGraphImage)->trigger();
    const QImage exported(QString::fromStdString(dir.file("zoom.png").string()));
    ASSERT_FALSE(exported.isNull());
    EXPECT_EQ(exported.size(), area.size());
    EXPECT_EQ(exported.convertToFormat(QImage::Format_RGB32), zoomed);
    EXPECT_EQ(frame->paneText(0),
              QStringLiteral("Saved the graph to %1").arg(QString::fromStdString(dir.file("zoom.png").string())));
}

// The dialog asks about the name it returns; the extension added after it
// names another file, which the export must ask about itself.
TEST_F(GraphWindow, ExportsAskBeforeReplacingAFileTheyAddedTheExtensionTo) {
    commit(4, 21.5f);
    frame->updateCommandUI();
    for (const auto& [command, ext] : {std::pair{kExportCsv, ".csv"}, {kExportGraphImage, ".png"}}) {
        test::TempDir dir;
        const std::filesystem::path existing = dir.file((std::string("run.1") + ext).c_str());
        std::ofstream(existing) << "earlier";
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            QString prompt;
            test::answerFileDialog(QString::fromStdString(dir.file("run.1").string()));
            test::onNextModal<QMessageBox>([&](QMessageBox* box) {
                prompt = box->text();
                box->button(answer)->click();
            });
            frame->action(command)->trigger();
            EXPECT_TRUE(prompt.startsWith(QStringLiteral("run.1%1 already exists.").arg(ext)))
                << prompt.toStdString();
            std::ifstream in(existing, std::ios::binary);
            std::stringstream written;
            written << in.rdbuf();
            EXPECT_EQ(written.str() == "earlier", answer == QMessageBox::No) << ext;
        }
    }
}

}  // namespace
}  // namespace kr5061

namespace kr5061 {
namespace {

// The view's painter draws only the traces again when nothing else changed,
// and paints afresh once anything else has touched the image (as the rubber
// band and the cursor line do): either way the image equals a fresh paint.
TEST(ScenePainterRedraw, EveryPaintEqualsAFreshOneEvenAfterTheImageWasTouched) {
    test::GraphRig rig(1200, 700);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        for (int i = 0; i < 2000; ++i) {
            rig.doc->m_live[ch][i] = 20.0f + 8.0f * ch + 5.0f * std::sin(i * 0.02f);
        }
    }
    rig.view().m_sampleIndex = 2000;
    rig.settle();
    ScenePainter painter;
    painter.paint(rig.scene);
    auto expectFresh = [&rig, &painter] {
        ScenePainter fresh;
        fresh.paint(rig.scene);
        EXPECT_TRUE(painter.image() == fresh.image());
    };
    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE(step);
        rig.doc->m_live[kAir][1999] += 30.0f;
        rig.doc->m_live[kHumidity][1000] -= 20.0f;
        if (step == 1) {
            const PixelBuffer buf = painter.strokePixels();
            invertHalftoneFrame(buf, buf.bounds(), {400, 200, 900, 500});
        }
        rig.paint();
        painter.paint(rig.scene);
        expectFresh();
    }
}

}  // namespace
}  // namespace kr5061
