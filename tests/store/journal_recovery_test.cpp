#include "store/journal_recovery.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "common/run_state.h"
#include "store/hyg_doc.h"
#include "store/measurement_file.h"
#include "store/run_journal.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;

// Sets (or, with nullptr, clears) one environment variable for the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(StateDirectory, SettingsOverrideThenXdgStateHomeThenHome) {
    struct Case {
        const char* override;
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/over", "/xdg", "/home/u", "/over"},
        {"", "/xdg", "/home/u", "/xdg/kr5061"},
        {nullptr, "/xdg", "/home/u", "/xdg/kr5061"},
        {nullptr, "", "/home/u", "/home/u/.local/state/kr5061"},
        {nullptr, nullptr, "/home/u", "/home/u/.local/state/kr5061"},
        {nullptr, nullptr, nullptr, "kr5061"},
    };
    for (const Case& c : cases) {
        ScopedEnv over("KR5061_CONFIG_DIR", c.override);
        ScopedEnv xdg("XDG_STATE_HOME", c.xdg);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(stateDirectory(), fs::path(c.expected)) << c.expected;
    }
}

TEST(StateDirectory, IsCreatedOnDemandAndAFileInTheWayIsReported) {
    test::TempDir tmp;
    {
        ScopedEnv over("KR5061_CONFIG_DIR", (tmp.path() / "a" / "b").c_str());
        fs::path dir;
        ASSERT_TRUE(makeStateDirectory(dir, nullptr));
        EXPECT_EQ(dir, tmp.path() / "a" / "b");
        EXPECT_TRUE(fs::is_directory(dir));
    }
    std::ofstream(tmp.file("plain")) << "x";
    ScopedEnv over("KR5061_CONFIG_DIR", (tmp.path() / "plain" / "sub").c_str());
    fs::path dir;
    std::string error;
    EXPECT_FALSE(makeStateDirectory(dir, &error));
    EXPECT_NE(error.find("plain"), std::string::npos) << error;
}

TEST(RecoveryTexts, PromptAndSuggestedNameShowTheRunsLocalStart) {
    JournalRun run;
    run.start = StartFields{2026, 12, 8, 7, 5, 9};
    EXPECT_EQ(recoveryPromptText(run, 1234),
              "A run of 1234 samples started 08/12/26 07:05:09 was not saved when the program "
              "last ended.");
    EXPECT_EQ(recoveryFileName(run.start), "26-12-08 07.05.09");
    run.start = StartFields{2030, 1, 31, 23, 59, 0};
    EXPECT_EQ(recoveryPromptText(run, 0),
              "A run of 0 samples started 31/01/30 23:59:00 was not saved when the program last "
              "ended.");
    EXPECT_EQ(recoveryFileName(run.start), "30-01-31 23.59.00");
}

TEST(WindowJournals, NamesAreUniquePerProcessAndRunAndOnlyJournalsAreListed) {
    test::TempDir tmp;
    const fs::path a = windowJournalPath(tmp.path(), 1700000000, 100, 1);
    const fs::path b = windowJournalPath(tmp.path(), 1700000000, 101, 1);
    const fs::path c = windowJournalPath(tmp.path(), 1700000000, 100, 2);
    EXPECT_NE(a, b);
    EXPECT_NE(a, c);
    EXPECT_EQ(a.parent_path(), tmp.path());
    EXPECT_EQ(a.extension(), ".journal");
    EXPECT_EQ(a.filename().string().find(' '), std::string::npos) << "easy to pass to recover";
    for (const fs::path& p : {c, a, tmp.file("KR5061config.ini"), tmp.file(".journal")}) {
        std::ofstream(p) << "x";
    }
    fs::create_directory(tmp.file("folder.journal"));
    EXPECT_EQ(journalsIn(tmp.path()), (std::vector<fs::path>{a, c}));
    EXPECT_TRUE(journalsIn(tmp.file("missing")).empty());
}

TEST(LoadRecoveredRun, FillsTheRecallBufferAsOpeningTheSavedFileWould) {
    test::TempDir tmp;
    auto run = std::make_unique<RecoveredRun>();
    run->count = 3;
    run->run.start = StartFields{2026, 12, 8, 7, 5, 9};
    run->run.periodSeconds = 5;
    run->run.fahrenheit = true;
    run->run.unit = "F";
    run->run.gain = 20;
    run->run.offset = -2;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        for (int i = 0; i < run->count; ++i) {
            run->live[ch][i] = 10.0f * static_cast<float>(ch) + 0.25f * static_cast<float>(i);
        }
    }
    const SaveResult saved = saveMeasurement(tmp.file("r.AsmDat"), run->snapshot());
    ASSERT_TRUE(saved.ok) << saved.error;
    auto fromFile = std::make_unique<CHygDoc>();
    ASSERT_TRUE(loadMeasurement(saved.measurementPath, *fromFile).ok());

    auto doc = std::make_unique<CHygDoc>();
    ViewState view;
    loadRecoveredRun(*run, *doc, view);
    EXPECT_TRUE(view.m_recallLoadedB);
    EXPECT_EQ(view.m_loggerGain, 20);
    EXPECT_EQ(view.m_loggerOffset, -2);
    EXPECT_EQ(doc->m_recallCount, 3);
    for (int i = 0; i < 3; ++i) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            EXPECT_EQ(doc->m_recall[i][ch], fromFile->m_recall[i][ch]) << i << ' ' << ch;
        }
    }
    EXPECT_EQ(doc->m_recallFahrenheit, 1);
    EXPECT_EQ(doc->m_recallUnit, "F");
    EXPECT_EQ(doc->m_recallPeriod, 5);
    EXPECT_EQ((std::array{doc->m_recallYear, doc->m_recallMonth, doc->m_recallDay,
                          doc->m_recallHour, doc->m_recallMinute, doc->m_recallSecond}),
              (std::array{2026, 12, 8, 7, 5, 9}));
}

}  // namespace
}  // namespace kr5061
