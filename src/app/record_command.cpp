#include <unistd.h>
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
#include "link/ms_comm.h"
#include "link/port_survey.h"
#include "publish/publisher.h"
#include "store/config.h"
#include "store/journal_recovery.h"
#include "store/measurement_file.h"
#include "store/record_output.h"
#include "store/run_journal.h"

namespace kr5061 {

using namespace cli;

namespace {

namespace fs = std::filesystem;

struct RecordOptions {
    QString device;
    int periodSeconds = 1;
    int count = 0;
    QString out;
    int waitSeconds = 30;
    bool replace = false;
    bool quiet = false;
    std::optional<PublishTarget> publish;
};

// The broker gets this long after the save to take what waits; the rest
// stays in the outbox for the next start.
constexpr int kPublishDrainMs = 2000;

// One headless run: holds the journal beside the output from the start,
// waits for the instrument, issues Run, commits a sample per period and saves
// when the run is complete, lost or interrupted.
class RecordSession : public QObject {
    Q_OBJECT
public:
    explicit RecordSession(const RecordOptions& options)
        : m_options(options),
          m_state(std::make_unique<LiveState>()),
          m_doc(std::make_unique<CHygDoc>()),
          m_link(*m_state, *m_doc, m_comm) {}

    // Before anything else: the journal, created, locked and reserved whole,
    // or the reason the output cannot be recorded to.
    bool takeJournal() {
        if (m_journal.create(m_journalPath, m_options.count)) {
            return true;
        }
        if (m_journal.lockedByOther()) {
            anotherRecording(m_journalPath, journalLockHolder(m_journalPath));
        } else {
            say(QStringLiteral("Cannot record to %1: %2.")
                    .arg(m_options.out, QString::fromStdString(m_journal.error())));
        }
        return false;
    }

    int run() {
        initFrameState(m_state->frame, readComPort());
        m_comm.bindDevice(m_state->frame.m_comPort, m_options.device);
        connect(&m_link, &LinkDriver::framesAccepted, this, &RecordSession::onFrames);
        connect(&m_link, &LinkDriver::linkLost, this, &RecordSession::onLinkLost);
        connect(&m_link, &LinkDriver::runCut, this, [this](const QString& text) {
            finish(kExitNoInstrument, QStringLiteral("The run ended early: %1.").arg(text));
        });
        m_sampleClock.setTimerType(Qt::PreciseTimer);
        connect(&m_sampleClock, &QTimer::timeout, this, &RecordSession::onSampleTick);
        connect(&m_signals, &SignalPipe::interrupted, this,
                [this](int sig) { finish(128 + sig, endedAfter(QStringLiteral("Interrupted"))); });
        m_waitTimer.setSingleShot(true);
        connect(&m_waitTimer, &QTimer::timeout, this, &RecordSession::onNoAnswer);
        startPublishing();

        if (!m_link.OpenPortAndStart()) {
            const QString problem = portProblemText(m_comm);
            say((problem.isEmpty()
                     ? QStringLiteral("Cannot use %1: %2").arg(m_options.device, m_comm.errorText())
                     : problem) +
                QStringLiteral(" (retrying)"));
        }
        m_link.startPollTimer();
        m_link.startWatchdog();
        m_waitTimer.start(m_options.waitSeconds * 1000);
        return QCoreApplication::exec();
    }

    static void anotherRecording(const fs::path& journal, long holder) {
        const QString who = holder > 0
                                ? QStringLiteral("Another recording (process %1)").arg(holder)
                                : QStringLiteral("Another recording");
        say(QStringLiteral("%1 is writing %2; choose another --out.").arg(who, pathText(journal)));
    }

private:
    // One line on stderr; a progress line still open on a terminal ends first.
    static void say(const QString& line) {
        err() << line << '\n';
        err().flush();
    }

    void sayAfterProgress(const QString& line) {
        if (m_progressOpen) {
            err() << '\n';
            m_progressOpen = false;
        }
        say(line);
    }

    QString endedAfter(const QString& what) const {
        const int n = m_state->view.m_sampleIndex;
        return n > 0 ? QStringLiteral("%1 after %2 samples.").arg(what).arg(n)
                     : QStringLiteral("%1 before the first sample.").arg(what);
    }

    // Publishing runs beside the recording: nothing of it stops or delays the run.
    void startPublishing() {
        if (!m_options.publish) {
            return;
        }
        connect(&m_publisher, &Publisher::logLine, this, &RecordSession::sayAfterProgress);
        m_publisher.followLink(m_link, *m_state, *m_doc);
        QString problem;
        if (!m_publisher.start(*m_options.publish, &problem)) {
            say(problem + QStringLiteral(" Recording without publishing."));
        }
    }

    void onFrames() {
        if (m_runIssued) {
            return;
        }
        m_runIssued = true;
        m_waitTimer.stop();
        applyRun(*m_state, m_options.periodSeconds, m_options.count);
        m_sampleClock.start(m_state->view.m_samplePeriodMs);
        say(QStringLiteral("Recording %1 samples every %2 s")
                .arg(m_options.count)
                .arg(m_options.periodSeconds));
    }

    void onNoAnswer() {
        // A port that never opened says why; that is the news, not the silence.
        const QString problem = m_link.portProblem();
        finish(kExitNoInstrument,
               !problem.isEmpty()
                   ? problem
                   : QStringLiteral("No answer from the instrument on %1 within %2 s.")
                         .arg(m_options.device)
                         .arg(m_options.waitSeconds));
    }

    void onSampleTick() {
        const int before = m_state->view.m_sampleIndex;
        if (!m_link.sampleTick() || m_finished) {
            return;
        }
        journalSample();
        m_publisher.sampleCommitted(*m_doc, m_state->view);
        const int done = m_state->view.m_sampleIndex;
        showProgress(before, done);
        if (done >= m_options.count) {
            finish(kExitSaved, QString());
        }
    }

    // On a terminal one line that counts up; into a file or a pipe one line per sample.
    void showProgress(int before, int done) {
        if (m_options.quiet) {
            return;
        }
        if (m_terminal) {
            err() << '\r' << done << " / " << m_options.count << " samples";
            m_progressOpen = true;
        } else {
            for (int i = before + 1; i <= done; ++i) {
                err() << i << " / " << m_options.count << " samples\n";
            }
        }
        err().flush();
    }

    // Every committed sample goes to the journal at once; a failing journal
    // does not stop the run, it is reported once.
    void journalSample() {
        if (m_journal.follow(m_journalPath, *m_doc, m_state->view)) {
            return;
        }
        if (!m_journalWarned) {
            sayAfterProgress(QStringLiteral("The run is not being journalled: %1")
                                 .arg(QString::fromStdString(m_journal.error())));
            m_journalWarned = true;
        }
    }

    void onLinkLost(LinkLoss how) {
        if (m_runIssued) {
            finish(kExitNoInstrument,
                   endedAfter(how == LinkLoss::kHangUp
                                  ? QStringLiteral("The port reported a hang-up; the run ended")
                                  : QStringLiteral("The instrument fell silent; the run ended")));
        }
    }

    void finish(int code, const QString& why) {
        if (m_finished) {
            return;
        }
        m_finished = true;
        m_sampleClock.stop();
        m_waitTimer.stop();
        stopRun(*m_state);
        if (m_state->view.m_sampleIndex == 0) {
            // Nothing to save: the journal goes, and a file of an earlier run stays as it was.
            m_journal.discard();
            sayAfterProgress(QStringLiteral("No sample was recorded; nothing was written."));
            if (!why.isEmpty()) {
                say(why);
            }
        } else {
            if (!why.isEmpty()) {
                sayAfterProgress(why);
            }
            if (!save()) {
                code = kExitSaveFailed;
            }
        }
        m_comm.setPortOpen(false);
        m_publisher.finishThen(kPublishDrainMs, [code] { QCoreApplication::exit(code); });
    }

    bool save() {
        // The journal holds exactly what is saved: a kill after the save but
        // before the journal's removal leaves a journal recognised as saved.
        journalSample();
        m_journal.flush();
        const fs::path out = m_options.out.toStdString();
        const RunSnapshot run = snapshotOfRun(*m_doc, m_state->view);
        const SaveResult saved =
            m_options.replace ? saveMeasurement(out, run) : saveMeasurementAsNew(out, run).saved;
        if (!saved.ok) {
            sayAfterProgress(
                QStringLiteral("The file %1 could not be written: %2")
                    .arg(pathText(saved.failedPath), QString::fromStdString(saved.error)));
            keepRun();
            return false;
        }
        sayAfterProgress(QStringLiteral("Saved %1 samples to %2 and %3")
                             .arg(m_state->view.m_sampleIndex)
                             .arg(m_options.out, pathText(saved.textPath)));
        if (!m_journal.discard()) {
            say(QString::fromStdString(m_journal.error()));
        }
        return true;
    }

    void keepRun();
    QString recoverAdvice(const fs::path& journal) const;

    RecordOptions m_options;
    fs::path m_journalPath = journalPathFor(m_options.out.toStdString());
    RunJournal m_journal;
    bool m_journalWarned = false;
    std::unique_ptr<LiveState> m_state;
    std::unique_ptr<CHygDoc> m_doc;
    CMSComm m_comm;
    LinkDriver m_link;
    Publisher m_publisher;
    QTimer m_sampleClock;
    QTimer m_waitTimer;
    SignalPipe m_signals;
    const bool m_terminal = ::isatty(STDERR_FILENO) != 0;
    bool m_progressOpen = false;
    bool m_runIssued = false;
    bool m_finished = false;
};

// The command that recovers `journal`: into the output when nothing is in
// the way there, else beside it.
QString RecordSession::recoverAdvice(const fs::path& journal) const {
    const fs::path out = m_options.out.toStdString();
    std::error_code ec;
    QString command = recoverCommandFor(journal);
    const bool outTaken = fs::exists(out, ec) || fs::exists(textTablePathFor(out), ec);
    if (outTaken || journal != journalPathFor(out)) {
        fs::path target = out;
        if (outTaken) {
            target.replace_extension(".recovered.AsmDat");
        }
        if (fs::is_directory(target.has_parent_path() ? target.parent_path() : fs::path("."), ec)) {
            command += QStringLiteral(" --out ") + shellQuoted(pathText(target));
        }
    }
    return command;
}

// The save failed. Only what is true is said: the samples are kept in the
// journal when it is still there and holds all of them, else in a copy in the
// state directory; what could not be kept is counted.
void RecordSession::keepRun() {
    const int n = m_state->view.m_sampleIndex;
    const bool journalWhole =
        !m_journal.failed() && m_journal.stillOnDisk() && m_journal.durableCount() >= n;
    if (journalWhole) {
        const fs::path kept = m_journal.path();
        m_journal.close();
        say(QStringLiteral("The %1 samples are kept in %2. To recover them:\n  %3")
                .arg(n)
                .arg(pathText(kept), recoverAdvice(kept)));
        return;
    }
    const QString lost = m_journal.stillOnDisk()
                             ? QString::fromStdString(m_journal.error())
                             : QStringLiteral("%1 is gone").arg(pathText(m_journalPath));
    const int inJournal = m_journal.stillOnDisk() ? m_journal.durableCount() : 0;
    std::string error;
    const fs::path copy =
        keepInStateDirectory(*m_doc, m_state->view, QCoreApplication::applicationPid(), &error);
    if (!copy.empty()) {
        m_journal.discard();
        say(QStringLiteral("The journal could not keep them (%1); the %2 samples are kept in %3 "
                           "instead. To recover them:\n  %4")
                .arg(lost)
                .arg(n)
                .arg(pathText(copy), recoverAdvice(copy)));
        return;
    }
    const QString why = QStringLiteral("%1; %2").arg(lost, QString::fromStdString(error));
    if (inJournal > 0) {
        m_journal.close();
        say(QStringLiteral("Only %1 of the %2 samples are kept, in %3; %4 were lost (%5). To "
                           "recover them:\n  %6")
                .arg(inJournal)
                .arg(n)
                .arg(pathText(m_journalPath))
                .arg(n - inJournal)
                .arg(why, recoverAdvice(m_journalPath)));
    } else {
        m_journal.discard();
        say(QStringLiteral("The %1 samples could not be kept anywhere: %2.").arg(n).arg(why));
    }
}

// Refuses at once, with the reason, an output that cannot take the run.
std::optional<int> refuseOutput(const RecordOptions& options) {
    const fs::path out = options.out.toStdString();
    const RecordOutputCheck check = checkRecordOutput(out, options.replace);
    if (!check.note.empty()) {
        err() << QString::fromStdString(check.note) << '\n';
    }
    using Verdict = RecordOutputCheck::Verdict;
    switch (check.verdict) {
        case Verdict::kFree:
            return std::nullopt;
        case Verdict::kNoFolder:
            return failWith(QStringLiteral("Cannot record to %1: the folder %2 does not exist.")
                                .arg(options.out, pathText(check.path)),
                            kExitUsage);
        case Verdict::kJournalInUse:
            RecordSession::anotherRecording(check.path, check.holder);
            return kExitUsage;
        case Verdict::kJournalHoldsRun:
            return failWith(
                QStringLiteral("%1 holds a run that was not saved. Recover it first:\n  %2")
                    .arg(pathText(check.path), recoverCommandFor(check.path)),
                kExitUsage);
        case Verdict::kExists:
            return failWith(QStringLiteral("%1 already exists; nothing was recorded. Choose "
                                           "another --out, or give --force to replace it.")
                                .arg(pathText(check.path)),
                            kExitUsage);
    }
    return std::nullopt;
}

}  // namespace

int runRecordCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    prepareCommand(
        parser, QStringLiteral("record"),
        QStringLiteral("Records one run without a window and saves it with its text table. Every "
                       "sample is journalled to FILE.AsmDat.journal until the run is saved; "
                       "after a crash, `kr5061 recover` writes the file from it. With --publish "
                       "the samples also go to an MQTT broker; the run never waits for it."));
    const QCommandLineOption port = serialPortOption();
    const QCommandLineOption period(QStringLiteral("period"),
                                    QStringLiteral("Sample period in whole seconds."),
                                    QStringLiteral("SECONDS"));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Number of samples, 1 to 10000."),
                                   QStringLiteral("N"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Measurement file to write."),
                                 QStringLiteral("FILE.AsmDat"));
    const QCommandLineOption wait(
        QStringLiteral("wait"), QStringLiteral("Seconds to wait for the instrument (default 30)."),
        QStringLiteral("SECONDS"), QStringLiteral("30"));
    const QCommandLineOption force(
        QStringLiteral("force"),
        QStringLiteral("Replace FILE.AsmDat and its table when they exist."));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("Print no progress line per sample."));
    parser.addOptions({port, period, count, out, wait, force, quiet});
    const PublishOptions publish;
    publish.addTo(parser);
    if (const std::optional<int> done = parseCommand(parser, app, 1)) {
        return *done;
    }

    RecordOptions options;
    if (!parser.isSet(port) || !parser.isSet(out) || !parser.isSet(period) ||
        !parser.isSet(count)) {
        return usage(parser, QStringLiteral("record needs --port, --period, --count and --out."));
    }
    options.device = parser.value(port);
    options.out = parser.value(out);
    options.replace = parser.isSet(force);
    options.quiet = parser.isSet(quiet);
    if (!readPositiveInt(parser, period, 1, kMaxSampleRateSeconds, options.periodSeconds)) {
        return usage(parser,
                     QStringLiteral("--period must be a whole number of seconds, at least 1."));
    }
    if (!readPositiveInt(parser, count, 1, kMaxSampleCount, options.count)) {
        return usage(parser, QStringLiteral("--count must be from 1 to 10000."));
    }
    if (!readPositiveInt(parser, wait, 1, 24 * 3600, options.waitSeconds)) {
        return usage(parser,
                     QStringLiteral("--wait must be a whole number of seconds, at least 1."));
    }
    if (const std::optional<int> refused = refuseOutput(options)) {
        return *refused;
    }
    // A broker that cannot be used is named, and the run records without it.
    QString problem;
    options.publish = publishTargetFrom(parser, publish, problem);
    if (!problem.isEmpty()) {
        err() << problem << QStringLiteral(" Recording without publishing.\n");
    }
    RecordSession session(options);
    if (!session.takeJournal()) {
        return kExitUsage;
    }
    return session.run();
}

}  // namespace kr5061

#include "record_command.moc"
