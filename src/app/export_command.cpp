#include <clocale>
#include <memory>

#include "app/command_common.h"
#include "app/command_line.h"
#include "store/hyg_doc.h"
#include "store/measurement_file.h"
#include "store/text_export.h"

namespace kr5061 {

using namespace cli;

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

}  // namespace kr5061
