// What `kr5061 record` decides before the run: an output it cannot write is
// refused at once, a second recorder never shares a journal, a run without a
// sample never touches an earlier file, and a journal whose run is already
// saved does not block the name.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "common/run_state.h"
#include "sim/pty_transport.h"
#include "store/hyg_doc.h"
#include "store/measurement_file.h"
#include "store/run_journal.h"
#include "support/program.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;
using test::q;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A tmpfs over `dir` for the test's lifetime (root only, as in CI).
class ScopedMount {
public:
    ScopedMount(const fs::path& dir, const QString& options) : m_dir(dir) {
        fs::create_directories(dir);
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                                      {"-t", "tmpfs", "-o", options, "tmpfs", q(dir)}) == 0;
    }
    ~ScopedMount() {
        if (m_mounted) {
            QProcess::execute(QStringLiteral("umount"), {q(m_dir)});
        }
    }
    bool mounted() const { return m_mounted; }

private:
    fs::path m_dir;
    bool m_mounted = false;
};

class RecordOutput : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(silent.open()); }
    // A recorder on an instrument that never answers.
    QStringList record(const fs::path& out, const QStringList& more = {}) const {
        return QStringList{"record",   "--port", QString::fromStdString(silent.slavePath()),
                           "--period", "1",      "--count",
                           "10000",    "--out",  q(out)} +
               more;
    }
    bool journalHeld(const fs::path& out) {
        return test::waitFor([&] { return isJournalLocked(journalPathFor(out)); }, 10000);
    }
    // An earlier run's file, saved as Save writes it.
    fs::path earlierFile(const char* name) {
        auto doc = std::make_unique<CHygDoc>();
        ViewState view;
        view.m_sampleIndex = 3;
        view.m_startTime = 1765000000;
        view.m_unitText = "C";
        const fs::path out = dir.file(name);
        EXPECT_TRUE(saveMeasurement(out, snapshotOfRun(*doc, view)).ok);
        return out;
    }

    test::ScopedConfigDir config;
    test::TempDir dir;
    PtyTransport silent;
};

TEST_F(RecordOutput, AnOutputThatCannotTakeTheRunIsRefusedAtOnce) {
    // Root writes into any folder, so it needs a read-only file system; others a mode.
    const bool root = ::geteuid() == 0;
    std::unique_ptr<ScopedMount> readOnly, full;
    if (root) {
        readOnly = std::make_unique<ScopedMount>(dir.file("ro"), "ro,size=1m");
        full = std::make_unique<ScopedMount>(dir.file("full"), "size=64k");
    } else {
        fs::create_directory(dir.file("ro"));
        ::chmod(dir.file("ro").c_str(), 0555);
    }
    const struct {
        fs::path folder;
        const char* says;
        bool usable;
    } cases[] = {
        {dir.file("missing"), "does not exist", true},
        {dir.file("ro"), root ? "Read-only file system" : "Permission denied",
         !root || readOnly->mounted()},
        // 10000 samples need a journal of 320 kB.
        {dir.file("full"), "No space left on device", root && full->mounted()},
    };
    for (const auto& c : cases) {
        if (!c.usable) {
            continue;
        }
        const test::ProgramResult r = test::runProgram(record(c.folder / "x.AsmDat"), 10000);
        EXPECT_EQ(r.exitCode, 2) << c.folder << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("Recording")) << "refused before the instrument was asked";
        std::error_code ec;
        EXPECT_TRUE(!fs::exists(c.folder) || fs::is_empty(c.folder, ec))
            << "no journal left behind in " << c.folder;
    }
    if (!cases[2].usable) {
        GTEST_SKIP() << "a full folder needs a small tmpfs, which only root can mount";
    }
}

TEST_F(RecordOutput, ARunWithoutASampleLeavesTheEarlierFileUntouched) {
    const fs::path out = earlierFile("kept.AsmDat");
    const std::string before = readFile(out);
    const struct {
        const char* what;
        QStringList more;
        int signal;  // 0: give up waiting
        int exitCode;
    } cases[] = {
        {"giving up in --wait", {"--wait", "1"}, 0, 3},
        {"interrupted", {}, SIGINT, 130},
        {"terminated", {}, SIGTERM, 143},
    };
    for (const auto& c : cases) {
        QProcess p;
        test::startProgram(p, record(out, c.more + QStringList{"--force"}));
        ASSERT_TRUE(journalHeld(out)) << c.what;
        if (c.signal != 0) {
            ::kill(static_cast<pid_t>(p.processId()), c.signal);
        }
        const test::ProgramResult r = test::finished(p, 20000);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("No sample was recorded; nothing was written."))
            << c.what << r.err.toStdString();
        EXPECT_EQ(readFile(out), before) << c.what;
        EXPECT_FALSE(fs::exists(journalPathFor(out))) << c.what;
    }
}

TEST_F(RecordOutput, ASecondRecorderOnTheSameOutputIsRefusedAtOnceNamingTheFirst) {
    const fs::path out = dir.file("shared.AsmDat");
    QProcess first;
    test::startProgram(first, record(out));
    ASSERT_TRUE(journalHeld(out));
    const test::ProgramResult second = test::runProgram(record(out), 10000);
    EXPECT_EQ(second.exitCode, 2);
    EXPECT_TRUE(second.err.contains(
        QStringLiteral("Another recording (process %1) is writing").arg(first.processId())))
        << second.err.toStdString();
    first.terminate();
    EXPECT_EQ(test::finished(first, 10000).exitCode, 143);
}

TEST_F(RecordOutput, AJournalOfTheRunAlreadySavedBesideItIsRemovedWithANote) {
    const fs::path out = earlierFile("done.AsmDat");
    auto doc = std::make_unique<CHygDoc>();
    ViewState view;
    view.m_sampleIndex = 3;
    view.m_startTime = 1765000000;
    view.m_unitText = "C";
    auto leaveJournal = [&] {  // killed after the save, before the journal went
        RunJournal journal;
        ASSERT_TRUE(journal.follow(journalPathFor(out), *doc, view)) << journal.error();
    };
    leaveJournal();
    const test::ProgramResult r = test::runProgram(record(out), 10000);
    EXPECT_EQ(r.exitCode, 2) << "the saved file itself is still not replaced";
    EXPECT_TRUE(r.err.contains("held the run already saved in " + q(out))) << r.err.toStdString();
    EXPECT_FALSE(fs::exists(journalPathFor(out)));

    leaveJournal();
    const test::ProgramResult recovered =
        test::runProgram({"recover", q(journalPathFor(out))}, 10000);
    EXPECT_EQ(recovered.exitCode, 0) << recovered.err.toStdString();
    EXPECT_TRUE(recovered.out.contains("already holds this run")) << recovered.out.toStdString();
    EXPECT_FALSE(fs::exists(journalPathFor(out)));
}

}  // namespace
}  // namespace kr5061
