#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <filesystem>
#include <optional>

#include "publish/publish_settings.h"

namespace kr5061::cli {

// The options `record` and `bridge` share to publish to a broker.
struct PublishOptions {
    QCommandLineOption publish{
        QStringLiteral("publish"),
        QStringLiteral("Publish to the broker at URL "
                       "(mqtt://[user@]host[:port][/prefix] or mqtts://...)."),
        QStringLiteral("URL")};
    QCommandLineOption id{QStringLiteral("id"),
                          QStringLiteral("Instrument id in the topics (default: host name and "
                                         "port number, e.g. lab-pc-com1)."),
                          QStringLiteral("ID")};
    QCommandLineOption passwordFile{
        QStringLiteral("password-file"),
        QStringLiteral("Read the broker password from FILE (mode 0600 or stricter); "
                       "else KR5061_MQTT_PASSWORD is used."),
        QStringLiteral("FILE")};
    QCommandLineOption caFile{QStringLiteral("ca-file"),
                              QStringLiteral("CA certificates to trust for mqtts:// "
                                             "(default: the system's)."),
                              QStringLiteral("FILE")};
    QCommandLineOption certFile{QStringLiteral("cert-file"),
                                QStringLiteral("Client certificate for mqtts://."),
                                QStringLiteral("FILE")};
    QCommandLineOption keyFile{QStringLiteral("key-file"),
                               QStringLiteral("Key of the client certificate."),
                               QStringLiteral("FILE")};
    QCommandLineOption noDiscovery{QStringLiteral("no-discovery"),
                                   QStringLiteral("Do not announce the instrument to Home "
                                                  "Assistant.")};
    QCommandLineOption outboxCapacity{
        QStringLiteral("outbox-capacity"),
        QStringLiteral("Samples the outbox keeps while the broker is away (default 1000000)."),
        QStringLiteral("N")};

    void addTo(QCommandLineParser& parser) const;
};

// Fills `settings` from what the command line sets (a setting it does not
// set keeps its value). False with `problem` for a bad capacity.
bool applyPublishOptions(const QCommandLineParser& parser, const PublishOptions& options,
                         PublishSettings& settings, QString& problem);

// The password from the file (the first line; refused unless only its owner
// may read it) or else from KR5061_MQTT_PASSWORD; never from the command
// line, where any user could read it. False with `problem` (a phrase).
bool readBrokerPassword(const QString& passwordFile, std::string& password, QString& problem);

// Everything the publisher needs, checked, with the outbox below the state
// directory: $STATE_DIRECTORY (set by systemd) when present, else the
// program's state directory. False with `problem`.
bool publishTargetFor(const PublishSettings& settings, int comPort, const QString& passwordFile,
                      PublishTarget& target, QString& problem);

// The target of --publish and the options beside it, for a command without
// a settings file of its own (record); nullopt without --publish, or with
// `problem` naming the broker and the reason.
std::optional<PublishTarget> publishTargetFrom(const QCommandLineParser& parser,
                                               const PublishOptions& options, QString& problem);

}  // namespace kr5061::cli
