#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>
#include <fstream>
#include <memory>

#include "logger/logger_wnd.h"
#include "store/measurement_file.h"
#include "support/modal.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

class LoggerWindow : public ::testing::Test {
protected:
    void SetUp() override {
        auto live = std::make_unique<CHygDoc>();
        for (int i = 0; i < 9; ++i) {
            live->m_live[kAir][i] = 20.0f + static_cast<float>(i);
        }
        ViewState v;
        v.m_sampleIndex = 9;
        v.m_startTime = 1765000000;
        v.m_samplePeriodMs = 2000;
        v.m_unitText = "C";
        ASSERT_TRUE(saveMeasurement(file, snapshotOfRun(*live, v)).ok);
        wnd = new CLoggerWnd(*store, *graph, *doc, view, nullptr);
        wnd->setOpenPathChooser([this] { return QString::fromStdString(next.string()); });
        wnd->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd.data()));
    }
    void TearDown() override { delete wnd.data(); }

    void download(const std::filesystem::path& path) {
        next = path;
        wnd->OnDownload();
        wnd->repaint();  // the paint adopts the loaded set
    }
    QString cell(int row, int column) const { return wnd->list()->item(row, column)->text(); }
    void doubleClickList() {
        QTest::mouseDClick(wnd->list()->viewport(), Qt::LeftButton, {}, QPoint(200, 300));
    }

    test::ScopedConfigDir config;
    test::TempDir dir;
    std::filesystem::path file = dir.file("run.AsmDat");
    std::filesystem::path next;
    std::unique_ptr<LoggerStore> store = makeLoggerStore();
    std::unique_ptr<LoggerGraph> graph = makeLoggerGraph();
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    ViewState view;
    QPointer<CLoggerWnd> wnd;
};

TEST_F(LoggerWindow, TemplateListColumnsAndToolbar) {
    EXPECT_EQ(wnd->windowTitle(), "Graph");
    EXPECT_EQ(wnd->size(), QSize(946, 598));
    QTableWidget* list = wnd->list();
    ASSERT_EQ(list->columnCount(), 4);
    const char* headers[] = {"Set", "Time", "Sampling Rate", "Nums"};
    const int widths[] = {50, 130, 110, 150};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list->horizontalHeaderItem(c)->text(), headers[c]);
        EXPECT_EQ(list->columnWidth(c), widths[c]);
    }
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(wnd->scrollBar()->isEnabled());
    int buttons = 0;
    for (QAction* a : wnd->toolBar()->actions()) {
        if (!a->isSeparator()) {
            ++buttons;
            EXPECT_FALSE(a->toolTip().isEmpty());
        }
    }
    EXPECT_EQ(buttons, 10);
    EXPECT_TRUE(view.m_loggerOpen) << "the first paint marks the window open";
}

TEST_F(LoggerWindow, DownloadsAreListedAndTheSameFileTwiceGivesTwoRows) {
    download(file);
    download(file);
    ASSERT_EQ(wnd->list()->rowCount(), 2);
    EXPECT_EQ(cell(0, 0), "1");
    EXPECT_EQ(cell(1, 0), "2");
    EXPECT_EQ(cell(1, 2), "2sec");
    EXPECT_EQ(cell(1, 3), "9");
    EXPECT_FALSE(view.m_recallLoadedB);
}

TEST_F(LoggerWindow, InvalidFileSaysSoAndChangesNothing) {
    download(file);
    const auto bad = dir.file("bad.AsmDat");
    std::ofstream(bad, std::ios::binary) << "garbage";
    QString text;
    test::onNextModal<QMessageBox>([&](QMessageBox* box) {
        text = box->text();
        box->accept();
    });
    download(bad);
    EXPECT_EQ(text, "Invalid Format!");
    EXPECT_EQ(wnd->list()->rowCount(), 1);
    EXPECT_EQ(doc->m_recallCount, 9);
}

TEST_F(LoggerWindow, DoubleClickUsesTheSelectionMarkAndNeedsOne) {
    // A second set of another size, so the recall buffer shows which set it holds.
    auto live = std::make_unique<CHygDoc>();
    ViewState v;
    v.m_sampleIndex = 4;
    v.m_samplePeriodMs = 1000;
    const auto shorter = dir.file("short.AsmDat");
    ASSERT_TRUE(saveMeasurement(shorter, snapshotOfRun(*live, v)).ok);
    download(file);
    download(shorter);
    ASSERT_EQ(doc->m_recallCount, 4);
    doubleClickList();  // beside the rows, no row ever selected
    EXPECT_EQ(doc->m_recallCount, 4) << "a current row alone is no selection mark";
    QTest::mouseClick(wnd->list()->viewport(), Qt::LeftButton, {},
                      wnd->list()->visualItemRect(wnd->list()->item(0, 1)).center());
    wnd->list()->clearSelection();
    doubleClickList();  // beside the rows: the mark of the last selection still decides
    EXPECT_EQ(doc->m_recallCount, 9);
    EXPECT_EQ(store->selectedSet, 0);
}

TEST(LoggerWindowPlace, CentredOnTheScreenOfASmallMainWindowNearItsEdge) {
    test::ScopedConfigDir config;
    auto store = makeLoggerStore();
    auto graph = makeLoggerGraph();
    auto doc = std::make_unique<CHygDoc>();
    ViewState view;
    QWidget main;
    const QRect area = main.screen()->availableGeometry();
    main.setGeometry(area.right() - 150, area.bottom() - 100, 140, 90);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    auto* logger = new CLoggerWnd(*store, *graph, *doc, view, &main);
    logger->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(logger));
    const QRect at = logger->frameGeometry();
    // Centred on each axis where it fits; where the screen is smaller, from its start.
    const auto expected = [](int lo, int size, int own) {
        return own >= size ? lo : lo + (size - own) / 2;
    };
    EXPECT_EQ(at.left(), expected(area.left(), area.width(), at.width()));
    EXPECT_EQ(at.top(), expected(area.top(), area.height(), at.height()));
    EXPECT_TRUE(area.contains(at.topLeft()));
    EXPECT_TRUE(area.contains(QRect(at.topLeft(), at.size().boundedTo(area.size()))));
    delete logger;
}

TEST_F(LoggerWindow, EscapeAndEnterDoNothing) {
    wnd->list()->setFocus();
    QTest::keyClick(wnd->list(), Qt::Key_Escape);
    QTest::keyClick(wnd->list(), Qt::Key_Return);
    QTest::keyClick(wnd.data(), Qt::Key_Escape);
    EXPECT_TRUE(wnd->isVisible());
}

TEST_F(LoggerWindow, ClosingEmptiesTheStoreAndAReopenedWindowStartsEmpty) {
    download(file);
    ASSERT_EQ(store->lastSet, 0);
    wnd->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(wnd.isNull());
    EXPECT_EQ(store->lastSet, -1);
    EXPECT_FALSE(view.m_loggerOpen);
    wnd = new CLoggerWnd(*store, *graph, *doc, view, nullptr);
    wnd->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd.data()));
    EXPECT_EQ(wnd->list()->rowCount(), 0);
    EXPECT_FALSE(SelectSet(*store, 0, *doc, view));
}

// ---- Graph ----------------------------------------------------------------------

int countPixels(const QImage& img, QRgb colour, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += img.pixel(x, y) == colour ? 1 : 0;
    return n;
}

TEST_F(LoggerWindow, DownloadedSetIsDrawnWithTracesFrameAndBackground) {
    download(file);
    const QImage shot = wnd->grab().toImage();
    const QRect plot(307, 91, 577, 445);
    EXPECT_GT(countPixels(shot, qRgb(255, 0, 0), plot), 100);  // the AIR trace
    EXPECT_EQ(shot.pixel(600, 300), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(900, 300), qRgb(217, 218, 212));
    EXPECT_EQ(shot.pixel(306, 200), qRgb(255, 0, 0));  // left edge
    EXPECT_TRUE(view.m_loggerOpen);
}

TEST_F(LoggerWindow, ToolbarStripShowsNoTraceAboveTheAxis) {
    // Gain 5: the axis ends at 50, and RH climbing from 40 to 60 leaves the
    // plot and runs up through the rows of the toolbar strip.
    auto live = std::make_unique<CHygDoc>();
    for (int i = 0; i < 9; ++i) {
        live->m_live[kHumidity][i] = 40.0f + 2.5f * static_cast<float>(i);
    }
    ViewState v;
    v.m_sampleIndex = 9;
    v.m_samplePeriodMs = 2000;
    v.m_gain = 5;
    const auto high = dir.file("high.AsmDat");
    ASSERT_TRUE(saveMeasurement(high, snapshotOfRun(*live, v)).ok);
    download(high);
    ASSERT_EQ(view.m_loggerGain, 5);
    const QImage shot = wnd->grab().toImage();
    EXPECT_GT(countPixels(shot, qRgb(0, 255, 0), QRect(307, 91, 577, 445)), 50) << "RH is drawn";
    // The strip is the toolbar's: ten 75 x 18 buttons with separators between
    // them only, all above the list at row 28. Outside the buttons (one has a
    // green mark of its own) no RH shows.
    const QList<QAction*> acts = wnd->toolBar()->actions();
    ASSERT_EQ(acts.size(), 19);
    int strip = countPixels(shot, qRgb(0, 255, 0), QRect(0, 0, shot.width(), 23));
    for (int i = 0; i < acts.size(); ++i) {
        EXPECT_EQ(acts[i]->isSeparator(), i % 2 == 1) << i;
        const QWidget* button = wnd->toolBar()->widgetForAction(acts[i]);
        if (i % 2 == 0) {
            EXPECT_EQ(button->size(), QSize(75, 18));
            strip -= countPixels(shot, qRgb(0, 255, 0), button->geometry());
        }
    }
    EXPECT_EQ(strip, 0);
    EXPECT_LE(wnd->toolBar()->geometry().bottom(), 22);
    EXPECT_EQ(wnd->list()->geometry().top(), 28);
}

TEST_F(LoggerWindow, DragZoomsEnablesTheScrollBarAndZoomOutUndoesBoth) {
    download(file);
    QTest::mousePress(wnd, Qt::LeftButton, {}, QPoint(400, 150));
    EXPECT_TRUE(wnd->dragWatchActive());
    QTest::mouseMove(wnd, QPoint(600, 400));
    QTest::mouseRelease(wnd, Qt::LeftButton, {}, QPoint(600, 400));
    EXPECT_FALSE(wnd->dragWatchActive());
    EXPECT_EQ(graph->zoomLevel, 1);
    EXPECT_FALSE(graph->fullView);
    EXPECT_TRUE(wnd->scrollBar()->isEnabled());
    EXPECT_EQ(wnd->scrollBar()->maximum(), 9);
    EXPECT_GT(wnd->scrollBar()->value(), 0) << "the thumb marks the first record shown";
    // The cursor line sits where the pointer was, over the picture.
    EXPECT_FALSE(graph->cursorAbsent);
    EXPECT_EQ(graph->cursorX, 600);
    wnd->OnZoomOut();
    EXPECT_TRUE(graph->fullView);
    EXPECT_EQ(graph->zoomLevel, 0);
    EXPECT_EQ(graph->scrollOffset, 0);
    EXPECT_FALSE(wnd->scrollBar()->isEnabled());
    EXPECT_EQ(wnd->scrollBar()->value(), 0) << "the thumb is back at the start";
}

TEST_F(LoggerWindow, DragWatchCancelsADragThatLeavesThePlot) {
    download(file);
    QTest::mousePress(wnd, Qt::LeftButton, {}, QPoint(400, 150));
    QTest::mouseMove(wnd, QPoint(600, 400));
    const QImage withBand = wnd->frame();
    wnd->OnDragWatch(QPoint(885 + 60, 300));
    EXPECT_FALSE(wnd->dragWatchActive());
    EXPECT_FALSE(graph->dragging);
    EXPECT_NE(wnd->frame(), withBand);  // repainted without the band
    QTest::mouseRelease(wnd, Qt::LeftButton, {}, QPoint(600, 400));
    EXPECT_EQ(graph->zoomLevel, 0);
    EXPECT_TRUE(graph->fullView);
}

TEST_F(LoggerWindow, MouseMoveShowsTheReadoutOfTheNearestRecord) {
    download(file);
    QTest::mouseMove(wnd, QPoint(306, 300));
    EXPECT_EQ(graph->cursorIndex, 0);
    EXPECT_EQ(graph->readoutText[kAir], "20.0");
    QTest::mouseMove(wnd, QPoint(885, 300));
    EXPECT_EQ(graph->cursorIndex, 8);
    EXPECT_EQ(graph->readoutText[kAir], "28.0");
    // Text lands on the picture: white cells behind black glyphs.
    EXPECT_GT(countPixels(wnd->frame(), qRgb(255, 255, 255), QRect(306, 70, 40, 14)), 10);
}

TEST_F(LoggerWindow, PrintWithAnEmptyRecallBufferShowsNothing) {
    bool dialogShown = false;
    test::onNextModal<QWidget>(
        [&](QWidget* w) {
            dialogShown = true;
            w->close();
        },
        20);
    wnd->OnPrint();
    QTest::qWait(300);
    EXPECT_FALSE(dialogShown);
}

TEST_F(LoggerWindow, ExportsTheSelectedSetFromTheContextMenuActions) {
    EXPECT_EQ(wnd->list()->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_TRUE(wnd->list()->actions().contains(wnd->exportCsvAction()));
    EXPECT_FALSE(wnd->exportCsvAction()->isEnabled()) << "nothing loaded";
    download(file);
    ASSERT_TRUE(wnd->exportGraphImageAction()->isEnabled());
    test::answerFileDialog(QString::fromStdString(dir.file("set 1.2").string()));
    wnd->exportGraphImageAction()->trigger();
    const QImage exported(QString::fromStdString(dir.file("set 1.2.png").string()));
    EXPECT_EQ(exported.convertToFormat(QImage::Format_RGB32), wnd->frame().copy(wnd->graphRect()));
    test::answerFileDialog(QString::fromStdString(dir.file("set").string()));
    wnd->exportCsvAction()->trigger();
    std::ifstream in(dir.file("set.csv"), std::ios::binary);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "time,AIR (C),WB (C),DP (C),K/IR (C),RH (%RH)\r");
}

}  // namespace
}  // namespace kr5061
