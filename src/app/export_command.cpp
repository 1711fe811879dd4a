#include <clocale>
#include <memory>

#include "app/command_common.h"
#include "app/command_line.h"
#include "psychro/derived_columns.h"
#include "psychro/psychro_settings.h"
#include "store/hyg_doc.h"
#include "store/measurement_file.h"
#include "store/text_export.h"

namespace kr5061 {

using namespace cli;

namespace {

// The derived columns --derived asks for, at the pressure given, the altitude
// given or the program's setting; an exit code when the options do not fit.
std::optional<int> derivedColumns(const QCommandLineParser& parser, const QCommandLineOption& csv,
                                  const QCommandLineOption& derived,
                                  const QCommandLineOption& pressure,
                                  const QCommandLineOption& altitude,
                                  std::optional<psychro::DerivedCsvColumns>& out) {
    const bool pressureGiven = parser.isSet(pressure) || parser.isSet(altitude);
    if (!parser.isSet(derived)) {
        if (pressureGiven) {
            return usage(parser, QStringLiteral("--pressure and --altitude go with --derived."));
        }
        return std::nullopt;
    }
    if (!parser.isSet(csv)) {
        return usage(parser, QStringLiteral("--derived adds columns to the CSV: give --csv."));
    }
    if (parser.isSet(pressure) && parser.isSet(altitude)) {
        return usage(parser, QStringLiteral("Give --pressure or --altitude, not both."));
    }
    double p = psychro::readPsychroSettings().pressureInUse();
    bool ok = true;
    if (parser.isSet(pressure)) {
        p = parser.value(pressure).toDouble(&ok);
    } else if (parser.isSet(altitude)) {
        p = psychro::pressureAtAltitudeKPa(parser.value(altitude).toDouble(&ok));
    }
    if (!ok) {
        return usage(parser, QStringLiteral("--pressure and --altitude must be numbers."));
    }
    if (!(p >= psychro::kMinPressureKPa && p <= psychro::kMaxPressureKPa)) {
        const std::string_view why = psychro::refusalText(psychro::Refusal::pressure);
        return failWith(QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size())),
                        kExitUsage);
    }
    out.emplace(p);
    return std::nullopt;
}

}  // namespace

int runExportCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    prepareCommand(parser, QStringLiteral("export"),
                   QStringLiteral("Writes a measurement file's text table and/or a CSV file."));
    parser.addPositionalArgument(QStringLiteral("FILE.AsmDat"),
                                 QStringLiteral("Measurement file to read."));
    const QCommandLineOption txt(QStringLiteral("txt"),
                                 QStringLiteral("Text table to write, as Save writes it."),
                                 QStringLiteral("OUT.txt"));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("CSV file to write."),
                                 QStringLiteral("OUT.csv"));
    const QCommandLineOption derived(
        QStringLiteral("derived"),
        QStringLiteral("Add the moist-air quantities and the condensation margin to the CSV."));
    const QCommandLineOption pressure(QStringLiteral("pressure"),
                                      QStringLiteral("Barometric pressure for --derived, kPa."),
                                      QStringLiteral("KPA"));
    const QCommandLineOption altitude(QStringLiteral("altitude"),
                                      QStringLiteral("Altitude for --derived, m."),
                                      QStringLiteral("M"));
    parser.addOptions({txt, csv, derived, pressure, altitude});
    if (const std::optional<int> done = parseCommand(parser, app, 2)) {
        return *done;
    }
    std::optional<psychro::DerivedCsvColumns> extra;
    if (const std::optional<int> refused =
            derivedColumns(parser, csv, derived, pressure, altitude, extra)) {
        return *refused;
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
    if (parser.isSet(csv) &&
        !writeCsvTable(parser.value(csv).toStdString(), table, &error, extra ? &*extra : nullptr)) {
        return failWith(QString::fromStdString(error), kExitSaveFailed);
    }
    return kExitSaved;
}

}  // namespace kr5061
