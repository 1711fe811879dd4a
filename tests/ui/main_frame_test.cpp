#include <gtest/gtest.h>

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolBar>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/com_port_dlg.h"
#include "app/main_frame.h"
#include "link/ms_comm.h"
#include "panels/sample_dlg.h"
#include "sim/pty_transport.h"
#include "store/config.h"
#include "store/ini_file.h"
#include "support/modal.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

using test::onNextModal;

QStringList itemTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions()) {
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    return texts;
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame = std::make_unique<CMainFrame>(state, *doc, *graph, comm, *loggerStore, *loggerGraph);
    }
    void press(int id) {
        frame->updateCommandUI();
        QAction* a = frame->action(id);
        ASSERT_NE(a, nullptr) << id;
        ASSERT_TRUE(a->isEnabled()) << id;
        a->trigger();
    }
    // Run becomes possible once the instrument answers.
    void instrumentAnswers() { state.view.m_runEnabled = true; }
    // Answers the sample-rate dialog with the given period text, or cancels it.
    static void answerSampleDialog(const QString& period, bool ok = true) {
        onNextModal<CSampleDlg>([period, ok](CSampleDlg* dlg) {
            dlg->rateEdit()->setText(period);
            ok ? dlg->accept() : dlg->reject();
        });
    }

    test::ScopedConfigDir config;
    LiveState state;
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    std::unique_ptr<LiveGraph> graph = makeLiveGraph();
    std::unique_ptr<LoggerStore> loggerStore = makeLoggerStore();
    std::unique_ptr<LoggerGraph> loggerGraph = makeLoggerGraph();
    CMSComm comm;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(MainFrameTest, MenusListEveryItemWithMnemonicsAndSeparators) {
    const QList<QAction*> menus = frame->menuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(menus[0]->text(), "&File(f)");
    EXPECT_EQ(menus[1]->text(), "&RealTime(R)");
    EXPECT_EQ(menus[2]->text(), "&COM Port");
    EXPECT_EQ(menus[3]->text(), "&Help(H)");
    EXPECT_EQ(itemTexts(menus[0]->menu()),
              (QStringList{"&Save", "&Open", "&Print", "Export &CSV...", "Export &Graph Image...",
                           "-", "&Exit"}));
    EXPECT_EQ(itemTexts(menus[1]->menu()), (QStringList{"&Run", "-", "&Stop", "&UndoZoom", "-",
                                                        "Psychrometric &Chart", "&Alarm Log"}));
    EXPECT_EQ(itemTexts(menus[2]->menu()), (QStringList{"&COM1", "-", "&COM2", "-", "&COM3", "-",
                                                       "&COM4", "-", "&Other COM", "-",
                                                       "&Device...", "Port &Status...",
                                                       "&Publish..."}));
    EXPECT_EQ(itemTexts(menus[3]->menu()),
              (QStringList{"&Psychrometer + IR Thermometer", "-", "&Contents"}));
    EXPECT_EQ(frame->windowTitle(), "Psychrometer + IR Thermometer");
    EXPECT_EQ(frame->action(57607)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
}

TEST_F(MainFrameTest, ToolbarHasSevenButtonsEachFollowedByASeparator) {
    QToolBar* bar = frame->findChild<QToolBar*>();
    ASSERT_NE(bar, nullptr);
    QStringList tips;
    const QList<QAction*> acts = bar->actions();
    ASSERT_EQ(acts.size(), 14);
    for (int i = 0; i < acts.size(); i += 2) {
        tips << acts[i]->toolTip();
        EXPECT_TRUE(acts[i + 1]->isSeparator());
        EXPECT_FALSE(acts[i]->icon().isNull());
    }
    EXPECT_EQ(tips, (QStringList{"Save", "Open", "Start", "Stop", "Print", "UndoZoom", "Help"}));
}

TEST_F(MainFrameTest, CommandsFollowTheRunAndPortState) {
    frame->updateCommandUI();
    EXPECT_FALSE(frame->action(32771)->isEnabled()) << "Run waits for the instrument";
    EXPECT_FALSE(frame->action(32772)->isEnabled());
    EXPECT_FALSE(frame->action(32814)->isEnabled()) << "nothing to save";
    EXPECT_FALSE(frame->action(57607)->isEnabled());
    EXPECT_FALSE(frame->action(32811)->isEnabled());
    EXPECT_TRUE(frame->action(32827)->isEnabled());
    EXPECT_TRUE(frame->action(32783)->isChecked()) << "port 1 from the defaults";
    state.view.m_runEnabled = true;
    state.view.m_sampleIndex = 3;
    state.frame.m_comEnable[1] = false;
    frame->updateCommandUI();
    EXPECT_TRUE(frame->action(32771)->isEnabled());
    EXPECT_TRUE(frame->action(32814)->isEnabled());
    EXPECT_TRUE(frame->action(57607)->isEnabled());
    EXPECT_FALSE(frame->action(32784)->isEnabled());
}

TEST_F(MainFrameTest, FirstRunShowsTheDialogAndArmsTheRun) {
    instrumentAnswers();
    answerSampleDialog(QStringLiteral("5"));
    press(32771);
    EXPECT_EQ(state.view.m_samplePeriodMs, 5000);
    EXPECT_EQ(state.view.m_sampleLimit, 1000);
    EXPECT_TRUE(state.frame.m_startPending);
    EXPECT_TRUE(state.frame.m_recording);
    EXPECT_EQ(state.frame.m_graphUsed, 1);
    EXPECT_EQ(state.graphBar.m_rateText, "5");
    EXPECT_TRUE(frame->action(32772)->isEnabled());
    press(32772);
    EXPECT_FALSE(state.frame.m_recording);
    EXPECT_TRUE(state.frame.m_idle);
    EXPECT_FALSE(frame->action(32772)->isEnabled());
}

TEST_F(MainFrameTest, CancelledRunDialogChangesNothing) {
    instrumentAnswers();
    answerSampleDialog(QStringLiteral("9"), false);
    press(32771);
    EXPECT_FALSE(state.frame.m_startPending);
    EXPECT_FALSE(state.frame.m_recording);
    EXPECT_EQ(state.view.m_samplePeriodMs, 1000);
    EXPECT_EQ(state.frame.m_graphUsed, 0);
}

TEST_F(MainFrameTest, TypedZeroPeriodIsRaisedToOneSecond) {
    instrumentAnswers();
    answerSampleDialog(QStringLiteral("0"));
    press(32771);
    EXPECT_EQ(state.view.m_samplePeriodMs, 1000);
    EXPECT_EQ(state.graphBar.m_rateText, "1");
}

TEST_F(MainFrameTest, NonNumericPeriodIsRefusedAndTheDialogStaysOpen) {
    instrumentAnswers();
    QString message;
    bool stayedOpen = false;
    onNextModal<CSampleDlg>([&](CSampleDlg* dlg) {
        dlg->rateEdit()->setText(QStringLiteral("abc"));
        onNextModal<QMessageBox>([&, dlg](QMessageBox* box) {
            message = box->text();
            EXPECT_EQ(box->windowTitle(), "KR5061");
            box->accept();
            QTimer::singleShot(20, [&, dlg] {
                stayedOpen = dlg->isVisible();
                dlg->reject();
            });
        });
        dlg->accept();
    });
    press(32771);
    EXPECT_EQ(message, "Please enter an integer.");
    EXPECT_TRUE(stayedOpen);
    EXPECT_FALSE(state.frame.m_startPending);
}

TEST_F(MainFrameTest, SecondRunAsksToSaveAndYesSavesFirst) {
    instrumentAnswers();
    test::TempDir dir;
    const auto target = dir.file("earlier.AsmDat");
    frame->setSavePathChooser(
        [&](const QString&) { return QString::fromStdString(target.string()); });
    state.frame.m_graphUsed = 1;
    state.view.m_sampleIndex = 2;
    QString prompt;
    onNextModal<QMessageBox>([&](QMessageBox* box) {
        prompt = box->text();
        answerSampleDialog(QStringLiteral("2"), false);
        box->button(QMessageBox::Yes)->click();
    });
    press(32771);
    EXPECT_EQ(prompt, "Do you want to save the existing graph data before continuing?");
    EXPECT_TRUE(std::filesystem::exists(target));
    EXPECT_TRUE(std::filesystem::exists(dir.file("earlier.txt")));
    EXPECT_FALSE(state.frame.m_startPending) << "the dialog was cancelled after saving";
}

TEST_F(MainFrameTest, FirstRunOffersTheConfiguredPeriodAndCount) {
    writeProfileString(configFilePath(), "SamprateInfo", "Samprate", "7");
    writeProfileString(configFilePath(), "SampdataInfo", "Sampdata", "3000");
    instrumentAnswers();
    QString rate, count;
    onNextModal<CSampleDlg>([&](CSampleDlg* dlg) {
        rate = dlg->rateEdit()->text();
        count = dlg->dataEdit()->text();
        dlg->accept();
    });
    press(32771);
    EXPECT_EQ(rate, "7");
    EXPECT_EQ(count, "3000");
    EXPECT_EQ(state.view.m_samplePeriodMs, 7000);
    EXPECT_EQ(state.view.m_sampleLimit, 3000);
}

TEST_F(MainFrameTest, SaveOfTheSuggestedNameWritesAsmDatAndItsTable) {
    test::TempDir dir;
    state.view.m_sampleIndex = 2;
    QString suggested;
    onNextModal<QFileDialog>([&](QFileDialog* dlg) {
        dlg->setDirectory(QString::fromStdString(dir.path().string()));
        suggested = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        static_cast<QDialog*>(dlg)->accept();  // as the Save button does
    });
    press(32814);
    ASSERT_FALSE(suggested.isEmpty());
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    const std::string base = suggested.toStdString();
    EXPECT_EQ(names, (std::vector<std::string>{base + ".AsmDat", base + ".txt"}));
}

TEST_F(MainFrameTest, SaveAsksBeforeReplacingTheFileItAddedTheExtensionTo) {
    test::TempDir dir;
    state.view.m_sampleIndex = 2;
    std::ofstream(dir.file("run.1.AsmDat")) << "earlier run";
    frame->setSavePathChooser(
        [&](const QString&) { return QString::fromStdString(dir.file("run.1").string()); });
    QString prompt;
    onNextModal<QMessageBox>([&](QMessageBox* box) {
        prompt = box->text();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_FALSE(frame->OnSave());
    EXPECT_TRUE(prompt.startsWith("run.1.AsmDat already exists.")) << prompt.toStdString();
    EXPECT_EQ(readFile(dir.file("run.1.AsmDat")), "earlier run");
    EXPECT_FALSE(std::filesystem::exists(dir.file("run.1.txt")));
}

TEST_F(MainFrameTest, StatusTipsAndMessagesUseOnlyTheFirstPane) {
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    frame->setPaneText(1, QStringLiteral("12:00:00"));
    QToolBar* bar = frame->findChild<QToolBar*>();
    QWidget* start = bar->widgetForAction(frame->action(32771));
    QStatusTipEvent tip(QStringLiteral("Start"));
    QApplication::sendEvent(start, &tip);
    EXPECT_EQ(frame->paneText(0), "Start");
    QList<QLabel*> panes = frame->statusBar()->findChildren<QLabel*>();
    panes.removeIf([](QLabel* l) { return l->objectName() == "publishStatus"; });
    ASSERT_EQ(panes.size(), 4);
    for (QLabel* pane : panes)
        EXPECT_TRUE(pane->isVisible()) << pane->text().toStdString();
    EXPECT_EQ(frame->paneText(1), "12:00:00");
    frame->showStatusMessage(QStringLiteral("The help file could not be shown."));
    QStatusTipEvent away{QString()};
    QApplication::sendEvent(start, &away);
    QTest::qWait(50);
    EXPECT_EQ(frame->paneText(0), "The help file could not be shown.")
        << "a message stays until the next one";
}

TEST_F(MainFrameTest, OtherComAcceptsFiveToSixteenOnly) {
    const auto enter = [&](const QString& text) {
        onNextModal<CComPortDlg>([text](CComPortDlg* dlg) {
            EXPECT_EQ(dlg->windowTitle(), "COM Port Setup");
            dlg->edit()->setText(text);
            dlg->accept();
        });
        press(32817);
    };
    enter(QStringLiteral("17"));
    EXPECT_EQ(state.frame.m_comPort, 1);
    enter(QStringLiteral("4"));
    EXPECT_EQ(state.frame.m_comPort, 1);
    EXPECT_TRUE(frame->action(32783)->isChecked());
    enter(QStringLiteral("16"));
    EXPECT_EQ(state.frame.m_comPort, 16);
    for (int id = 32783; id <= 32786; ++id) {
        EXPECT_FALSE(frame->action(id)->isChecked());
    }
}

TEST_F(MainFrameTest, OtherComRefusesLettersWithItsMessage) {
    QString message;
    onNextModal<CComPortDlg>([&](CComPortDlg* dlg) {
        EXPECT_EQ(dlg->edit()->text(), "5");
        dlg->edit()->setText(QStringLiteral("x7"));
        onNextModal<QMessageBox>([&, dlg](QMessageBox* box) {
            message = box->text();
            box->accept();
            QTimer::singleShot(20, dlg, &QDialog::reject);
        });
        dlg->accept();
    });
    press(32817);
    EXPECT_EQ(message, "Please enter a positive integer.");
    EXPECT_EQ(state.frame.m_comPort, 1);
}

TEST_F(MainFrameTest, ComThreeReopensOnItsDeviceAndSendsTheStartOnce) {
    PtyTransport pty;
    ASSERT_TRUE(pty.open());
    comm.bindDevice(3, QString::fromStdString(pty.slavePath()));
    press(32785);
    EXPECT_EQ(state.frame.m_comPort, 3);
    EXPECT_TRUE(frame->action(32785)->isChecked());
    EXPECT_FALSE(frame->action(32783)->isChecked());
    EXPECT_TRUE(comm.portOpen());
    std::uint8_t buf[64];
    std::size_t got = 0;
    for (int i = 0; i < 50 && got < 11; ++i) {
        QTest::qWait(10);
        const long n = pty.readSome(buf + got, sizeof buf - got, 10);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        }
    }
    QTest::qWait(100);
    const long extra = pty.readSome(buf + got, sizeof buf - got, 50);
    ASSERT_EQ(got, 11u);
    EXPECT_LE(extra, 0) << "the start command went out once";
    EXPECT_EQ(buf[3], 0x63);
    EXPECT_EQ(buf[8], 0xC6);
}

TEST_F(MainFrameTest, CloseWritesTheSettingsAndAsksOnlyWithData) {
    state.readout.m_hiText[0] = "55.5";
    state.graphBar.m_rateText = "3";
    state.view.m_gain = 20;
    state.view.m_sampleIndex = 1;
    EXPECT_TRUE(frame->close()) << "one sample: closes without asking";
    const std::string ini = readFile(configFilePath());
    EXPECT_NE(ini.find("Hi1 limit=55.5"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Samprate=3"), std::string::npos);
    EXPECT_NE(ini.find("Sampdata=1000"), std::string::npos) << "no Run: the stored count stays";
    EXPECT_NE(ini.find("Gain=20"), std::string::npos);
    EXPECT_LT(ini.find("[COMInfo]"), ini.find("[Alarmhi1Info]"));
    EXPECT_LT(ini.find("[SampdataInfo]"), ini.find("[OffsetInfo]"));
}

TEST_F(MainFrameTest, CloseWithDataAsksBeforeClosing) {
    state.view.m_sampleIndex = 5;
    QString prompt;
    onNextModal<QMessageBox>([&](QMessageBox* box) {
        prompt = box->text();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(prompt, "Do you want to save the data before closing?");
    EXPECT_TRUE(std::filesystem::exists(configFilePath())) << "settings are written before asking";
}

TEST_F(MainFrameTest, CloseQuestionIgnoresEscapeAndItsCloseButton) {
    state.view.m_sampleIndex = 5;
    bool stillAsked = false;
    onNextModal<QMessageBox>([&](QMessageBox* box) {
        QTest::keyClick(box, Qt::Key_Escape);
        box->close();  // the title bar's close button
        stillAsked = box->isVisible();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(stillAsked) << "only Yes or No answers: a run is never dropped by Escape";
}

TEST_F(MainFrameTest, PortProblemIsExplainedInTheMessagePaneUntilThePortOpens) {
    test::TempDir dir;
    const QString missing = QString::fromStdString(dir.file("ttyGone").string());
    comm.bindDevice(2, missing);
    press(32784);
    EXPECT_TRUE(
        frame->paneText(0).startsWith("Cannot use " + missing + ": the device is not there."))
        << frame->paneText(0).toStdString();
    PtyTransport pty;
    ASSERT_TRUE(pty.open());
    comm.bindDevice(3, QString::fromStdString(pty.slavePath()));
    press(32785);
    EXPECT_EQ(frame->paneText(0), QString()) << "an open port clears the message";
}

}  // namespace
}  // namespace kr5061
