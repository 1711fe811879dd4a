#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <ctime>
#include <memory>

#include "graph/report_printer.h"
#include "panels/ui_common.h"
#include "store/hyg_doc.h"

namespace kr5061 {
namespace {

// A run of 101 samples on the default axis (0..100): AIR climbs from 0 to
// 100, RH sits at 50, K/IR lies above the axis top; the others are hidden.
struct SampleRun {
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    ReportSource src;

    SampleRun() {
        for (int i = 0; i <= 100; ++i) {
            doc->m_live[kAir][i] = static_cast<float>(i);
            doc->m_live[kHumidity][i] = 50.0f;
            doc->m_live[kSurface][i] = 110.0f;
        }
        src.samples = SampleView::channelMajor(doc->m_live);
        src.count = 101;
        src.showChannel[kWetBulb] = false;
        src.showChannel[kDewPoint] = false;
        src.periodMs = 1000;
        src.startTime = 1'800'000'000;
        for (int k = 0; k < kAxisLines; ++k)
            src.axis[k] = static_cast<float>(k * 10);
    }
};

bool isDark(QRgb c) {
    return qRed(c) < 90 && qGreen(c) < 90 && qBlue(c) < 90;
}
bool isWhite(QRgb c) {
    return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245;
}

// The colour at p or at one of its eight neighbours: a truncated coordinate
// may put a line a pixel either way.
bool colourNear(const QImage& img, QPoint p, const QColor& colour) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (QColor(img.pixel(p + QPoint(dx, dy))) == colour)
                return true;
    return false;
}

int darkPixelsIn(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += isDark(img.pixel(x, y)) ? 1 : 0;
    return n;
}

// At 100 dpi one page unit is one pixel: unit (x, y) lands on pixel (W + x, H - y).
constexpr int kW = 850;
constexpr int kH = 1200;
QPoint px(int x, int y) {
    return QPoint(kW + x, kH - y);
}

QImage renderAt100Dpi(const ReportSource& src, std::int64_t printTime = 0) {
    ReportOps ops;
    layoutReportPage(src, ReportPage{kW, kH}, printTime, ops);
    QImage img(kW, kH, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    renderReport(p, QRect(0, 0, kW, kH), 100, ops);
    return img;
}

// ---- Drawing the page -------------------------------------------------------

TEST(ReportRender, FrameTracesAndMasksLandOnTheirPixels) {
    SampleRun run;
    const QImage img = renderAt100Dpi(run.src);
    EXPECT_TRUE(isDark(img.pixel(px(-750, 600))));   // left frame line
    EXPECT_TRUE(isDark(img.pixel(px(-10, 600))));    // right frame line
    EXPECT_TRUE(isDark(img.pixel(px(-300, 201))));   // bottom frame line, above its mask
    EXPECT_TRUE(isDark(img.pixel(px(-300, 1000))));  // top frame line, along its mask
    // AIR climbs 8 units per sample, 7.4 units apart; RH lies flat at 50.
    EXPECT_TRUE(colourNear(img, px(-713, 240), QColor(55, 0, 0)));
    EXPECT_TRUE(colourNear(img, px(-83, 920), QColor(55, 0, 0)));
    EXPECT_TRUE(colourNear(img, px(-700, 600), QColor(0, 55, 0)));
    // K/IR at 110 lies above the axis: the mask has erased it.
    EXPECT_TRUE(isWhite(img.pixel(px(-600, 1080))));
    EXPECT_TRUE(isWhite(img.pixel(px(-300, 1080))));
    // Inside the frame, away from traces and grid, the paper stays white.
    EXPECT_TRUE(isWhite(img.pixel(px(-200, 500))));
}

TEST(ReportRender, GridRowsAreDottedGreyAndReachPastTheFrame) {
    SampleRun run;
    run.src.count = 0;
    const QImage img = renderAt100Dpi(run.src);
    int grey = 0, white = 0;
    for (int x = -700; x < -600; ++x) {
        const QRgb c = img.pixel(px(x, 520));
        grey += c == qRgb(127, 127, 127) ? 1 : 0;
        white += isWhite(c) ? 1 : 0;
    }
    EXPECT_GT(grey, 20);
    EXPECT_GT(white, 20);
    EXPECT_FALSE(isWhite(img.pixel(px(-753, 520))) && isWhite(img.pixel(px(-754, 520))) &&
                 isWhite(img.pixel(px(-752, 520))));
}

TEST(ReportRender, TextsAreUprightWithTheirTopLeftAtTheAnchor) {
    SampleRun run;
    run.src.count = 0;  // no trace near the labels
    const QImage img = renderAt100Dpi(run.src);

    // The same title drawn by a plain upright painter at the anchor's pixel.
    QImage ref(kW, kH, QImage::Format_RGB32);
    ref.fill(Qt::white);
    {
        QPainter p(&ref);
        const QFont font = pixelFont(QStringLiteral("Arial"), 40, 100);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QRect(px(-620, 1120), QSize(400, 60)), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral(" Test Report "));
    }
    const QRect titleBox(px(-620, 1120), QSize(400, 55));
    ASSERT_GT(darkPixelsIn(ref, titleBox), 100);
    EXPECT_EQ(img.copy(titleBox), ref.copy(titleBox));

    // Labels hang below their anchors: the time labels under the frame, the
    // legend between the frame and the title.
    EXPECT_GT(darkPixelsIn(img, QRect(px(-747, 194), QSize(60, 16))), 10);
    EXPECT_EQ(darkPixelsIn(img, QRect(px(-747, 215), QSize(60, 14))), 0);
    EXPECT_GT(darkPixelsIn(img, QRect(px(-600, 1024), QSize(30, 15))), 10);
    // Hidden WB has no legend.
    EXPECT_EQ(darkPixelsIn(img, QRect(px(-500, 1024), QSize(30, 15))), 0);
}

// ---- Printing ---------------------------------------------------------------

QString tool(const char* name) {
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

TEST(ReportPdf, ThePrintPathWritesTheWholePageToAFile) {
    SampleRun run;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 8;
    tm.tm_hour = 14;
    tm.tm_min = 3;
    tm.tm_isdst = -1;
    ASSERT_TRUE(printReportToPdf(pdf, run.src, static_cast<std::int64_t>(std::mktime(&tm))));
    ASSERT_TRUE(QFile::exists(pdf));
    ASSERT_GT(QFile(pdf).size(), 0);

    if (tool("pdftotext").isEmpty() || tool("pdftoppm").isEmpty())
        GTEST_SKIP() << "poppler-utils not installed";

    QProcess text;
    text.start(tool("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished());
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    for (const char* expected :
         {"Test Report", "AIR", "K/IR", "RH", "0.0", "100.0", "50.0", "2026-12-08 14:03"}) {
        EXPECT_TRUE(words.simplified().contains(QString::fromLatin1(expected))) << expected;
    }
    EXPECT_FALSE(words.contains(QStringLiteral("WB")));

    QProcess raster;
    raster.start(tool("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), pdf, dir.filePath(QStringLiteral("page"))});
    ASSERT_TRUE(raster.waitForFinished());
    const QImage page(dir.filePath(QStringLiteral("page.png")));
    ASSERT_FALSE(page.isNull());

    // Find the frame's left and right lines across the middle of the page and
    // its bottom and top along a column inside it: a box 740 by 800 pixels.
    const int row = page.height() / 2;
    int left = -1, right = -1;
    for (int x = 0; x < page.width(); ++x) {
        if (isDark(page.pixel(x, row))) {
            if (left < 0)
                left = x;
            right = x;
        }
    }
    ASSERT_GE(left, 0);
    EXPECT_NEAR(right - left, 740, 4);
    const int column = left + 40;  // clear of the value labels, grid columns and traces' middle
    int top = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        if (isDark(page.pixel(column, y))) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    ASSERT_GE(top, 0);
    EXPECT_NEAR(bottom - top, 800, 4);
    // RH at 50 crosses that column halfway up, in its print colour.
    const QColor rh(page.pixel(column, (top + bottom) / 2));
    EXPECT_NEAR(rh.red(), 0, 30);
    EXPECT_NEAR(rh.green(), 55, 30);
    EXPECT_NEAR(rh.blue(), 0, 30);
}

// Pixels of a trace's hue (its print colour or a lighter shade of it), as
// opposed to the black and grey of texts, frame and grid.
int tintedPixelsIn(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb c = img.pixel(x, y);
            const int spread =
                std::max({qRed(c), qGreen(c), qBlue(c)}) - std::min({qRed(c), qGreen(c), qBlue(c)});
            n += spread > 12 ? 1 : 0;
        }
    }
    return n;
}

TEST(ReportPdf, MasksLeaveNothingOfTheTracesAboveOrBelowTheFrame) {
    // Gain 5 (axis 0..50): RH zigzags far above the axis, past the page's top
    // edge; AIR zigzags below the axis, past its bottom edge.
    SampleRun run;
    for (int i = 0; i <= 100; ++i) {
        run.doc->m_live[kHumidity][i] = i % 2 == 0 ? 45.0f : 99.0f;
        run.doc->m_live[kAir][i] = i % 2 == 0 ? 5.0f : -40.0f;
    }
    run.src.showChannel[kSurface] = false;
    for (int k = 0; k < kAxisLines; ++k)
        run.src.axis[k] = static_cast<float>(k * 5);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    ASSERT_TRUE(printReportToPdf(pdf, run.src, 0));
    if (tool("pdftoppm").isEmpty())
        GTEST_SKIP() << "poppler-utils not installed";
    QProcess raster;
    raster.start(tool("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), pdf, dir.filePath(QStringLiteral("page"))});
    ASSERT_TRUE(raster.waitForFinished());
    const QImage page(dir.filePath(QStringLiteral("page.png")));
    ASSERT_FALSE(page.isNull());
    // The frame's top and bottom lines along a column inside it.
    int top = -1, bottom = -1;
    const int column = page.width() * 3 / 4;
    for (int y = 0; y < page.height(); ++y) {
        if (isDark(page.pixel(column, y)) && qGreen(page.pixel(column, y)) < 30) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    ASSERT_GT(top, 0);
    EXPECT_GT(tintedPixelsIn(page, QRect(0, top + 3, page.width(), 100)), 100) << "traces drawn";
    EXPECT_EQ(tintedPixelsIn(page, QRect(0, 0, page.width(), top - 2)), 0) << "above the frame";
    EXPECT_EQ(tintedPixelsIn(page, QRect(0, bottom + 3, page.width(), page.height() - bottom - 3)),
              0)
        << "below the frame";
}

TEST(ReportPdf, AJobThatCannotBeOpenedIsReportedAsInitialError) {
    SampleRun run;
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("missing/folder/report.pdf")));
    const ReportPrintResult result = printReportOn(printer, run.src, 0);
    EXPECT_EQ(result, ReportPrintResult::DocumentFailed);
    EXPECT_EQ(reportFailureMessage(result), QStringLiteral("Initial error!"));
    EXPECT_FALSE(printReportToPdf(dir.filePath(QStringLiteral("missing/report.pdf")), run.src));
}

TEST(ReportPdf, FailureMessagesAreTheProgramsOwn) {
    EXPECT_TRUE(reportFailureMessage(ReportPrintResult::Printed).isEmpty());
    EXPECT_EQ(reportFailureMessage(ReportPrintResult::NoPrinter),
              QStringLiteral("Printer is busy!"));
    EXPECT_EQ(reportFailureMessage(ReportPrintResult::PageFailed),
              QStringLiteral("Can't start printing!"));
}

// Answers every modal window that opens: cancels a print dialog, closes a
// message box, and remembers what it saw.
class ModalWatcher {
public:
    ModalWatcher() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (auto* d = qobject_cast<QPrintDialog*>(w)) {
                ++printDialogs;
                d->reject();
            } else if (auto* m = qobject_cast<QMessageBox*>(w)) {
                ++messageBoxes;
                m->accept();
            }
        });
        m_timer.start(10);
    }
    int printDialogs = 0;
    int messageBoxes = 0;

private:
    QTimer m_timer;
};

TEST(ReportPrintCommand, WithoutSamplesNoDialogOpens) {
    SampleRun run;
    run.src.count = 0;
    ModalWatcher watcher;
    printTestReport(nullptr, run.src);
    QApplication::processEvents();
    EXPECT_EQ(watcher.printDialogs, 0);
    EXPECT_EQ(watcher.messageBoxes, 0);
}

TEST(ReportPrintCommand, ACancelledDialogPrintsNothingAndSaysNothing) {
    SampleRun run;
    ModalWatcher watcher;
    printTestReport(nullptr, run.src);
    EXPECT_EQ(watcher.printDialogs, 1);
    EXPECT_EQ(watcher.messageBoxes, 0);
}

}  // namespace
}  // namespace kr5061
