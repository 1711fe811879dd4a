#include <clocale>

#include "app/command_common.h"
#include "app/command_line.h"
#include "store/run_journal.h"

namespace kr5061 {

using namespace cli;

namespace {

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

}  // namespace

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
