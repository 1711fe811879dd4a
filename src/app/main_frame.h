#pragma once

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>

#include "app/help_wnd.h"

#include "common/run_state.h"
#include "graph/live_graph.h"
#include "logger/logger_graph.h"
#include "logger/logger_store.h"
#include "logger/logger_wnd.h"
#include "store/hyg_doc.h"
#include "store/measurement_file.h"

namespace kr5061 {

class CMSComm;
class CHygView;
class LinkDriver;
class WindowJournal;

// The main window: menu, toolbar and status bar, the run and port commands,
// the poll timer and the serial link, and the close flow that writes the
// settings back.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(LiveState& state, CHygDoc& doc, LiveGraph& graph, CMSComm& comm,
               LoggerStore& loggerStore, LoggerGraph& loggerGraph, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The commands, as the menu and the toolbar trigger them.
    void OnRun();
    void OnStop();
    void OnComPort(int k);
    void OnOtherCom();
    // "Device...": any serial device for the current port number, kept for later sessions.
    void OnDevice();
    // "Port Status..." and a click on the message pane: the whole diagnosis, with Retry.
    void OnPortStatus();
    void OnHelp();
    void OnAbout();
    bool OnSave();
    // Save's dialog and writer for any run; false when cancelled or failed.
    bool saveRun(const QString& defaultName, const RunSnapshot& run);
    void OnOpen();
    void OnPrint();
    void OnExportCsv();
    void OnExportGraphImage();

    // Recomputes the enabled and checked state of every command.
    void updateCommandUI();

    // Text of a status-bar pane (0..3).
    void setPaneText(int pane, const QString& text);
    QString paneText(int pane) const;
    // The one way to the message pane (pane 0): a message stays until the next
    // one replaces it; the other panes stay visible.
    void showStatusMessage(const QString& text);
    // What a save or an export wrote (empty after a failure, which said so itself).
    void showIfDone(const QString& done);

    // The file Save writes to; by default the save dialog asks the user.
    using SavePathChooser = std::function<QString(const QString& defaultName)>;
    void setSavePathChooser(SavePathChooser chooser) { m_chooseSavePath = std::move(chooser); }

    // Ending on a signal (logout, kill): the settings are written as on close,
    // the run journal is kept, nothing is asked.
    void endWithoutPrompt();

    QAction* action(int commandId) const;
    CHygView* view() const { return m_view; }
    CHelpWnd* helpWindow() const { return m_help; }
    CLoggerWnd* loggerWindow() const { return m_logger; }
    LinkDriver& link() { return *m_link; }
    WindowJournal& runJournal() { return *m_journal; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createMenus();
    void createToolBar();
    void createStatusBar();
    QAction* addCommand(int id, const QString& text);
    QRect frameClientRect() const;
    QString chooseSavePath(const QString& defaultName);

    LiveState& m_state;
    CHygDoc& m_doc;
    LiveGraph& m_graph;
    CMSComm& m_comm;
    LoggerStore& m_loggerStore;
    LoggerGraph& m_loggerGraph;
    QPointer<CLoggerWnd> m_logger;
    QPointer<CHelpWnd> m_help;
    LinkDriver* m_link;
    CHygView* m_view;
    WindowJournal* m_journal;
    QLabel* m_panes[4] = {};
    QTimer m_updateTimer;
    SavePathChooser m_chooseSavePath;
    QString m_message;  // the program's last message in pane 0
    bool m_initialUpdateDone = false;
};

}  // namespace kr5061
