#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <chrono>
#include <clocale>
#include <csignal>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

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

namespace {

// A signal ends `record` with 128 + its number, as shells expect: SIGINT 130,
// SIGTERM 143, SIGHUP 129.
constexpr int kExitSaved = 0, kExitSaveFailed = 1, kExitUsage = 2, kExitNoInstrument = 3;

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

// One line on stderr, then the command ends with `code`.
int failWith(const QString& line, int code) {
    err() << line << '\n';
    err().flush();
    return code;
}

int usage(const QCommandLineParser& parser, const QString& problem) {
    err() << problem << "\n\n" << parser.helpText();
    err().flush();
    return kExitUsage;
}

// Parses a command's arguments as the rest of the command line does: --help
// prints the command's help on stdout and gives 0; an unknown option or more
// than `maxPositionals` positional arguments (the command's name included)
// prints the problem and the help on stderr and gives kExitUsage. Nothing: go
// on. (QCommandLineParser::process would end the program with 1, which
// `record`, `export` and `recover` use for a failed save.)
std::optional<int> parseCommand(QCommandLineParser& parser, const QCoreApplication& app,
                                qsizetype maxPositionals) {
    if (!parser.parse(app.arguments())) {
        return usage(parser, parser.errorText());
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        QTextStream(stdout) << parser.helpText();
        return kExitSaved;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() > maxPositionals) {
        return usage(parser,
                     QStringLiteral("Unexpected argument \"%1\".").arg(args.at(maxPositionals)));
    }
    return std::nullopt;
}

// Milliseconds of a monotonic clock, for the journal's sync pace.
std::int64_t monotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A command line the user can paste: arguments with shell metacharacters are quoted.
QString shellQuoted(const QString& arg) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:=+,@%-]+$"));
    if (plain.match(arg).hasMatch()) {
        return arg;
    }
    QString quoted = arg;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString recoverCommandFor(const std::filesystem::path& journal) {
    return shellQuoted(QCoreApplication::arguments().value(0, QStringLiteral("kr5061"))) +
           QStringLiteral(" recover ") + shellQuoted(QString::fromStdString(journal.string()));
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

// What recover says about its result, and its exit code.
int reportRecovery(const RecoverResult& r, const std::filesystem::path& journal,
                   const std::filesystem::path& target) {
    auto text = [](const std::filesystem::path& p) { return QString::fromStdString(p.string()); };
    int code = kExitSaved;
    switch (r.status) {
        case RecoverStatus::kSaved:
            QTextStream(stdout) << "Recovered " << r.count << " samples to " << text(target)
                                << " and " << text(r.saved.textPath) << '\n';
            if (r.tailDropped) {
                err() << "The journal's damaged last part was left out.\n";
            }
            if (!r.removeError.empty()) {
                err() << "The journal was not deleted: " << QString::fromStdString(r.removeError)
                      << '\n';
            }
            break;
        case RecoverStatus::kLocked:
            err() << text(journal) << " is being written by a running recording.\n";
            code = kExitUsage;
            break;
        case RecoverStatus::kOutputExists:
            err() << text(r.existing) << " already exists; nothing was written. Choose another "
                  << "name with --out.\n";
            code = kExitUsage;
            break;
        case RecoverStatus::kUnreadable:
            if (r.read.status == JournalStatus::kReadFailed) {
                err() << QString::fromStdString(r.read.reason) << '\n';
            } else {
                err() << text(journal)
                      << " is not a usable run journal: " << QString::fromStdString(r.read.reason)
                      << ".\n";
            }
            code = kExitUsage;
            break;
        case RecoverStatus::kSaveFailed:
            err() << "The file " << text(r.saved.failedPath)
                  << " could not be written: " << QString::fromStdString(r.saved.error)
                  << "\nThe journal was kept.\n";
            code = kExitSaveFailed;
            break;
    }
    err().flush();
    return code;
}

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
    if (const std::optional<int> done = parseCommand(parser, app, 2)) {
        return *done;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        return usage(parser, QStringLiteral("export needs exactly one measurement file."));
    }
    const std::filesystem::path input = args[1].toStdString();

    auto doc = std::make_unique<CHygDoc>();
    const LoadResult loaded = loadMeasurement(input, *doc);
    if (!loaded.ok()) {
        return failWith(loaded.status == LoadStatus::kInvalidFormat
                            ? QStringLiteral("Invalid Format!")
                            : QString::fromStdString(loaded.reason),
                        kExitUsage);
    }
    const TableInput table = recallTableInput(*doc);
    std::string error;
    const bool wantTxt = parser.isSet(txt) || !parser.isSet(csv);
    const std::filesystem::path txtPath =
        parser.isSet(txt) ? std::filesystem::path(parser.value(txt).toStdString())
                          : textTablePathFor(input);
    if (wantTxt && !writeTextTable(txtPath, table, &error)) {
        return failWith(QString::fromStdString(error), kExitSaveFailed);
    }
    if (parser.isSet(csv) && !writeCsvTable(parser.value(csv).toStdString(), table, &error)) {
        return failWith(QString::fromStdString(error), kExitSaveFailed);
    }
    return kExitSaved;
}

int runRecoverCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the measurement file and its text table from the journal of a run that "
        "ended without being saved."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("recover"), QStringLiteral("The recover command."));
    parser.addPositionalArgument(QStringLiteral("JOURNAL"), QStringLiteral("The run journal."));
    const QCommandLineOption out(
        QStringLiteral("out"),
        QStringLiteral("Measurement file to write (default: the journal's name without "
                       "\".journal\"). An existing file is never replaced."),
        QStringLiteral("FILE.AsmDat"));
    const QCommandLineOption remove(QStringLiteral("remove"),
                                    QStringLiteral("Delete the journal after a successful save."));
    parser.addOptions({out, remove});
    if (const std::optional<int> done = parseCommand(parser, app, 2)) {
        return *done;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        return usage(parser, QStringLiteral("recover needs exactly one journal."));
    }
    const std::filesystem::path journal = args[1].toStdString();
    const std::filesystem::path target =
        parser.isSet(out) ? std::filesystem::path(parser.value(out).toStdString())
                          : recoveryPathFor(journal);
    return reportRecovery(recoverJournal(journal, target, parser.isSet(remove)), journal, target);
}

}  // namespace kr5061

#include "command_line.moc"
