#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "common/run_state.h"
#include "graph/report_layout.h"
#include "logger/logger_graph.h"
#include "logger/logger_scene.h"
#include "logger/logger_store.h"
#include "store/hyg_doc.h"

class QAction;
class QScrollBar;
class QTableWidget;
class QToolBar;

namespace kr5061 {

// The data-logger window ("Graph"): the list of loaded data sets at the left,
// the graph of the set in the recall buffer, and the toolbar of its ten commands.
class CLoggerWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 473 * 2, kHeight = 299 * 2;
    // The toolbar strip (rows 0..22) and its buttons; the list starts at row 28.
    static constexpr int kToolBarHeight = 23;
    static constexpr int kButtonWidth = 75, kButtonHeight = 18;

    CLoggerWnd(LoggerStore& store, LoggerGraph& graph, CHygDoc& doc, ViewState& view,
               QWidget* parent);

    // The commands of the toolbar.
    void OnDownload();
    void OnPrint();
    void OnZoomOut();
    void OnChannel(int only);  // -1: all five
    void OnYAxis();
    // The selected set (the one in the recall buffer) as CSV, and the graph
    // area as PNG or, as PDF, the report page of the records and axis it shows
    // (zoom included). Offered through the context menu of the list and the
    // graph and through shortcuts: the toolbar keeps its ten buttons.
    void OnExportCsv();
    void OnExportGraphImage();
    QAction* exportCsvAction() const { return m_exportCsv; }
    QAction* exportGraphImageAction() const { return m_exportImage; }

    // The file Download loads; by default the open dialog asks the user.
    using OpenPathChooser = std::function<QString()>;
    void setOpenPathChooser(OpenPathChooser chooser) { m_chooseOpenPath = std::move(chooser); }

    QTableWidget* list() const { return m_list; }
    QScrollBar* scrollBar() const { return m_scroll; }
    QToolBar* toolBar() const { return m_toolBar; }
    QRect graphRect() const;

    // A set waiting in the recall buffer joins the store and the list now
    // (the paint does this first); false when none was waiting.
    bool adoptIfLoaded();

    // A request of the scroll bar; only a released thumb moves the data.
    void OnHScroll(bool thumbReleased, int pos);
    // Timer 4: the drag watch with the pointer at `pointer` (client coordinates).
    void OnDragWatch(QPoint pointer);
    bool dragWatchActive() const { return m_dragWatch.isActive(); }
    // The picture on screen, strokes between paints included.
    const QImage& frame() const { return m_frame; }

signals:
    // The window closed and reset the store: the main frame may open a new one.
    void closed();
    // An export wrote a file: the sentence for the main window's status bar.
    void exported(const QString& done);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void emitIfDone(const QString& done);
    // Centred in the available area of the screen the main window is on.
    void centreOnScreen();
    void createToolBar();
    void createList();
    void createExportActions();
    void resetToFullView(bool resetScroll);
    QString chooseOpenPath();
    // The next paint composes the picture anew (later: at once).
    void redraw();
    void redrawNow();
    void composeFrame();
    void drawTexts(const LoggerScene& scene);
    PixelBuffer frameBuffer();

    LoggerStore& m_store;
    LoggerGraph& m_graph;
    CHygDoc& m_doc;
    ViewState& m_view;
    QToolBar* m_toolBar = nullptr;
    QTableWidget* m_list = nullptr;
    QScrollBar* m_scroll = nullptr;
    QAction* m_exportCsv = nullptr;
    QAction* m_exportImage = nullptr;
    OpenPathChooser m_chooseOpenPath;
    int m_selectionMark = -1;  // the row last selected in the list, -1 before any
    QTimer m_dragWatch;        // timer 4
    QImage m_frame;            // the last composed picture, also carrying the mouse strokes
    bool m_compose = true;
    LoggerScene m_scene, m_overlay;
    QString m_text;  // reused for every text, so painting allocates no strings
};

}  // namespace kr5061
