#include <clocale>
#include <variant>

#include "app/command_common.h"
#include "app/command_line.h"
#include "psychro/psychro_settings.h"
#include "psychro/quantities.h"

namespace kr5061 {

using namespace cli;

namespace {

// A number option's value in the C notation, or false.
bool readNumber(const QCommandLineParser& parser, const QCommandLineOption& option, double& out) {
    bool ok = false;
    out = parser.value(option).toDouble(&ok);
    return ok;
}

QString quantitiesText(const psychro::MoistAir& air, psychro::Units units) {
    QString text;
    QTextStream out(&text);
    for (const psychro::Quantity& q : psychro::quantitiesOf(air, units)) {
        out << QString::fromUtf8(q.label.data(), static_cast<qsizetype>(q.label.size()))
                   .leftJustified(22)
            << QString::fromStdString(q.text()).rightJustified(10);
        if (!q.unit.empty() && q.value) {
            out << ' ' << QString::fromUtf8(q.unit.data(), static_cast<qsizetype>(q.unit.size()));
        }
        out << '\n';
    }
    return text;
}

// The command's options, added to a parser.
struct PsychroOptions {
    QCommandLineOption air{QStringLiteral("air"), QStringLiteral("Dry-bulb temperature."),
                           QStringLiteral("T")};
    QCommandLineOption rh{QStringLiteral("rh"), QStringLiteral("Relative humidity, %."),
                          QStringLiteral("RH")};
    QCommandLineOption dp{QStringLiteral("dp"), QStringLiteral("Dew point."), QStringLiteral("T")};
    QCommandLineOption wb{QStringLiteral("wb"), QStringLiteral("Wet-bulb temperature."),
                          QStringLiteral("T")};
    QCommandLineOption pressure{QStringLiteral("pressure"),
                                QStringLiteral("Barometric pressure, kPa."), QStringLiteral("KPA")};
    QCommandLineOption altitude{
        QStringLiteral("altitude"),
        QStringLiteral("Altitude, m: the pressure of the standard atmosphere there."),
        QStringLiteral("M")};
    QCommandLineOption fahrenheit{
        QStringLiteral("fahrenheit"),
        QStringLiteral("Temperatures in and out in degF, the rest in inch-pound units.")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("One JSON object; its keys name the units.")};

    explicit PsychroOptions(QCommandLineParser& parser) {
        parser.addOptions({air, rh, dp, wb, pressure, altitude, fahrenheit, json});
    }
};

// The state the options describe, or an exit code for options that do not fit.
std::variant<psychro::Outcome, int> stateOf(const QCommandLineParser& parser,
                                            const PsychroOptions& o) {
    const int humidityGiven =
        int(parser.isSet(o.rh)) + int(parser.isSet(o.dp)) + int(parser.isSet(o.wb));
    if (!parser.isSet(o.air) || humidityGiven != 1) {
        return usage(parser, QStringLiteral("psychro needs --air and one of --rh, --dp, --wb."));
    }
    if (parser.isSet(o.pressure) && parser.isSet(o.altitude)) {
        return usage(parser, QStringLiteral("Give --pressure or --altitude, not both."));
    }
    const QCommandLineOption& second = parser.isSet(o.rh) ? o.rh : parser.isSet(o.dp) ? o.dp : o.wb;
    double t = 0, h = 0, p = psychro::readPsychroSettings().pressureInUse(), metres = 0;
    if (!readNumber(parser, o.air, t) || !readNumber(parser, second, h) ||
        (parser.isSet(o.pressure) && !readNumber(parser, o.pressure, p)) ||
        (parser.isSet(o.altitude) && !readNumber(parser, o.altitude, metres))) {
        return usage(parser, QStringLiteral("Temperatures, humidity, pressure and altitude must "
                                            "be numbers."));
    }
    if (parser.isSet(o.altitude)) {
        p = psychro::pressureAtAltitudeKPa(metres);
    }
    const bool ip = parser.isSet(o.fahrenheit);
    const auto celsius = [ip](double v) { return ip ? (v - 32.0) / 1.8 : v; };
    return parser.isSet(o.rh)   ? psychro::fromRelativeHumidity(celsius(t), h, p)
           : parser.isSet(o.dp) ? psychro::fromDewPoint(celsius(t), celsius(h), p)
                                : psychro::fromWetBulb(celsius(t), celsius(h), p);
}

}  // namespace

int runPsychroCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    prepareCommand(
        parser, QStringLiteral("psychro"),
        QStringLiteral(
            "Prints the moist-air properties of one state of air: dry bulb with relative humidity, "
            "dew point or wet bulb, at a barometric pressure (default: the program's setting)."));
    const PsychroOptions options(parser);
    if (const std::optional<int> done = parseCommand(parser, app, 1)) {
        return *done;
    }
    const std::variant<psychro::Outcome, int> state = stateOf(parser, options);
    if (const int* code = std::get_if<int>(&state)) {
        return *code;
    }
    const psychro::Outcome& result = std::get<psychro::Outcome>(state);
    if (!result.air) {
        const std::string_view why = psychro::refusalText(result.refusal);
        return failWith(QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size())),
                        kExitUsage);
    }
    const psychro::Units units =
        parser.isSet(options.fahrenheit) ? psychro::Units::ip : psychro::Units::si;
    QTextStream out(stdout);
    if (parser.isSet(options.json)) {
        out << QString::fromStdString(psychro::quantitiesJson(*result.air, units)) << '\n';
    } else {
        out << quantitiesText(*result.air, units);
    }
    return kExitSaved;
}

}  // namespace kr5061
