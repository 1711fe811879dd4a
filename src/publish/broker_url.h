#pragma once

#include <string>
#include <string_view>

namespace kr5061 {

inline constexpr int kMqttPort = 1883;
inline constexpr int kMqttTlsPort = 8883;
inline constexpr std::string_view kDefaultTopicPrefix = "kr5061";

// Where the readings go: `mqtt://[user@]host[:port][/prefix]` or `mqtts://...`.
struct BrokerUrl {
    bool tls = false;
    std::string user;  // empty: no user name is sent
    std::string host;  // without the brackets of an IPv6 address
    int port = kMqttPort;
    std::string prefix{kDefaultTopicPrefix};
};

struct BrokerUrlResult {
    bool ok = false;
    BrokerUrl url;
    std::string error;  // why the text is not a broker URL, for a message
};

// Parses and checks a broker URL. The prefix is one or more topic levels
// separated by '/', none empty, without the wildcards '+' and '#' and not
// starting with '$' (the broker's own topics). A password in the URL is
// refused: it belongs in the secret store, a file or the environment, where
// neither the process list nor the settings file shows it.
BrokerUrlResult parseBrokerUrl(std::string_view text);

// "host:port" ("[::1]:1883" for IPv6), for messages naming the broker.
std::string brokerAddressText(const BrokerUrl& url);

// Instrument ids become one topic level and part of Home Assistant's object
// ids: letters, digits, '-' and '_' only, 1 to 64 of them.
inline constexpr std::size_t kMaxInstrumentIdLength = 64;
bool isTopicSafeId(std::string_view id);

// Empty when `id` can be used; else the reason, naming the id.
std::string instrumentIdProblem(std::string_view id);

// The default id: the host name and the port number, "lab-pc-com1", with
// characters an id cannot hold ('.' of a full name too) replaced by '-' and
// cut to the longest id.
std::string defaultInstrumentId(std::string_view hostName, int comPort);

}  // namespace kr5061
