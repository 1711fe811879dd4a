#pragma once

#include <cstdint>
#include <string>

#include "common/channels.h"
#include "store/zeroed_array.h"

namespace kr5061 {

// The single measurement document: the live sample store and the recall buffer.
// Both blocks are allocated once at fixed capacity with the object and start
// zero without being written, so their pages only become resident as samples
// and records land in them; nothing is allocated while the program runs.
class CHygDoc {
public:
    // Sample store, channel-major: sample i of channel c is m_live[c][i].
    ZeroedArray<float[kChannelCount][kSampleCapacity]> m_live;

    // Recall buffer, record-major: record r holds its five channels contiguously.
    std::int32_t m_recallCount = 0;
    ZeroedArray<float[kSampleCapacity][kChannelCount]> m_recall;
    std::int32_t m_recallTag = 0;     // start in calendar seconds (logger only)
    std::int32_t m_recallPeriod = 0;  // sample period in seconds
    std::uint8_t m_recallFahrenheit = 0;
    std::int32_t m_recallHour = 0, m_recallMinute = 0, m_recallSecond = 0;
    std::int32_t m_recallYear = 0, m_recallMonth = 0, m_recallDay = 0;
    std::string m_recallUnit;
    std::string m_signatureIn;
};

}  // namespace kr5061
