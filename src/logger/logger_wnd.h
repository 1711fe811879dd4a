#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

#include "link/link_state.h"
#include "logger/logger_graph.h"
#include "logger/logger_store.h"
#include "store/hyg_doc.h"

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

    CLoggerWnd(LoggerStore& store, LoggerGraph& graph, CHygDoc& doc, ViewState& view,
               QWidget* parent);

    // The commands of the toolbar.
    void OnDownload();
    void OnPrint();
    void OnZoomOut();
    void OnChannel(int only);  // -1: all five
    void OnYAxis();

    // The file Download loads; by default the open dialog asks the user.
    using OpenPathChooser = std::function<QString()>;
    void setOpenPathChooser(OpenPathChooser chooser) { m_chooseOpenPath = std::move(chooser); }

    QTableWidget* list() const { return m_list; }
    QScrollBar* scrollBar() const { return m_scroll; }
    QToolBar* toolBar() const { return m_toolBar; }
    QRect graphRect() const;

signals:
    // The window closed and reset the store: the main frame may open a new one.
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createToolBar();
    void createList();
    void adoptIfLoaded();
    void resetToFullView(bool resetScroll);
    QString chooseOpenPath();

    LoggerStore& m_store;
    LoggerGraph& m_graph;
    CHygDoc& m_doc;
    ViewState& m_view;
    QToolBar* m_toolBar = nullptr;
    QTableWidget* m_list = nullptr;
    QScrollBar* m_scroll = nullptr;
    OpenPathChooser m_chooseOpenPath;
};

}  // namespace kr5061
