#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolTip>
#include <memory>
#include <vector>

#include "app/main_frame.h"
#include "graph/live_graph.h"
#include "link/link_driver.h"
#include "link/link_ticks.h"
#include "link/ms_comm.h"
#include "panels/key_button.h"
#include "panels/meter_artwork.h"
#include "panels/meter_panel.h"
#include "sim/pty_transport.h"
#include "support/main_window_parts.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

CommandFrame frameOf(std::initializer_list<int> b) {
    CommandFrame f{};
    std::size_t i = 0;
    for (int v : b) {
        f[i++] = static_cast<std::uint8_t>(v);
    }
    return f;
}

const CommandFrame kHoldUp =
    frameOf({0xFF, 0xAA, 0x55, 0x6B, 0x1E, 0x00, 0x00, 0x00, 0x89, 0x00, 0xFF});
const CommandFrame kAreaPress =
    frameOf({0xFF, 0xAA, 0x55, 0x6B, 0x46, 0x46, 0x00, 0x00, 0xF7, 0x00, 0xFF});
const CommandFrame kAreaDouble =
    frameOf({0xFF, 0xAA, 0x55, 0x6B, 0x4D, 0x00, 0x00, 0x00, 0xB8, 0x00, 0xFF});
const CommandFrame kIrt =
    frameOf({0xFF, 0xAA, 0x55, 0x69, 0x0A, 0x00, 0x00, 0x00, 0x73, 0x00, 0xFF});

void sendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons held) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// The way a window system delivers a double-click: down, up, double-click, up.
void doubleClick(QWidget* w) {
    const QPoint c = w->rect().center();
    sendMouse(w, QEvent::MouseButtonPress, c, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, c, Qt::NoButton);
    sendMouse(w, QEvent::MouseButtonDblClick, c, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, c, Qt::NoButton);
}

// The panel over the real link: a serial port on a pseudo-terminal whose
// other end we read, so every key frame is checked as it leaves the port.
class MeterPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(pty.open(&error)) << error;
        comm.bindDevice(1, QString::fromStdString(pty.slavePath()));
        initFrameState(state.frame, 1);
        ASSERT_TRUE(link.OpenPortAndStart());
        ASSERT_EQ(framesSent(), std::vector<CommandFrame>{startCommandFrame()});
        panel.resize(228, 700);
    }

    // Everything the program wrote since the last call. A marker frame sent
    // after the action tells us when all of it has arrived, without guessing
    // at delays.
    std::vector<CommandFrame> framesSent() {
        const CommandFrame marker = buildCommandFrame(0x7E, 0x7E);
        EXPECT_TRUE(link.sendFrame(marker));
        std::vector<std::uint8_t> bytes;
        for (int round = 0; round < 500; ++round) {
            QCoreApplication::processEvents();
            std::uint8_t buf[256];
            const long n = pty.readSome(buf, sizeof buf, 10);
            if (n < 0) {
                break;
            }
            bytes.insert(bytes.end(), buf, buf + n);
            if (bytes.size() >= marker.size() &&
                std::equal(marker.begin(), marker.end(), bytes.end() - 11)) {
                break;
            }
        }
        EXPECT_EQ(bytes.size() % 11, 0u) << "whole frames only";
        std::vector<CommandFrame> frames;
        for (std::size_t i = 0; i + 11 <= bytes.size(); i += 11) {
            CommandFrame f;
            std::copy_n(bytes.begin() + static_cast<long>(i), 11, f.begin());
            frames.push_back(f);
        }
        EXPECT_FALSE(frames.empty() || frames.back() != marker) << "the marker arrived";
        if (!frames.empty()) {
            frames.pop_back();
        }
        return frames;
    }

    CKeyButton* key(int id) {
        CKeyButton* k = panel.keyButton(id);
        EXPECT_NE(k, nullptr) << id;
        return k;
    }

    void showDisplay() {
        MeterState& m = state.meter;
        m.m_lcdValue1 = "23.5";
        m.m_lcdValue2 = "45.2";
        m.m_lcdValue3 = "123.4";
        m.m_lcdUnit = "C";
        m.m_annMaxMin1 = "MAX";
        m.m_annMaxMin2 = "      MIN";
        m.m_annHold1 = "HOLD";
        m.m_annHold2 = "HOLD";
        m.m_annRec1 = "REC";
        m.m_annRec2 = "REC";
        m.m_annPcLink = "PC-LINK";
        m.m_annWbDp = "WB";
        m.m_annProbe = "IRTEMP";
    }

    test::ScopedConfigDir config;
    PtyTransport pty;
    LiveState state;
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    CMSComm comm;
    LinkDriver link{state, *doc, comm};
    CMeterPanel panel{state, link};
};

TEST_F(MeterPanelTest, ClickingAKeySendsItsPressFrameOnce) {
    QTest::mouseClick(key(1044), Qt::LeftButton);
    EXPECT_EQ(framesSent(), std::vector<CommandFrame>{kHoldUp});
    QTest::mouseClick(key(1047), Qt::LeftButton);
    EXPECT_EQ(framesSent(), std::vector<CommandFrame>{kIrt});
    QTest::mouseClick(key(1056), Qt::LeftButton);
    EXPECT_EQ(framesSent(), std::vector<CommandFrame>{kAreaPress});
}

TEST_F(MeterPanelTest, ReenteringAHeldKeyPressesItAgain) {
    CKeyButton* hold = key(1044);
    const QPoint in = hold->rect().center();
    const QPoint out(hold->width() + 20, in.y());
    sendMouse(hold, QEvent::MouseButtonPress, in, Qt::LeftButton);
    sendMouse(hold, QEvent::MouseMove, out, Qt::LeftButton);
    sendMouse(hold, QEvent::MouseMove, in, Qt::LeftButton);
    sendMouse(hold, QEvent::MouseMove, in + QPoint(1, 0), Qt::LeftButton);
    sendMouse(hold, QEvent::MouseButtonRelease, in, Qt::NoButton);
    EXPECT_EQ(framesSent(), (std::vector<CommandFrame>{kHoldUp, kHoldUp}))
        << "one frame per time the key goes down, not per move";
}

TEST_F(MeterPanelTest, DoubleClickAddsTheSecondCodeOnlyWhereTheKeyHasOne) {
    doubleClick(key(1056));
    EXPECT_EQ(framesSent(), (std::vector<CommandFrame>{kAreaPress, kAreaPress, kAreaDouble}));

    for (int id : {1045, 1047, 1044, 1049}) {
        const CommandFrame press = keyPressFrame(*findMeterKey(id));
        doubleClick(key(id));
        EXPECT_EQ(framesSent(), (std::vector<CommandFrame>{press, press})) << id;
    }
    for (int id : {1046, 1052, 1055, 1048}) {
        const MeterKey& k = *findMeterKey(id);
        doubleClick(key(id));
        EXPECT_EQ(framesSent(), (std::vector<CommandFrame>{keyPressFrame(k), keyPressFrame(k),
                                                           *keyDoubleClickFrame(k)}))
            << id;
    }
}

TEST_F(MeterPanelTest, KeysSitOnThePictureShowingItsOwnKeys) {
    panel.show();
    const QImage shot = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage front = meterFrontImage();
    for (const MeterKey& k : kMeterKeys) {
        CKeyButton* b = key(k.id);
        EXPECT_EQ(b->geometry(), QRect(k.x, k.y, k.width(), k.height())) << k.caption;
        EXPECT_FALSE(b->testAttribute(Qt::WA_SetCursor))
            << k.caption << ": the usual pointer at rest";
        for (int y = 0; y < k.height(); y += 3) {
            for (int x = 0; x < k.width(); x += 3) {
                ASSERT_EQ(shot.pixel(k.x + x, k.y + y), front.pixel(k.x + x, k.y + y))
                    << k.caption << " at " << x << "," << y;
            }
        }
    }
    // A blank key cap holds more than one colour: the image is not a plain fill.
    const QImage area = meterKeyImage(front, *findMeterKey(1056));
    EXPECT_EQ(area.size(), QSize(34, 40));
    EXPECT_NE(area.pixel(17, 20), area.pixel(1, 1));
}

// Pixels of the display window that are not the fill colour: the drawn texts.
std::vector<QPoint> inkIn(const QImage& img, QRgb fill) {
    std::vector<QPoint> ink;
    for (int y = kLcdY; y < kLcdY + kLcdHeight; ++y) {
        for (int x = kLcdX; x < kLcdX + kLcdWidth; ++x) {
            if ((img.pixel(x, y) & 0xFFFFFF) != (fill & 0xFFFFFF)) {
                ink.emplace_back(x, y);
            }
        }
    }
    return ink;
}

TEST_F(MeterPanelTest, BacklightTintsTheWindowAndLeavesTheTextsInPlace) {
    showDisplay();
    const QImage plain = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    state.meter.m_backlight = true;
    const QImage lit = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);

    EXPECT_EQ(QColor(plain.pixel(160, 310)), QColor(168, 191, 163));
    EXPECT_EQ(QColor(lit.pixel(160, 310)), QColor(175, 238, 238));
    const auto inkPlain = inkIn(plain, qRgb(168, 191, 163));
    const auto inkLit = inkIn(lit, qRgb(175, 238, 238));
    EXPECT_GT(inkPlain.size(), 500u) << "values and annunciators are drawn";
    EXPECT_EQ(inkPlain, inkLit);
    EXPECT_EQ(QColor(lit.pixel(10, 650)), QColor(217, 218, 212)) << "strip below the picture";
    // Value 3 is black and ends near its right edge at x 132.
    int darkInValue3 = 0;
    for (int y = 262; y < 330; ++y) {
        for (int x = 52; x < 145; ++x) {
            darkInValue3 += qGray(plain.pixel(x, y)) < 40;
        }
    }
    EXPECT_GT(darkInValue3, 300);
}

TEST_F(MeterPanelTest, OfflineShowsOnlyOfflineInRed) {
    showDisplay();
    state.view.m_offline = true;
    const QImage shot = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int red = 0;
    for (const QPoint& p : inkIn(shot, qRgb(168, 191, 163))) {
        const QColor c(shot.pixel(p));
        // Anything drawn blends pure red into the fill; black text would drag red down.
        ASSERT_GE(c.red(), 160) << p.x() << "," << p.y();
        red += c.red() > 230 && c.green() < 40;
        ASSERT_GE(p.y(), 229) << "nothing above the OFFLINE line";
    }
    EXPECT_GT(red, 200);

    state.view.m_offline = false;
    state.meter = MeterState{};
    const QImage blank = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(inkIn(blank, qRgb(168, 191, 163)).empty())
        << "before the first frame the window shows only its fill";
}

TEST_F(MeterPanelTest, FontsReachTheirHeightsAndAverageWidths) {
    const struct {
        MeterFont role;
        int cell;
        double average;
    } cases[] = {{MeterFont::upperDigits, 44, 7},
                 {MeterFont::mainDigits, 75, 16},
                 {MeterFont::offline, 50, 12}};
    for (const auto& c : cases) {
        const QFontMetricsF fm(meterFont(c.role));
        EXPECT_NEAR(fm.height(), c.cell, 1.5) << static_cast<int>(c.role);
        const double avg =
            weightedAverageWidth([&fm](char ch) { return fm.horizontalAdvance(QLatin1Char(ch)); });
        EXPECT_NEAR(avg, c.average, c.average * 0.06) << static_cast<int>(c.role);
    }
    EXPECT_EQ(meterFont(MeterFont::annunciator).pixelSize(), 10);
    EXPECT_EQ(meterFont(MeterFont::degree).pixelSize(), 5);
}

TEST_F(MeterPanelTest, EscapeAndEnterStopAtThePanel) {
    for (int keyCode : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent e(QEvent::KeyPress, keyCode, Qt::NoModifier);
        e.ignore();
        QApplication::sendEvent(&panel, &e);
        EXPECT_TRUE(e.isAccepted()) << keyCode;
    }
}

TEST_F(MeterPanelTest, TheKeyCursorShowsOnlyWhileTheKeyIsDown) {
    panel.show();
    CKeyButton* hold = key(1044);
    const QPoint c = hold->rect().center();
    sendMouse(hold, QEvent::MouseMove, c, Qt::NoButton);
    EXPECT_NE(hold->cursor().shape(), Qt::BitmapCursor);
    sendMouse(hold, QEvent::MouseButtonPress, c, Qt::LeftButton);
    EXPECT_EQ(hold->cursor().shape(), Qt::BitmapCursor);
    sendMouse(hold, QEvent::MouseMove, QPoint(-20, -20), Qt::LeftButton);  // held, off the key
    EXPECT_NE(hold->cursor().shape(), Qt::BitmapCursor);
    sendMouse(hold, QEvent::MouseMove, c, Qt::LeftButton);  // back onto it
    EXPECT_EQ(hold->cursor().shape(), Qt::BitmapCursor);
    sendMouse(hold, QEvent::MouseButtonRelease, c, Qt::NoButton);
    EXPECT_NE(hold->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(MeterPanelTest, AKeyOnAClosedPortIsReportedNotSent) {
    ASSERT_TRUE(comm.setPortOpen(false));
    QSignalSpy failed(&panel, &CMeterPanel::keySendFailed);
    QTest::mouseClick(key(1044), Qt::LeftButton);
    doubleClick(key(1056));
    ASSERT_EQ(failed.count(), 4) << "two presses of AREA, its double-click and HOLD";
    EXPECT_TRUE(failed.at(0).at(0).toString().contains(QStringLiteral("HOLD")));

    ASSERT_TRUE(link.OpenPortAndStart());
    EXPECT_EQ(framesSent(), std::vector<CommandFrame>{startCommandFrame()})
        << "nothing was queued while the port was closed";
}

TEST(MeterPanelInFrame, RefusedKeyIsToldInFullAtTheKeyAndWholeInTheStatusBar) {
    test::ScopedConfigDir config;
    const test::MainWindowParts parts;
    parts.comm->bindDevice(1, QStringLiteral("/nonexistent/kr5061-port"));
    const auto frame = parts.makeFrame();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    auto* area = frame->findChild<CKeyButton*>(QStringLiteral("1056"));  // the longest name
    ASSERT_NE(area, nullptr);
    ASSERT_FALSE(parts.comm->portOpen());
    QTest::mouseClick(area, Qt::LeftButton);
    EXPECT_EQ(QToolTip::text(),
              QStringLiteral("Key NEXT/AREA was not sent: the instrument's serial port is not "
                             "open or did not accept it."));
    const QString pane = frame->paneText(0);
    EXPECT_EQ(pane, QStringLiteral("Key NEXT/AREA not sent"));
    const QList<QLabel*> labels = frame->statusBar()->findChildren<QLabel*>();
    const auto it = std::find_if(labels.begin(), labels.end(),
                                 [&pane](const QLabel* l) { return l->text() == pane; });
    ASSERT_NE(it, labels.end());
    EXPECT_LE(QFontMetrics((*it)->font()).horizontalAdvance(pane), (*it)->contentsRect().width())
        << "the pane shows the whole text";
}

}  // namespace
}  // namespace kr5061
