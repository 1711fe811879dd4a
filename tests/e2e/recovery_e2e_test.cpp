// The journal of `kr5061 record` against the simulator on a real
// pseudo-terminal: a killed run is recovered, a signal saves, a failed save
// keeps the journal, slow frames, a slow disk and a stopped program keep the
// file's times honest, and recoveries racing for one name never both win.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>

#include "common/run_state.h"
#include "sim/sim_runner.h"
#include "store/hyg_doc.h"
#include "store/journal_recovery.h"
#include "store/measurement_file.h"
#include "store/run_journal.h"
#include "store/text_export.h"
#include "support/program.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;

using test::q;

class Recovery : public ::testing::Test {
protected:
    void SetUp() override {
        SimOptions options;
        options.intervalMs = intervalMs;
        slave = QString::fromStdString(sim.start(options));
        ASSERT_FALSE(slave.isEmpty());
    }
    void record(QProcess& p, const fs::path& out, int count, const QStringList& more = {},
                const QProcessEnvironment& env = {}) {
        test::startProgram(p,
                           QStringList{"record", "--port", slave, "--period", "1", "--count",
                                       QString::number(count), "--out", q(out), "--wait", "5"} +
                               more,
                           env);
    }
    // Reads the progress on stderr until `samples` were committed.
    int waitForSamples(QProcess& p, int samples, QString& err) {
        static const QRegularExpression progress(QStringLiteral("(\\d+) / \\d+ samples"));
        int done = 0;
        for (int i = 0; i < 200 && done < samples; ++i) {
            p.waitForReadyRead(100);
            err += QString::fromLocal8Bit(p.readAllStandardError());
            for (auto it = progress.globalMatch(err); it.hasNext();)
                done = it.next().captured(1).toInt();
        }
        return done;
    }
    int run(const QStringList& args, QString& out, QString& err) {
        const test::ProgramResult r = test::runProgram(args);
        out = r.out;
        err = r.err;
        return r.exitCode;
    }

    int intervalMs = 200;
    test::ScopedConfigDir config;
    test::TempDir dir;
    SimRunner sim;
    QString slave;
};

TEST_F(Recovery, KilledRecordIsRecoveredFromItsJournal) {
    const fs::path out = dir.file("killed.AsmDat");
    const fs::path journal = journalPathFor(out);
    QProcess p;
    record(p, out, 100);
    QString err;
    const int committed = waitForSamples(p, 3, err);
    ASSERT_GE(committed, 3) << err.toStdString();
    EXPECT_TRUE(isJournalLocked(journal));
    QString o, e;
    EXPECT_EQ(
        run({"record", "--port", slave, "--period", "1", "--count", "5", "--out", q(out)}, o, e), 2)
        << "a second recording never takes a live journal";
    p.kill();
    ASSERT_TRUE(p.waitForFinished(5000));
    ASSERT_FALSE(fs::exists(out)) << "SIGKILL: nothing was saved";
    ASSERT_FALSE(isJournalLocked(journal)) << "the lock died with the process";

    EXPECT_EQ(run({"recover", q(dir.file("killed.txt"))}, o, e), 2) << "not a journal";
    ASSERT_EQ(run({"recover", q(journal), "--remove"}, o, e), 0) << e.toStdString();
    const int recovered =
        QRegularExpression(QStringLiteral("Recovered (\\d+) samples")).match(o).captured(1).toInt();
    // The kill may come up to a second after the last progress line we read.
    EXPECT_GE(recovered, committed) << o.toStdString();
    EXPECT_LE(recovered, committed + 2) << o.toStdString();
    EXPECT_FALSE(fs::exists(journal)) << "--remove after the save";

    auto doc = std::make_unique<CHygDoc>();
    ASSERT_TRUE(loadMeasurement(out, *doc).ok());
    EXPECT_EQ(doc->m_recallCount, recovered);
    EXPECT_EQ(doc->m_recallPeriod, 1);
    for (int i = 0; i < recovered; ++i) {
        EXPECT_GT(doc->m_recall[i][kAir], 5.0f) << i;
        EXPECT_GT(doc->m_recall[i][kHumidity], 0.0f) << i;
    }
    std::ifstream table(dir.file("killed.txt"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(table), {}),
              formatTextTable(recallTableInput(*doc)));
    EXPECT_EQ(run({"recover", q(journal)}, o, e), 2) << "the journal is gone";
}

TEST_F(Recovery, HangupAndInterruptSaveAndRemoveTheJournal) {
    const struct {
        int signal;
        int exitCode;
    } cases[] = {{SIGHUP, 129}, {SIGINT, 130}};
    for (const auto& c : cases) {
        const fs::path out = dir.file(("sig" + std::to_string(c.signal) + ".AsmDat").c_str());
        QProcess p;
        record(p, out, 100);
        QString err;
        ASSERT_GE(waitForSamples(p, 1, err), 1) << err.toStdString();
        ::kill(static_cast<pid_t>(p.processId()), c.signal);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), c.exitCode);
        auto doc = std::make_unique<CHygDoc>();
        EXPECT_TRUE(loadMeasurement(out, *doc).ok());
        EXPECT_FALSE(fs::exists(journalPathFor(out))) << "removed after the save";
    }
}

TEST_F(Recovery, FailedSaveKeepsTheJournalAndSaysHowToRecoverIt) {
    const fs::path out = dir.file("blocked.AsmDat");
    fs::create_directory(dir.file("blocked.txt"));  // the table cannot be written
    QProcess p;
    record(p, out, 2, {"--force"});
    ASSERT_TRUE(p.waitForFinished(20000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    ASSERT_TRUE(fs::exists(journalPathFor(out)));
    // The message's command line, run as printed (no blanks in these paths).
    const QString line = err.section(QStringLiteral("To recover them:\n  "), 1).section('\n', 0, 0);
    const QStringList command = line.split(' ');
    ASSERT_GE(command.size(), 3) << err.toStdString();
    EXPECT_EQ(command[1], "recover");
    EXPECT_EQ(command[2], q(journalPathFor(out)));

    QString o, e;
    EXPECT_EQ(run({"recover", q(journalPathFor(out))}, o, e), 2);
    EXPECT_TRUE(e.contains(q(out))) << "names the file in the way: " << e.toStdString();
    ASSERT_EQ(run(command.mid(1), o, e), 0) << e.toStdString();
    EXPECT_TRUE(o.contains("Recovered 2 samples")) << o.toStdString();
    EXPECT_TRUE(fs::exists(journalPathFor(out))) << "kept without --remove";
}

TEST_F(Recovery, ARunWhoseFolderWentIsKeptInTheStateDirectoryAndSaysSo) {
    const fs::path folder = dir.file("gone");
    fs::create_directory(folder);
    const fs::path out = folder / "lost.AsmDat";
    QProcess p;
    record(p, out, 100);
    QString err;
    ASSERT_GE(waitForSamples(p, 2, err), 2) << err.toStdString();
    fs::remove_all(folder);  // the journal beside the output goes with it
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    const test::ProgramResult r = test::finished(p, 20000);
    err += r.err;
    EXPECT_EQ(r.exitCode, 1) << err.toStdString();
    const QRegularExpressionMatch kept =
        QRegularExpression(QStringLiteral("the (\\d+) samples are kept in (\\S+) instead"))
            .match(err);
    ASSERT_TRUE(kept.hasMatch()) << "never the journal that is gone: " << err.toStdString();
    const fs::path copy = kept.captured(2).toStdString();
    EXPECT_EQ(copy.parent_path(), config.path()) << "the state directory";
    auto run = std::make_unique<RecoveredRun>();
    ASSERT_TRUE(readJournalRun(copy, *run).ok());
    EXPECT_EQ(run->count, kept.captured(1).toInt());
    EXPECT_GE(run->count, 2);
}

// Calendar seconds of sample `index` of a saved run, as its table stamps it.
double stampOf(const fs::path& out, int index) {
    auto doc = std::make_unique<CHygDoc>();
    EXPECT_TRUE(loadMeasurement(out, *doc).ok());
    const auto start =
        calendarSecondsOf({doc->m_recallYear, doc->m_recallMonth, doc->m_recallDay,
                           doc->m_recallHour, doc->m_recallMinute, doc->m_recallSecond});
    EXPECT_TRUE(start.has_value());
    return static_cast<double>(start.value_or(0)) + index * doc->m_recallPeriod;
}

double wallSeconds() {
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

TEST_F(Recovery, ASlowDiskNeverDelaysTheSampleClock) {
    const fs::path out = dir.file("slowdisk.AsmDat");
    // Each sync takes longer than a reading may be carried: a sample clock that
    // waited for it would find its run stalled and end it.
    QProcessEnvironment slowDisk;
    slowDisk.insert(QStringLiteral("KR5061_TEST_SYNC_DELAY_MS"), QStringLiteral("3000"));
    QProcess p;
    record(p, out, 4, {}, slowDisk);
    QString err;
    ASSERT_EQ(waitForSamples(p, 4, err), 4) << err.toStdString();
    const double committed = wallSeconds();
    const test::ProgramResult r = test::finished(p, 30000);
    ASSERT_EQ(r.exitCode, 0) << (err + r.err).toStdString();
    // Sample 3 is committed within a period of its stamp, plus up to a second
    // the start lost when it was cut to whole seconds.
    const double late = committed - stampOf(out, 3);
    EXPECT_GT(late, 0.0);
    EXPECT_LT(late, 2.5);
}

TEST_F(Recovery, AStopLongerThanTheCarryEndsTheRunAtItsLastTrueSample) {
    const fs::path out = dir.file("stopped.AsmDat");
    QProcess p;
    record(p, out, 100);
    QString err;
    ASSERT_GE(waitForSamples(p, 2, err), 2) << err.toStdString();
    const auto pid = static_cast<pid_t>(p.processId());
    ::kill(pid, SIGSTOP);
    QTest::qWait(4000);  // the stop itself: four periods, more than a reading may be carried
    ::kill(pid, SIGCONT);
    const test::ProgramResult r = test::finished(p, 15000);
    err += r.err;
    EXPECT_EQ(r.exitCode, 3) << err.toStdString();
    const QRegularExpressionMatch said =
        QRegularExpression(
            QStringLiteral("the program was stopped for (\\d+) s; the run ended at sample (\\d+)"))
            .match(err);
    ASSERT_TRUE(said.hasMatch()) << err.toStdString();
    EXPECT_GE(said.captured(1).toInt(), 4);
    auto doc = std::make_unique<CHygDoc>();
    ASSERT_TRUE(loadMeasurement(out, *doc).ok());
    EXPECT_EQ(doc->m_recallCount, said.captured(2).toInt()) << "saved up to the last true sample";
    EXPECT_FALSE(fs::exists(journalPathFor(out)));
}

TEST_F(Recovery, ConcurrentRecoveriesNeverBothSucceed) {
    auto doc = std::make_unique<CHygDoc>();
    ViewState view;
    view.m_unitText = "C";
    fs::path journals[2];
    for (int k = 0; k < 2; ++k) {
        view.m_startTime = 1765000000 + 3600 * k;
        view.m_sampleIndex = 40 + k;
        for (int i = 0; i < view.m_sampleIndex; ++i)
            doc->m_live[kAir][i] = static_cast<float>(10 * k + i);
        journals[k] = dir.file(k == 0 ? "a.journal" : "b.journal");
        RunJournal journal;
        ASSERT_TRUE(journal.follow(journals[k], *doc, view)) << journal.error();
    }
    auto both = [&](const QStringList& first, const QStringList& second) {
        QProcess a, b;
        test::startProgram(a, first);
        test::startProgram(b, second);
        return std::pair{test::finished(a, 20000).exitCode, test::finished(b, 20000).exitCode};
    };
    for (int round = 0; round < 3; ++round) {
        const fs::path out = dir.file(("both" + std::to_string(round) + ".AsmDat").c_str());
        const auto [a, b] = both({"recover", q(journals[0]), "--out", q(out)},
                                 {"recover", q(journals[1]), "--out", q(out)});
        EXPECT_EQ((a == 0) + (b == 0), 1) << "round " << round << ": " << a << ' ' << b;
        auto loaded = std::make_unique<CHygDoc>();
        ASSERT_TRUE(loadMeasurement(out, *loaded).ok());
        std::ifstream table(textTablePathFor(out), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(table), {}),
                  formatTextTable(recallTableInput(*loaded)))
            << "the file and its table are of one run";
    }
    const fs::path out = dir.file("once.AsmDat");
    const auto [a, b] = both({"recover", q(journals[0]), "--out", q(out), "--remove"},
                             {"recover", q(journals[0]), "--out", q(out), "--remove"});
    EXPECT_EQ((a == 0) + (b == 0), 1) << a << ' ' << b;
    EXPECT_FALSE(fs::exists(journals[0]));
}

class SlowFrames : public Recovery {
protected:
    SlowFrames() { intervalMs = 1900; }
};

TEST_F(SlowFrames, FileTimesFollowTheWallClock) {
    const fs::path out = dir.file("slow.AsmDat");
    QProcess p;
    record(p, out, 5);
    ASSERT_TRUE(p.waitForFinished(30000));
    const double ended = wallSeconds();
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    // Sample 4 is stamped start + 4 s and committed by the fifth tick; frames
    // every 1.9 s used to stretch the run to about 9.5 s. The start is cut to
    // whole seconds, so up to one more second shows here.
    const double late = ended - stampOf(out, 4);
    EXPECT_LT(late, 2.5) << "the last sample's time is within a period of the end";
    EXPECT_GT(late, 0.0);
}

}  // namespace
}  // namespace kr5061
