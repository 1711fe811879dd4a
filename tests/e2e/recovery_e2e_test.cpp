// The journal of `kr5061 record` against the simulator on a real
// pseudo-terminal: a killed run is recovered, a signal saves, a failed save
// keeps the journal, and slow frames keep the file's times honest.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>

#include "sim/sim_runner.h"
#include "store/hyg_doc.h"
#include "store/measurement_file.h"
#include "store/run_journal.h"
#include "store/text_export.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;

QString q(const fs::path& p) {
    return QString::fromStdString(p.string());
}

class Recovery : public ::testing::Test {
protected:
    void SetUp() override {
        SimOptions options;
        options.intervalMs = intervalMs;
        slave = QString::fromStdString(sim.start(options));
        ASSERT_FALSE(slave.isEmpty());
    }
    void start(QProcess& p, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KR5061_PROGRAM), args);
    }
    void record(QProcess& p, const fs::path& out, int count) {
        start(p, {"record", "--port", slave, "--period", "1", "--count", QString::number(count),
                  "--out", q(out), "--wait", "5"});
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
        QProcess p;
        start(p, args);
        if (!p.waitForFinished(20000))
            return -1;
        out = QString::fromLocal8Bit(p.readAllStandardOutput());
        err = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
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
    record(p, out, 2);
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

class SlowFrames : public Recovery {
protected:
    SlowFrames() { intervalMs = 1900; }
};

TEST_F(SlowFrames, FileTimesFollowTheWallClock) {
    const fs::path out = dir.file("slow.AsmDat");
    QProcess p;
    record(p, out, 5);
    ASSERT_TRUE(p.waitForFinished(30000));
    const double ended = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    auto doc = std::make_unique<CHygDoc>();
    ASSERT_TRUE(loadMeasurement(out, *doc).ok());
    ASSERT_EQ(doc->m_recallCount, 5);
    const auto start =
        calendarSecondsOf({doc->m_recallYear, doc->m_recallMonth, doc->m_recallDay,
                           doc->m_recallHour, doc->m_recallMinute, doc->m_recallSecond});
    ASSERT_TRUE(start.has_value());
    // Sample 4 is stamped start + 4 s and committed by the fifth tick; frames
    // every 1.9 s used to stretch the run to about 9.5 s.
    const double lastStamp = static_cast<double>(*start) + 4.0;
    // The start is cut to whole seconds, so up to one more second shows here.
    EXPECT_LT(ended - lastStamp, 2.5) << "the last sample's time is within a period of the end";
    EXPECT_GT(ended - lastStamp, 0.0);
}

}  // namespace
}  // namespace kr5061
