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
#include "app/help_location.h"
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
#include "store/measurement_file.h"

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

    initFrameState(m_state.frame, comPort);
    connect(m_link, &LinkDriver::portProblemChanged, this, &CMainFrame::showStatusMessage);
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
    file->addActions({save, exportCsv, exportImage, open, print, exit});

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

void CMainFrame::showStatusMessage(const QString& text) {
    m_message = text;
    setPaneText(0, text);
    m_panes[0]->setToolTip(text);  // the pane is narrow; the whole text on hover
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
    const QColor fill(217, 218, 212);
    const int r = c.width(), b = c.height();
    p.translate(c.topLeft());
    p.fillRect(QRect(r - 52, 125, 63, b - 340), fill);
    p.fillRect(QRect(290, 125, r - 300, 25), fill);
}

void CMainFrame::OnRun() {
    CSampleDlg dlg(this);
    const SampleDialogValues start =
        sampleDialogValues(m_state, dlg.m_sampleRate, dlg.m_sampleData);
    dlg.m_sampleRate = start.seconds;
    dlg.m_sampleData = start.count;
    if (runAsksToSave(m_state.frame)) {
        if (askYesNo(this, QStringLiteral(
                               "Do you want to save the existing graph data before continuing?"))) {
            OnSave();
        } else {
            m_journal->dropWhenSuperseded();
        }
    }
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
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

void CMainFrame::OnHelp() {
    const QDir dir(QCoreApplication::applicationDirPath());
    const std::filesystem::path found = findHelpFile(dir.absolutePath().toStdString());
    const QString path = found.empty() ? dir.filePath(QStringLiteral("help/index.html"))
                                       : QString::fromStdString(found.string());
    if (found.empty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        showStatusMessage(tr("The help file %1 could not be shown.").arg(path));
    }
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
    const QString defaultName =
        QDateTime::currentDateTime().toString(QStringLiteral("yy-MM-dd HH.mm.ss"));
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
    const std::filesystem::path path = measurementPathFor(chosen.toStdString());
    // The dialog asked about replacing the name it returned, not this one.
    std::error_code ec;
    if (path != std::filesystem::path(chosen.toStdString()) && std::filesystem::exists(path, ec) &&
        !askYesNo(this, tr("%1 already exists.\nDo you want to replace it?")
                            .arg(QString::fromStdString(path.filename().string())))) {
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SaveResult result = saveMeasurement(path, run);
    QApplication::restoreOverrideCursor();
    if (!result.ok) {
        showMessage(this, tr("The file %1 could not be written: %2")
                              .arg(QString::fromStdString(result.failedPath.string()),
                                   QString::fromStdString(result.error)));
    }
    return result.ok;
}

void CMainFrame::endWithoutPrompt() {
    writeConfig(closingSnapshot(m_state));
    m_journal->keep();
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
        exportCsvFile(this, path, tableInputOf(run));
    }
}

void CMainFrame::OnExportGraphImage() {
    if (m_state.view.m_sampleIndex == 0) {
        return;
    }
    const QString path = askExportPath(this, ExportKind::GraphImage);
    if (!path.isEmpty()) {
        const PlotGeometry g = plotGeometry(rectAt(0, 0, m_view->width(), m_view->height()));
        exportGraphFile(this, path, m_view->graphPicture(),
                        shownReportSource(m_doc, m_state.view, m_graph, g));
    }
}

void CMainFrame::OnOpen() {
    if (m_state.view.m_loggerOpen || m_logger) {
        return;  // at most one logger window
    }
    m_logger = new CLoggerWnd(m_loggerStore, m_loggerGraph, m_doc, m_state.view, this);
    connect(m_logger, &CLoggerWnd::closed, this, &CMainFrame::updateCommandUI);
    m_logger->show();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    writeConfig(closingSnapshot(m_state));
    if (!closeAsksToSave(m_state.view)) {
        m_journal->closingWithoutPrompt();
    } else if (askYesNo(this, QStringLiteral("Do you want to save the data before closing?"))) {
        OnSave();  // a saved run's journal goes; one that was not saved stays
    } else {
        m_journal->runDropped();
    }
    m_journal->keep();
    m_comm.setPortOpen(false);
    event->accept();
}

}  // namespace kr5061
