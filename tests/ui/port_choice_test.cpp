#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <functional>

#include "app/device_dlg.h"
#include "link/link_driver.h"
#include "sim/pty_transport.h"
#include "store/device_setting.h"
#include "support/main_window_parts.h"
#include "support/modal.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

using test::onNextModal;

constexpr int kDevice = 32842, kPortStatus = 32843;

struct PortChoice : testing::Test, test::MainWindowParts {
    test::ScopedConfigDir config;
    test::TempDir dir;
    std::unique_ptr<CMainFrame> frame = makeFrame();
};

// A device no port number stands for (a pseudo-terminal here, /dev/ttyS0 or
// /dev/ttyACM0 for a user) is chosen in the window and kept for the next start.
TEST_F(PortChoice, DeviceDialogBindsTheTypedDeviceAndKeepsIt) {
    PtyTransport pty;
    ASSERT_TRUE(pty.open());
    const QString path = QString::fromStdString(pty.slavePath());
    frame->updateCommandUI();
    ASSERT_TRUE(frame->action(kDevice)->isEnabled());
    int listed = -1;
    onNextModal<CDeviceDlg>([&](CDeviceDlg* dlg) {
        listed = dlg->list()->count();  // the devices present, or a line saying there are none
        dlg->pathEdit()->clear();
        QTest::keyClicks(dlg->pathEdit(), path);
        dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    frame->action(kDevice)->trigger();
    EXPECT_GT(listed, 0);
    EXPECT_EQ(comm->deviceName(1), path);
    EXPECT_TRUE(comm->portOpen());
    EXPECT_EQ(readPortDevice(1), pty.slavePath());
    EXPECT_EQ(frame->paneText(0), QString());
}

// The message pane cuts a long diagnosis; a click shows all of it, and Retry
// tries the port again at once.
TEST_F(PortChoice, ClickOnTheMessagePaneShowsTheWholeDiagnosisWithRetry) {
    const QString missing = QString::fromStdString(dir.file("ttyGone").string());
    comm->bindDevice(1, missing);
    frame->link().OpenPortAndStart();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    PtyTransport pty;
    ASSERT_TRUE(pty.open());
    QStringList shown;
    auto answer = [&](QMessageBox::StandardButton button, bool plugIn) {
        onNextModal<QMessageBox>([&, button, plugIn](QMessageBox* box) {
            shown << box->text();
            if (plugIn) {  // the instrument is plugged in while the box is open
                comm->bindDevice(1, QString::fromStdString(pty.slavePath()));
            }
            box->button(button)->click();
            if (button == QMessageBox::Retry) {
                onNextModal<QMessageBox>([&](QMessageBox* next) {
                    shown << next->text();
                    next->button(QMessageBox::Close)->click();
                });
            }
        });
    };
    answer(QMessageBox::Retry, true);
    QLabel* pane0 = frame->statusBar()->findChildren<QLabel*>().constFirst();
    QTest::mouseClick(pane0, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].startsWith("Cannot use " + missing + ": the device is not there."))
        << shown[0].toStdString();
    EXPECT_TRUE(shown[0].endsWith(QStringLiteral(".")));
    EXPECT_EQ(shown[1], QStringLiteral("Port 1 (%1) is open; the instrument has not answered yet.")
                            .arg(QString::fromStdString(pty.slavePath())));
    EXPECT_TRUE(comm->portOpen());
    EXPECT_EQ(frame->action(kPortStatus)->text(), QStringLiteral("Port &Status..."));
}

}  // namespace
}  // namespace kr5061
