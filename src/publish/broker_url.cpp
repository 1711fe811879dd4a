#include "publish/broker_url.h"

#include <algorithm>
#include <charconv>

namespace kr5061 {

namespace {

constexpr std::size_t kMaxPrefixLength = 200;

// Home Assistant takes only these in the object ids of its discovery topics.
bool isIdChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

bool isHostChar(char c) {
    return isIdChar(c) || c == '.';
}

bool isIpv6Char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
           c == '.';
}

BrokerUrlResult failure(std::string why) {
    BrokerUrlResult r;
    r.error = std::move(why);
    return r;
}

std::string prefixProblem(std::string_view prefix) {
    if (prefix.size() > kMaxPrefixLength) {
        return "the topic prefix is longer than 200 characters";
    }
    if (prefix.front() == '$') {
        return "a topic prefix starting with '$' names the broker's own topics";
    }
    if (prefix.find_first_of("+#") != std::string_view::npos) {
        return "the topic prefix holds a wildcard ('+' or '#')";
    }
    if (prefix.front() == '/' || prefix.back() == '/' ||
        prefix.find("//") != std::string_view::npos) {
        return "the topic prefix has an empty level";
    }
    for (char c : prefix) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            return "the topic prefix holds a control character";
        }
    }
    return {};
}

// "host", "host:port", "[v6]" or "[v6]:port" into the result.
std::string parseHostPort(std::string_view text, BrokerUrl& url) {
    std::string_view host = text;
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return "the IPv6 address has no closing ']'";
        }
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') {
            return "unexpected text after the IPv6 address";
        }
        port = rest.empty() ? rest : rest.substr(1);
        if (host.empty() || !std::all_of(host.begin(), host.end(), isIpv6Char)) {
            return "the IPv6 address is not valid";
        }
        if (rest.size() == 1) {
            return "the port number is missing after ':'";
        }
    } else {
        const std::size_t colon = text.find(':');
        if (colon != std::string_view::npos) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
            if (port.empty()) {
                return "the port number is missing after ':'";
            }
        }
        if (host.empty()) {
            return "the host name is missing";
        }
        if (!std::all_of(host.begin(), host.end(), isHostChar) || host.front() == '-') {
            return "the host name \"" + std::string(host) + "\" is not valid";
        }
    }
    url.host = std::string(host);
    if (!port.empty()) {
        int value = 0;
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (ec != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535) {
            return "the port \"" + std::string(port) + "\" is not a number from 1 to 65535";
        }
        url.port = value;
    }
    return {};
}

}  // namespace

BrokerUrlResult parseBrokerUrl(std::string_view text) {
    BrokerUrl url;
    std::string_view rest;
    if (text.starts_with("mqtt://")) {
        rest = text.substr(7);
    } else if (text.starts_with("mqtts://")) {
        url.tls = true;
        url.port = kMqttTlsPort;
        rest = text.substr(8);
    } else {
        return failure("a broker URL starts with mqtt:// or mqtts://");
    }
    const std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    if (slash != std::string_view::npos) {
        const std::string_view prefix = rest.substr(slash + 1);
        if (!prefix.empty()) {
            if (std::string why = prefixProblem(prefix); !why.empty()) {
                return failure(why);
            }
            url.prefix = std::string(prefix);
        }
    }
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view user = authority.substr(0, at);
        if (user.find(':') != std::string_view::npos) {
            return failure(
                "a password does not belong in the URL; give it in the publish settings, "
                "KR5061_MQTT_PASSWORD or --password-file");
        }
        if (user.empty()) {
            return failure("the user name before '@' is empty");
        }
        if (std::any_of(user.begin(), user.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
            return failure("the user name holds a control character");
        }
        url.user = std::string(user);
        authority = authority.substr(at + 1);
    }
    if (std::string why = parseHostPort(authority, url); !why.empty()) {
        return failure(why);
    }
    BrokerUrlResult r;
    r.ok = true;
    r.url = std::move(url);
    return r;
}

std::string brokerAddressText(const BrokerUrl& url) {
    const bool v6 = url.host.find(':') != std::string::npos;
    return (v6 ? "[" + url.host + "]" : url.host) + ":" + std::to_string(url.port);
}

bool isTopicSafeId(std::string_view id) {
    return !id.empty() && id.size() <= kMaxInstrumentIdLength &&
           std::all_of(id.begin(), id.end(), isIdChar);
}

std::string instrumentIdProblem(std::string_view id) {
    if (isTopicSafeId(id)) {
        return {};
    }
    if (id.empty()) {
        return "the instrument id is empty";
    }
    if (id.size() > kMaxInstrumentIdLength) {
        return "the instrument id is longer than 64 characters";
    }
    return "the instrument id \"" + std::string(id) +
           "\" may hold only letters, digits, '-' and '_' (no '/', '+' or '#')";
}

std::string defaultInstrumentId(std::string_view hostName, int comPort) {
    std::string id;
    for (char c : hostName) {
        id += isIdChar(c) ? c : '-';
    }
    if (id.empty()) {
        id = "kr5061";
    }
    const std::string suffix = "-com" + std::to_string(comPort);
    id.resize(std::min(id.size(), kMaxInstrumentIdLength - suffix.size()));
    return id + suffix;
}

}  // namespace kr5061
