// Until the main window arrives, the program runs the live link on the
// console: it opens the configured port (or the simulated instrument), sends
// the start command, polls and watches the link exactly as the window will, and
// prints every accepted frame.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <clocale>
#include <memory>

#include "link/link_driver.h"
#include "link/link_ticks.h"
#include "link/ms_comm.h"
#include "sim/sim_runner.h"
#include "store/config.h"

using namespace kr5061;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Files and texts use the C decimal point whatever the desktop's locale.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setApplicationName(QStringLiteral("kr5061"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Psychrometer + IR Thermometer"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Serial device of the instrument."),
                                        QStringLiteral("DEVICE"));
    const QCommandLineOption simulateOption(QStringLiteral("simulate"),
                                            QStringLiteral("Connect to the built-in simulated instrument."));
    parser.addOption(portOption);
    parser.addOption(simulateOption);
    parser.process(app);

    QTextStream out(stdout);
    auto state = std::make_unique<LiveState>();
    auto doc = std::make_unique<CHygDoc>();
    initFrameState(state->frame, readComPort());

    CMSComm comm;
    SimRunner sim;
    if (parser.isSet(simulateOption)) {
        std::string error;
        const std::string slave = sim.start(SimOptions{}, &error);
        if (slave.empty()) {
            QTextStream(stderr) << "Cannot start the simulated instrument: "
                                << QString::fromStdString(error) << '\n';
            return 1;
        }
        comm.bindDevice(state->frame.m_comPort, QString::fromStdString(slave));
    } else if (parser.isSet(portOption)) {
        comm.bindDevice(state->frame.m_comPort, parser.value(portOption));
    }

    LinkDriver link(*state, *doc, comm);
    QObject::connect(&link, &LinkDriver::framesAccepted, [&](const ReceiveOutcome&) {
        const MeterState& m = state->meter;
        const int i = state->view.m_sampleIndex;
        out << "AIR " << doc->m_live[kAir][i] << "  WB " << doc->m_live[kWetBulb][i] << "  DP "
            << doc->m_live[kDewPoint][i] << "  K/IR " << doc->m_live[kSurface][i] << "  RH "
            << doc->m_live[kHumidity][i] << "   display " << QString::fromStdString(m.m_lcdValue1)
            << ' ' << QString::fromStdString(m.m_lcdUnit) << ' '
            << QString::fromStdString(m.m_lcdValue2) << " %RH "
            << QString::fromStdString(m.m_lcdValue3) << ' '
            << QString::fromStdString(m.m_annProbe).trimmed() << '\n';
        out.flush();
    });
    QObject::connect(&link, &LinkDriver::linkLost, [&] {
        out << "OFFLINE: no frame for 3 s, reopening " << comm.deviceName(state->frame.m_comPort)
            << '\n';
        out.flush();
    });

    out << "Port " << comm.deviceName(state->frame.m_comPort) << '\n';
    out.flush();
    link.OpenPortAndStart();
    link.startPollTimer();
    link.startWatchdog();
    return app.exec();
}
