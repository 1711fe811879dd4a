#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTableWidget>
#include <QTest>
#include <fstream>
#include <memory>

#include "app/main_frame.h"
#include "app/run_recovery.h"
#include "app/window_journal.h"
#include "graph/hyg_view.h"
#include "link/link_driver.h"
#include "link/ms_comm.h"
#include "logger/logger_wnd.h"
#include "store/journal_recovery.h"
#include "store/measurement_file.h"
#include "store/run_journal.h"
#include "support/main_window_parts.h"
#include "support/modal.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;
using test::onNextModal;

constexpr int kSave = 32814;
constexpr int kSamples = 37;

QAbstractButton* buttonNamed(QMessageBox* box, const QString& text) {
    for (QAbstractButton* b : box->buttons()) {
        if (b->text() == text) {
            return b;
        }
    }
    return nullptr;
}

// A main window (not shown, as at start-up) in a private settings directory.
struct RunRecoveryTest : testing::Test, test::MainWindowParts {
    test::ScopedConfigDir config;
    test::TempDir saveDir;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<CHygDoc> killed = std::make_unique<CHygDoc>();  // the store of the killed run

    void SetUp() override {
        frame = makeFrame();
        frame->link().setMonotonicClock([] { return s_nowMs; });
    }

    // Commits one sample of `value`, its tick a period after the previous one.
    void commit(float value) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            doc->m_live[ch][state->view.m_sampleIndex] = value;
        }
        state->view.m_newFrame = true;
        s_nowMs += state->view.m_samplePeriodMs;
        frame->view()->sampleClockTick();
    }
    static inline std::int64_t s_nowMs = 0;

    // What a run killed after kSamples samples leaves behind: its journal,
    // closed without a decision about the run.
    fs::path leftJournal(const char* name = "run-left.journal") {
        ViewState view;
        view.m_startTime = 1765177509;
        view.m_sampleIndex = kSamples;
        view.m_samplePeriodMs = 2000;
        view.m_unitText = "C";
        view.m_gain = 20;
        view.m_offset = 2;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            for (int i = 0; i < kSamples; ++i) {
                killed->m_live[ch][i] =
                    20.0f + static_cast<float>(ch) + 0.1f * static_cast<float>(i);
            }
        }
        const fs::path path = stateDirectory() / name;
        RunJournal journal;
        EXPECT_TRUE(journal.follow(path, *killed, view)) << journal.error();
        journal.close();
        return path;
    }

    static void choose(const QString& button) {
        onNextModal<QMessageBox>([button](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle(), QStringLiteral("KR5061"));
            QAbstractButton* b = buttonNamed(box, button);
            ASSERT_NE(b, nullptr) << button.toStdString();
            b->click();
        });
    }

    std::string suggestedName() const { return recoveryFileName(startFieldsOf(1765177509)); }
};

TEST_F(RunRecoveryTest, LeftJournalIsOfferedAndSavedThroughTheSaveDialog) {
    const fs::path journal = leftJournal();
    QString prompt, suggested;
    onNextModal<QMessageBox>([&](QMessageBox* box) {
        prompt = box->text();
        EXPECT_EQ(box->buttons().size(), 3);
        buttonNamed(box, QStringLiteral("Save"))->click();
    });
    onNextModal<QFileDialog>([&](QFileDialog* dlg) {
        suggested = dlg->selectedFiles().value(0);
        dlg->setDirectory(QString::fromStdString(saveDir.path().string()));
        dlg->selectFile(QFileInfo(suggested).fileName());
        static_cast<QDialog*>(dlg)->accept();  // Save pressed
    });
    RunRecovery(*frame, *doc, state->view).offerLeftJournals();

    JournalRun run;
    run.start = startFieldsOf(1765177509);
    EXPECT_EQ(prompt.toStdString(), recoveryPromptText(run, kSamples));
    EXPECT_EQ(QFileInfo(suggested).fileName().toStdString(), suggestedName());
    EXPECT_FALSE(fs::exists(journal)) << "saved: the journal is gone";
    EXPECT_TRUE(frame->paneText(0).startsWith(
        QStringLiteral("Saved %1 samples to %2").arg(kSamples).arg(saveDir.path().c_str())))
        << frame->paneText(0).toStdString();

    // The measurement file holds exactly the journalled samples.
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(saveDir.path())) {
        if (e.path().extension() != ".txt") {
            files.push_back(e.path());
        }
    }
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].filename().string().rfind(suggestedName(), 0), 0u) << files[0];
    auto loaded = std::make_unique<CHygDoc>();
    const LoadResult result = loadMeasurement(files[0], *loaded);
    ASSERT_TRUE(result.ok()) << result.reason;
    ASSERT_EQ(loaded->m_recallCount, kSamples);
    for (int i = 0; i < kSamples; ++i) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            ASSERT_EQ(loaded->m_recall[i][ch], killed->m_live[ch][i]) << i << ' ' << ch;
        }
    }
    EXPECT_EQ(loaded->m_recallPeriod, 2);
    EXPECT_EQ(result.gain, 20);
    EXPECT_EQ(result.offset, 2);
    EXPECT_TRUE(fs::exists(textTablePathFor(files[0])));
}

TEST_F(RunRecoveryTest, DiscardDeletesClosingKeepsAndAnUnreadableJournalIsReportedAndKept) {
    const fs::path empty = stateDirectory() / "0-empty.journal";
    std::ofstream{empty};  // a zero-byte journal: nothing to offer, not kept
    const fs::path damaged = stateDirectory() / "a-damaged.journal";
    std::ofstream(damaged) << "not a journal";
    const fs::path first = leftJournal("b.journal");
    const fs::path second = leftJournal("c.journal");
    QString report;
    bool heldWhileAsked = false;
    onNextModal<QMessageBox>([&](QMessageBox* box) {
        report = box->text();
        box->accept();
        onNextModal<QMessageBox>([&](QMessageBox* q) {
            heldWhileAsked = isJournalLocked(first);  // another window would pass it by
            q->close();                               // the window's close button: decide later
            choose(QStringLiteral("Discard"));
        });
    });
    RunRecovery(*frame, *doc, state->view).offerLeftJournals();
    EXPECT_FALSE(fs::exists(empty));
    EXPECT_TRUE(report.contains(QStringLiteral("a-damaged.journal"))) << report.toStdString();
    EXPECT_TRUE(fs::exists(damaged));
    EXPECT_TRUE(heldWhileAsked);
    EXPECT_TRUE(fs::exists(first));
    EXPECT_FALSE(isJournalLocked(first)) << "let go once answered";
    EXPECT_FALSE(fs::exists(second));

    // Escape keeps it as well; a journal a live run holds is not offered.
    onNextModal<QMessageBox>([](QMessageBox* q) { QTest::keyClick(q, Qt::Key_Escape); });
    fs::remove(damaged);
    RunRecovery(*frame, *doc, state->view).offerLeftJournals();
    EXPECT_TRUE(fs::exists(first));
    RunJournal live;
    ASSERT_TRUE(live.start(first, JournalRun{})) << live.error();
    bool asked = false;
    onNextModal<QMessageBox>(
        [&](QMessageBox* q) {
            asked = true;
            q->close();
        },
        20);
    RunRecovery(*frame, *doc, state->view).offerLeftJournals();
    QTest::qWait(300);
    EXPECT_FALSE(asked);
}

TEST_F(RunRecoveryTest, OpenInTheLoggerAdoptsTheRunAsADataSetAndKeepsTheJournal) {
    const fs::path journal = leftJournal();
    choose(QStringLiteral("Open in the logger"));
    RunRecovery recovery(*frame, *doc, state->view);
    recovery.offerLeftJournals();
    frame->show();
    recovery.openChosenInLogger();
    CLoggerWnd* logger = frame->loggerWindow();
    ASSERT_NE(logger, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(logger));
    QTRY_COMPARE(logger->list()->rowCount(), 1);
    EXPECT_EQ(logger->list()->item(0, 3)->text(), QString::number(kSamples));
    EXPECT_EQ(doc->m_recallCount, kSamples);
    EXPECT_EQ(doc->m_recall[kSamples - 1][4], killed->m_live[4][kSamples - 1]);
    EXPECT_TRUE(fs::exists(journal)) << "only shown, not saved";
}

// The window's own runs: committed samples go to a journal in the state
// directory; Save and the close prompt's No remove it.
TEST_F(RunRecoveryTest, WindowJournalsCommittedSamplesUntilSavedOrDropped) {
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    LiveState& s = *state;
    s.view.m_startTime = 1765177509;
    s.view.m_unitText = "C";
    s.frame.m_recording = true;
    s.frame.m_idle = false;
    for (int i = 0; i < 3; ++i) {
        commit(21.0f + static_cast<float>(i));
    }
    ASSERT_EQ(s.view.m_sampleIndex, 3);
    QTRY_COMPARE(frame->runJournal().journal().durableCount(), 3);  // written on its own thread
    std::vector<fs::path> journals = journalsIn(stateDirectory());
    ASSERT_EQ(journals.size(), 1u);
    EXPECT_TRUE(isJournalLocked(journals[0]));
    auto run = std::make_unique<RecoveredRun>();
    ASSERT_TRUE(readJournalRun(journals[0], *run).ok());
    EXPECT_EQ(run->count, 3);
    EXPECT_EQ(run->live[0][2], 23.0f);

    frame->setSavePathChooser([&](const QString&) {
        return QString::fromStdString((saveDir.path() / "mid.AsmDat").string());
    });
    frame->updateCommandUI();
    frame->action(kSave)->trigger();
    EXPECT_TRUE(fs::exists(saveDir.path() / "mid.AsmDat"));
    EXPECT_TRUE(journalsIn(stateDirectory()).empty()) << "saved mid-run";

    commit(30.0f);
    QTRY_COMPARE(frame->runJournal().journal().durableCount(), 4);
    journals = journalsIn(stateDirectory());
    ASSERT_EQ(journals.size(), 1u) << "the run goes on and is journalled again";
    ASSERT_TRUE(readJournalRun(journals[0], *run).ok());
    EXPECT_EQ(run->count, 4);

    onNextModal<QMessageBox>([](QMessageBox* q) { q->button(QMessageBox::No)->click(); });
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(journalsIn(stateDirectory()).empty()) << "the user did not keep the run";
}

// The program did not run for 6 s (a stop, a suspend): the run ends at its
// last true sample and the window says why.
TEST_F(RunRecoveryTest, AStoppedProgramEndsTheRunAndSaysSo) {
    frame->show();
    state->view.m_startTime = 1765177509;
    state->frame.m_recording = true;
    state->frame.m_idle = false;
    commit(20.0f);
    s_nowMs += 5000;  // the next tick comes 6 s after the last
    commit(21.0f);
    EXPECT_FALSE(state->frame.m_recording);
    const int samples = state->view.m_sampleIndex;
    EXPECT_EQ(samples, 2) << "the frame read before the stop is the last true sample";
    QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(
        box->text(),
        QStringLiteral("The program was stopped for 6 s; the run ended at sample %1").arg(samples));
    box->button(QMessageBox::Ok)->click();
}

TEST_F(RunRecoveryTest, AJournalThatCannotBeWrittenIsToldOncePerRunAndTheRunGoesOn) {
    std::ofstream(saveDir.file("plain")) << "x";
    const fs::path notAFolder = saveDir.path() / "plain" / "sub";
    ::setenv("KR5061_CONFIG_DIR", notAFolder.c_str(), 1);
    frame->show();
    LiveState& s = *state;
    s.frame.m_recording = true;
    s.frame.m_idle = false;
    for (int i = 0; i < 3; ++i) {
        commit(20.0f);
    }
    EXPECT_EQ(s.view.m_sampleIndex, 3);
    QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    const QString text = box->text();
    EXPECT_TRUE(text.startsWith("This run is not protected against a crash: "))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromStdString(notAFolder.string()))) << text.toStdString();
    EXPECT_EQ(frame->paneText(0), text) << "the status pane says the same";
    box->button(QMessageBox::Ok)->click();
    commit(20.0f);
    QTest::qWait(50);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "once per run";
}

}  // namespace
}  // namespace kr5061
