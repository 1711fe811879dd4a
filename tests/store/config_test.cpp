#include "store/config.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

#include "store/ini_file.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;

void putFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string getFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sets or clears one environment variable and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(ConfigPath, FollowsTheOverrideThenTheUserConfigDirectory) {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg");
    ScopedEnv home("HOME", "/home/u");
    {
        ScopedEnv over("KR5061_CONFIG_DIR", "/over");
        EXPECT_EQ(configFilePath(), fs::path("/over/KR5061config.ini"));
    }
    {
        ScopedEnv over("KR5061_CONFIG_DIR", "");
        EXPECT_EQ(configFilePath(), fs::path("/xdg/KR5061config.ini"));
    }
    ScopedEnv over("KR5061_CONFIG_DIR", nullptr);
    EXPECT_EQ(configFilePath(), fs::path("/xdg/KR5061config.ini"));
    ScopedEnv noXdg("XDG_CONFIG_HOME", "");
    EXPECT_EQ(configFilePath(), fs::path("/home/u/.config/KR5061config.ini"));
}

class ConfigTest : public ::testing::Test {
protected:
    test::ScopedConfigDir dir;
    fs::path file() const { return dir.path() / "KR5061config.ini"; }
};

TEST_F(ConfigTest, FirstStartWithoutAFileGivesTheDefaults) {
    EXPECT_EQ(readComPort(), 1);
    const char* hi[] = {"140.0", "140.0", "140.0", "2501.0", "100.0"};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        EXPECT_EQ(readHiLimitText(ch), hi[ch]) << ch;
        EXPECT_EQ(readLoLimitText(ch), "0.0") << ch;
    }
    EXPECT_EQ(readSampleRateSeconds(), 1);
    EXPECT_EQ(readSampleCount(), 1000);
    EXPECT_EQ(readGain(), 10);
    EXPECT_EQ(readOffset(), 0);
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_THROW(readHiLimitText(5), std::out_of_range);
    EXPECT_THROW(readLoLimitText(-1), std::out_of_range);
}

TEST_F(ConfigTest, HandEditedIntegersAreBroughtIntoRange) {
    struct Case {
        const char* line;
        int (*reader)();
        int expected;
    };
    const Case cases[] = {
        {"[COMInfo]\nCOM num=0", readComPort, 1},
        {"[COMInfo]\nCOM num=17", readComPort, 1},
        {"[COMInfo]\nCOM num=abc", readComPort, 1},
        {"[COMInfo]\nCOM num=16", readComPort, 16},
        {"[cominfo]\ncom NUM = 3 ", readComPort, 3},
        {"[SampdataInfo]\nSampdata=99999", readSampleCount, 10000},
        {"[SampdataInfo]\nSampdata=5", readSampleCount, 1000},
        {"[SampdataInfo]\nSampdata=2500", readSampleCount, 2500},
        {"[SampdataInfo]\nSampdata=", readSampleCount, 1000},
        {"[SamprateInfo]\nSamprate=0", readSampleRateSeconds, 1},
        {"[SamprateInfo]\nSamprate=-4", readSampleRateSeconds, 1},
        {"[SamprateInfo]\nSamprate=3600", readSampleRateSeconds, 3600},
        {"[SamprateInfo]\nSamprate=2147483647", readSampleRateSeconds, 2147483},
        {"[GainInfo]\nGain=", readGain, 10},
        {"[GainInfo]\nGain=0", readGain, 10},
        {"[GainInfo]\nGain=50", readGain, 50},
        {"[OffsetInfo]\nOffset=-2", readOffset, -2},
        {"[OffsetInfo]\nOffset=x", readOffset, 0},
        {"[OffsetInfo]\nOffset=99", readOffset, 0},
    };
    for (const Case& c : cases) {
        putFile(file(), std::string(c.line) + "\r\n");
        EXPECT_EQ(c.reader(), c.expected) << c.line;
    }
}

TEST_F(ConfigTest, LimitTextsAreReadAsStoredAndConvertToTheirLeadingNumber) {
    putFile(file(), "[Alarmhi4Info]\nHi4 limit= 12.5abc \n[Alarmlow5Info]\nLow5 limit=-3e1x\n");
    EXPECT_EQ(readHiLimitText(3), "12.5abc");
    EXPECT_FLOAT_EQ(limitFromText(readHiLimitText(3)), 12.5f);
    EXPECT_FLOAT_EQ(limitFromText(readLoLimitText(4)), -30.0f);
    EXPECT_EQ(readHiLimitText(0), "140.0");
}

TEST(LimitFromText, ReadsTheLeadingNumberLikeTheCLibrary) {
    struct Case {
        const char* text;
        float expected;
    };
    const Case cases[] = {
        {"12.5abc", 12.5f}, {"abc", 0.0f},         {"", 0.0f},    {"-3e1x", -30.0f},
        {"+4.5", 4.5f},     {" \t\n7", 7.0f},      {"+-1", 0.0f}, {"-+1", 0.0f},
        {".5", 0.5f},       {"1e", 1.0f},          {"1e+", 1.0f}, {"2501.0", 2501.0f},
        {"1,5", 1.0f},      {"0x1A", 26.0f},       {"0xg", 0.0f}, {"-0x8p-1", -4.0f},
        {"1e-999", 0.0f},   {"0.0001e-400", 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(limitFromText(c.text), c.expected) << "'" << c.text << "'";
    }
    EXPECT_EQ(limitFromText("1e999"), INFINITY);
    EXPECT_EQ(limitFromText("-1e999"), -INFINITY);
    EXPECT_EQ(limitFromText("1e39"), INFINITY) << "fits a double, not a float";
    EXPECT_EQ(limitFromText("-1e300"), -INFINITY);
    EXPECT_EQ(limitFromText("Infinity"), INFINITY);
    EXPECT_TRUE(std::isnan(limitFromText("nan")));
}

TEST(LimitFromText, IgnoresACommaDecimalLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no de_DE.UTF-8 locale installed";
    }
    const float dot = limitFromText("12.5");
    const float comma = limitFromText("12,5");
    const double cLibrary = std::strtod("12.5", nullptr);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(cLibrary, 12.0) << "the locale did not take effect";
    EXPECT_FLOAT_EQ(dot, 12.5f);
    EXPECT_FLOAT_EQ(comma, 12.0f);
}

ConfigSnapshot sampleSnapshot() {
    ConfigSnapshot c;
    c.comPort = 3;
    const char* hi[] = {"30.5", "31", "32", "500.0", "90"};
    const char* lo[] = {"-1", "-2", "-3", "-4", "5"};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        c.hiText[ch] = hi[ch];
        c.loText[ch] = lo[ch];
    }
    c.rateText = "2";
    c.limitText = "4000";
    c.gain = 20;
    c.offset = -5;
    return c;
}

TEST_F(ConfigTest, FreshWriteListsEverySettingInOrder) {
    ASSERT_TRUE(writeConfig(sampleSnapshot()));
    // Spelled out here rather than taken from the table, so a misspelt name fails.
    EXPECT_EQ(getFile(file()),
              "[COMInfo]\nCOM num=3\n\n"
              "[Alarmhi1Info]\nHi1 limit=30.5\n\n[Alarmhi2Info]\nHi2 limit=31\n\n"
              "[Alarmhi3Info]\nHi3 limit=32\n\n[Alarmhi4Info]\nHi4 limit=500.0\n\n"
              "[Alarmhi5Info]\nHi5 limit=90\n\n"
              "[Alarmlow1Info]\nLow1 limit=-1\n\n[Alarmlow2Info]\nLow2 limit=-2\n\n"
              "[Alarmlow3Info]\nLow3 limit=-3\n\n[Alarmlow4Info]\nLow4 limit=-4\n\n"
              "[Alarmlow5Info]\nLow5 limit=5\n\n"
              "[SamprateInfo]\nSamprate=2\n\n[SampdataInfo]\nSampdata=4000\n\n"
              "[GainInfo]\nGain=20\n\n[OffsetInfo]\nOffset=-5\n");

    const ConfigSnapshot back = readConfigSnapshot();
    const ConfigSnapshot sent = sampleSnapshot();
    EXPECT_EQ(back.comPort, 3);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        EXPECT_EQ(back.hiText[ch], sent.hiText[ch]);
        EXPECT_EQ(back.loText[ch], sent.loText[ch]);
    }
    EXPECT_EQ(back.rateText, "2");
    EXPECT_EQ(back.limitText, "4000");
    EXPECT_EQ(back.gain, 20);
    EXPECT_EQ(back.offset, -5);
}

TEST_F(ConfigTest, WithoutARunTheStoredRateAndCountAreKept) {
    ConfigSnapshot c = sampleSnapshot();
    c.rateText.clear();
    c.limitText.clear();

    ASSERT_TRUE(writeConfig(c));  // nothing stored yet: the defaults are written
    EXPECT_NE(getFile(file()).find("Samprate=1\n"), std::string::npos);
    EXPECT_NE(getFile(file()).find("Sampdata=1000\n"), std::string::npos);

    ASSERT_TRUE(writeProfileString(file(), "SamprateInfo", "Samprate", "7"));
    ASSERT_TRUE(writeProfileString(file(), "SampdataInfo", "Sampdata", "3000"));
    ASSERT_TRUE(writeConfig(c));
    EXPECT_EQ(readSampleRateSeconds(), 7);
    EXPECT_EQ(readSampleCount(), 3000);
}

TEST_F(ConfigTest, WriteBackKeepsForeignLinesAndReplacesKeysInPlace) {
    const std::string original =
        "; settings of the psychrometer\r\n"
        "[gaininfo]\r\n"
        "GAIN = 5\r\n"
        "\r\n"
        "[Window]\r\n"
        "left=10\r\n";
    putFile(file(), original);
    ASSERT_TRUE(writeConfig(sampleSnapshot()));
    const std::string after = getFile(file());

    const std::string head =
        "; settings of the psychrometer\r\n[gaininfo]\r\nGAIN = 20\r\n\r\n"
        "[Window]\r\nleft=10\r\n";
    EXPECT_EQ(after.substr(0, head.size()), head) << after;
    EXPECT_EQ(after.find("Gain="), std::string::npos) << "key duplicated: " << after;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after[i] == '\n') {
            ASSERT_TRUE(i > 0 && after[i - 1] == '\r') << "bare LF at " << i;
        }
    }
    EXPECT_EQ(readGain(), 20);
    EXPECT_EQ(readComPort(), 3);
}

TEST_F(ConfigTest, UnwritableLocationReportsFailure) {
    const fs::path plain = dir.path() / "plain";
    putFile(plain, "keep");
    ScopedEnv over("KR5061_CONFIG_DIR", plain.c_str());
    EXPECT_FALSE(writeConfig(sampleSnapshot()));
    EXPECT_EQ(getFile(plain), "keep");
}

}  // namespace
}  // namespace kr5061
