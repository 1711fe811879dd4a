#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDBusConnection>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/main_frame.h"
#include "app/psychro_windows.h"
#include "link/receive_step.h"
#include "support/live_frames.h"
#include "support/main_window_parts.h"
#include "support/test_dirs.h"
#include "support/wait.h"

namespace kr5061 {
namespace {

// A notification server as a desktop runs one, on a private message bus.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList summaries, bodies;
public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        summaries << summary;
        bodies << body;
        return static_cast<uint>(summaries.size());
    }
};

struct AlarmLogWindow : ::testing::Test, test::MainWindowParts {
    void SetUp() override {
        frame = makeFrame();
        windows = frame->findChild<PsychroWindows*>();
        ASSERT_NE(windows, nullptr);
        state->readout.m_hiLimit[kAir] = 30.0f;
        windows->alarmLogAction()->trigger();
        ASSERT_NE(windows->alarmLogWindow(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(windows->alarmLogWindow()));
    }
    void TearDown() override {
        frame.reset();
        if (bus.state() != QProcess::NotRunning) {
            bus.kill();
            bus.waitForFinished();
        }
    }
    // A private bus daemon; its address.
    QString startBus() {
        bus.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address")});
        if (!bus.waitForReadyRead(10000))
            return {};
        return QString::fromUtf8(bus.readLine()).trimmed();
    }
    void receive(float air, std::int64_t now) {
        test::FrameFields fields;
        fields.air = air;
        fields.surface = 40.0f;
        const LiveFrame f = test::makeFrame(fields);
        ReceiveOutcome outcome;
        ASSERT_TRUE(receiveLiveFrame(*state, *doc, f.data(), f.size(), now, outcome));
    }

    test::ScopedConfigDir config;
    std::unique_ptr<CMainFrame> frame;
    PsychroWindows* windows = nullptr;
    QProcess bus;
};

TEST_F(AlarmLogWindow, ListsNewestFirstAndSavesTheEventsAsCsv) {
    receive(31.0f, 1000);
    receive(25.0f, 1060);
    QTableView* view = windows->alarmLogWindow()->view();
    ASSERT_EQ(view->model()->rowCount(), 2);
    EXPECT_EQ(view->model()->index(0, 3).data().toString(), "clear");
    EXPECT_EQ(view->model()->index(1, 3).data().toString(), "rise");
    EXPECT_EQ(view->model()->index(1, 4).data().toString(), "31.0 C");
    test::TempDir dir;
    ASSERT_TRUE(windows->alarmLogWindow()->saveCsv(
        QString::fromStdString(dir.file("alarms.csv").string())));
    std::ifstream in(dir.file("alarms.csv"), std::ios::binary);
    std::stringstream csv;
    csv << in.rdbuf();
    EXPECT_EQ(csv.str(), alarmEventsCsv(windows->log()));
    EXPECT_TRUE(windows->alarmLogWindow()->statusLabel()->text().isEmpty());
}

TEST_F(AlarmLogWindow, RisePostsADesktopNotificationWhenTheBoxIsTicked) {
    const QString address = startBus();
    ASSERT_FALSE(address.isEmpty()) << "dbus-daemon did not start";
    FakeNotifications server;
    QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("service"));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                       QDBusConnection::ExportAllSlots));
    windows->notifier().setBus(QDBusConnection::connectToBus(address, QStringLiteral("client")));

    receive(31.0f, 1000);  // the box is off: nothing is posted
    receive(25.0f, 1010);
    QCheckBox* box = windows->alarmLogWindow()->notificationBox();
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(4, box->height() / 2));
    ASSERT_TRUE(box->isChecked());
    receive(32.0f, 1020);  // rise
    receive(25.0f, 1030);  // a clear posts nothing
    ASSERT_TRUE(test::waitFor([&] { return !server.summaries.isEmpty(); }, 5000));
    QTest::qWait(200);
    ASSERT_EQ(server.summaries.size(), 1);
    EXPECT_EQ(server.summaries[0], "KR5061: AIR high alarm");
    EXPECT_EQ(server.bodies[0], "32.0 C (limit 30.0 C)");
    EXPECT_TRUE(psychro::readPsychroSettings().notifications) << "the choice is kept";
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
}

TEST_F(AlarmLogWindow, WithoutANotificationServiceItSaysSoOnce) {
    const QString address = startBus();
    ASSERT_FALSE(address.isEmpty());
    windows->notifier().setBus(QDBusConnection::connectToBus(address, QStringLiteral("lonely")));
    windows->alarmLogWindow()->notificationBox()->setChecked(true);
    QSignalSpy told(&windows->notifier(), &DesktopNotifier::becameUnavailable);
    receive(31.0f, 1000);
    receive(25.0f, 1010);
    receive(31.0f, 1020);
    ASSERT_TRUE(test::waitFor([&] { return told.count() > 0; }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(told.count(), 1);
    EXPECT_TRUE(windows->alarmLogWindow()->statusLabel()->text().startsWith(
        "Desktop notifications are not available on this machine"));
    QDBusConnection::disconnectFromBus(QStringLiteral("lonely"));
}

}  // namespace
}  // namespace kr5061

#include "alarm_log_wnd_test.moc"
