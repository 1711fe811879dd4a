#pragma once

#include <cstdint>
#include <string>

#include "common/channels.h"

namespace kr5061 {

// The single measurement document: the live sample store and the recall buffer.
// Both blocks live inside the object at fixed capacity; nothing is allocated
// while the program runs. The object is large (about 400 kB): create it once on
// the heap.
class CHygDoc {
public:
    // Sample store, channel-major: sample i of channel c is m_live[c][i].
    float m_live[kChannelCount][kSampleCapacity] = {};

    // Recall buffer, record-major: record r holds its five channels contiguously.
    std::int32_t m_recallCount = 0;
    float m_recall[kSampleCapacity][kChannelCount] = {};
    std::int32_t m_recallTag = 0;     // start in calendar seconds (logger only)
    std::int32_t m_recallPeriod = 0;  // sample period in seconds
    std::uint8_t m_recallFahrenheit = 0;
    std::int32_t m_recallHour = 0, m_recallMinute = 0, m_recallSecond = 0;
    std::int32_t m_recallYear = 0, m_recallMonth = 0, m_recallDay = 0;
    std::string m_recallUnit;
    std::string m_signatureIn;
};

}  // namespace kr5061
