#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <clocale>
#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

#include "app/run_control.h"
#include "app/signal_pipe.h"
#include "link/link_driver.h"
#include "link/link_ticks.h"
#include "link/ms_comm.h"
#include "store/config.h"
#include "store/measurement_file.h"
#include "store/text_export.h"

namespace kr5061 {

namespace {

constexpr int kExitSaved = 0, kExitSaveFailed = 1, kExitUsage = 2, kExitNoInstrument = 3,
              kExitInterrupted = 130;

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

int usage(const QCommandLineParser& parser, const QString& problem) {
    err() << problem << "\n\n" << parser.helpText();
    err().flush();
    return kExitUsage;
}

struct RecordOptions {
    QString device;
    int periodSeconds = 1;
    int count = 0;
    QString out;
    int waitSeconds = 30;
};

// One headless run: waits for the instrument, issues Run, commits a sample per
// period and saves when the run is complete, lost or interrupted.
class RecordSession : public QObject {
    Q_OBJECT
public:
    explicit RecordSession(const RecordOptions& options)
        : m_options(options),
          m_state(std::make_unique<LiveState>()),
          m_doc(std::make_unique<CHygDoc>()),
          m_link(*m_state, *m_doc, m_comm) {}

    int run() {
        initFrameState(m_state->frame, readComPort());
        m_comm.bindDevice(m_state->frame.m_comPort, m_options.device);
        connect(&m_link, &LinkDriver::framesAccepted, this, &RecordSession::onFrames);
        connect(&m_link, &LinkDriver::linkLost, this, &RecordSession::onLinkLost);
        connect(&m_sampleClock, &QTimer::timeout, this, &RecordSession::onSampleTick);
        connect(&m_signals, &SignalPipe::interrupted, this,
                [this](int) { finish(kExitInterrupted, QStringLiteral("Interrupted")); });
        m_waitTimer.setSingleShot(true);
        connect(&m_waitTimer, &QTimer::timeout, this, [this] {
            err() << "No answer from the instrument on " << m_options.device << " within "
                  << m_options.waitSeconds << " s.\n";
            err().flush();
            QCoreApplication::exit(kExitNoInstrument);
        });

        if (!m_link.OpenPortAndStart()) {
            err() << "Cannot use " << m_options.device << ": " << m_comm.errorText()
                  << " (retrying)\n";
            err().flush();
        }
        m_link.startPollTimer();
        m_link.startWatchdog();
        m_waitTimer.start(m_options.waitSeconds * 1000);
        return QCoreApplication::exec();
    }

private:
    void onFrames() {
        if (m_runIssued) {
            return;
        }
        m_runIssued = true;
        m_waitTimer.stop();
        applyRun(*m_state, m_options.periodSeconds, m_options.count);
        m_sampleClock.start(m_state->view.m_samplePeriodMs);
        err() << "Recording " << m_options.count << " samples every " << m_options.periodSeconds
              << " s\n";
        err().flush();
    }

    void onSampleTick() {
        if (!sampleTick(*m_state, *m_doc)) {
            return;
        }
        const int done = m_state->view.m_sampleIndex;
        err() << "\r" << done << " / " << m_options.count << " samples";
        err().flush();
        if (done >= m_options.count) {
            err() << '\n';
            finish(kExitSaved, QString());
        }
    }

    void onLinkLost() {
        if (m_runIssued) {
            finish(kExitNoInstrument,
                   QStringLiteral("The instrument fell silent; the run ended early"));
        }
    }

    void finish(int code, const QString& why) {
        if (m_finished) {
            return;
        }
        m_finished = true;
        m_sampleClock.stop();
        stopRun(*m_state);
        if (!why.isEmpty()) {
            err() << '\n' << why << " after " << m_state->view.m_sampleIndex << " samples.\n";
        }
        const SaveResult saved =
            saveMeasurement(m_options.out.toStdString(), snapshotOfRun(*m_doc, m_state->view));
        if (!saved.ok) {
            err() << "The file " << QString::fromStdString(saved.failedPath.string())
                  << " could not be written: " << QString::fromStdString(saved.error) << '\n';
            code = kExitSaveFailed;
        } else {
            err() << "Saved " << m_state->view.m_sampleIndex << " samples to " << m_options.out
                  << " and " << QString::fromStdString(saved.textPath.string()) << '\n';
        }
        err().flush();
        m_comm.setPortOpen(false);
        QCoreApplication::exit(code);
    }

    RecordOptions m_options;
    std::unique_ptr<LiveState> m_state;
    std::unique_ptr<CHygDoc> m_doc;
    CMSComm m_comm;
    LinkDriver m_link;
    QTimer m_sampleClock;
    QTimer m_waitTimer;
    SignalPipe m_signals;
    bool m_runIssued = false;
    bool m_finished = false;
};

bool readPositiveInt(const QCommandLineParser& parser, const QCommandLineOption& option, int low,
                     int high, int& out) {
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

}  // namespace

int runRecordCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Records one run without a window and saves it with its text table."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("record"), QStringLiteral("The record command."));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Serial device."),
                                  QStringLiteral("DEVICE"));
    const QCommandLineOption period(QStringLiteral("period"),
                                    QStringLiteral("Sample period in whole seconds."),
                                    QStringLiteral("SECONDS"));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Number of samples, 1 to 10000."),
                                   QStringLiteral("N"));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Measurement file to write."),
                                 QStringLiteral("FILE.AsmDat"));
    const QCommandLineOption wait(QStringLiteral("wait"),
                                  QStringLiteral("Seconds to wait for the instrument (default 30)."),
                                  QStringLiteral("SECONDS"), QStringLiteral("30"));
    parser.addOptions({port, period, count, out, wait});
    parser.process(app);

    RecordOptions options;
    if (!parser.isSet(port) || !parser.isSet(out) || !parser.isSet(period) || !parser.isSet(count)) {
        return usage(parser, QStringLiteral("record needs --port, --period, --count and --out."));
    }
    options.device = parser.value(port);
    options.out = parser.value(out);
    if (!readPositiveInt(parser, period, 1, kMaxSampleRateSeconds, options.periodSeconds)) {
        return usage(parser, QStringLiteral("--period must be a whole number of seconds, at least 1."));
    }
    if (!readPositiveInt(parser, count, 1, kMaxSampleCount, options.count)) {
        return usage(parser, QStringLiteral("--count must be from 1 to 10000."));
    }
    if (!readPositiveInt(parser, wait, 1, 24 * 3600, options.waitSeconds)) {
        return usage(parser, QStringLiteral("--wait must be a whole number of seconds, at least 1."));
    }
    RecordSession session(options);
    return session.run();
}

int runExportCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes a measurement file's text table and/or a CSV file."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("export"), QStringLiteral("The export command."));
    parser.addPositionalArgument(QStringLiteral("FILE.AsmDat"),
                                 QStringLiteral("Measurement file to read."));
    const QCommandLineOption txt(QStringLiteral("txt"),
                                 QStringLiteral("Text table to write, as Save writes it."),
                                 QStringLiteral("OUT.txt"));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("CSV file to write."),
                                 QStringLiteral("OUT.csv"));
    parser.addOptions({txt, csv});
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        return usage(parser, QStringLiteral("export needs exactly one measurement file."));
    }
    const std::filesystem::path input = args[1].toStdString();

    auto doc = std::make_unique<CHygDoc>();
    const LoadResult loaded = loadMeasurement(input, *doc);
    if (!loaded.ok()) {
        err() << (loaded.status == LoadStatus::kInvalidFormat ? QStringLiteral("Invalid Format!")
                                                               : QString::fromStdString(loaded.reason))
              << '\n';
        err().flush();
        return kExitUsage;
    }
    const TableInput table = recallTableInput(*doc);
    std::string error;
    const bool wantTxt = parser.isSet(txt) || !parser.isSet(csv);
    const std::filesystem::path txtPath =
        parser.isSet(txt) ? std::filesystem::path(parser.value(txt).toStdString())
                          : textTablePathFor(input);
    if (wantTxt && !writeTextTable(txtPath, table, &error)) {
        err() << QString::fromStdString(error) << '\n';
        err().flush();
        return kExitSaveFailed;
    }
    if (parser.isSet(csv) && !writeCsvTable(parser.value(csv).toStdString(), table, &error)) {
        err() << QString::fromStdString(error) << '\n';
        err().flush();
        return kExitSaveFailed;
    }
    return kExitSaved;
}

}  // namespace kr5061

#include "command_line.moc"
