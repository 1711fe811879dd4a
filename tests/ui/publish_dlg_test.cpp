// The Publish dialog through its real widgets against a real broker: Test
// says what happened, OK keeps the settings in the settings file and the
// password in the secret store, and the window starts publishing.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "app/psychro_windows.h"
#include "link/receive_step.h"
#include "publish/publish_dlg.h"
#include "publish/window_publisher.h"
#include "store/config.h"
#include "support/live_frames.h"
#include "support/main_window_parts.h"
#include "support/modal.h"
#include "support/mosquitto_broker.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

using namespace std::chrono_literals;

// Stands in for the desktop's secret store, which a test machine lacks.
class MemorySecretStore : public SecretStore {
public:
    explicit MemorySecretStore(std::map<QString, QString>& entries) : m_entries(entries) {}
    void read(const QString& key, ReadDone done) override { done(true, m_entries[key], {}); }
    void write(const QString& key, const QString& secret, WriteDone done) override {
        m_entries[key] = secret;
        done(true, {});
    }

private:
    std::map<QString, QString>& m_entries;
};

bool waitForText(QLabel* label, const QString& text) {
    for (int i = 0; i < 300 && !label->text().contains(text); ++i) {
        QTest::qWait(50);
    }
    return label->text().contains(text);
}

QAction* menuAction(QMainWindow& frame, const QString& text) {
    for (QAction* menu : frame.menuBar()->actions()) {
        for (QAction* a : menu->menu()->actions()) {
            if (a->text() == text) {
                return a;
            }
        }
    }
    return nullptr;
}

TEST(PublishDialog, TestThenOkKeepsSettingsAndPasswordApartAndStartsPublishing) {
    test::ScopedConfigDir config;
    test::MosquittoBroker broker;
    ASSERT_TRUE(broker.start()) << broker.error();
    test::TestSubscriber subscriber(broker.port());
    ASSERT_TRUE(subscriber.waitSubscribed(10s));
    test::MainWindowParts parts;
    auto frame = parts.makeFrame();
    std::map<QString, QString> secrets;
    frame->publisher().setSecretStore(std::make_unique<MemorySecretStore>(secrets));

    QStringList results;
    test::onNextModal<CPublishDlg>([&](CPublishDlg* dlg) {
        QTest::keyClicks(dlg->urlEdit(), QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port()));
        QTest::keyClicks(dlg->idEdit(), QStringLiteral("uitest"));
        QTest::keyClicks(dlg->userEdit(), QStringLiteral("alice"));
        QTest::keyClicks(dlg->passwordEdit(), QStringLiteral("wrong"));
        dlg->enabledBox()->setChecked(true);
        QTest::mouseClick(dlg->testButton(), Qt::LeftButton);
        waitForText(dlg->resultLabel(), QStringLiteral("Cannot connect"));
        results << dlg->resultLabel()->text();
        dlg->passwordEdit()->clear();
        QTest::keyClicks(dlg->passwordEdit(), QStringLiteral("secret"));
        QTest::mouseClick(dlg->testButton(), Qt::LeftButton);
        waitForText(dlg->resultLabel(), QStringLiteral("Connected"));
        results << dlg->resultLabel()->text();
        auto* box = dlg->findChild<QDialogButtonBox*>();
        QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    QAction* publish = menuAction(*frame, QStringLiteral("&Publish..."));
    ASSERT_NE(publish, nullptr);
    publish->trigger();

    ASSERT_EQ(results.size(), 2);
    EXPECT_TRUE(results[0].contains(QStringLiteral("not authorised"))) << results[0].toStdString();
    EXPECT_TRUE(results[0].contains(QStringLiteral("127.0.0.1:%1").arg(broker.port())));
    EXPECT_TRUE(results[1].startsWith(QStringLiteral("Connected to 127.0.0.1:")))
        << results[1].toStdString();
    const QString key = QStringLiteral("mqtt://alice@127.0.0.1:%1").arg(broker.port());
    EXPECT_EQ(secrets[key], QStringLiteral("secret"));
    std::ifstream in(configFilePath());
    std::stringstream ini;
    ini << in.rdbuf();
    EXPECT_NE(ini.str().find("[Publish]"), std::string::npos);
    EXPECT_NE(ini.str().find("Id=uitest"), std::string::npos) << ini.str();
    EXPECT_EQ(ini.str().find("secret"), std::string::npos) << "no password in the settings file";

    QLabel* status = frame->publisher().statusLabel();
    EXPECT_TRUE(waitForText(status, QStringLiteral("MQTT: connected")))
        << status->text().toStdString();
    EXPECT_TRUE(status->toolTip().contains(QStringLiteral("Connected to the broker")));
    EXPECT_TRUE(subscriber.waitFor(
        [](const auto& m) {
            for (const test::ReceivedMessage& r : m) {
                if (r.topic == "kr5061/uitest/status" && r.payload == "online") {
                    return true;
                }
            }
            return false;
        },
        10s));

    // An alarm reaches the broker while the Alarm Log hears it as well.
    auto* windows = frame->findChild<PsychroWindows*>();
    ASSERT_NE(windows, nullptr);
    parts.state->readout.m_hiLimit[kAir] = 30.0f;
    test::FrameFields fields;
    fields.air = 35.0f;
    fields.surface = 40.0f;
    const LiveFrame f = test::makeFrame(fields);
    ReceiveOutcome outcome;
    ASSERT_TRUE(
        receiveLiveFrame(*parts.state, *parts.doc, f.data(), f.size(), 1765000000, outcome));
    EXPECT_EQ(windows->log().size(), 1u);
    EXPECT_TRUE(subscriber.waitFor(
        [](const auto& m) {
            return std::any_of(m.begin(), m.end(), [](const test::ReceivedMessage& r) {
                return r.topic == "kr5061/uitest/alarm" &&
                       r.payload.find("\"state\":\"raised\"") != std::string::npos;
            });
        },
        10s));
    frame.reset();
}

}  // namespace
}  // namespace kr5061
