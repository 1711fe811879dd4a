#include <clocale>

#include "app/command_common.h"
#include "app/command_line.h"
#include "store/journal_recovery.h"
#include "store/run_journal.h"

namespace kr5061 {

using namespace cli;

namespace {

// What is left out of a damaged journal, or what salvage filled in.
void reportDamage(const RecoveredRun& run, bool salvage) {
    if (run.following > 0) {
        // Numbered like the rows of the table, from 1.
        err() << "The journal is damaged at record " << run.prefix + 1 << "; " << run.following
              << " records follow it, " << run.intactFollowing << " of them intact.\n";
        if (salvage) {
            err() << run.filled << " damaged records were filled with the record before each, "
                  << "so every later sample keeps its time.\n";
        } else if (run.intactFollowing > 0) {
            err() << "Only the samples before the damage were recovered; --salvage keeps the "
                  << "intact records after it too.\n";
        }
    } else if (run.tailDropped) {
        err() << "The journal's damaged last part was left out.\n";
    }
}

// What recover says about its result, and its exit code.
int reportRecovery(const RecoverResult& r, const std::filesystem::path& journal,
                   const std::filesystem::path& target, bool salvage) {
    int code = kExitSaved;
    switch (r.status) {
        case RecoverStatus::kSaved:
            QTextStream(stdout) << "Recovered " << r.run->count << " samples to "
                                << pathText(target) << " and " << pathText(r.saved.textPath)
                                << '\n';
            reportDamage(*r.run, salvage);
            break;
        case RecoverStatus::kAlreadySaved:
            QTextStream(stdout) << pathText(target) << " already holds this run; "
                                << pathText(journal) << " was removed.\n";
            break;
        case RecoverStatus::kEmpty:
            QTextStream(stdout) << pathText(journal) << " held no sample; it was removed.\n";
            break;
        case RecoverStatus::kLocked:
            err() << pathText(journal)
                  << " is being written by a running recording, or recovered right now.\n";
            code = kExitUsage;
            break;
        case RecoverStatus::kOutputExists:
            err() << pathText(r.existing) << " already exists; nothing was written. Choose "
                  << "another name with --out.\n";
            code = kExitUsage;
            break;
        case RecoverStatus::kUnreadable:
            if (r.read.status == JournalStatus::kReadFailed) {
                err() << QString::fromStdString(r.read.reason) << '\n';
            } else {
                err() << pathText(journal)
                      << " is not a usable run journal: " << QString::fromStdString(r.read.reason)
                      << ".\n";
            }
            code = kExitUsage;
            break;
        case RecoverStatus::kSaveFailed:
            err() << "The file " << pathText(r.saved.failedPath)
                  << " could not be written: " << QString::fromStdString(r.saved.error)
                  << "\nThe journal was kept.\n";
            code = kExitSaveFailed;
            break;
    }
    if (!r.removeError.empty()) {
        err() << "The journal was not deleted: " << QString::fromStdString(r.removeError) << '\n';
    }
    err().flush();
    return code;
}

}  // namespace

int runRecoverCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    prepareCommand(
        parser, QStringLiteral("recover"),
        QStringLiteral(
            "Writes the measurement file and its text table from the journal of a run that "
            "ended without being saved."));
    parser.addPositionalArgument(QStringLiteral("JOURNAL"), QStringLiteral("The run journal."));
    const QCommandLineOption out(
        QStringLiteral("out"),
        QStringLiteral("Measurement file to write (default: the journal's name without "
                       "\".journal\", ending in \".AsmDat\"). An existing file is never "
                       "replaced."),
        QStringLiteral("FILE.AsmDat"));
    const QCommandLineOption remove(QStringLiteral("remove"),
                                    QStringLiteral("Delete the journal after a successful save."));
    const QCommandLineOption salvage(
        QStringLiteral("salvage"),
        QStringLiteral("Keep the intact records after a damaged one too; each damaged record "
                       "takes the one before it, so every sample keeps its time."));
    parser.addOptions({out, remove, salvage});
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
    const RecoverResult result =
        recoverJournal(journal, target, parser.isSet(remove), parser.isSet(salvage));
    return reportRecovery(result, journal, target, parser.isSet(salvage));
}

}  // namespace kr5061
