#include "store/config.h"

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

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// For a decimal number too far out of range for a double: whether it is too
// large (the C library then gives HUGE_VAL) rather than too small (0.0).
bool isOverflow(std::string_view num) {
    std::size_t i = 0;
    std::int64_t intDigits = 0, leadingFractionZeros = 0;
    bool significant = false;
    for (; i < num.size() && isDigit(num[i]); ++i) {
        if (significant || num[i] != '0') {
            significant = true;
            ++intDigits;
        }
    }
    if (i < num.size() && num[i] == '.') {
        for (++i; i < num.size() && isDigit(num[i]); ++i) {
            if (!significant && num[i] == '0') {
                ++leadingFractionZeros;
            } else {
                significant = true;
            }
        }
    }
    std::int64_t exponent = 0;
    if (i < num.size() && (num[i] == 'e' || num[i] == 'E')) {
        ++i;
        const bool negative = i < num.size() && num[i] == '-';
        if (i < num.size() && (num[i] == '-' || num[i] == '+'))
            ++i;
        for (; i < num.size() && isDigit(num[i]); ++i) {
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (num[i] - '0');
        }
        if (negative)
            exponent = -exponent;
    }
    const std::int64_t firstDigitPower =
        intDigits > 0 ? intDigits - 1 : -(leadingFractionZeros + 1);
    return firstDigitPower + exponent > 0;
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

double leadingDouble(std::string_view s) {
    while (!s.empty() && isCSpace(s.front()))
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    // from_chars takes its own '-', which must not follow the sign handled here.
    if (s.empty() || s.front() == '-' || s.front() == '+')
        return 0.0;

    const char* first = s.data();
    const char* last = first + s.size();
    double value = 0.0;
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') &&
                     (isHexDigit(s[2]) || s[2] == '.');
    if (hex) {
        const auto r = std::from_chars(first + 2, last, value, std::chars_format::hex);
        if (r.ec == std::errc::invalid_argument)
            value = 0.0;  // only the leading "0" counts
        if (r.ec == std::errc::result_out_of_range) {
            const std::string_view num(first + 2, static_cast<std::size_t>(r.ptr - first - 2));
            const auto p = num.find_first_of("pP");
            const bool tiny =
                p != std::string_view::npos && p + 1 < num.size() && num[p + 1] == '-';
            value = tiny ? 0.0 : HUGE_VAL;
        }
    } else {
        const auto r = std::from_chars(first, last, value, std::chars_format::general);
        if (r.ec == std::errc::invalid_argument)
            return 0.0;
        if (r.ec == std::errc::result_out_of_range) {
            value = isOverflow(std::string_view(first, static_cast<std::size_t>(r.ptr - first)))
                        ? HUGE_VAL
                        : 0.0;
        }
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
