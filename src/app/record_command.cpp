#include <QSocketNotifier>
#include <QTimer>
#include <clocale>
#include <csignal>
#include <memory>
#include <optional>

#include "app/command_common.h"
#include "app/command_line.h"
#include "app/run_control.h"
#include "app/signal_pipe.h"
#include "link/link_driver.h"
#include "link/link_ticks.h"
#include "link/ms_comm.h"
#include "link/port_survey.h"
#include "store/config.h"
#include "store/measurement_file.h"
#include "store/run_journal.h"
#include "store/text_export.h"

namespace kr5061 {

using namespace cli;

namespace {

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
                [this](int sig) { finish(128 + sig, QStringLiteral("Interrupted")); });
        m_waitTimer.setSingleShot(true);
        connect(&m_waitTimer, &QTimer::timeout, this, [this] {
            err() << "No answer from the instrument on " << m_options.device << " within "
                  << m_options.waitSeconds << " s.\n";
            err().flush();
            QCoreApplication::exit(kExitNoInstrument);
        });

        if (!m_link.OpenPortAndStart()) {
            const QString problem = portProblemText(m_comm);
            err() << (problem.isEmpty() ? QStringLiteral("Cannot use %1: %2")
                                              .arg(m_options.device, m_comm.errorText())
                                        : problem)
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
        journalSample();
        const int done = m_state->view.m_sampleIndex;
        err() << "\r" << done << " / " << m_options.count << " samples";
        err().flush();
        if (done >= m_options.count) {
            err() << '\n';
            finish(kExitSaved, QString());
        }
    }

    // Every committed sample goes to the journal beside the output at once; a
    // failing journal does not stop the run, it is reported once.
    void journalSample() {
        if (m_journal.follow(m_journalPath, *m_doc, m_state->view, monotonicMs())) {
            m_journalWarned = false;
            return;
        }
        if (!m_journalWarned) {
            err() << "\nThe run is not being journalled: "
                  << QString::fromStdString(m_journal.error()) << '\n';
            err().flush();
            m_journalWarned = true;
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
            keepJournal();
        } else {
            err() << "Saved " << m_state->view.m_sampleIndex << " samples to " << m_options.out
                  << " and " << QString::fromStdString(saved.textPath.string()) << '\n';
            if (!m_journal.discard()) {
                err() << QString::fromStdString(m_journal.error()) << '\n';
            }
        }
        err().flush();
        m_comm.setPortOpen(false);
        QCoreApplication::exit(code);
    }

    // The save failed: the samples stay in the journal, and the user learns
    // the exact command that gets them back. The default name is used when
    // nothing of the failed save is in its way, else a name beside it.
    void keepJournal() {
        if (!m_journal.isOpen()) {
            return;
        }
        const std::filesystem::path kept = m_journal.path();
        m_journal.close();
        const std::filesystem::path out = m_options.out.toStdString();
        std::error_code ec;
        QString command = recoverCommandFor(kept);
        if (std::filesystem::exists(out, ec) ||
            std::filesystem::exists(textTablePathFor(out), ec)) {
            std::filesystem::path other = out;
            other.replace_extension(".recovered.AsmDat");
            command +=
                QStringLiteral(" --out ") + shellQuoted(QString::fromStdString(other.string()));
        }
        err() << "The " << m_journal.count() << " samples are kept in "
              << QString::fromStdString(kept.string()) << ". To recover them:\n  " << command
              << '\n';
    }

    RecordOptions m_options;
    std::filesystem::path m_journalPath = journalPathFor(m_options.out.toStdString());
    RunJournal m_journal;
    bool m_journalWarned = false;
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

}  // namespace

int runRecordCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Records one run without a window and saves it with its text table. Every "
                       "sample is journalled to FILE.AsmDat.journal until the run is saved; "
                       "after a crash, `kr5061 recover` writes the file from it."));
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
    if (const std::optional<int> done = parseCommand(parser, app, 1)) {
        return *done;
    }

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
    // A journal beside the output is either being written by another
    // recording or the only copy of a run that ended without its save.
    const std::filesystem::path journal = journalPathFor(options.out.toStdString());
    if (isJournalLocked(journal)) {
        err() << "Another recording is writing " << QString::fromStdString(journal.string())
              << "; choose another --out.\n";
        err().flush();
        return kExitUsage;
    }
    std::error_code ec;
    if (std::filesystem::exists(journal, ec)) {
        err() << QString::fromStdString(journal.string())
              << " holds a run that was not saved. Recover it first:\n  "
              << recoverCommandFor(journal) << '\n';
        err().flush();
        return kExitUsage;
    }
    RecordSession session(options);
    return session.run();
}

}  // namespace kr5061

#include "record_command.moc"
