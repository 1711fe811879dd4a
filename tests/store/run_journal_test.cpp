#include "store/run_journal.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "common/run_state.h"
#include "store/crc32.h"
#include "store/hyg_doc.h"
#include "store/journal_recovery.h"
#include "support/test_dirs.h"
#include "support/time_zone.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

TEST(Crc32, MatchesTheCommonCheckValues) {
    EXPECT_EQ(crc32(0, "", 0), 0u);
    EXPECT_EQ(crc32(0, "123456789", 9), 0xCBF43926u);
    EXPECT_EQ(crc32(crc32(0, "1234", 4), "56789", 5), 0xCBF43926u) << "chained";
}

class RunJournalTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.m_startTime = 1796738585;  // 2026-12-08 14:03:05 UTC
        view.m_samplePeriodMs = 2000;
        view.m_sampleLimit = 1000;
        view.m_unitText = "C";
        view.m_gain = 20;
        view.m_offset = -2;
    }
    // Commits `n` more samples with distinct readings, journals them and
    // waits until they are on the disk.
    void commit(int n) {
        for (int k = 0; k < n; ++k) {
            const int i = view.m_sampleIndex++;
            for (int c = 0; c < kChannelCount; ++c)
                doc->m_live[c][i] = 0.5f * static_cast<float>(i) + static_cast<float>(c) - 3.0f;
            ASSERT_TRUE(journal.follow(path, *doc, view)) << journal.error();
        }
        ASSERT_TRUE(journal.flush()) << journal.error();
        EXPECT_EQ(journal.durableCount(), view.m_sampleIndex);
    }
    // The header and the records written, without the room reserved after them.
    Bytes written(int records) {
        Bytes b = readBytes(path);
        EXPECT_EQ(b.size(), kJournalRecordsOffset + 1000 * kJournalRecordBytes)
            << "the whole run's room is reserved";
        b.resize(kJournalRecordsOffset + static_cast<std::size_t>(records) * kJournalRecordBytes);
        return b;
    }
    std::unique_ptr<RecoveredRun> recovered(const fs::path& p) {
        auto run = std::make_unique<RecoveredRun>();
        EXPECT_TRUE(readJournalRun(p, *run).ok());
        return run;
    }

    test::ScopedTimeZone tz{"UTC"};
    test::TempDir dir;
    fs::path path = dir.file("run.AsmDat.journal");
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    ViewState view;
    RunJournal journal;
};

TEST_F(RunJournalTest, RecoveryWritesTheBytesSaveWouldHaveWrittenInAnyTimeZone) {
    view.m_fahrenheit = true;
    view.m_unitText = "F";
    commit(3);
    view.m_gain = 50;  // changed while recording: the newer header counts
    commit(2);
    const Bytes expected = encodeMeasurementFile(snapshotOfRun(*doc, view));
    journal.close();

    test::ScopedTimeZone elsewhere("Asia/Tokyo");
    const RecoverResult r = recoverJournal(path, dir.file("back.AsmDat"), true);
    ASSERT_EQ(r.status, RecoverStatus::kSaved);
    EXPECT_EQ(r.run->count, 5);
    EXPECT_FALSE(r.run->tailDropped) << "the reserved room is no damage";
    EXPECT_EQ(readBytes(dir.file("back.AsmDat")), expected);
    EXPECT_TRUE(fs::exists(dir.file("back.txt")));
    EXPECT_FALSE(fs::exists(path)) << "removed after the save when asked";
}

TEST_F(RunJournalTest, JournalCutAtEveryOffsetOfItsLastTwoRecordsKeepsTheIntactPrefix) {
    commit(6);
    journal.close();
    const Bytes whole = written(6);
    for (std::size_t cut = whole.size() - 2 * kJournalRecordBytes; cut <= whole.size(); ++cut) {
        JournalContents j;
        ASSERT_TRUE(parseJournal(whole.data(), cut, j).ok()) << cut;
        const int intact = static_cast<int>((cut - kJournalRecordsOffset) / kJournalRecordBytes);
        EXPECT_EQ(j.count, intact) << cut;
        EXPECT_EQ(j.tailDropped, cut != kJournalRecordsOffset + intact * kJournalRecordBytes);
        EXPECT_EQ(j.sample(intact - 1, kHumidity), doc->m_live[kHumidity][intact - 1]);
    }
}

TEST_F(RunJournalTest, DamageEndsThePrefixAndWhatFollowsIsCounted) {
    commit(5);
    journal.close();
    const Bytes whole = readBytes(path);
    const std::size_t rec2 = kJournalRecordsOffset + 2 * kJournalRecordBytes;
    const struct {
        const char* what;
        std::size_t at;      // first byte changed
        std::size_t length;  // bytes swapped with the next record (0: one bit flipped)
        int intact, following, intactFollowing;
    } cases[] = {
        {"a bit flipped in a reading", rec2 + 9, 0, 2, 2, 2},
        {"a bit flipped in the checksum", rec2 + 30, 0, 2, 2, 2},
        {"records 2 and 3 swapped", rec2, kJournalRecordBytes, 2, 2, 1},
        {"a bit flipped in the last record", rec2 + 2 * kJournalRecordBytes + 4, 0, 4, 0, 0},
    };
    for (const auto& c : cases) {
        Bytes b = whole;
        if (c.length == 0)
            b[c.at] ^= 0x10;
        else
            std::swap_ranges(b.begin() + static_cast<long>(c.at),
                             b.begin() + static_cast<long>(c.at + c.length),
                             b.begin() + static_cast<long>(c.at + c.length));
        JournalContents j;
        ASSERT_TRUE(parseJournal(b.data(), b.size(), j).ok()) << c.what;
        EXPECT_EQ(j.count, c.intact) << c.what;
        EXPECT_TRUE(j.tailDropped) << c.what;
        EXPECT_EQ(j.following, c.following) << c.what;
        EXPECT_EQ(j.intactFollowing, c.intactFollowing) << c.what;
    }
}

TEST_F(RunJournalTest, SalvageKeepsTheIntactRecordsAfterDamageAndEveryTime) {
    commit(18);
    journal.close();
    Bytes b = readBytes(path);
    b[kJournalRecordsOffset + 5] ^= 0x01;                             // record 0
    b[kJournalRecordsOffset + 7 * kJournalRecordBytes + 12] ^= 0x80;  // record 7
    JournalContents j;
    ASSERT_TRUE(parseJournal(b.data(), b.size(), j).ok());
    EXPECT_EQ(j.count, 0) << "the intact prefix is empty";
    EXPECT_EQ(j.following, 17);
    EXPECT_EQ(j.intactFollowing, 16);

    auto run = std::make_unique<RecoveredRun>();
    takeJournalRun(j, true, *run);
    ASSERT_EQ(run->count, 18);
    EXPECT_EQ(run->filled, 2);
    for (int c = 0; c < kChannelCount; ++c) {
        EXPECT_EQ(run->live[c][0], doc->m_live[c][1]) << "a first record takes the next one";
        EXPECT_EQ(run->live[c][7], doc->m_live[c][6]) << "a later one the record before it";
        EXPECT_EQ(run->live[c][17], doc->m_live[c][17]);
    }
}

TEST_F(RunJournalTest, BothHeaderSlotsAreWrittenWhenTheRunStarts) {
    commit(2);
    journal.close();
    for (const std::size_t slot : {std::size_t{0}, kJournalSlotBytes}) {
        Bytes b = readBytes(path);
        b[slot + 40] ^= 0x04;  // one bit, before any later header was written
        JournalContents j;
        ASSERT_TRUE(parseJournal(b.data(), b.size(), j).ok()) << slot;
        EXPECT_EQ(j.count, 2);
        EXPECT_EQ(j.run.offset, -2);
        EXPECT_EQ(j.run.startTime, view.m_startTime);
    }
}

TEST_F(RunJournalTest, ForeignOrDamagedHeadersAreRefused) {
    commit(2);
    view.m_offset = 5;  // second header slot
    commit(1);
    journal.close();
    const Bytes whole = readBytes(path);
    auto with = [&](std::size_t at, std::uint8_t x) {
        Bytes b = whole;
        b[at] ^= x;
        return b;
    };
    // The second slot with one byte set and its checksum made to match.
    auto sealed = [&](std::size_t at, std::uint8_t value) {
        Bytes b = whole;
        b[kJournalSlotBytes + at] = value;
        const std::uint32_t crc = crc32(0, b.data() + kJournalSlotBytes, kJournalSlotBytes - 4);
        for (int i = 0; i < 4; ++i)
            b[2 * kJournalSlotBytes - 4 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
        return b;
    };
    const Bytes newer = sealed(8, 2);  // version 2
    Bytes bothBad = with(40, 1);
    bothBad[kJournalSlotBytes + 40] ^= 1;
    const Bytes measurement = encodeMeasurementFile(snapshotOfRun(*doc, view));
    const struct {
        const char* what;
        Bytes bytes;
        JournalStatus status;
        int offset;  // of the header used, when accepted
    } cases[] = {
        {"empty", {}, JournalStatus::kNotJournal, 0},
        {"a measurement file", measurement, JournalStatus::kNotJournal, 0},
        {"cut inside the header", Bytes(whole.begin(), whole.begin() + 200),
         JournalStatus::kDamagedHeader, 0},
        {"both slots damaged", bothBad, JournalStatus::kDamagedHeader, 0},
        {"newer slot damaged: the older one counts", with(kJournalSlotBytes + 40, 1),
         JournalStatus::kOk, -2},
        {"older slot damaged", with(40, 1), JournalStatus::kOk, 5},
        {"newer slot sealed with an impossible year: the older one counts", sealed(34, 0x70),
         JournalStatus::kOk, -2},
        {"newer format only",
         [&] {
             Bytes b = newer;
             b[40] ^= 1;
             return b;
         }(),
         JournalStatus::kNewerVersion, 0},
    };
    for (const auto& c : cases) {
        JournalContents j;
        EXPECT_EQ(parseJournal(c.bytes.data(), c.bytes.size(), j).status, c.status) << c.what;
        if (c.status == JournalStatus::kOk) {
            EXPECT_EQ(j.run.offset, c.offset) << c.what;
            EXPECT_EQ(j.count, 3) << c.what;
        }
    }
}

TEST_F(RunJournalTest, LiveJournalIsLockedAgainstOthersAndANewRunReplacesIt) {
    commit(4);
    EXPECT_TRUE(isJournalLocked(path));
    const Bytes before = readBytes(path);
    RunJournal other;
    EXPECT_FALSE(other.start(path, journalRunOf(view)));
    EXPECT_TRUE(other.lockedByOther());
    std::string error;
    EXPECT_FALSE(removeJournal(path, &error));
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    EXPECT_EQ(recoverJournal(path, dir.file("x.AsmDat"), true).status, RecoverStatus::kLocked);
    EXPECT_EQ(readBytes(path), before) << "a live journal is never touched";

    view.m_startTime += 60;  // Run again: the next frame starts a new run
    view.m_sampleIndex = 0;
    commit(1);
    JournalContents j;
    const Bytes again = readBytes(path);
    ASSERT_TRUE(parseJournal(again.data(), again.size(), j).ok());
    EXPECT_EQ(j.count, 1);
    EXPECT_FALSE(j.tailDropped) << "the previous run's records went with it";
    EXPECT_EQ(j.run.startTime, view.m_startTime);

    journal.close();
    EXPECT_FALSE(isJournalLocked(path));
    EXPECT_TRUE(removeJournal(path, &error)) << error;
    EXPECT_FALSE(fs::exists(path));
}

TEST(SyncWriter, WritesInQueueOrderAndReportsTheFirstFailureOnce) {
    test::TempDir dir;
    const fs::path file = dir.file("out.bin");
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    int problems = 0;
    {
        SyncWriter writer;
        writer.start(fd, dir.path(), [&] { ++problems; });
        for (std::uint8_t i = 0; i < 100; ++i)
            ASSERT_TRUE(writer.write(i, &i, 1, i + 1u));
        const std::uint8_t later = 0xEE;  // the same place again: the later write wins
        ASSERT_TRUE(writer.write(3, &later, 1, 101));
        EXPECT_TRUE(writer.finish());
        EXPECT_EQ(writer.durableMark(), 101u);
    }
    const Bytes b = readBytes(file);
    ASSERT_EQ(b.size(), 100u);
    EXPECT_EQ(b[2], 2);
    EXPECT_EQ(b[3], 0xEE);
    EXPECT_EQ(b[99], 99);
    ::close(fd);

    const int readOnly = ::open(file.c_str(), O_RDONLY);
    SyncWriter writer;
    writer.start(readOnly, {}, [&] { ++problems; });
    const std::uint8_t x = 1;
    EXPECT_TRUE(writer.write(0, &x, 1, 1));
    EXPECT_FALSE(writer.finish());
    EXPECT_FALSE(writer.write(1, &x, 1, 2)) << "nothing is queued after a failure";
    EXPECT_FALSE(writer.finish());
    EXPECT_EQ(writer.durableMark(), 0u);
    EXPECT_NE(writer.error().find("cannot write"), std::string::npos) << writer.error();
    writer.stop();
    EXPECT_EQ(problems, 1);
    ::close(readOnly);
}

TEST_F(RunJournalTest, RecoverNeverOverwritesAndRefusesOtherFiles) {
    commit(2);
    journal.close();
    writeBytes(dir.file("taken.txt"), {'x'});
    RecoverResult r = recoverJournal(path, dir.file("taken.AsmDat"), true);
    EXPECT_EQ(r.status, RecoverStatus::kOutputExists);
    EXPECT_EQ(r.existing, dir.file("taken.txt"));
    EXPECT_FALSE(fs::exists(dir.file("taken.AsmDat")));
    EXPECT_TRUE(fs::exists(path));

    writeBytes(dir.file("plain.journal"), {'K', 'R', '5', '0', '6', '1'});
    r = recoverJournal(dir.file("plain.journal"), dir.file("p.AsmDat"), true);
    EXPECT_EQ(r.status, RecoverStatus::kUnreadable);
    EXPECT_EQ(r.read.status, JournalStatus::kNotJournal);
    EXPECT_TRUE(fs::exists(dir.file("plain.journal")));

    // Saved, then killed before its journal went: that journal only blocks the name.
    ASSERT_EQ(recoverJournal(path, dir.file("ok.AsmDat"), false).status, RecoverStatus::kSaved);
    EXPECT_EQ(recoverJournal(path, dir.file("ok.AsmDat"), false).status,
              RecoverStatus::kAlreadySaved);
    EXPECT_FALSE(fs::exists(path));
    writeBytes(dir.file("zero.journal"), {});
    EXPECT_EQ(recoverJournal(dir.file("zero.journal"), dir.file("z.AsmDat"), false).status,
              RecoverStatus::kEmpty);
    EXPECT_FALSE(fs::exists(dir.file("zero.journal"))) << "no trap left behind";

    EXPECT_EQ(recoveryPathFor("/a/F.AsmDat.journal"), fs::path("/a/F.AsmDat"));
    EXPECT_EQ(recoveryPathFor("/s/run-20261208-140305-77-1.journal"),
              fs::path("/s/run-20261208-140305-77-1.AsmDat"))
        << "a window journal's name gets the extension";
    EXPECT_EQ(recoveryPathFor("/a/F.bin"), fs::path("/a/F.bin.AsmDat"));
    EXPECT_EQ(journalPathFor("/a/F.AsmDat"), fs::path("/a/F.AsmDat.journal"));
}

}  // namespace
}  // namespace kr5061
