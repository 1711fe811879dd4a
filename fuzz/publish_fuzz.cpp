// The publisher's readers of outside text and its float printing: any text as
// a broker URL and as an instrument id, and any five floats through a sample
// payload, which must read back as the very same floats.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string_view>

#include "publish/broker_url.h"
#include "publish/payloads.h"

using namespace kr5061;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const BrokerUrlResult url = parseBrokerUrl(text);
    if (url.ok && (url.url.host.empty() || url.url.port < 1 || url.url.port > 65535 ||
                   url.url.prefix.find_first_of("+#") != std::string::npos)) {
        std::abort();
    }
    if (instrumentIdProblem(text).empty() && !isTopicSafeId(text)) {
        std::abort();
    }
    if (size >= sizeof(float) * kChannelCount) {
        SampleFacts s;
        std::memcpy(s.values.data(), data, sizeof(float) * kChannelCount);
        s.unit = text.substr(sizeof(float) * kChannelCount);  // any bytes as the unit
        const nlohmann::json j = nlohmann::json::parse(samplePayload(s));
        for (int c = 0; c < kChannelCount; ++c) {
            const nlohmann::json& v = j.at(std::string(channelKey(c)));
            const float f = s.values[static_cast<std::size_t>(c)];
            if (v.is_null() != !std::isfinite(f)) {
                std::abort();
            }
            const float back = v.is_null() ? f : static_cast<float>(v.get<double>());
            if (std::memcmp(&back, &f, sizeof f) != 0) {
                std::abort();
            }
        }
    }
    return 0;
}
