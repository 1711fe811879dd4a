#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <memory>

#include "app/main_frame.h"
#include "app/psychro_windows.h"
#include "link/link_ticks.h"
#include "link/ms_comm.h"
#include "panels/sample_dlg.h"
#include "psychro/psychro_chart_wnd.h"
#include "sim/sim_runner.h"
#include "support/main_window_parts.h"
#include "support/modal.h"
#include "support/test_dirs.h"
#include "support/wait.h"

namespace kr5061::psychro {
namespace {

// How far a pixel leans to the blue of the relative-humidity curves.
int blueness(QRgb p) {
    return qBlue(p) - std::max(qRed(p), qGreen(p));
}

struct ChartWindow : ::testing::Test {
    void SetUp() override {
        wnd = std::make_unique<CPsychroChartWnd>(state, *doc, settings, nullptr);
        wnd->resize(1280, 800);
        wnd->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd.get()));
    }
    void show(float air, float rh, float surface) {
        LiveReading r;
        r.values[kAir] = air;
        r.values[kHumidity] = rh;
        r.values[kSurface] = surface;
        r.present = true;
        wnd->showReading(r);
    }

    test::ScopedConfigDir config;
    LiveState state;
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    PsychroSettings settings;
    std::unique_ptr<CPsychroChartWnd> wnd;
};

TEST_F(ChartWindow, StatePointOf25DegreesAnd50PercentSitsOnThe50PercentCurve) {
    show(25.0f, 50.0f, kAbsentReading);
    const QImage image = wnd->canvas()->grab().toImage();
    // The humidity ratio from the Handbook's saturated 0.020173 kg/kg at
    // 25 degC: the vapour pressure of saturated air, halved.
    const double p = 101.325, ws = 0.020173;
    const double pw = 0.5 * p * ws / (0.621945 + ws);
    const double w = 0.621945 * pw / (p - pw);
    const ChartScene& bg = wnd->canvas()->background();
    const int x = qRound(bg.xOf(25.0)), y = qRound(bg.yOf(w));
    // The hollow ring of the state point around it, the 50 % curve through its middle.
    const QColor ring = QColor::fromRgb(inkColour(ChartInk::statePoint));
    for (const QPoint edge : {QPoint(x - 6, y), QPoint(x + 6, y), QPoint(x, y - 6)}) {
        const QColor c = image.pixelColor(edge);
        EXPECT_GT(c.red(), 180) << edge.x() << "," << edge.y();
        EXPECT_LT(c.green(), ring.green() + 90);
    }
    int best = -255;
    for (int dy = -1; dy <= 1; ++dy) {
        best = std::max(best, blueness(image.pixel(x, y + dy)));
    }
    EXPECT_GT(best, 40) << "the 50 % curve passes through the state point";
    EXPECT_NEAR(wnd->table()->item(2, 1)->text().toDouble(), w * 1000, 0.005 * w * 1000);
}

TEST_F(ChartWindow, CondensationMarginIsRedWithItsWordsBelowTheThreshold) {
    // 20 degC at 50 % saturates at 9.3 degC.
    const struct {
        float surface;
        const char* words;
        bool red;
    } cases[] = {{20.0f, "", false},
                 {11.0f, "Condensation risk", true},
                 {8.0f, "Condensation", true},
                 {kAbsentReading, "", false}};
    for (const auto& c : cases) {
        show(20.0f, 50.0f, c.surface);
        const QString text = wnd->condensationLabel()->text();
        EXPECT_TRUE(QString(c.words).isEmpty() ? !text.contains("Condensation")
                                               : text.startsWith(c.words))
            << text.toStdString();
        const QColor colour = wnd->table()->item(kQuantityCount + 1, 1)->foreground().color();
        EXPECT_EQ(colour == QColor(200, 0, 0), c.red) << c.surface;
        EXPECT_EQ(wnd->table()->item(kQuantityCount + 1, 1)->text().isEmpty(),
                  c.surface == kAbsentReading);
    }
}

TEST_F(ChartWindow, ReadingOutsideTheFormulasIsSaidToBeOutOfRange) {
    show(25.0f, 120.0f, 15.0f);
    EXPECT_EQ(wnd->table()->item(2, 1)->text(), "out of range");
    EXPECT_TRUE(wnd->condensationLabel()->text().startsWith("out of range: relative humidity"));
    EXPECT_TRUE(wnd->canvas()->overlayInputs().state == std::nullopt) << "no state point";
}

TEST_F(ChartWindow, WheelZoomsAboutThePointerAndDoubleClickResets) {
    show(25.0f, 50.0f, kAbsentReading);
    const ChartRange before = wnd->canvas()->backgroundInputs().range;
    const QPointF at(wnd->canvas()->background().xOf(20), wnd->canvas()->background().yOf(0.01));
    QWheelEvent wheel(at, wnd->canvas()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(wnd->canvas(), &wheel);
    const ChartRange zoomed = wnd->canvas()->backgroundInputs().range;
    EXPECT_NEAR(zoomed.tMaxC - zoomed.tMinC, 0.8 * (before.tMaxC - before.tMinC), 1e-9);
    QTest::qWait(50);
    EXPECT_NEAR(wnd->canvas()->background().tAt(static_cast<float>(at.x())), 20, 0.05);
    QTest::mouseDClick(wnd->canvas(), Qt::LeftButton, Qt::NoModifier, at.toPoint());
    EXPECT_EQ(wnd->canvas()->backgroundInputs().range.tMinC, before.tMinC);
    EXPECT_EQ(wnd->canvas()->backgroundInputs().range.tMaxC, before.tMaxC);
}

TEST_F(ChartWindow, ExportWritesAPngPictureAndAVectorPdf) {
    show(25.0f, 50.0f, 15.0f);
    test::TempDir dir;
    const QString png = QString::fromStdString(dir.file("chart.png").string());
    const QString pdf = QString::fromStdString(dir.file("chart.pdf").string());
    ASSERT_TRUE(wnd->exportImage(png));
    ASSERT_TRUE(wnd->exportImage(pdf));
    const QImage picture(png);
    EXPECT_EQ(picture.size(), wnd->canvas()->size());
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(20000));
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(words.contains("Psychrometric chart at 101.325 kPa")) << words.toStdString();
    EXPECT_TRUE(words.contains("Humidity ratio (g/kg)"));
    QProcess images;
    images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    ASSERT_TRUE(images.waitForFinished(20000));
    // The header and its rule, and no picture at all: the lines are vectors.
    EXPECT_EQ(QString::fromUtf8(images.readAllStandardOutput()).trimmed().count('\n'), 1);
}

// The real path: the simulated instrument on a pseudo-terminal, the main
// window's RealTime menu, a run whose samples the trail follows.
TEST(ChartOfARun, TrailFollowsTheCommittedSamplesOfTheRun) {
    test::ScopedConfigDir config;
    SimRunner sim;
    SimOptions options;
    options.intervalMs = 100;
    const std::string slave = sim.start(options);
    ASSERT_FALSE(slave.empty());
    test::MainWindowParts parts;
    parts.comm->bindDevice(1, QString::fromStdString(slave));
    auto frame = parts.makeFrame();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    auto* windows = frame->findChild<PsychroWindows*>();
    ASSERT_NE(windows, nullptr);
    const QList<QAction*> items = frame->findChild<QMenu*>("realTime")->actions();
    ASSERT_EQ(items.back(), windows->alarmLogAction()) << "the two items end the RealTime menu";
    ASSERT_EQ(items[items.size() - 2], windows->chartAction());
    windows->chartAction()->trigger();
    CPsychroChartWnd* chart = windows->chartWindow();
    ASSERT_NE(chart, nullptr);
    ASSERT_TRUE(test::waitFor([&] { return parts.state->view.m_runEnabled; }, 5000));
    test::onNextModal<CSampleDlg>([](CSampleDlg* dlg) { dlg->accept(); });  // 1 s, 1000 samples
    frame->OnRun();
    ASSERT_TRUE(test::waitFor([&] { return parts.state->view.m_sampleIndex >= 3; }, 10000));
    frame->OnStop();
    const int n = parts.state->view.m_sampleIndex;
    QTest::qWait(300);  // frames still arrive and redraw the chart
    ASSERT_TRUE(test::waitFor(
        [&] {
            int dots = 0;
            for (const ChartMarker& m : chart->canvas()->overlay().markers) {
                dots += m.shape == MarkerShape::dot;
            }
            return dots >= 3;
        },
        3000));
    const ChartScene& o = chart->canvas()->overlay();
    std::vector<const ChartMarker*> dots;
    for (const ChartMarker& m : o.markers) {
        if (m.shape == MarkerShape::dot)
            dots.push_back(&m);
    }
    ASSERT_EQ(parts.state->view.m_sampleIndex, n);
    ASSERT_EQ(static_cast<int>(dots.size()), n);
    // The newest dot is the last committed sample; each older one fades.
    const Outcome s = fromRelativeHumidity(parts.doc->m_live[kAir][n - 1],
                                           parts.doc->m_live[kHumidity][n - 1], 101.325);
    ASSERT_TRUE(s.air);
    EXPECT_NEAR(dots.back()->x, o.xOf(s.air->dryBulbC), 0.01);
    EXPECT_NEAR(dots.back()->y, o.yOf(s.air->humidityRatio), 0.01);
    EXPECT_LT(dots.front()->alpha, dots.back()->alpha);
}

}  // namespace
}  // namespace kr5061::psychro
