#include "app/command_common.h"

#include <QRegularExpression>
#include <chrono>
#include <clocale>

namespace kr5061::cli {

void prepareCommand(QCommandLineParser& parser, const QString& name, const QString& description) {
    std::setlocale(LC_NUMERIC, "C");
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    parser.addPositionalArgument(name, QStringLiteral("The %1 command.").arg(name));
}

QCommandLineOption serialPortOption() {
    return QCommandLineOption(QStringLiteral("port"), QStringLiteral("Serial device."),
                              QStringLiteral("DEVICE"));
}

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

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

std::int64_t monotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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

}  // namespace kr5061::cli
