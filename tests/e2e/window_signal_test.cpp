#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>
#include <filesystem>
#include <memory>

#include "common/run_state.h"
#include "store/config.h"
#include "store/hyg_doc.h"
#include "store/journal_recovery.h"
#include "store/run_journal.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;

// SIGTERM ends the window even while it asks about a left journal: the
// settings are written as on close and the journal stays for the next start.
TEST(WindowSignals, TerminateWritesTheSettingsAndKeepsTheJournal) {
    test::ScopedConfigDir config;
    auto doc = std::make_unique<CHygDoc>();
    ViewState view;
    view.m_startTime = 1765177509;
    view.m_sampleIndex = 5;
    const fs::path journal = stateDirectory() / "run-left.journal";
    {
        RunJournal left;
        ASSERT_TRUE(left.follow(journal, *doc, view)) << left.error();
    }
    const fs::path settings = configFilePath();
    ASSERT_FALSE(fs::exists(settings));

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KR5061_PROGRAM), {});
    ASSERT_TRUE(p.waitForStarted());
    QTest::qWait(2500);  // up to the question about the journal, which waits for an answer
    ASSERT_EQ(p.state(), QProcess::Running) << p.readAllStandardError().toStdString();
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 128 + 15);
    EXPECT_TRUE(fs::exists(settings));
    EXPECT_EQ(readGain(), 10);
    EXPECT_TRUE(fs::exists(journal));
    auto run = std::make_unique<RecoveredRun>();
    ASSERT_TRUE(readJournalRun(journal, *run).ok());
    EXPECT_EQ(run->count, 5);
}

}  // namespace
}  // namespace kr5061
