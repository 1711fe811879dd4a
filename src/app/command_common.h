#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <QTextStream>
#include <cstdint>
#include <filesystem>
#include <optional>

// What the commands that run without a window share: exit codes, stderr,
// argument parsing and the recover command line they print.
namespace kr5061::cli {

// A signal ends `record` with 128 + its number, as shells expect: SIGINT 130,
// SIGTERM 143, SIGHUP 129.
constexpr int kExitSaved = 0, kExitSaveFailed = 1, kExitUsage = 2, kExitNoInstrument = 3;

QTextStream& err();

// Every command's start, right after its application object: numbers in the
// C locale whatever the desktop's, and a parser that knows --help and takes
// the command's own name as its first argument.
void prepareCommand(QCommandLineParser& parser, const QString& name, const QString& description);

// --port DEVICE, as record and bridge take it.
QCommandLineOption serialPortOption();

// One line on stderr, then the command ends with `code`.
int failWith(const QString& line, int code);

// The problem and the command's help on stderr; kExitUsage.
int usage(const QCommandLineParser& parser, const QString& problem);

// Parses a command's arguments as the rest of the command line does: --help
// prints the command's help on stdout and gives 0; an unknown option or more
// than `maxPositionals` positional arguments (the command's name included)
// prints the problem and the help on stderr and gives kExitUsage. Nothing: go
// on. (QCommandLineParser::process would end the program with 1, which the
// commands use for a failed save.)
std::optional<int> parseCommand(QCommandLineParser& parser, const QCoreApplication& app,
                                qsizetype maxPositionals);

// The option's value as a whole number within [low, high], or false.
bool readPositiveInt(const QCommandLineParser& parser, const QCommandLineOption& option, int low,
                     int high, int& out);

// Milliseconds of a monotonic clock, for the journal's sync pace.
std::int64_t monotonicMs();

// A command line the user can paste: arguments with shell metacharacters are quoted.
QString shellQuoted(const QString& arg);

// The command that writes the measurement file from `journal`.
QString recoverCommandFor(const std::filesystem::path& journal);

inline QString pathText(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

}  // namespace kr5061::cli
