#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "publish/broker_url.h"
#include "publish/outbox.h"

namespace kr5061 {

// What the user set up, as typed: the [Publish] section of the settings file
// (the password is never here; it lives in the desktop's secret store).
struct PublishSettings {
    bool enabled = false;
    std::string url;
    std::string id;  // empty: the default id
    std::string user;
    std::string caFile, certFile, keyFile;
    bool discovery = true;
    std::uint64_t outboxCapacity = kDefaultOutboxCapacity;
};

// [Publish] keys Enabled, URL, Id, User, CAFile, CertFile, KeyFile,
// Discovery, OutboxCapacity; every other section stays as it is.
PublishSettings readPublishSettings();
bool writePublishSettings(const PublishSettings& settings);

// Everything a publisher needs, checked.
struct PublishTarget {
    BrokerUrl url;  // the user of the settings, when given, replaces the URL's
    std::string id;
    std::string password;
    std::string caFile, certFile, keyFile;
    bool discovery = true;
    std::uint64_t outboxCapacity = kDefaultOutboxCapacity;
    std::filesystem::path outboxDir;
};

struct PublishTargetResult {
    bool ok = false;
    PublishTarget target;
    std::string error;  // one line naming what is wrong
};

// Checks the URL, the id (or makes the default one from `hostName` and
// `comPort`) and the outbox capacity; the outbox of each id is its own
// folder "outbox/ID" of `stateDir`.
PublishTargetResult resolvePublishTarget(const PublishSettings& settings, std::string_view hostName,
                                         int comPort, const std::filesystem::path& stateDir);

// The capacity as text: a whole number of samples, at least kMinOutboxCapacity.
bool parseOutboxCapacity(std::string_view text, std::uint64_t& out);

}  // namespace kr5061
