#include "app/hyg_app.h"

#include <QCommandLineParser>
#include <QDialog>
#include <QTextStream>
#include <clocale>

#include "app/artwork.h"
#include "app/main_frame.h"
#include "app/program_args.h"
#include "app/run_recovery.h"
#include "app/signal_pipe.h"
#include "link/ms_comm.h"
#include "store/config.h"
#include "store/device_setting.h"

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
    m_recovery.reset();
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
    } else {
        // Devices chosen in the window in earlier sessions.
        for (int n = kMinComPort; n <= kMaxComPort; ++n) {
            if (const std::string device = readPortDevice(n); !device.empty()) {
                m_comm->bindDevice(n, QString::fromStdString(device));
            }
        }
    }
    m_frame = std::make_unique<CMainFrame>(*m_state, *m_doc, *m_graph, *m_comm,
                                           *m_loggerStore, *m_loggerGraph);
    m_signals = std::make_unique<SignalPipe>();
    connect(m_signals.get(), &SignalPipe::interrupted, this, &CHygApp::endBySignal);

    // Runs a crash or a kill left unsaved come first, before the window shows.
    m_recovery = std::make_unique<RunRecovery>(*m_frame, *m_doc, m_state->view);
    m_recovery->offerLeftJournals();
    if (m_endSignal != 0) {
        // Ended while asking: exec() must still run to return the exit code.
        QMetaObject::invokeMethod(
            this, [this] { exit(128 + m_endSignal); }, Qt::QueuedConnection);
        return true;
    }
    m_frame->showMaximized();
    m_recovery->openChosenInLogger();
    return true;
}

void CHygApp::endBySignal(int signalNumber) {
    if (m_endSignal != 0) {
        return;
    }
    m_endSignal = signalNumber;
    if (m_recovery) {
        m_recovery->stop();
    }
    if (m_frame) {
        m_frame->endWithoutPrompt();
    }
    // A question open now (a prompt, a file dialog) is closed unanswered.
    for (QWidget* w : topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog != nullptr && dialog->isVisible()) {
            dialog->reject();
        }
    }
    exit(128 + signalNumber);
}

}  // namespace kr5061
