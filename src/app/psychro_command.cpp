#include <clocale>

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

}  // namespace

int runPsychroCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the moist-air properties of one state of air: dry bulb with relative humidity, "
        "dew point or wet bulb, at a barometric pressure (default: the program's setting)."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("psychro"), QStringLiteral("The psychro command."));
    const QCommandLineOption air(QStringLiteral("air"), QStringLiteral("Dry-bulb temperature."),
                                 QStringLiteral("T"));
    const QCommandLineOption rh(QStringLiteral("rh"), QStringLiteral("Relative humidity, %."),
                                QStringLiteral("RH"));
    const QCommandLineOption dp(QStringLiteral("dp"), QStringLiteral("Dew point."),
                                QStringLiteral("T"));
    const QCommandLineOption wb(QStringLiteral("wb"), QStringLiteral("Wet-bulb temperature."),
                                QStringLiteral("T"));
    const QCommandLineOption pressure(QStringLiteral("pressure"),
                                      QStringLiteral("Barometric pressure, kPa."),
                                      QStringLiteral("KPA"));
    const QCommandLineOption altitude(
        QStringLiteral("altitude"),
        QStringLiteral("Altitude, m: the pressure of the standard atmosphere there."),
        QStringLiteral("M"));
    const QCommandLineOption fahrenheit(
        QStringLiteral("fahrenheit"),
        QStringLiteral("Temperatures in and out in degF, the rest in inch-pound units."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object; its keys name the units."));
    parser.addOptions({air, rh, dp, wb, pressure, altitude, fahrenheit, json});
    if (const std::optional<int> done = parseCommand(parser, app, 1)) {
        return *done;
    }
    const int humidityGiven = int(parser.isSet(rh)) + int(parser.isSet(dp)) + int(parser.isSet(wb));
    if (!parser.isSet(air) || humidityGiven != 1) {
        return usage(parser, QStringLiteral("psychro needs --air and one of --rh, --dp, --wb."));
    }
    if (parser.isSet(pressure) && parser.isSet(altitude)) {
        return usage(parser, QStringLiteral("Give --pressure or --altitude, not both."));
    }
    const QCommandLineOption& second = parser.isSet(rh) ? rh : parser.isSet(dp) ? dp : wb;
    double t = 0, h = 0, p = psychro::readPsychroSettings().pressureInUse();
    if (!readNumber(parser, air, t) || !readNumber(parser, second, h)) {
        return usage(parser, QStringLiteral("Temperatures and humidity must be numbers."));
    }
    if (parser.isSet(pressure) && !readNumber(parser, pressure, p)) {
        return usage(parser, QStringLiteral("--pressure must be a number."));
    }
    double metres = 0;
    if (parser.isSet(altitude)) {
        if (!readNumber(parser, altitude, metres)) {
            return usage(parser, QStringLiteral("--altitude must be a number."));
        }
        p = psychro::pressureAtAltitudeKPa(metres);
    }
    const bool ip = parser.isSet(fahrenheit);
    const auto celsius = [ip](double v) { return ip ? (v - 32.0) / 1.8 : v; };
    const psychro::Outcome result =
        parser.isSet(rh)   ? psychro::fromRelativeHumidity(celsius(t), h, p)
        : parser.isSet(dp) ? psychro::fromDewPoint(celsius(t), celsius(h), p)
                           : psychro::fromWetBulb(celsius(t), celsius(h), p);
    if (!result.air) {
        const std::string_view why = psychro::refusalText(result.refusal);
        return failWith(QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size())),
                        kExitUsage);
    }
    const psychro::Units units = ip ? psychro::Units::ip : psychro::Units::si;
    QTextStream out(stdout);
    if (parser.isSet(json)) {
        out << QString::fromStdString(psychro::quantitiesJson(*result.air, units)) << '\n';
    } else {
        out << quantitiesText(*result.air, units);
    }
    return kExitSaved;
}

}  // namespace kr5061
