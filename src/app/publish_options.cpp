#include "app/publish_options.h"

#include <sys/stat.h>

#include <QFile>
#include <QSysInfo>

#include "store/config.h"
#include "store/journal_recovery.h"

namespace kr5061::cli {

void PublishOptions::addTo(QCommandLineParser& parser) const {
    parser.addOptions(
        {publish, id, passwordFile, caFile, certFile, keyFile, noDiscovery, outboxCapacity});
}

bool applyPublishOptions(const QCommandLineParser& parser, const PublishOptions& o,
                         PublishSettings& s, QString& problem) {
    const auto take = [&](const QCommandLineOption& option, std::string& field) {
        if (parser.isSet(option)) {
            field = parser.value(option).toStdString();
        }
    };
    take(o.publish, s.url);
    take(o.id, s.id);
    take(o.caFile, s.caFile);
    take(o.certFile, s.certFile);
    take(o.keyFile, s.keyFile);
    if (parser.isSet(o.noDiscovery)) {
        s.discovery = false;
    }
    if (parser.isSet(o.outboxCapacity) &&
        !parseOutboxCapacity(parser.value(o.outboxCapacity).toStdString(), s.outboxCapacity)) {
        problem =
            QStringLiteral("--outbox-capacity must be a whole number of samples, at least 10.");
        return false;
    }
    return true;
}

bool readBrokerPassword(const QString& passwordFile, std::string& password, QString& problem) {
    if (passwordFile.isEmpty()) {
        password = qEnvironmentVariable("KR5061_MQTT_PASSWORD").toStdString();
        return true;
    }
    const QByteArray path = QFile::encodeName(passwordFile);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        problem = QStringLiteral("the password file %1 cannot be read").arg(passwordFile);
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        problem = QStringLiteral(
                      "the password file %1 may be read by others (mode %2); "
                      "make it 0600 (chmod 600) first")
                      .arg(passwordFile)
                      .arg(st.st_mode & 0777, 4, 8, QLatin1Char('0'));
        return false;
    }
    QFile file(passwordFile);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("the password file %1 cannot be read: %2")
                      .arg(passwordFile, file.errorString());
        return false;
    }
    QByteArray line = file.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    password = line.toStdString();
    return true;
}

bool publishTargetFor(const PublishSettings& settings, int comPort, const QString& passwordFile,
                      PublishTarget& target, QString& problem) {
    const QString systemdState =
        qEnvironmentVariable("STATE_DIRECTORY").section(QLatin1Char(':'), 0, 0);
    const std::filesystem::path stateDir = systemdState.isEmpty()
                                               ? stateDirectory()
                                               : std::filesystem::path(systemdState.toStdString());
    const PublishTargetResult r = resolvePublishTarget(
        settings, QSysInfo::machineHostName().toStdString(), comPort, stateDir);
    if (!r.ok) {
        problem = QString::fromStdString(r.error);
        return false;
    }
    target = r.target;
    if (!readBrokerPassword(passwordFile, target.password, problem)) {
        problem = QStringLiteral("Cannot publish to %1: %2.")
                      .arg(QString::fromStdString(brokerAddressText(target.url)), problem);
        return false;
    }
    return true;
}

std::optional<PublishTarget> publishTargetFrom(const QCommandLineParser& parser,
                                               const PublishOptions& options, QString& problem) {
    if (!parser.isSet(options.publish)) {
        return std::nullopt;
    }
    PublishSettings settings;
    settings.enabled = true;
    PublishTarget target;
    if (!applyPublishOptions(parser, options, settings, problem) ||
        !publishTargetFor(settings, readComPort(), parser.value(options.passwordFile), target,
                          problem)) {
        return std::nullopt;
    }
    return target;
}

}  // namespace kr5061::cli
