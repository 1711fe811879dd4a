#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "common/run_state.h"
#include "sim/pty_transport.h"
#include "sim/sim_runner.h"
#include "store/hyg_doc.h"
#include "store/measurement_file.h"
#include "store/text_export.h"
#include "support/program.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

using test::q;
using test::runProgram;
using Result = test::ProgramResult;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class CommandLine : public ::testing::Test {
protected:
    test::ScopedConfigDir config;
    test::TempDir dir;
};

TEST_F(CommandLine, RecordAgainstTheSimulatorWritesBothFilesAndRefusesToReplaceThem) {
    SimRunner sim;
    SimOptions options;
    options.intervalMs = 200;
    const std::string slave = sim.start(options);
    ASSERT_FALSE(slave.empty());
    const auto out = dir.file("run.AsmDat");
    const QStringList args = {"record",   "--port", QString::fromStdString(slave),
                              "--period", "1",      "--count",
                              "3",        "--out",  q(out),
                              "--wait",   "5"};
    const Result r = runProgram(args);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // Into a pipe: one line per sample, no carriage returns.
    EXPECT_TRUE(r.err.contains("1 / 3 samples\n2 / 3 samples\n3 / 3 samples\n"))
        << r.err.toStdString();
    EXPECT_FALSE(r.err.contains('\r'));

    auto doc = std::make_unique<CHygDoc>();
    ASSERT_TRUE(loadMeasurement(out, *doc).ok());
    EXPECT_EQ(doc->m_recallCount, 3);
    EXPECT_EQ(doc->m_recallPeriod, 1);
    EXPECT_EQ(doc->m_recallUnit, "C");
    EXPECT_GT(doc->m_recall[0][kAir], 10.0f);
    EXPECT_EQ(readFile(dir.file("run.txt")), formatTextTable(recallTableInput(*doc)));
    EXPECT_GE(sim.pollsReceived(), 1u);

    const std::string before = readFile(out);
    const Result again = runProgram(args);
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_TRUE(again.err.contains(q(out) + " already exists")) << again.err.toStdString();
    EXPECT_EQ(readFile(out), before);
    const Result forced = runProgram(args + QStringList{"--force", "--quiet"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_FALSE(forced.err.contains(" / 3 samples")) << forced.err.toStdString();
}

TEST_F(CommandLine, TerminatedRecordSavesWhatItHasAndExits143) {
    SimRunner sim;
    SimOptions options;
    options.intervalMs = 100;
    const std::string slave = sim.start(options);
    ASSERT_FALSE(slave.empty());
    const auto out = dir.file("cut.AsmDat");
    QProcess p;
    test::startProgram(p, {"record", "--port", QString::fromStdString(slave), "--period", "1",
                           "--count", "100", "--out", q(out)});
    QString err;
    for (int i = 0; i < 100 && !err.contains("1 / 100"); ++i) {
        p.waitForReadyRead(100);
        err += QString::fromLocal8Bit(p.readAllStandardError());
    }
    ASSERT_TRUE(err.contains("1 / 100")) << err.toStdString();
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 143);
    auto doc = std::make_unique<CHygDoc>();
    ASSERT_TRUE(loadMeasurement(out, *doc).ok());
    EXPECT_GE(doc->m_recallCount, 1);
    EXPECT_LT(doc->m_recallCount, 100);
}

TEST_F(CommandLine, RecordGivesUpWhenNothingAnswers) {
    PtyTransport silent;
    ASSERT_TRUE(silent.open());
    const auto out = dir.file("none.AsmDat");
    const Result r = runProgram({"record", "--port", QString::fromStdString(silent.slavePath()),
                                 "--period", "1", "--count", "5", "--out", q(out), "--wait", "1"});
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("No answer")) << r.err.toStdString();
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(CommandLine, RecordRefusesBadArguments) {
    EXPECT_EQ(runProgram({"record", "--port", "x", "--period", "1", "--count", "0", "--out", "a"})
                  .exitCode,
              2);
    EXPECT_EQ(
        runProgram({"record", "--port", "x", "--period", "1", "--count", "10001", "--out", "a"})
            .exitCode,
        2);
    EXPECT_EQ(runProgram({"record", "--period", "1"}).exitCode, 2);
}

TEST_F(CommandLine, HelpAndVersionNeedNoDisplay) {
    const Result help = runProgram({"--help"}, 20000, true);
    EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.contains("--port DEVICE")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("kr5061 export FILE.AsmDat")) << help.out.toStdString();
    const Result version = runProgram({"--version"}, 20000, true);
    EXPECT_EQ(version.exitCode, 0) << version.err.toStdString();
    EXPECT_EQ(version.out, "KR5061 1.2\n");
    for (const char* command : {"record", "export", "recover"}) {
        const Result r = runProgram({command, "--help"}, 20000, true);
        EXPECT_EQ(r.exitCode, 0) << command << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(
            QRegularExpression(QStringLiteral("Usage: \\S*kr5061 .*") + QLatin1String(command))))
            << command << ": " << r.out.toStdString();
    }
}

TEST_F(CommandLine, UnknownCommandsAndStrayArgumentsAreRefusedWithUsage) {
    struct Case {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {{"recoverr", "x"}, "Unknown command \"recoverr\""},
        {{"foo"}, "Unknown command \"foo\""},
        {{"--simulate", "stray"}, "Unexpected argument \"stray\""},
        {{"--bogus"}, "Unknown option \"--bogus\""},
        {{"--port"}, "Missing value after \"--port\""},
        {{"-platform", "offscreen", "--simulate", "x"}, "Unexpected argument \"x\""},
        // A command's own parser must not end with 1, which means "save failed".
        {{"record", "--bogus"}, "bogus"},
        {{"export", "--bogus"}, "bogus"},
        {{"recover", "--bogus"}, "bogus"},
        {{"record", "stray", "--port", "x", "--period", "1", "--count", "1", "--out", "a"},
         "Unexpected argument \"stray\""},
    };
    // A command's help names the program as it was started.
    static const QRegularExpression usageLine(QStringLiteral("Usage: \\S*kr5061"));
    for (const Case& c : cases) {
        // Decided before the window system starts, so no display is needed.
        const Result r = runProgram(c.args, 20000, true);
        EXPECT_EQ(r.exitCode, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(usageLine)) << r.err.toStdString();
    }
}

TEST_F(CommandLine, ExportWritesTheTableExactlyAsSaveDoes) {
    auto doc = std::make_unique<CHygDoc>();
    for (int i = 0; i < 4; ++i) {
        doc->m_live[kAir][i] = 20.0f + i;
        doc->m_live[kWetBulb][i] = 15.0f;
        doc->m_live[kDewPoint][i] = 10.0f;
        doc->m_live[kSurface][i] = i == 2 ? kAbsentReading : 23.47f;
        doc->m_live[kHumidity][i] = 45.2f;
    }
    ViewState view;
    view.m_sampleIndex = 4;
    view.m_startTime = 1765000000;
    view.m_samplePeriodMs = 2000;
    view.m_fahrenheit = true;
    view.m_unitText = "F";
    const auto saved = dir.file("probe.AsmDat");
    ASSERT_TRUE(saveMeasurement(saved, snapshotOfRun(*doc, view)).ok);

    const auto txt = dir.file("again.txt");
    const auto csv = dir.file("again.csv");
    const Result r = runProgram({"export", q(saved), "--txt", q(txt), "--csv", q(csv)});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFile(txt), readFile(dir.file("probe.txt")));
    const std::string table = readFile(csv);
    EXPECT_EQ(table.rfind("time,AIR (F)", 0), 0u) << table;
    EXPECT_NE(table.find(",68.0,"), std::string::npos) << table;
}

TEST_F(CommandLine, ExportOfABadFileSaysInvalidFormatAndWritesNothing) {
    const auto bad = dir.file("bad.AsmDat");
    std::ofstream(bad, std::ios::binary) << "\x06KR5060garbage";
    const auto txt = dir.file("out.txt");
    const Result r = runProgram({"export", q(bad), "--txt", q(txt)});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("Invalid Format!")) << r.err.toStdString();
    EXPECT_FALSE(std::filesystem::exists(txt));
    EXPECT_EQ(runProgram({"export", q(dir.file("missing.AsmDat"))}).exitCode, 2);
}

TEST_F(CommandLine, RecordOnAMissingDeviceEndsWithThePortsDiagnosis) {
    const Result r = runProgram({"record", "--port", "/dev/ttyUSB9", "--period", "1", "--count",
                                 "1", "--out", q(dir.file("x.AsmDat")), "--wait", "1"});
    EXPECT_EQ(r.exitCode, 3);
    const QStringList lines = r.err.trimmed().split('\n');
    EXPECT_TRUE(lines.constLast().startsWith("Cannot use /dev/ttyUSB9: the device is not there."))
        << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("No answer")) << r.err.toStdString();
}

}  // namespace
}  // namespace kr5061
