#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
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

// The humidity ratio of air at 25 degC and 50 % from the Handbook's saturated
// humidity ratio at 25 degC (0.020173): half the vapour pressure of saturated air.
double tableRatioAt25And50() {
    const double p = 101.325, ws = 0.020173;
    const double pw = 0.5 * p * ws / (0.621945 + ws);
    return 0.621945 * pw / (p - pw);
}

TEST_F(CommandLine, PsychroPrintsEveryQuantityWithItsUnit) {
    const Result json = runProgram({"psychro", "--air", "25", "--rh", "50", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    for (const char* key :
         {"humidity_ratio_g_per_kg", "enthalpy_kj_per_kg", "dew_point_c", "wet_bulb_c",
          "vapour_pressure_hpa", "absolute_humidity_g_per_m3", "specific_volume_m3_per_kg",
          "density_kg_per_m3", "degree_of_saturation", "pressure_kpa"}) {
        EXPECT_TRUE(o.value(key).isDouble()) << key << " in " << json.out.toStdString();
    }
    const double w = tableRatioAt25And50();
    EXPECT_NEAR(o["humidity_ratio_g_per_kg"].toDouble() / (w * 1000), 1.0, 0.005);
    // The Handbook's enthalpy of moist air, h = 1.006 t + W (2501 + 1.86 t).
    EXPECT_NEAR(o["enthalpy_kj_per_kg"].toDouble() / (1.006 * 25 + w * (2501 + 1.86 * 25)), 1.0,
                0.005);
    EXPECT_NEAR(o["dew_point_c"].toDouble(), 13.9, 0.05);
    EXPECT_EQ(o["pressure_kpa"].toDouble(), 101.325);

    const Result ip =
        runProgram({"psychro", "--air", "77", "--rh", "50", "--fahrenheit", "--json"});
    ASSERT_EQ(ip.exitCode, 0);
    const QJsonObject i = QJsonDocument::fromJson(ip.out.toUtf8()).object();
    EXPECT_NEAR(i["humidity_ratio_gr_per_lb"].toDouble() / (w * 7000), 1.0, 0.005);
    EXPECT_NEAR(i["dew_point_f"].toDouble(), 13.9 * 1.8 + 32, 0.1);

    const Result text = runProgram({"psychro", "--air", "25", "--dp", "13.9", "--altitude", "500"});
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.contains(QRegularExpression("Pressure +95.461 kPa")))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(QRegularExpression("Humidity ratio +[0-9.]+ g/kg")));
}

TEST_F(CommandLine, PsychroRefusesWhatTheFormulasDoNotCoverWithExitTwo) {
    const QStringList outOfRange[] = {
        {"--air", "25", "--rh", "101"},
        {"--air", "250", "--rh", "10"},
        {"--air", "25", "--dp", "30"},
        {"--air", "25", "--wb", "26"},
        {"--air", "25", "--rh", "50", "--pressure", "30"},
        {"--air", "25", "--rh", "50", "--altitude", "9000"},
    };
    for (const QStringList& args : outOfRange) {
        const Result r = runProgram(QStringList{"psychro"} + args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("out of range:")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << "no number is printed for refused input";
    }
    EXPECT_EQ(runProgram({"psychro", "--air", "25"}).exitCode, 2);
    EXPECT_EQ(runProgram({"psychro", "--air", "25", "--rh", "5", "--dp", "1"}).exitCode, 2);
    EXPECT_EQ(runProgram({"psychro", "--air", "x", "--rh", "5"}).exitCode, 2);
}

TEST_F(CommandLine, ExportDerivedAppendsTheQuantitiesAndThePlainCsvStaysAsItWas) {
    auto doc = std::make_unique<CHygDoc>();
    const float rows[][5] = {
        {25, 18, 14, 12.0f, 50}, {25, 18, 14, kAbsentReading, 50}, {25, 18, 14, 12.0f, 120}};
    for (int i = 0; i < 3; ++i) {
        for (int ch = 0; ch < kChannelCount; ++ch)
            doc->m_live[ch][i] = rows[i][ch];
    }
    ViewState view;
    view.m_sampleIndex = 3;
    view.m_startTime = 1765000000;
    view.m_unitText = "C";
    const auto saved = dir.file("run.AsmDat");
    const RunSnapshot run = snapshotOfRun(*doc, view);
    ASSERT_TRUE(saveMeasurement(saved, run).ok);
    const auto plain = dir.file("plain.csv"), derived = dir.file("derived.csv"),
               high = dir.file("high.csv");
    ASSERT_EQ(runProgram({"export", q(saved), "--csv", q(plain)}).exitCode, 0);
    ASSERT_EQ(runProgram({"export", q(saved), "--csv", q(derived), "--derived"}).exitCode, 0);
    ASSERT_EQ(runProgram({"export", q(saved), "--csv", q(high), "--derived", "--altitude", "500"})
                  .exitCode,
              0);
    EXPECT_EQ(readFile(plain), formatCsvTable(tableInputOf(run)));
    EXPECT_EQ(readFile(plain).substr(0, 46), "time,AIR (C),WB (C),DP (C),K/IR (C),RH (%RH)\r\n");

    const auto lines = [](const std::string& text) {
        QStringList l = QString::fromStdString(text).split("\r\n");
        l.removeLast();
        return l;
    };
    const QStringList a = lines(readFile(plain)), b = lines(readFile(derived));
    ASSERT_EQ(b.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(b[i].startsWith(a[i] + ",")) << b[i].toStdString();
        EXPECT_EQ(b[i].count(','), a[i].count(',') + 11);
    }
    EXPECT_TRUE(b[0].endsWith(",Pressure (kPa),Condensation margin (K)"));
    const QStringList first = b[1].split(','), second = b[2].split(','), third = b[3].split(',');
    EXPECT_NEAR(first[6].toDouble() / (tableRatioAt25And50() * 1000), 1.0, 0.005);
    EXPECT_NEAR(first[8].toDouble(), 13.9, 0.05) << "dew point";
    EXPECT_NEAR(first[16].toDouble(), 12.0 - first[8].toDouble(), 0.011) << "margin";
    EXPECT_TRUE(second[16].isEmpty()) << "no probe, no margin";
    EXPECT_FALSE(second[6].isEmpty());
    for (int f = 6; f < third.size(); ++f) {
        EXPECT_TRUE(third[f].isEmpty()) << "RH 120 % has no derived quantities";
    }
    EXPECT_EQ(lines(readFile(high))[1].split(',')[15], "95.461");
    EXPECT_EQ(runProgram({"export", q(saved), "--csv", q(plain), "--pressure", "90"}).exitCode, 2)
        << "a pressure without --derived is a mistake";
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
