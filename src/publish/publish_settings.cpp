#include "publish/publish_settings.h"

#include <charconv>

#include "store/config.h"
#include "store/ini_file.h"

namespace kr5061 {

namespace {

constexpr std::string_view kSection = "Publish";

std::string readText(std::string_view key) {
    return readProfileString(configFilePath(), kSection, key, "");
}

}  // namespace

bool parseOutboxCapacity(std::string_view text, std::uint64_t& out) {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < kMinOutboxCapacity) {
        return false;
    }
    out = value;
    return true;
}

PublishSettings readPublishSettings() {
    const std::filesystem::path file = configFilePath();
    PublishSettings s;
    s.enabled = readProfileInt(file, kSection, "Enabled", 0) != 0;
    s.url = readText("URL");
    s.id = readText("Id");
    s.user = readText("User");
    s.caFile = readText("CAFile");
    s.certFile = readText("CertFile");
    s.keyFile = readText("KeyFile");
    s.discovery = readProfileInt(file, kSection, "Discovery", 1) != 0;
    if (!parseOutboxCapacity(readText("OutboxCapacity"), s.outboxCapacity)) {
        s.outboxCapacity = kDefaultOutboxCapacity;
    }
    return s;
}

bool writePublishSettings(const PublishSettings& s) {
    const std::filesystem::path file = configFilePath();
    const std::pair<std::string_view, std::string> values[] = {
        {"Enabled", s.enabled ? "1" : "0"},
        {"URL", s.url},
        {"Id", s.id},
        {"User", s.user},
        {"CAFile", s.caFile},
        {"CertFile", s.certFile},
        {"KeyFile", s.keyFile},
        {"Discovery", s.discovery ? "1" : "0"},
        {"OutboxCapacity", std::to_string(s.outboxCapacity)},
    };
    bool ok = true;
    for (const auto& [key, value] : values) {
        ok = writeProfileString(file, kSection, key, value) && ok;
    }
    return ok;
}

PublishTargetResult resolvePublishTarget(const PublishSettings& s, std::string_view hostName,
                                         int comPort, const std::filesystem::path& stateDir) {
    PublishTargetResult r;
    const BrokerUrlResult url = parseBrokerUrl(s.url);
    if (!url.ok) {
        r.error = "The broker URL \"" + s.url + "\" is not valid: " + url.error + ".";
        return r;
    }
    const std::string id = s.id.empty() ? defaultInstrumentId(hostName, comPort) : s.id;
    const std::string broker = "Cannot publish to " + brokerAddressText(url.url) + ": ";
    if (const std::string why = instrumentIdProblem(id); !why.empty()) {
        r.error = broker + why + ".";
        return r;
    }
    if (s.outboxCapacity < kMinOutboxCapacity) {
        r.error = broker + "the outbox must hold at least 10 samples.";
        return r;
    }
    PublishTarget& t = r.target;
    t.url = url.url;
    if (!s.user.empty()) {
        t.url.user = s.user;
    }
    t.id = id;
    t.caFile = s.caFile;
    t.certFile = s.certFile;
    t.keyFile = s.keyFile;
    t.discovery = s.discovery;
    t.outboxCapacity = s.outboxCapacity;
    t.outboxDir = stateDir / "outbox" / id;
    r.ok = true;
    return r;
}

}  // namespace kr5061
