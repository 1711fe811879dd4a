#include "store/config.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <system_error>

#include "store/ini_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kr5061 {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kConfigFileName = "KR5061config.ini";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

fs::path configDirectory() {
    if (std::string dir = environment("KR5061_CONFIG_DIR"); !dir.empty())
        return dir;
#ifdef _WIN32
    char buffer[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        return std::string(buffer, length);
    return {};
#else
    if (std::string dir = environment("XDG_CONFIG_HOME"); !dir.empty())
        return dir;
    if (std::string home = environment("HOME"); !home.empty())
        return fs::path(home) / ".config";
    return {};
#endif
}

const Setting& setting(int index) {
    return kSettings.at(static_cast<std::size_t>(index));
}

int defaultInt(int index) {
    const std::string_view text = setting(index).defaultText;
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

int readSettingInt(int index) {
    const Setting& s = setting(index);
    return readProfileInt(configFilePath(), s.section, s.key, defaultInt(index));
}

std::string readSettingText(const fs::path& file, int index) {
    const Setting& s = setting(index);
    return readProfileString(file, s.section, s.key, s.defaultText);
}

std::string readLimitText(int first, int channel) {
    if (channel < 0 || channel >= kChannelCount)
        throw std::out_of_range("channel");
    return readSettingText(configFilePath(), first + channel);
}

// The range rule for a number beyond a double, as the C library's atof
// applies it: HUGE_VAL when too large, 0 when too small. A hexadecimal number's
// exponent is binary and only its sign tells; a decimal one is too large when
// the power of ten of its first significant digit plus its exponent is.
double beyondDouble(std::string_view num, bool hex) {
    const std::size_t e = std::min(num.find_first_of(hex ? "pP" : "eE"), num.size());
    std::string_view exponentText = num.substr(std::min(e + 1, num.size()));
    if (hex) {
        return exponentText.starts_with('-') ? 0.0 : HUGE_VAL;
    }
    if (exponentText.starts_with('+')) {
        exponentText.remove_prefix(1);
    }
    std::int64_t exponent = 0;
    const char* end = exponentText.data() + exponentText.size();
    if (std::from_chars(exponentText.data(), end, exponent).ec == std::errc::result_out_of_range) {
        exponent = exponentText.starts_with('-') ? INT64_MIN / 2 : INT64_MAX / 2;
    }
    const std::string_view mantissa = num.substr(0, e);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) {
        return 0.0;
    }
    const auto power = static_cast<std::int64_t>(point) - static_cast<std::int64_t>(first) -
                       (first < point ? 1 : 0);
    return power + exponent > 0 ? HUGE_VAL : 0.0;
}

// The leading number of a text as atof reads it in the C locale: white
// space, one sign, then what from_chars takes in decimal or, after "0x", in
// hexadecimal (also "inf" and "nan"); nothing readable is 0.0.
double leadingDouble(std::string_view s) {
    s.remove_prefix(std::min(s.find_first_not_of(" \t\n\v\f\r"), s.size()));
    const bool negative = s.starts_with('-');
    if (negative || s.starts_with('+')) {
        s.remove_prefix(1);
    }
    // Nothing after the sign, or a second sign (which from_chars would take), is no number.
    if (s.empty() || s.starts_with('-') || s.starts_with('+')) {
        return 0.0;
    }
    const bool hex = s.size() > 2 && (s.starts_with("0x") || s.starts_with("0X")) &&
                     (std::isxdigit(static_cast<unsigned char>(s[2])) != 0 || s[2] == '.');
    if (hex) {
        s.remove_prefix(2);
    }
    double value = 0.0;  // left alone by from_chars when nothing is readable
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value,
                                   hex ? std::chars_format::hex : std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        value = beyondDouble(std::string_view(s.data(), static_cast<std::size_t>(r.ptr - s.data())),
                             hex);
    }
    return negative ? -value : value;
}

}  // namespace

fs::path configFilePath() {
    return configDirectory() / kConfigFileName;
}

int readComPort() {
    const int port = readSettingInt(kComPortSetting);
    return (port < kMinComPort || port > kMaxComPort) ? defaultInt(kComPortSetting) : port;
}

std::string readHiLimitText(int channel) {
    return readLimitText(kHiLimitSetting, channel);
}

std::string readLoLimitText(int channel) {
    return readLimitText(kLoLimitSetting, channel);
}

int readSampleRateSeconds() {
    const int seconds = readSettingInt(kSampleRateSetting);
    if (seconds < 1)
        return 1;
    return seconds > kMaxSampleRateSeconds ? kMaxSampleRateSeconds : seconds;
}

int readSampleCount() {
    const int count = readSettingInt(kSampleCountSetting);
    if (count < kMinSampleCount)
        return kMinSampleCount;
    return count > kMaxSampleCount ? kMaxSampleCount : count;
}

int gainInRange(int gain) {
    return (gain < kMinGain || gain > kMaxGain) ? defaultInt(kGainSetting) : gain;
}

int offsetInRange(int offset) {
    return (offset < kMinOffset || offset > kMaxOffset) ? defaultInt(kOffsetSetting) : offset;
}

int readGain() {
    return gainInRange(readSettingInt(kGainSetting));
}

int readOffset() {
    return offsetInRange(readSettingInt(kOffsetSetting));
}

float limitFromText(std::string_view text) {
    const double value = leadingDouble(text);
    // A double beyond the float range has no float to convert to: it stands for infinity.
    if (std::abs(value) > static_cast<double>(std::numeric_limits<float>::max()) &&
        std::isfinite(value)) {
        return value > 0 ? std::numeric_limits<float>::infinity()
                         : -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

ConfigSnapshot readConfigSnapshot() {
    ConfigSnapshot c;
    c.comPort = readComPort();
    for (int ch = 0; ch < kChannelCount; ++ch) {
        c.hiText[ch] = readHiLimitText(ch);
        c.loText[ch] = readLoLimitText(ch);
    }
    c.rateText = std::to_string(readSampleRateSeconds());
    c.limitText = std::to_string(readSampleCount());
    c.gain = readGain();
    c.offset = readOffset();
    return c;
}

bool writeConfig(const ConfigSnapshot& c) {
    const fs::path file = configFilePath();
    std::array<std::string, kSettings.size()> values;
    values[kComPortSetting] = std::to_string(c.comPort);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        values[kHiLimitSetting + ch] = c.hiText[ch];
        values[kLoLimitSetting + ch] = c.loText[ch];
    }
    // Without a Run the two texts are empty; writing them would wipe the stored values.
    values[kSampleRateSetting] =
        c.rateText.empty() ? readSettingText(file, kSampleRateSetting) : c.rateText;
    values[kSampleCountSetting] =
        c.limitText.empty() ? readSettingText(file, kSampleCountSetting) : c.limitText;
    values[kGainSetting] = std::to_string(c.gain);
    values[kOffsetSetting] = std::to_string(c.offset);

    bool ok = true;
    for (std::size_t i = 0; i < kSettings.size(); ++i) {
        ok = writeProfileString(file, kSettings[i].section, kSettings[i].key, values[i]) && ok;
    }
    return ok;
}

}  // namespace kr5061
