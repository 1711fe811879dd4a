#include "store/text_export.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "store/hyg_doc.h"
#include "store/measurement_file.h"
#include "support/test_dirs.h"
#include "support/time_zone.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;

using test::ScopedTimeZone;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back(text.substr(pos) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream in(line);
    return std::vector<std::string>(std::istream_iterator<std::string>(in),
                                    std::istream_iterator<std::string>());
}

class TextExportTest : public ::testing::Test {
protected:
    ScopedTimeZone tz{"UTC0"};
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();

    void setSample(int i, float air, float wb, float dp, float kir, float rh) {
        const float v[5] = {air, wb, dp, kir, rh};
        for (int c = 0; c < 5; ++c)
            doc->m_live[c][i] = v[c];
    }
    TableInput input(int count, bool fahrenheit = false, std::string_view unit = "C") const {
        TableInput in;
        in.samples = SampleView::channelMajor(doc->m_live);
        in.count = count;
        in.fahrenheit = fahrenheit;
        in.unit = unit;
        in.start = StartFields{2026, 12, 8, 14, 3, 5};
        in.periodSeconds = 2;
        return in;
    }
};

TEST_F(TextExportTest, HeaderAndOneLineAreExactAndEndWithCrLf) {
    setSample(0, 21.5f, 15.3f, 12.0f, 23.47f, 55.0f);
    const std::string text = formatTextTable(input(1));

    const std::string header = std::string(6, ' ') + "NO" + std::string(13, ' ') + "AIR" +
                               std::string(16, ' ') + "WB" + std::string(15, ' ') + "DP" +
                               std::string(15, ' ') + "K/IR" + std::string(15, ' ') + "RH" +
                               std::string(14, ' ') + "TIME";
    const std::string line =
        "      1              21.5C              15.3C            12.0C            23.4C"
        "              55.0%RH         12-08-26/14:03:05  ";
    EXPECT_EQ(header + "\r\n" + line + "\r\n", text);
}

TEST_F(TextExportTest, ReadingsAreConvertedCutAndMarkedAbsentAsShown) {
    struct Case {
        const char* name;
        float air, kir, rh;
        bool fahrenheit;
        const char *unit, *airText, *kirText, *rhText;
    };
    const Case cases[] = {
        {"Celsius, K/IR cut not rounded", 20.0f, 23.47f, 55.0f, false, "C", "20.0C", "23.4C",
         "55.0%RH"},
        {"Fahrenheit converts all but RH", 20.0f, 23.47f, 55.0f, true, "F", "68.0F", "74.2F",
         "55.0%RH"},
        {"absent K/IR", -3.26f, kAbsentReading, 0.0f, false, "C", "-3.3C", "----C", "0.0%RH"},
        {"absent K/IR stays absent in Fahrenheit", 0.0f, kAbsentReading, 0.0f, true, "F", "32.0F",
         "----F", "0.0%RH"},
        {"-1000 itself is absent", 0.0f, -1000.0f, 1.0f, false, "C", "0.0C", "----C", "1.0%RH"},
        {"just above the absent mark", 0.0f, -999.0f, 1.0f, false, "C", "0.0C", "-999.0C",
         "1.0%RH"},
        {"negative K/IR cut toward zero", 0.0f, -12.37f, 1.0f, false, "C", "0.0C", "-12.3C",
         "1.0%RH"},
        {"empty unit before any frame", 1.0f, 2.0f, 3.0f, false, "", "1.0", "2.0", "3.0%RH"},
        {"a forged unit breaks no line or column", 20.0f, 23.47f, 55.0f, false, "C\r\n,\t",
         "20.0C????", "23.4C????", "55.0%RH"},
    };
    for (const Case& c : cases) {
        setSample(0, c.air, 0.0f, 0.0f, c.kir, c.rh);
        const auto lines = linesOf(formatTextTable(input(1, c.fahrenheit, c.unit)));
        ASSERT_EQ(2u, lines.size()) << c.name;
        const auto w = wordsOf(lines[1]);
        ASSERT_EQ(7u, w.size()) << c.name << ": " << lines[1];
        EXPECT_EQ(c.airText, w[1]) << c.name;
        EXPECT_EQ(c.kirText, w[4]) << c.name;
        EXPECT_EQ(c.rhText, w[5]) << c.name;
    }
}

TEST_F(TextExportTest, TextsWiderThanTheirColumnAreNotCut) {
    setSample(0, 1234.5f, 0.0f, 0.0f, 0.0f, 0.0f);
    const auto lines = linesOf(formatTextTable(input(1, false, "Celsius")));
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(0u, lines[1].find("      1          1234.5Celsius          ")) << lines[1];
}

TEST_F(TextExportTest, RowsCountFromOneAndTimesStepByThePeriod) {
    for (int i = 0; i < 10010; ++i)
        setSample(i, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f);
    TableInput in = input(10010);
    in.periodSeconds = 3600;
    const auto lines = linesOf(formatTextTable(in));
    ASSERT_EQ(10011u, lines.size());
    EXPECT_EQ("1", wordsOf(lines[1])[0]);
    EXPECT_EQ("12-08-26/14:03:05", wordsOf(lines[1])[6]);
    EXPECT_EQ("12-09-26/00:03:05", wordsOf(lines[11])[6]);
    EXPECT_EQ("10010", wordsOf(lines[10010])[0]);
    EXPECT_EQ(0u, lines[10010].find("  10010 ")) << "a five-digit row number fills its column";
    // 10009 hours after the start.
    EXPECT_EQ("01-29-28/15:03:05", wordsOf(lines[10010])[6]);
}

TEST_F(TextExportTest, TimesFollowTheLocalClockAcrossADaylightSavingChange) {
    ScopedTimeZone cet("CET-1CEST,M3.5.0,M10.5.0/3");
    TableInput in = input(3);
    in.start = StartFields{2026, 3, 29, 1, 59, 30};
    in.periodSeconds = 30;
    const auto lines = linesOf(formatTextTable(in));
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("03-29-26/01:59:30", wordsOf(lines[1])[6]);
    EXPECT_EQ("03-29-26/03:00:00", wordsOf(lines[2])[6]);
    EXPECT_EQ("03-29-26/03:00:30", wordsOf(lines[3])[6]);
}

TEST_F(TextExportTest, StartFieldsThatAreNoTimeLeaveTheTimeColumnBlank) {
    TableInput in = input(1);
    in.start = StartFields{INT_MIN, INT_MIN, 0, 0, 0, 0};
    const auto lines = linesOf(formatTextTable(in));
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(6u, wordsOf(lines[1]).size()) << lines[1];
    EXPECT_TRUE(lines[1].ends_with("%RH" + std::string(9 + 8 + 2, ' '))) << "still padded";
}

TEST_F(TextExportTest, LoadedFileExportsExactlyAsSaveWroteIt) {
    test::TempDir dir;
    for (int i = 0; i < 5; ++i)
        setSample(i, 20.0f + i, 15.0f - i, -i * 0.55f, i == 2 ? kAbsentReading : 30.07f * i,
                  40.0f + i);
    RunSnapshot run;
    run.live = doc->m_live;
    run.count = 5;
    run.fahrenheit = true;
    run.unit = "F";
    run.start = StartFields{2026, 2, 28, 23, 59, 59};
    run.periodSeconds = 7;
    const fs::path p = dir.file("run.AsmDat");
    ASSERT_TRUE(saveMeasurement(p, run).ok);

    auto loaded = std::make_unique<CHygDoc>();
    ASSERT_TRUE(loadMeasurement(p, *loaded).ok());
    std::ifstream saved(dir.file("run.txt"), std::ios::binary);
    const std::string savedText((std::istreambuf_iterator<char>(saved)),
                                std::istreambuf_iterator<char>());
    EXPECT_EQ(savedText, formatTextTable(recallTableInput(*loaded)));
    EXPECT_EQ(formatCsvTable(tableInputOf(run)), formatCsvTable(recallTableInput(*loaded)));
}

TEST_F(TextExportTest, WritersUseADecimalPointUnderACommaLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old != nullptr ? old : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    setSample(0, 21.5f, 15.3f, 12.0f, 23.47f, 55.0f);
    const std::string text = formatTextTable(input(1));
    const std::string csv = formatCsvTable(input(1));
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_NE(std::string::npos, text.find("21.5C")) << text;
    EXPECT_EQ(std::string::npos, text.find(',')) << text;
    EXPECT_NE(std::string::npos, csv.find(",21.5,15.3,12.0,23.4,55.0\r\n")) << csv;
}

TEST(CsvExportTest, HeaderRowsAndAbsentSurfaceFollowTheReadingScale) {
    ScopedTimeZone tz("UTC0");
    auto doc = std::make_unique<CHygDoc>();
    const float rows[2][5] = {{21.5f, 15.3f, 12.0f, 23.47f, 55.0f},
                              {20.0f, 10.0f, 0.0f, kAbsentReading, 60.0f}};
    for (int i = 0; i < 2; ++i) {
        for (int c = 0; c < 5; ++c)
            doc->m_recall[i][c] = rows[i][c];
    }
    TableInput in;
    in.samples = SampleView::recordMajor(doc->m_recall);
    in.count = 2;
    in.unit = "C";
    in.start = StartFields{2026, 12, 8, 14, 3, 5};
    in.periodSeconds = 60;
    EXPECT_EQ(
        "time,AIR (C),WB (C),DP (C),K/IR (C),RH (%RH)\r\n"
        "2026-12-08T14:03:05,21.5,15.3,12.0,23.4,55.0\r\n"
        "2026-12-08T14:04:05,20.0,10.0,0.0,,60.0\r\n",
        formatCsvTable(in));

    in.fahrenheit = true;
    in.unit = "";  // the header follows the scale of the numbers, not the stored text
    EXPECT_EQ(
        "time,AIR (F),WB (F),DP (F),K/IR (F),RH (%RH)\r\n"
        "2026-12-08T14:03:05,70.7,59.5,53.6,74.2,55.0\r\n"
        "2026-12-08T14:04:05,68.0,50.0,32.0,,60.0\r\n",
        formatCsvTable(in));
}

}  // namespace
}  // namespace kr5061
