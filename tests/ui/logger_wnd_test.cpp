#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QMessageBox>
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
    download(file);
    download(file);
    doc->m_recallCount = 77;  // a double-click without a selection must not touch it
    wnd->list()->setCurrentCell(-1, -1);
    doubleClickList();
    EXPECT_EQ(doc->m_recallCount, 77);
    wnd->list()->selectRow(0);
    doubleClickList();  // beside the rows: the mark still decides
    EXPECT_EQ(doc->m_recallCount, 9);
    EXPECT_EQ(store->selectedSet, 0);
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

}  // namespace
}  // namespace kr5061
