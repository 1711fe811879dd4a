#include "store/measurement_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <csignal>
#endif

#include "common/run_state.h"
#include "store/hyg_doc.h"
#include "support/test_dirs.h"
#include "support/time_zone.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Little-endian byte builder for hand-made files, independent of the encoder.
struct FileBuilder {
    Bytes b;
    FileBuilder& u8(std::uint8_t v) {
        b.push_back(v);
        return *this;
    }
    FileBuilder& i32(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int s = 0; s < 32; s += 8)
            b.push_back(static_cast<std::uint8_t>(u >> s));
        return *this;
    }
    FileBuilder& f32(float v) { return i32(std::bit_cast<std::int32_t>(v)); }
    FileBuilder& raw(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    FileBuilder& shortString(const std::string& s) { return u8(std::uint8_t(s.size())).raw(s); }
    // Everything after the records: flag, date and time, period, unit, gain, offset.
    FileBuilder& tail(const std::string& unit = "C") {
        u8(0).i32(2026).i32(12).i32(8).i32(14).i32(3).i32(5).i32(2);
        return shortString(unit).i32(10).i32(-5);
    }
    // The same with the numbers given: year, month, day, hour, minute, second,
    // period, gain, offset.
    FileBuilder& tail(std::initializer_list<std::int32_t> fields) {
        u8(0);
        const auto* v = fields.begin();
        for (int i = 0; i < 7; ++i)
            i32(v[i]);
        return shortString("C").i32(v[7]).i32(v[8]);
    }
};

Bytes readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readText(const fs::path& p) {
    const Bytes b = readBytes(p);
    return std::string(b.begin(), b.end());
}

void writeBytes(const fs::path& p, const std::string& s) {
    std::ofstream out(p, std::ios::binary);
    out << s;
}

std::unique_ptr<CHygDoc> newDoc() {
    return std::make_unique<CHygDoc>();
}

// A document whose recall side holds a previous, recognisable set.
std::unique_ptr<CHygDoc> docWithPreviousSet() {
    auto doc = newDoc();
    doc->m_recallCount = 7;
    for (int r = 0; r < kSampleCapacity; ++r) {
        for (int c = 0; c < kChannelCount; ++c)
            doc->m_recall[r][c] = static_cast<float>(r * 10 + c) + 0.25f;
    }
    doc->m_recallTag = 123;
    doc->m_recallPeriod = 9;
    doc->m_recallFahrenheit = 1;
    doc->m_recallHour = 1, doc->m_recallMinute = 2, doc->m_recallSecond = 3;
    doc->m_recallYear = 1999, doc->m_recallMonth = 4, doc->m_recallDay = 5;
    doc->m_recallUnit = "F";
    doc->m_signatureIn = "00";
    return doc;
}

void expectSameDoc(const CHygDoc& a, const CHygDoc& b) {
    EXPECT_EQ(0, std::memcmp(&a.m_recall[0], &b.m_recall[0], a.m_recall.kBytes));
    EXPECT_EQ(0, std::memcmp(&a.m_live[0], &b.m_live[0], a.m_live.kBytes));
    EXPECT_EQ(a.m_recallCount, b.m_recallCount);
    EXPECT_EQ(a.m_recallTag, b.m_recallTag);
    EXPECT_EQ(a.m_recallPeriod, b.m_recallPeriod);
    EXPECT_EQ(a.m_recallFahrenheit, b.m_recallFahrenheit);
    EXPECT_EQ(a.m_recallHour, b.m_recallHour);
    EXPECT_EQ(a.m_recallMinute, b.m_recallMinute);
    EXPECT_EQ(a.m_recallSecond, b.m_recallSecond);
    EXPECT_EQ(a.m_recallYear, b.m_recallYear);
    EXPECT_EQ(a.m_recallMonth, b.m_recallMonth);
    EXPECT_EQ(a.m_recallDay, b.m_recallDay);
    EXPECT_EQ(a.m_recallUnit, b.m_recallUnit);
    EXPECT_EQ(a.m_signatureIn, b.m_signatureIn);
}

RunSnapshot runOf(const CHygDoc& doc, int count, const std::string& unit = "C") {
    RunSnapshot run;
    run.live = doc.m_live;
    run.count = count;
    run.unit = unit;
    run.start = StartFields{2026, 12, 8, 14, 3, 5};
    run.periodSeconds = 2;
    run.gain = 10;
    run.offset = -5;
    return run;
}

class MeasurementFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(MeasurementFileTest, EmptyRunWritesFortyNineOrFiftyBytesAndAHeaderOnlyTable) {
    auto doc = newDoc();
    for (const auto& [unit, size] : {std::pair{"", 49u}, std::pair{"C", 50u}}) {
        const fs::path p = dir.file("empty.AsmDat");
        const SaveResult r = saveMeasurement(p, runOf(*doc, 0, unit));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(size, readBytes(p).size()) << "unit '" << unit << "'";
        const std::string text = readText(dir.file("empty.txt"));
        EXPECT_EQ(text.find("\r\n") + 2, text.size()) << "header line only";
    }
}

TEST_F(MeasurementFileTest, ThreeSampleFileMatchesTheLayoutByteForByte) {
    auto doc = newDoc();
    const float samples[3][5] = {{20.0f, 15.5f, 10.25f, 23.47f, 55.0f},
                                 {-3.5f, -4.0f, -9.75f, kAbsentReading, 99.9f},
                                 {1.0f, 2.0f, 3.0f, 4.0f, 5.0f}};
    for (int i = 0; i < 3; ++i) {
        for (int c = 0; c < 5; ++c)
            doc->m_live[c][i] = samples[i][c];
    }
    doc->m_live[0][3] = 777.0f;  // beyond the count: must not be written
    RunSnapshot run = runOf(*doc, 3, "F");
    run.fahrenheit = true;
    run.start = StartFields{2026, 1, 31, 23, 59, 58};
    run.periodSeconds = 60;
    run.gain = 500;
    run.offset = -2;

    Bytes expected = {6, 'K', 'R', '5', '0', '6', '1', 3, 0, 0, 0};
    for (const auto& rec : samples) {
        for (float v : rec) {
            const auto u = std::bit_cast<std::uint32_t>(v);
            for (int s = 0; s < 32; s += 8)
                expected.push_back(static_cast<std::uint8_t>(u >> s));
        }
    }
    const Bytes rest = {1,                                                // Fahrenheit flag
                        0xEA, 0x07, 0,    0,   1,  0, 0, 0, 31, 0, 0, 0,  // 2026-01-31
                        23,   0,    0,    0,   59, 0, 0, 0, 58, 0, 0, 0,  // 23:59:58
                        60,   0,    0,    0,                              // period
                        1,    'F',                                        // unit
                        0xF4, 0x01, 0,    0,                              // gain 500
                        0xFE, 0xFF, 0xFF, 0xFF};                          // offset -2
    expected.insert(expected.end(), rest.begin(), rest.end());
    ASSERT_EQ(50u + 20u * 3u, expected.size());
    EXPECT_EQ(expected, encodeMeasurementFile(run));
    // 20.0 is stored as received even though it is shown as 68.0F.
    EXPECT_EQ((Bytes{0x00, 0x00, 0xA0, 0x41}), Bytes(expected.begin() + 11, expected.begin() + 15));
}

TEST_F(MeasurementFileTest, OnlyAFahrenheitFlagOfOneMeansFahrenheit) {
    auto doc = newDoc();
    Bytes bytes = encodeMeasurementFile(runOf(*doc, 0, "C"));
    for (const auto& [flag, fahrenheit] : {std::pair{0, false}, {1, true}, {2, false}, {255, false}}) {
        bytes[11] = static_cast<std::uint8_t>(flag);
        LoadedMeasurement file;
        ASSERT_TRUE(parseMeasurementFile(bytes.data(), bytes.size(), file).ok());
        EXPECT_EQ(fahrenheit, file.fahrenheit) << "flag " << flag;
    }
}

TEST_F(MeasurementFileTest, SaveThenLoadRestoresRecordsAndRunFields) {
    auto doc = newDoc();
    const int n = 1234;
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 5; ++c)
            doc->m_live[c][i] = static_cast<float>(i) * 0.1f - static_cast<float>(c);
    }
    doc->m_live[kSurface][17] = kAbsentReading;
    RunSnapshot run = runOf(*doc, n, "F");
    run.fahrenheit = true;
    const fs::path p = dir.file("run.AsmDat");
    ASSERT_TRUE(saveMeasurement(p, run).ok);

    auto loaded = docWithPreviousSet();
    const LoadResult r = loadMeasurement(p, *loaded);
    ASSERT_TRUE(r.ok()) << r.reason;
    EXPECT_EQ(10, r.gain);
    EXPECT_EQ(-5, r.offset);
    EXPECT_EQ(n, loaded->m_recallCount);
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 5; ++c)
            ASSERT_EQ(doc->m_live[c][i], loaded->m_recall[i][c]) << i << "," << c;
    }
    EXPECT_EQ(1, loaded->m_recallFahrenheit);
    EXPECT_EQ("F", loaded->m_recallUnit);
    EXPECT_EQ("KR5061", loaded->m_signatureIn);
    EXPECT_EQ(2, loaded->m_recallPeriod);
    EXPECT_EQ(2026, loaded->m_recallYear);
    EXPECT_EQ(12, loaded->m_recallMonth);
    EXPECT_EQ(8, loaded->m_recallDay);
    EXPECT_EQ(14, loaded->m_recallHour);
    EXPECT_EQ(3, loaded->m_recallMinute);
    EXPECT_EQ(5, loaded->m_recallSecond);
    EXPECT_EQ(123, loaded->m_recallTag) << "the logger's start tag is not part of the file";
}

TEST_F(MeasurementFileTest, WriterPicksTheShortestLengthFormAndReaderTakesEach) {
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    auto doc = newDoc();
    for (const Case& c : cases) {
        const std::string unit(c.length, 'u');
        const Bytes file = encodeMeasurementFile(runOf(*doc, 0, unit));
        const std::size_t at = 11 + 29;  // signature, count, flag, six dates, period
        ASSERT_GE(file.size(), at + c.prefix.size());
        EXPECT_EQ(c.prefix, Bytes(file.begin() + at, file.begin() + at + c.prefix.size()))
            << c.length;
        EXPECT_EQ(49 + c.prefix.size() - 1 + c.length, file.size());

        auto loaded = newDoc();
        ASSERT_TRUE(readMeasurement(file.data(), file.size(), *loaded).ok()) << c.length;
        EXPECT_EQ(unit, loaded->m_recallUnit);
    }
}

TEST_F(MeasurementFileTest, ReaderAcceptsLongerFormsThanNeededAndIgnoresTrailingBytes) {
    struct Case {
        const char* name;
        Bytes file;
    };
    FileBuilder sig16;  // the signature in the 16-bit form
    sig16.u8(0xFF).u8(6).u8(0).raw("KR5061").i32(0).tail();
    FileBuilder unit32;  // the unit in the 32-bit form
    unit32.shortString("KR5061").i32(0).u8(0).i32(2026).i32(12).i32(8).i32(14).i32(3).i32(5);
    unit32.i32(2).u8(0xFF).u8(0xFF).u8(0xFF).i32(1).raw("C").i32(10).i32(-5);
    FileBuilder trailing;
    trailing.shortString("KR5061").i32(0).tail().raw("extra");
    const Case cases[] = {
        {"16-bit signature", sig16.b}, {"32-bit unit", unit32.b}, {"trailing bytes", trailing.b}};
    for (const Case& c : cases) {
        auto doc = newDoc();
        const LoadResult r = readMeasurement(c.file.data(), c.file.size(), *doc);
        ASSERT_TRUE(r.ok()) << c.name << ": " << r.reason;
        EXPECT_EQ("KR5061", doc->m_signatureIn) << c.name;
        EXPECT_EQ("C", doc->m_recallUnit) << c.name;
        EXPECT_EQ(-5, r.offset) << c.name;
    }
}

TEST_F(MeasurementFileTest, FullBufferIsAcceptedAndOneRecordMoreIsRefused) {
    for (int n : {kSampleCapacity, kSampleCapacity + 1}) {
        FileBuilder f;
        f.shortString("KR5061").i32(n);
        for (int i = 0; i < n * kChannelCount; ++i)
            f.f32(static_cast<float>(i));
        f.tail();
        auto doc = docWithPreviousSet();
        auto before = docWithPreviousSet();
        const LoadResult r = readMeasurement(f.b.data(), f.b.size(), *doc);
        if (n == kSampleCapacity) {
            ASSERT_TRUE(r.ok()) << r.reason;
            EXPECT_EQ(n, doc->m_recallCount);
            EXPECT_EQ(static_cast<float>(n * kChannelCount - 1), doc->m_recall[n - 1][4]);
        } else {
            EXPECT_EQ(LoadStatus::kInvalidFormat, r.status);
            expectSameDoc(*before, *doc);
        }
    }
}

TEST_F(MeasurementFileTest, RefusedFilesLeaveTheDocumentUnchanged) {
    struct Case {
        std::string name;
        Bytes file;
    };
    std::vector<Case> cases;
    const auto add = [&](std::string name, const FileBuilder& f) {
        cases.push_back({std::move(name), f.b});
    };
    add("empty file", FileBuilder{});
    add("KR5060", FileBuilder{}.shortString("KR5060").i32(0).tail());
    add("lower case", FileBuilder{}.shortString("kr5061").i32(0).tail());
    add("longer signature", FileBuilder{}.shortString("KR50610").i32(0).tail());
    add("no signature", FileBuilder{}.shortString("").i32(0).tail());
    add("signature length past the end",
        FileBuilder{}.u8(0xFF).u8(0xFF).u8(0xFF).i32(-16).raw("KR5061").i32(0).tail());
    add("wide-string marker", FileBuilder{}.u8(0xFF).u8(0xFE).u8(0xFF).u8(6).raw("KR5061"));
    add("count -1", FileBuilder{}.shortString("KR5061").i32(-1).tail());
    add("count INT_MIN", FileBuilder{}.shortString("KR5061").i32(INT_MIN).tail());
    add("count 0x7FFFFFFF", FileBuilder{}.shortString("KR5061").i32(0x7FFFFFFF).tail());
    {
        FileBuilder f;  // three records announced, two present
        f.shortString("KR5061").i32(3);
        for (int i = 0; i < 10; ++i)
            f.f32(1.0f);
        add("count beyond the bytes", f.tail());
    }
    {
        FileBuilder f;  // the unit claims five characters, the file ends after one
        f.shortString("KR5061").i32(0).u8(0).i32(2026).i32(12).i32(8).i32(14).i32(3).i32(5);
        add("unit past the end", f.i32(2).u8(5).raw("C"));
    }
    {
        FileBuilder f;  // records present but a count of 0: they would be read as the run fields
        f.shortString("KR5061").i32(0);
        for (int i = 0; i < 15; ++i)
            f.f32(23.5f);
        add("count 0 before three records", f.tail());
    }
    const std::initializer_list<std::int32_t> lowest = {INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN,
                                                        INT_MIN, INT_MIN, 10,      0};
    add("time fields INT_MIN", FileBuilder{}.shortString("KR5061").i32(0).tail(lowest));
    const struct {
        const char* name;
        std::initializer_list<std::int32_t> fields;
    } damagedRunFields[] = {
        {"month 13", {2026, 13, 8, 14, 3, 5, 2, 10, 0}},
        {"30 February", {2026, 2, 30, 14, 3, 5, 2, 10, 0}},
        {"29 February 2100", {2100, 2, 29, 14, 3, 5, 2, 10, 0}},
        {"hour 24", {2026, 12, 8, 24, 0, 0, 2, 10, 0}},
        {"minute -1", {2026, 12, 8, 14, -1, 0, 2, 10, 0}},
        {"year 10000", {10000, 1, 1, 0, 0, 0, 2, 10, 0}},
        {"period 0", {2026, 12, 8, 14, 3, 5, 0, 10, 0}},
        {"period -2", {2026, 12, 8, 14, 3, 5, -2, 10, 0}},
        {"period overflowing milliseconds", {2026, 12, 8, 14, 3, 5, 2147484, 10, 0}},
    };
    for (const auto& d : damagedRunFields)
        add(d.name, FileBuilder{}.shortString("KR5061").i32(0).tail(d.fields));
    {
        // Every proper prefix of a valid two-record file.
        auto doc = newDoc();
        const Bytes good = encodeMeasurementFile(runOf(*doc, 2));
        for (std::size_t n = 0; n < good.size(); ++n)
            cases.push_back({"cut at " + std::to_string(n), Bytes(good.begin(), good.begin() + n)});
    }

    for (const Case& c : cases) {
        auto doc = docWithPreviousSet();
        auto before = docWithPreviousSet();
        const LoadResult r = readMeasurement(c.file.data(), c.file.size(), *doc);
        EXPECT_EQ(LoadStatus::kInvalidFormat, r.status) << c.name;
        EXPECT_FALSE(r.reason.empty()) << c.name;
        expectSameDoc(*before, *doc);
        if (HasFailure())
            FAIL() << "first failing case: " << c.name;
    }
}

TEST_F(MeasurementFileTest, AxisOutsideTheSettingsRangeIsBroughtIntoItLikeTheSettings) {
    struct Case {
        std::int32_t gain, offset, expectedGain, expectedOffset;
    };
    const Case cases[] = {
        {65536, 1124139008, 10, 0},
        {0, -6, 10, 0},
        {-1, 6, 10, 0},
        {INT_MIN, INT_MAX, 10, 0},
        {1, -5, 1, -5},
        {500, 5, 500, 5},
        {3, 1, 3, 1},
        {501, 0, 10, 0},
    };
    for (const Case& c : cases) {
        const Bytes file = FileBuilder{}
                               .shortString("KR5061")
                               .i32(0)
                               .tail({2024, 2, 29, 23, 59, 60, 1, c.gain, c.offset})
                               .b;
        auto doc = newDoc();
        const LoadResult r = readMeasurement(file.data(), file.size(), *doc);
        ASSERT_TRUE(r.ok()) << c.gain << " " << c.offset << ": " << r.reason;
        EXPECT_EQ(c.expectedGain, r.gain) << c.gain;
        EXPECT_EQ(c.expectedOffset, r.offset) << c.offset;
    }
}

TEST_F(MeasurementFileTest, UnreadablePathsAreReadFailuresAndChangeNothing) {
    writeBytes(dir.file("huge.AsmDat"), "");
    fs::resize_file(dir.file("huge.AsmDat"), kMaxReadFileBytes + 1);  // sparse, costs no disk
    for (const fs::path& p : {dir.file("missing.AsmDat"), dir.path(), dir.file("huge.AsmDat")}) {
        auto doc = docWithPreviousSet();
        auto before = docWithPreviousSet();
        const LoadResult r = loadMeasurement(p, *doc);
        EXPECT_EQ(LoadStatus::kReadFailed, r.status) << p;
        EXPECT_NE(std::string::npos, r.reason.find(p.filename().string())) << r.reason;
        expectSameDoc(*before, *doc);
    }
}

TEST_F(MeasurementFileTest, TextTableSitsBesideTheMeasurementFile) {
    const std::pair<const char*, const char*> cases[] = {
        {"probe.AsmDat", "probe.txt"},     {"PROBE.ASMDAT", "PROBE.txt"},
        {"probe.asmdat", "probe.txt"},     {"probe", "probe.txt"},
        {"probe.dat", "probe.dat.txt"},    {"x.AsmDat.bak", "x.AsmDat.bak.txt"},
        {"a.b/run.AsmDat", "a.b/run.txt"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(fs::path(out), textTablePathFor(in)) << in;

    auto doc = newDoc();
    const SaveResult r = saveMeasurement(dir.file("probe.AsmDat"), runOf(*doc, 1));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(dir.file("probe.txt"), r.textPath);
    EXPECT_TRUE(fs::is_regular_file(dir.file("probe.AsmDat")));
    EXPECT_TRUE(fs::is_regular_file(dir.file("probe.txt")));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()))
        << "no temporary files are left behind";
}

TEST(MeasurementFileName, EveryChosenNameEndsInAsmDat) {
    const std::pair<const char*, const char*> cases[] = {
        {"26-12-08 06.13.53", "26-12-08 06.13.53.AsmDat"},  // the suggested name
        {"probe", "probe.AsmDat"},
        {"probe.AsmDat", "probe.AsmDat"},
        {"probe.asmdat", "probe.asmdat"},
        {"probe.dat", "probe.dat.AsmDat"},
        {"probe.", "probe.AsmDat"},
        {"x.AsmDat.bak", "x.AsmDat.bak.AsmDat"},
        {"a.b/run", "a.b/run.AsmDat"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) {
        const fs::path p = measurementPathFor(in);
        EXPECT_EQ(fs::path(out), p) << in;
        if (!p.empty()) {
            EXPECT_EQ(p.parent_path() / (p.stem().string() + ".txt"), textTablePathFor(p)) << in;
        }
    }
}

TEST_F(MeasurementFileTest, FahrenheitRunKeepsCelsiusInTheFileAndShowsFahrenheitInTheTable) {
    auto doc = newDoc();
    doc->m_live[kAir][0] = 20.0f;
    RunSnapshot run = runOf(*doc, 1, "F");
    run.fahrenheit = true;
    const fs::path p = dir.file("f.AsmDat");
    ASSERT_TRUE(saveMeasurement(p, run).ok);
    const Bytes file = readBytes(p);
    EXPECT_EQ(20.0f, std::bit_cast<float>(std::uint32_t(file[11] | file[12] << 8 | file[13] << 16 |
                                                        file[14] << 24)));
    EXPECT_EQ(1, file[31]);
    EXPECT_NE(std::string::npos, readText(dir.file("f.txt")).find("    68.0F"));
}

TEST_F(MeasurementFileTest, FailedSaveNamesTheFileAndKeepsWhatWasThere) {
    auto doc = newDoc();
    const RunSnapshot run = runOf(*doc, 3);

    const SaveResult noDir = saveMeasurement(dir.path() / "missing" / "a.AsmDat", run);
    EXPECT_FALSE(noDir.ok);
    EXPECT_EQ(dir.path() / "missing" / "a.AsmDat", noDir.failedPath);
    EXPECT_NE(std::string::npos, noDir.error.find("a.AsmDat")) << noDir.error;

    fs::create_directory(dir.file("b.AsmDat"));
    const SaveResult isDir = saveMeasurement(dir.file("b.AsmDat"), run);
    EXPECT_FALSE(isDir.ok);
    EXPECT_EQ(dir.file("b.AsmDat"), isDir.failedPath);
    EXPECT_TRUE(fs::is_directory(dir.file("b.AsmDat")));

    // The measurement file is written, the table cannot be: the result names the table.
    fs::create_directory(dir.file("c.txt"));
    const SaveResult tableIsDir = saveMeasurement(dir.file("c.AsmDat"), run);
    EXPECT_FALSE(tableIsDir.ok);
    EXPECT_EQ(dir.file("c.txt"), tableIsDir.failedPath);
    EXPECT_FALSE(tableIsDir.error.empty());
}

#ifndef _WIN32
// Makes every write past `bytes` fail (EFBIG) for the scope, as a full disk would.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lim = m_old;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST_F(MeasurementFileTest, WriteThatFailsMidwayKeepsTheGoodFileAndRemovesTheTemporary) {
    const fs::path p = dir.file("good.AsmDat");
    writeBytes(p, "good contents");
    const std::string big(100000, 'x');
    std::string error;
    bool written = true;
    {
        ScopedFileSizeLimit limit(4096);
        written = writeFileAtomically(p, big.data(), big.size(), &error);
    }
    EXPECT_FALSE(written);
    EXPECT_NE(std::string::npos, error.find("good.AsmDat")) << error;
    EXPECT_EQ("good contents", readText(p));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));

    ASSERT_TRUE(writeFileAtomically(p, big.data(), big.size(), &error)) << error;
    EXPECT_EQ(big, readText(p));
}
#endif

using test::ScopedTimeZone;

TEST_F(MeasurementFileTest, SnapshotTakesLocalStartAndWholeSecondPeriod) {
    ScopedTimeZone tz("UTC0");
    auto doc = newDoc();
    ViewState view;
    view.m_startTime = 1796738585;  // 2026-12-08 14:03:05 UTC
    view.m_sampleIndex = 42;
    view.m_samplePeriodMs = 2999;
    view.m_fahrenheit = true;
    view.m_unitText = "F";
    view.m_gain = 20;
    view.m_offset = -5;
    const RunSnapshot r = snapshotOfRun(*doc, view);
    const StartFields& t = r.start;
    EXPECT_EQ((std::vector<int>{42, 2, 2026, 12, 8, 14, 3, 5, 20, -5}),
              (std::vector<int>{r.count, r.periodSeconds, t.year, t.month, t.day, t.hour, t.minute,
                                t.second, r.gain, r.offset}));
    EXPECT_TRUE(r.fahrenheit);
    EXPECT_EQ("F", r.unit);
    EXPECT_EQ(&doc->m_live[0], &r.live[0]);
}

}  // namespace
}  // namespace kr5061
