#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/channels.h"

namespace kr5061 {

// The settings file. Every reader rebuilds the path, so a changed environment
// (KR5061_CONFIG_DIR in tests) takes effect at the next read.
//   KR5061_CONFIG_DIR when set and non-empty; else the Windows directory on
//   Windows; elsewhere $XDG_CONFIG_HOME, else $HOME/.config, else the current
//   directory. The file is always "KR5061config.ini".
std::filesystem::path configFilePath();

struct Setting {
    std::string_view section;
    std::string_view key;
    std::string_view defaultText;
};

// Every setting in its own section, in the order they are written back.
inline constexpr std::array<Setting, 15> kSettings{{
    {"COMInfo", "COM num", "1"},
    {"Alarmhi1Info", "Hi1 limit", "140.0"},
    {"Alarmhi2Info", "Hi2 limit", "140.0"},
    {"Alarmhi3Info", "Hi3 limit", "140.0"},
    {"Alarmhi4Info", "Hi4 limit", "2501.0"},
    {"Alarmhi5Info", "Hi5 limit", "100.0"},
    {"Alarmlow1Info", "Low1 limit", "0.0"},
    {"Alarmlow2Info", "Low2 limit", "0.0"},
    {"Alarmlow3Info", "Low3 limit", "0.0"},
    {"Alarmlow4Info", "Low4 limit", "0.0"},
    {"Alarmlow5Info", "Low5 limit", "0.0"},
    {"SamprateInfo", "Samprate", "1"},
    {"SampdataInfo", "Sampdata", "1000"},
    {"GainInfo", "Gain", "10"},
    {"OffsetInfo", "Offset", "0"},
}};

// Positions in kSettings; a channel's limit is at kHiLimitSetting + channel.
inline constexpr int kComPortSetting = 0;
inline constexpr int kHiLimitSetting = 1;
inline constexpr int kLoLimitSetting = kHiLimitSetting + kChannelCount;
inline constexpr int kSampleRateSetting = kLoLimitSetting + kChannelCount;
inline constexpr int kSampleCountSetting = kSampleRateSetting + 1;
inline constexpr int kGainSetting = kSampleCountSetting + 1;
inline constexpr int kOffsetSetting = kGainSetting + 1;

// Ranges the readers enforce so a hand-edited file cannot break the program.
inline constexpr int kMinComPort = 1, kMaxComPort = 16;
inline constexpr int kMinSampleCount = 1000, kMaxSampleCount = 10000;  // fits the sample store
inline constexpr int kMaxSampleRateSeconds = 2147483;  // period in ms still fits an int
inline constexpr int kMinGain = 1, kMaxGain = 500;
inline constexpr int kMinOffset = -5, kMaxOffset = 5;

int readComPort();                         // outside 1..16 reads as 1
std::string readHiLimitText(int channel);  // channel 0..4, else std::out_of_range
std::string readLoLimitText(int channel);
int readSampleRateSeconds();  // below 1 reads as 1
int readSampleCount();        // clamped to 1000..10000
int readGain();               // outside 1..500 reads as 10
int readOffset();             // outside -5..5 reads as 0

// The axis range rule, shared by the settings and the measurement files.
int gainInRange(int gain);      // outside 1..500: 10
int offsetInRange(int offset);  // outside -5..5: 0

// Text to number as the C library's text-to-double conversion does in the C
// locale, whatever the process locale: leading white space is skipped, the
// leading numeric part counts ("12.5abc" is 12.5), no number at all is 0.0.
float limitFromText(std::string_view text);

// What the program writes back when it closes.
struct ConfigSnapshot {
    int comPort = 1;
    std::string hiText[kChannelCount];
    std::string loText[kChannelCount];
    std::string rateText;   // empty until a Run: the stored value is kept
    std::string limitText;  // empty until a Run: the stored value is kept
    int gain = 10;
    int offset = 0;
};

// All settings as the readers above see them.
ConfigSnapshot readConfigSnapshot();

// Writes all fifteen settings in kSettings order, one write each. Returns
// false if any write failed; the later ones are still attempted.
bool writeConfig(const ConfigSnapshot& snapshot);

}  // namespace kr5061
