#include "app/main_frame.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QUrl>
#include <ctime>
#include <filesystem>

#include "app/about_dlg.h"
#include "app/artwork.h"
#include "app/com_port_dlg.h"
#include "app/device_dlg.h"
#include "app/help_location.h"
#include "app/message_boxes.h"
#include "app/psychro_windows.h"
#include "app/run_control.h"
#include "app/window_journal.h"
#include "graph/graph_export.h"
#include "graph/hyg_view.h"
#include "graph/report_layout.h"
#include "graph/report_printer.h"
#include "link/link_driver.h"
#include "link/link_ticks.h"
#include "link/ms_comm.h"
#include "logger/logger_wnd.h"
#include "panels/meter_panel.h"
#include "panels/sample_dlg.h"
#include "panels/ui_common.h"
#include "publish/window_publisher.h"
#include "store/device_setting.h"
#include "store/measurement_file.h"
#include "store/number_text.h"

namespace kr5061 {

namespace {

enum CommandId {
    kIdRun = 32771,
    kIdStop = 32772,
    kIdHelp = 32779,
    kIdCom1 = 32783,
    kIdUndoZoom = 32811,
    kIdSave = 32814,
    kIdOtherCom = 32817,
    kIdOpen = 32827,
    kIdPrint = 57607,
    kIdAbout = 57664,
    kIdExit = 57665,
    kIdExportCsv = 32840,
    kIdExportGraphImage = 32841,
    kIdDevice = 32842,
    kIdPortStatus = 32843,
    kIdPublish = 32844,
};

constexpr int kUpdatePeriodMs = 200;

}  // namespace

CMainFrame::CMainFrame(LiveState& state, CHygDoc& doc, LiveGraph& graph, CMSComm& comm,
                       LoggerStore& loggerStore, LoggerGraph& loggerGraph, QWidget* parent)
    : QMainWindow(parent),
      m_state(state),
      m_doc(doc),
      m_graph(graph),
      m_comm(comm),
      m_loggerStore(loggerStore),
      m_loggerGraph(loggerGraph) {
    setWindowTitle(QStringLiteral("Psychrometer + IR Thermometer"));
    const int comPort = readComPort();
    createMenus();
    createToolBar();
    m_link = new LinkDriver(m_state, m_doc, m_comm, this);
    createStatusBar();

    m_view = new CHygView(m_state, m_doc, m_graph, *m_link, this);
    setCentralWidget(m_view);
    connect(m_view->meterPanel(), &CMeterPanel::keySendFailed, this,
            &CMainFrame::showStatusMessage);
    connect(m_view, &CHygView::statusTextChanged, this, &CMainFrame::setPaneText);
    connect(action(kIdUndoZoom), &QAction::triggered, m_view, &CHygView::OnUndoZoom);
    m_journal = new WindowJournal(m_doc, m_state.view, this);
    connect(m_view, &CHygView::sampleCommitted, m_journal, &WindowJournal::sampleCommitted);
    connect(m_journal, &WindowJournal::problem, this, &CMainFrame::showStatusMessage);
    connect(m_link, &LinkDriver::runCut, this, [this](QString text) {
        text[0] = text[0].toUpper();
        showStatusMessage(text);
        showWarningLater(this, text);
    });

    initFrameState(m_state.frame, comPort);
    m_link->setPortAdvice(PortAdvice::kWindow);
    connect(m_link, &LinkDriver::portProblemChanged, this, &CMainFrame::showStatusMessage);
    m_publisher = new WindowPublisher(m_state, m_doc, *m_link, *m_view, this);
    statusBar()->addPermanentWidget(m_publisher->statusLabel());
    connect(m_publisher, &WindowPublisher::message, this, &CMainFrame::showStatusMessage);
    connect(action(kIdPublish), &QAction::triggered, m_publisher, &WindowPublisher::OnPublish);
    m_link->OpenPortAndStart();
    m_link->startPollTimer();

    // The chart and alarm log items go at the end of the RealTime menu.
    new PsychroWindows(m_state, m_doc, *m_link,
                       menuBar()->findChild<QMenu*>(QStringLiteral("realTime")), this);

    connect(&m_updateTimer, &QTimer::timeout, this, &CMainFrame::updateCommandUI);
    m_updateTimer.start(kUpdatePeriodMs);
    updateCommandUI();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::addCommand(int id, const QString& text) {
    auto* act = new QAction(text, this);
    act->setObjectName(QString::number(id));
    return act;
}

QAction* CMainFrame::action(int commandId) const {
    return findChild<QAction*>(QString::number(commandId));
}

void CMainFrame::createMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File(f)"));
    QAction* save = addCommand(kIdSave, QStringLiteral("&Save"));
    QAction* open = addCommand(kIdOpen, QStringLiteral("&Open"));
    QAction* print = addCommand(kIdPrint, QStringLiteral("&Print"));
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    QAction* exit = addCommand(kIdExit, QStringLiteral("&Exit"));
    QAction* exportCsv = addCommand(kIdExportCsv, QStringLiteral("Export &CSV..."));
    QAction* exportImage =
        addCommand(kIdExportGraphImage, QStringLiteral("Export &Graph Image..."));
    // With Shift: a focused line edit takes Ctrl+E for itself (end of line).
    exportCsv->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    exportImage->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    // The exports come after the original items, so those keep their places.
    file->addActions({save, open, print, exportCsv, exportImage});
    file->addSeparator();
    file->addAction(exit);

    QMenu* realTime = menuBar()->addMenu(QStringLiteral("&RealTime(R)"));
    realTime->setObjectName(QStringLiteral("realTime"));
    QAction* run = addCommand(kIdRun, QStringLiteral("&Run"));
    QAction* stop = addCommand(kIdStop, QStringLiteral("&Stop"));
    QAction* undoZoom = addCommand(kIdUndoZoom, QStringLiteral("&UndoZoom"));
    realTime->addAction(run);
    realTime->addSeparator();
    realTime->addAction(stop);
    realTime->addAction(undoZoom);

    QMenu* port = menuBar()->addMenu(QStringLiteral("&COM Port"));
    // Radio marks; none shows while the port is above 4.
    auto* ports = new QActionGroup(this);
    ports->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int k = 1; k <= kMenuPortCount; ++k) {
        QAction* com = addCommand(kIdCom1 + k - 1, QStringLiteral("&COM%1").arg(k));
        com->setCheckable(true);
        ports->addAction(com);
        port->addAction(com);
        port->addSeparator();
        connect(com, &QAction::triggered, this, [this, k] { OnComPort(k); });
    }
    QAction* other = addCommand(kIdOtherCom, QStringLiteral("&Other COM"));
    port->addAction(other);
    port->addSeparator();
    QAction* device = addCommand(kIdDevice, QStringLiteral("&Device..."));
    QAction* portStatus = addCommand(kIdPortStatus, QStringLiteral("Port &Status..."));
    port->addActions({device, portStatus, addCommand(kIdPublish, QStringLiteral("&Publish..."))});
    connect(device, &QAction::triggered, this, &CMainFrame::OnDevice);
    connect(portStatus, &QAction::triggered, this, &CMainFrame::OnPortStatus);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help(H)"));
    QAction* about = addCommand(kIdAbout, QStringLiteral("&Psychrometer + IR Thermometer"));
    QAction* contents = addCommand(kIdHelp, QStringLiteral("&Contents"));
    help->addAction(about);
    help->addSeparator();
    help->addAction(contents);

    connect(save, &QAction::triggered, this, &CMainFrame::OnSave);
    connect(open, &QAction::triggered, this, &CMainFrame::OnOpen);
    connect(print, &QAction::triggered, this, &CMainFrame::OnPrint);
    connect(exportCsv, &QAction::triggered, this, &CMainFrame::OnExportCsv);
    connect(exportImage, &QAction::triggered, this, &CMainFrame::OnExportGraphImage);
    connect(exit, &QAction::triggered, this, &CMainFrame::close);
    connect(run, &QAction::triggered, this, &CMainFrame::OnRun);
    connect(stop, &QAction::triggered, this, &CMainFrame::OnStop);
    connect(other, &QAction::triggered, this, &CMainFrame::OnOtherCom);
    connect(about, &QAction::triggered, this, &CMainFrame::OnAbout);
    connect(contents, &QAction::triggered, this, &CMainFrame::OnHelp);
    for (QMenu* menu : {file, realTime, port, help}) {
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandUI);
    }
}

void CMainFrame::createToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Standard"));
    bar->setObjectName(QStringLiteral("toolbar128"));
    bar->setIconSize(QSize(20, 18));
    bar->setFixedHeight(30);
    const struct {
        int id;
        ToolbarIcon icon;
        const char* tip;
    } buttons[] = {
        {kIdSave, ToolbarIcon::save, "Save"},        {kIdOpen, ToolbarIcon::open, "Open"},
        {kIdRun, ToolbarIcon::start, "Start"},       {kIdStop, ToolbarIcon::stop, "Stop"},
        {kIdPrint, ToolbarIcon::print, "Print"},     {kIdUndoZoom, ToolbarIcon::undoZoom, "UndoZoom"},
        {kIdHelp, ToolbarIcon::help, "Help"},
    };
    for (const auto& b : buttons) {
        QAction* act = action(b.id);
        act->setIcon(toolbarIcon(b.icon));
        act->setToolTip(QString::fromLatin1(b.tip));
        act->setStatusTip(QString::fromLatin1(b.tip));
        bar->addAction(act);
        bar->addSeparator();
    }
}

void CMainFrame::createStatusBar() {
    const int widths[] = {150, 150, 500, 0};
    for (int i = 0; i < 4; ++i) {
        m_panes[i] = new QLabel(this);
        m_panes[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (widths[i] > 0) {
            m_panes[i]->setFixedWidth(widths[i]);
        }
        statusBar()->addWidget(m_panes[i], widths[i] > 0 ? 0 : 1);
    }
    // The pane is narrow: a click shows the port's whole diagnosis.
    m_panes[0]->installEventFilter(this);
    // Only the last pane keeps its key indicator.
    m_panes[3]->setText(QStringLiteral("SCRL"));
    m_panes[3]->setEnabled(false);
    m_panes[3]->setFixedWidth(40);
}

void CMainFrame::setPaneText(int pane, const QString& text) {
    if (pane >= 0 && pane < 4) {
        m_panes[pane]->setText(text);
    }
}

void CMainFrame::showIfDone(const QString& done) {
    if (!done.isEmpty()) {
        showStatusMessage(done);
    }
}

void CMainFrame::showStatusMessage(const QString& text) {
    m_message = text;
    setPaneText(0, text);
    m_panes[0]->setToolTip(text);  // the pane is narrow; the whole text on hover
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_panes[0] && event->type() == QEvent::MouseButtonRelease) {
        OnPortStatus();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::event(QEvent* event) {
    // QMainWindow would show status tips with QStatusBar::showMessage, which
    // hides the time, reading and key panes; they go to pane 0 instead, and
    // when the pointer moves on the program's own last message comes back.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        setPaneText(0, tip.isEmpty() ? m_message : tip);
        return true;
    }
    return QMainWindow::event(event);
}

QString CMainFrame::paneText(int pane) const {
    return pane >= 0 && pane < 4 ? m_panes[pane]->text() : QString();
}

void CMainFrame::updateCommandUI() {
    const CommandEnabling e = commandEnabling(m_state.view, m_graph.liveMode != 0);
    action(kIdRun)->setEnabled(e.start);
    action(kIdStop)->setEnabled(e.stop);
    action(kIdSave)->setEnabled(e.save);
    // Both exports need a committed sample, as Save does.
    action(kIdExportCsv)->setEnabled(e.save);
    action(kIdExportGraphImage)->setEnabled(e.save);
    action(kIdPrint)->setEnabled(e.print);
    action(kIdUndoZoom)->setEnabled(e.undoZoom);
    action(kIdOpen)->setEnabled(e.open);
    const MainFrameState& f = m_state.frame;
    for (int k = 0; k < kMenuPortCount; ++k) {
        QAction* com = action(kIdCom1 + k);
        com->setChecked(f.m_comRadio[k]);
        com->setEnabled(f.m_comEnable[k]);
    }
    action(kIdOtherCom)->setEnabled(f.m_otherComEnable);
    // Another device is chosen under the same rule as another port number.
    action(kIdDevice)->setEnabled(f.m_otherComEnable);
}

QRect CMainFrame::frameClientRect() const {
    const int top = menuBar()->isVisible() ? menuBar()->height() : 0;
    return QRect(0, top, width(), height() - top);
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_view->layoutPanels(frameClientRect());
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_initialUpdateDone) {
        m_initialUpdateDone = true;
        m_view->layoutPanels(frameClientRect());
        m_view->initialUpdate();
    }
}

void CMainFrame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect c = frameClientRect();
    p.translate(c.topLeft());
    const FrameBands bands = frameBands(c.width(), c.height());
    for (const PixelRect& band : {bands.rightMargin, bands.legend}) {
        p.fillRect(QRect(band.left, band.top, band.width(), band.height()),
                   QColor::fromRgb(kBandColour));
    }
}

void CMainFrame::OnRun() {
    CSampleDlg dlg(this);
    const SampleDialogValues start =
        sampleDialogValues(m_state, dlg.m_sampleRate, dlg.m_sampleData);
    dlg.m_sampleRate = start.seconds;
    dlg.m_sampleData = start.count;
    bool declined = false;
    if (runAsksToSave(m_state.frame)) {
        const Answer answer = askYesNoOnly(
            this, QStringLiteral("Do you want to save the existing graph data before continuing?"));
        if (answer == Answer::kYes) {
            OnSave();
        }
        declined = answer == Answer::kNo;
    }
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    m_journal->dropWhenSuperseded(declined);
    applyRun(m_state, dlg.m_sampleRate, dlg.m_sampleData);
    m_view->notifyViews();
    updateCommandUI();
}

void CMainFrame::OnStop() {
    stopRun(m_state);
    updateCommandUI();
}

void CMainFrame::OnComPort(int k) {
    m_link->selectMenuPort(k);
    updateCommandUI();
}

void CMainFrame::OnOtherCom() {
    CComPortDlg dlg(this);
    dlg.m_value = static_cast<unsigned>(otherComInitialValue(m_state.frame));
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    if (dlg.m_value <= static_cast<unsigned>(kMaxComPort)) {
        m_link->selectOtherPort(static_cast<int>(dlg.m_value));
    }
    updateCommandUI();
}

void CMainFrame::OnDevice() {
    const int port = m_state.frame.m_comPort;
    CDeviceDlg dlg(port, m_comm.deviceName(port), this);
    if (dlg.exec() != QDialog::Accepted || dlg.device().isEmpty()) {
        return;
    }
    m_comm.bindDevice(port, dlg.device());
    if (!writePortDevice(port, dlg.device().toStdString())) {
        showStatusMessage(
            tr("The choice of %1 could not be kept in the settings file.").arg(dlg.device()));
    }
    m_comm.setPortOpen(false);
    m_link->OpenPortAndStart();
    m_view->notifyViews();
    updateCommandUI();
}

void CMainFrame::OnPortStatus() {
    for (;;) {
        const int port = m_state.frame.m_comPort;
        QString text = m_link->portProblem();
        const QMessageBox::Icon icon =
            text.isEmpty() ? QMessageBox::Information : QMessageBox::Warning;
        if (text.isEmpty()) {
            text =
                tr("Port %1 (%2) is open; %3")
                    .arg(port)
                    .arg(m_comm.deviceName(port), m_state.frame.m_otherComEnable
                                                      ? tr("the instrument has not answered yet.")
                                                      : tr("the instrument is answering."));
        }
        QMessageBox box(icon, QStringLiteral("KR5061"), text,
                        QMessageBox::Retry | QMessageBox::Close, this);
        box.setDefaultButton(QMessageBox::Close);
        if (box.exec() != QMessageBox::Retry) {
            return;
        }
        m_comm.setPortOpen(false);
        m_link->OpenPortAndStart();
        updateCommandUI();
    }
}

void CMainFrame::OnHelp() {
    const QDir dir(QCoreApplication::applicationDirPath());
    const std::filesystem::path found = findHelpFile(dir.absolutePath().toStdString());
    const QString path = found.empty() ? dir.filePath(QStringLiteral("help/index.html"))
                                       : QString::fromStdString(found.string());
    if (found.empty()) {
        showStatusMessage(tr("The help file %1 could not be shown.").arg(path));
        return;
    }
    if (found.extension() == ".chm") {  // the Windows help file goes to the desktop's viewer
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
            showStatusMessage(tr("The help file %1 could not be shown.").arg(path));
        }
        return;
    }
    if (!m_help) {
        m_help = new CHelpWnd(path, this);
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void CMainFrame::OnAbout() {
    CAboutDlg dlg(this);
    dlg.exec();
}

QString CMainFrame::chooseSavePath(const QString& defaultName) {
    if (m_chooseSavePath) {
        return m_chooseSavePath(defaultName);
    }
    QFileDialog dlg(this);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilter(QStringLiteral("DataLogger Files (*.AsmDat)"));
    dlg.setDefaultSuffix(QStringLiteral("AsmDat"));
    dlg.selectFile(defaultName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        return QString();
    }
    return dlg.selectedFiles().constFirst();
}

bool CMainFrame::OnSave() {
    const QString defaultName = QString::fromStdString(suggestedFileName(std::time(nullptr)));
    const bool saved = saveRun(defaultName, snapshotOfRun(m_doc, m_state.view));
    if (saved) {
        m_journal->runSaved();
    }
    return saved;
}

bool CMainFrame::saveRun(const QString& defaultName, const RunSnapshot& run) {
    const QString chosen = chooseSavePath(defaultName);
    if (chosen.isEmpty()) {
        return false;
    }
    // The dialog adds its default suffix only to names without a dot, and the
    // suggested name has two: the extension is made sure of here.
    const QString path = confirmedSavePath(this, chosen, {".AsmDat"}, ".AsmDat");
    if (path.isEmpty()) {
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SaveResult result = saveMeasurement(path.toStdString(), run);
    QApplication::restoreOverrideCursor();
    if (!result.ok) {
        showMessage(this, tr("The file %1 could not be written: %2")
                              .arg(QString::fromStdString(result.failedPath.string()),
                                   QString::fromStdString(result.error)));
    } else {
        showStatusMessage(tr("Saved %1 samples to %2 and %3")
                              .arg(run.count)
                              .arg(path, QString::fromStdString(result.textPath.string())));
    }
    return result.ok;
}

void CMainFrame::endWithoutPrompt() {
    writeConfig(closingSnapshot(m_state));
    m_journal->keep();
    m_publisher->stop();
    m_comm.setPortOpen(false);
}

void CMainFrame::OnPrint() {
    printTestReport(this, liveReportSource(m_doc, m_state.view, m_graph));
}

void CMainFrame::OnExportCsv() {
    if (m_state.view.m_sampleIndex == 0) {
        return;  // nothing committed yet (a shortcut can arrive before the menu updates)
    }
    const QString path = askExportPath(this, ExportKind::Csv);
    if (!path.isEmpty()) {
        const RunSnapshot run = snapshotOfRun(m_doc, m_state.view);
        showIfDone(exportCsvFile(this, path, tableInputOf(run)));
    }
}

void CMainFrame::OnExportGraphImage() {
    if (m_state.view.m_sampleIndex == 0) {
        return;
    }
    const QString path = askExportPath(this, ExportKind::GraphImage);
    if (!path.isEmpty()) {
        const PlotGeometry g = plotGeometry(rectAt(0, 0, m_view->width(), m_view->height()));
        showIfDone(exportGraphFile(this, path, m_view->graphPicture(),
                                   shownReportSource(m_doc, m_state.view, m_graph, g)));
    }
}

void CMainFrame::OnOpen() {
    if (m_state.view.m_loggerOpen || m_logger) {
        return;  // at most one logger window
    }
    m_logger = new CLoggerWnd(m_loggerStore, m_loggerGraph, m_doc, m_state.view, this);
    connect(m_logger, &CLoggerWnd::closed, this, &CMainFrame::updateCommandUI);
    connect(m_logger, &CLoggerWnd::exported, this, &CMainFrame::showStatusMessage);
    m_logger->show();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    writeConfig(closingSnapshot(m_state));
    if (!closeAsksToSave(m_state.view)) {
        m_journal->closingWithoutPrompt();
    } else {
        // Only Yes or No answers; the journal goes after a save or an explicit No.
        switch (
            askYesNoOnly(this, QStringLiteral("Do you want to save the data before closing?"))) {
            case Answer::kYes:
                OnSave();  // a saved run's journal goes; one that was not saved stays
                break;
            case Answer::kNo:
                m_journal->runDropped();
                break;
            case Answer::kNone:
                break;
        }
    }
    m_journal->keep();
    m_publisher->stop();
    m_comm.setPortOpen(false);
    event->accept();
}

}  // namespace kr5061
