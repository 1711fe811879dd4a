#include "app/hyg_app.h"

#include <QCommandLineParser>
#include <QTextStream>
#include <clocale>

#include "app/artwork.h"
#include "app/main_frame.h"
#include "app/program_args.h"
#include "link/ms_comm.h"
#include "store/config.h"

namespace kr5061 {

CHygApp::CHygApp(int& argc, char** argv) : QApplication(argc, argv) {
    // Files and texts use the C decimal point whatever the desktop's locale.
    std::setlocale(LC_NUMERIC, "C");
    setApplicationName(QString::fromLatin1(kProgramName));
    setApplicationVersion(QString::fromLatin1(kProgramVersion));
    setWindowIcon(programIcon());
    // Lets the desktop match the windows to the installed desktop entry and its icon.
    setDesktopFileName(QStringLiteral("org.kr5061.Companion"));
}

CHygApp::~CHygApp() {
    m_frame.reset();
    m_comm.reset();
    if (m_sim) {
        m_sim->stop();
    }
}

bool CHygApp::InitInstance(const std::string& usage) {
    // Help and version were answered before the window system started; here
    // Qt's own options are gone and everything left must be ours.
    QCommandLineParser parser;
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Use DEVICE for the configured port number during this run."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"),
        QStringLiteral("Connect to the built-in simulated instrument."));
    parser.addOption(portOption);
    parser.addOption(simulateOption);
    if (!parser.parse(arguments()) || !parser.positionalArguments().isEmpty()) {
        const QString problem = parser.positionalArguments().isEmpty()
                                    ? parser.errorText()
                                    : QStringLiteral("Unexpected argument \"%1\".")
                                          .arg(parser.positionalArguments().constFirst());
        QTextStream(stderr) << problem << "\n\n" << QString::fromStdString(usage);
        m_failureCode = kExitUsage;
        return false;
    }

    m_state = std::make_unique<LiveState>();
    m_doc = std::make_unique<CHygDoc>();
    m_graph = makeLiveGraph();
    m_loggerStore = makeLoggerStore();
    m_loggerGraph = makeLoggerGraph();
    m_comm = std::make_unique<CMSComm>();
    const int port = readComPort();
    if (parser.isSet(simulateOption)) {
        m_sim = std::make_unique<SimRunner>();
        std::string error;
        const std::string slave = m_sim->start(SimOptions{}, &error);
        if (slave.empty()) {
            QTextStream(stderr) << "Cannot start the simulated instrument: "
                                << QString::fromStdString(error) << '\n';
            return false;
        }
        m_comm->bindDevice(port, QString::fromStdString(slave));
    } else if (parser.isSet(portOption)) {
        m_comm->bindDevice(port, parser.value(portOption));
    }
    m_frame = std::make_unique<CMainFrame>(*m_state, *m_doc, *m_graph, *m_comm,
                                           *m_loggerStore, *m_loggerGraph);
    m_frame->showMaximized();
    return true;
}

}  // namespace kr5061
