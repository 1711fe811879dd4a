#include "panels/setup_rules.h"

#include <algorithm>
#include <charconv>

#include "common/ascii_text.h"
#include "panels/limit_rules.h"
#include "store/config.h"

namespace kr5061 {

int gainFromIndex(int index, int current) {
    if (index < 0 || index >= static_cast<int>(kGainChoices.size())) {
        return current;
    }
    return kGainChoices[static_cast<std::size_t>(index)];
}

int offsetFromIndex(int index, int current) {
    if (index < 0 || index >= static_cast<int>(kOffsetChoices.size())) {
        return current;
    }
    return kOffsetChoices[static_cast<std::size_t>(index)];
}

int stepSampleData(int current, int delta) {
    const long long next =
        static_cast<long long>(current) + static_cast<long long>(delta) * kSampleDataStep;
    return static_cast<int>(std::clamp<long long>(next, kMinSampleCount, kMaxSampleCount));
}

int stepSamplePeriod(int current, int delta) {
    const long long next = static_cast<long long>(current) + delta;
    return static_cast<int>(std::clamp<long long>(next, kMinPeriodSpin, kMaxPeriodSpin));
}

namespace {

template <typename T>
std::optional<T> parseWhole(std::string_view text) {
    text = trimBlanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    T value{};
    const char* end = text.data() + text.size();
    const auto res = std::from_chars(text.data(), end, value);
    if (text.empty() || res.ec != std::errc() || res.ptr != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<int> parseDialogInt(std::string_view text) {
    return parseWhole<int>(text);
}

std::optional<unsigned> parseDialogUnsigned(std::string_view text) {
    if (trimBlanks(text).starts_with('-')) {
        return std::nullopt;
    }
    return parseWhole<unsigned>(text);
}

}  // namespace kr5061

namespace kr5061 {

void loadLimitSettings(ReadoutState& readout) {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        readout.m_hiText[ch] = readHiLimitText(ch);
        readout.m_loText[ch] = readLoLimitText(ch);
        readout.m_hiLimit[ch] = limitValueFromText(readout.m_hiText[ch]);
        readout.m_loLimit[ch] = limitValueFromText(readout.m_loText[ch]);
    }
}

void showOnlyTrace(ViewState& view, int only) {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        view.m_showTrace[ch] = (only < 0 || only == ch);
    }
}

}  // namespace kr5061
