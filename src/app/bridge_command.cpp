#include <QTimer>
#include <clocale>
#include <memory>
#include <optional>

#include "app/command_common.h"
#include "app/command_line.h"
#include "app/publish_options.h"
#include "app/run_control.h"
#include "app/signal_pipe.h"
#include "link/link_driver.h"
#include "link/link_ticks.h"
#include "link/ms_comm.h"
#include "link/port_survey.h"
#include "publish/publisher.h"
#include "store/config.h"
#include "store/ini_file.h"

namespace kr5061 {

using namespace cli;

namespace {

constexpr int kDefaultBridgePeriodSeconds = 10;
constexpr int kStopDrainMs = 1500;
// One line per change of the port's state; the waits between reopenings are not logged.
constexpr const char* kReopening =
    " Reopening the port after 1 s, then after twice as long each time, up to 60 s.";

struct BridgeOptions {
    QString device;
    int periodSeconds = kDefaultBridgePeriodSeconds;
    PublishTarget target;
};

// The headless service: one run after another of the store's size, a sample
// every period, each published through the outbox, for as long as it runs.
class BridgeSession : public QObject {
    Q_OBJECT
public:
    explicit BridgeSession(BridgeOptions options)
        : m_options(std::move(options)),
          m_state(std::make_unique<LiveState>()),
          m_doc(std::make_unique<CHygDoc>()),
          m_link(*m_state, *m_doc, m_comm) {}

    int run() {
        QString problem;
        connect(&m_publisher, &Publisher::logLine, this, &BridgeSession::logLine);
        m_publisher.followLink(m_link, *m_state, *m_doc);
        if (!m_publisher.start(m_options.target, &problem)) {
            return failWith(problem, kExitSaveFailed);
        }
        initFrameState(m_state->frame, readComPort());
        m_comm.bindDevice(m_state->frame.m_comPort, m_options.device);
        connect(&m_link, &LinkDriver::framesAccepted, this, &BridgeSession::onFrames);
        connect(&m_link, &LinkDriver::linkLost, this, &BridgeSession::onLinkLost);
        connect(&m_link, &LinkDriver::portProblemChanged, this, [this](const QString& text) {
            if (!text.isEmpty()) {
                logLine(text + QLatin1String(kReopening));
            }
        });
        m_link.setReopenBackoff(true);
        connect(&m_sampleClock, &QTimer::timeout, this, &BridgeSession::onSampleTick);
        connect(&m_signals, &SignalPipe::interrupted, this, &BridgeSession::finish);
        logLine(QStringLiteral("Bridging %1 to %2 as %3, a sample every %4 s.")
                    .arg(m_options.device,
                         QString::fromStdString(brokerAddressText(m_options.target.url)),
                         QString::fromStdString(m_options.target.id))
                    .arg(m_options.periodSeconds));
        m_link.startPollTimer();
        m_link.startWatchdog();
        if (!m_link.OpenPortAndStart()) {
            m_link.reopenLater();
        }
        m_sampleClock.start(m_options.periodSeconds * 1000);
        return QCoreApplication::exec();
    }

private:
    void logLine(const QString& line) {
        err() << line << '\n';
        err().flush();
    }

    void onFrames() {
        if (m_portState != PortState::kAnswering) {
            m_portState = PortState::kAnswering;
            logLine(QStringLiteral("The instrument on %1 answers.").arg(m_options.device));
        }
        // A run ends at the store's size or when the link is lost; the next
        // frame starts the next one.
        if (!m_state->frame.m_recording) {
            applyRun(*m_state, m_options.periodSeconds, kMaxSampleCount);
        }
    }

    void onSampleTick() {
        if (m_link.sampleTick()) {
            m_publisher.sampleCommitted(*m_doc, m_state->view);
        }
    }

    void onLinkLost(LinkLoss how) {
        if (m_portState == PortState::kLost) {
            return;  // one line per change, not one per reopening
        }
        const QString what = how == LinkLoss::kHangUp ? QStringLiteral("The port %1 hung up.")
                             : m_portState == PortState::kAnswering
                                 ? QStringLiteral("The instrument on %1 fell silent.")
                                 : QStringLiteral("The instrument on %1 does not answer.");
        m_portState = PortState::kLost;
        logLine(what.arg(m_options.device) + QLatin1String(kReopening));
    }

    // Ends on time whatever the network does: the broker gets a moment to
    // take what waits, the rest stays in the outbox for the next start.
    void finish(int signalNumber) {
        if (m_finishing) {
            return;
        }
        m_finishing = true;
        logLine(QStringLiteral("Signal %1: stopping.").arg(signalNumber));
        m_sampleClock.stop();
        m_comm.setPortOpen(false);
        m_publisher.finishThen(kStopDrainMs, [] { QCoreApplication::exit(kExitSaved); });
    }

    BridgeOptions m_options;
    std::unique_ptr<LiveState> m_state;
    std::unique_ptr<CHygDoc> m_doc;
    CMSComm m_comm;
    LinkDriver m_link;
    Publisher m_publisher;
    QTimer m_sampleClock;
    SignalPipe m_signals;
    enum class PortState { kStarting, kAnswering, kLost };
    PortState m_portState = PortState::kStarting;
    bool m_finishing = false;
};

// Settings of a --config file: section [bridge], keys named like the options.
void readBridgeConfig(const QString& file, QString& device, QString& period,
                      PublishSettings& settings, QString& passwordFile) {
    const std::filesystem::path path = file.toStdString();
    const auto text = [&](const char* key) {
        return QString::fromStdString(readProfileString(path, "bridge", key, ""));
    };
    device = text("device");
    period = text("period");
    settings.url = text("url").toStdString();
    settings.id = text("id").toStdString();
    settings.caFile = text("ca-file").toStdString();
    settings.certFile = text("cert-file").toStdString();
    settings.keyFile = text("key-file").toStdString();
    settings.discovery = readProfileInt(path, "bridge", "discovery", 1) != 0;
    parseOutboxCapacity(text("outbox-capacity").toStdString(), settings.outboxCapacity);
    passwordFile = text("password-file");
}

}  // namespace

int runBridgeCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    prepareCommand(
        parser, QStringLiteral("bridge"),
        QStringLiteral(
            "Publishes the instrument's readings, a sample every period and its alarms to an MQTT "
            "broker, without a window, until SIGTERM or SIGINT. Samples wait in an outbox on disk "
            "while the broker is away."));
    const QCommandLineOption port = serialPortOption();
    const QCommandLineOption period(QStringLiteral("period"),
                                    QStringLiteral("Sample period in whole seconds (default 10)."),
                                    QStringLiteral("S"));
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Read the settings from FILE: section [bridge] with the keys device, url, "
                       "id, period, password-file, ca-file, cert-file, key-file, discovery, "
                       "outbox-capacity. Options given on the command line win."),
        QStringLiteral("FILE"));
    parser.addOptions({port, period, config});
    const PublishOptions publish;
    publish.addTo(parser);
    if (const std::optional<int> done = parseCommand(parser, app, 1)) {
        return *done;
    }

    QString device, periodText, passwordFile, problem;
    PublishSettings settings;
    if (parser.isSet(config)) {
        readBridgeConfig(parser.value(config), device, periodText, settings, passwordFile);
    }
    device = parser.isSet(port) ? parser.value(port) : device;
    periodText = parser.isSet(period) ? parser.value(period) : periodText;
    passwordFile =
        parser.isSet(publish.passwordFile) ? parser.value(publish.passwordFile) : passwordFile;
    if (!applyPublishOptions(parser, publish, settings, problem)) {
        return usage(parser, problem);
    }
    if (device.isEmpty() || settings.url.empty()) {
        return usage(parser, QStringLiteral("bridge needs --port and --publish (or --config)."));
    }
    BridgeOptions options;
    options.device = device;
    bool ok = true;
    if (!periodText.isEmpty()) {
        options.periodSeconds = periodText.toInt(&ok);
    }
    if (!ok || options.periodSeconds < 1 || options.periodSeconds > kMaxSampleRateSeconds) {
        return usage(parser,
                     QStringLiteral("--period must be a whole number of seconds, at least 1."));
    }
    settings.enabled = true;
    if (!publishTargetFor(settings, readComPort(), passwordFile, options.target, problem)) {
        return failWith(problem, kExitUsage);
    }
    BridgeSession session(std::move(options));
    return session.run();
}

}  // namespace kr5061

#include "bridge_command.moc"
