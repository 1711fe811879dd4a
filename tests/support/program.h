#pragma once

#include "support/wait.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <filesystem>
#include <functional>

// The program itself, started as a user would from a shell, for the
// end-to-end tests of its commands.
namespace kr5061::test {

struct ProgramResult {
    int exitCode = -1;  // -1: crashed or did not end in time
    QString err;
    QString out;
};

// `environment` adds to or replaces variables of this process's environment;
// `headless` takes every way to a display away, as on a server or over ssh.
inline void startProgram(QProcess& p, const QStringList& args,
                         const QProcessEnvironment& environment = {}, bool headless = false) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(environment);
    if (headless) {
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            env.remove(QString::fromLatin1(name));
        }
    }
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KR5061_PROGRAM), args);
}

inline ProgramResult finished(QProcess& p, int timeoutMs) {
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardError()),
            QString::fromLocal8Bit(p.readAllStandardOutput())};
}

inline ProgramResult runProgram(const QStringList& args, int timeoutMs = 20000,
                                bool headless = false) {
    QProcess p;
    startProgram(p, args, {}, headless);
    return finished(p, timeoutMs);
}

inline QString q(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

}  // namespace kr5061::test
