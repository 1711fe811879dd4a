#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include "common/run_state.h"
#include "graph/graph_scene.h"
#include "graph/live_graph.h"
#include "graph/scene_painter.h"
#include "graph/zoom_cursor.h"
#include "store/hyg_doc.h"

namespace kr5061 {

class LinkDriver;
class CGraphBar;
class CReadoutBar;
class CMeterPanel;
class CScrollStrip;

// The real-time graph, the single view of the document. It owns the docked
// panels (children of the main frame, placed on every resize), the sample
// clock, the link watchdog and the drag watch. A paint runs the core's graph
// paint into a cached image of the whole view; the cursor line and the rubber
// band are XOR strokes on that image, so drawing them twice wipes them and a
// plain expose only shows the image again.
class CHygView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWatchdogPeriodMs = 3000;
    static constexpr int kDragWatchPeriodMs = 10;

    CHygView(LiveState& state, CHygDoc& doc, LiveGraph& graph, LinkDriver& link, QWidget* frame);

    // First show: start the sample clock and the watchdog.
    void initialUpdate();

    // Places the panels in the main frame's client rectangle (frame coordinates).
    void layoutPanels(const QRect& frameClient);

    // The document changed: redraw from the store and refresh the panels.
    void notifyViews();

    // Timer jobs, public so they can also be driven directly.
    void sampleClockTick();
    void dragWatchTick();

    // Undo Zoom (32811): back to the live graph.
    void OnUndoZoom();

    // The graph must be drawn anew at the next paint; repaintGraph draws it now.
    void invalidateGraph();
    void repaintGraph();

    // The image the latest paint produced, with any XOR strokes on it.
    const QImage& graphImage() const { return m_painter.image(); }
    // The graph as the screen shows it (zoom included, but without the cursor
    // line or a rubber band), without the room under the docked panels.
    QImage graphPicture();
    const QTimer& dragTimer() const { return m_dragTimer; }

    CGraphBar* graphBar() const { return m_graphBar; }
    CReadoutBar* readoutBar() const { return m_readoutBar; }
    CMeterPanel* meterPanel() const { return m_meterPanel; }
    CScrollStrip* scrollStrip() const { return m_scrollStrip; }
    const QTimer& sampleTimer() const { return m_sampleTimer; }

signals:
    // Status-bar pane text (1: time, 2: readings) for the main frame.
    void statusTextChanged(int pane, const QString& text);
    // The sample clock committed a sample (the run journal takes it).
    void sampleCommitted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void onFramesAccepted();
    void onLinkLost();
    void renderGraph();
    void applyPaintOutcome(const PaintOutcome& outcome);
    PlotGeometry geometry() const;
    // Strokes between paints: rubber bands wiped and drawn, the cursor line
    // moved to cursorX or, with kKeepCursor, left where it is.
    static constexpr int kKeepCursor = -1;
    void stroke(const PixelRect& erasedBand, const PixelRect& drawnBand, int cursorX);
    void onScrollThumb(int position);
    void onScrollAction(int action);

    LiveState& m_state;
    CHygDoc& m_doc;
    LiveGraph& m_graph;
    LinkDriver& m_link;
    CGraphBar* m_graphBar;
    CReadoutBar* m_readoutBar;
    CMeterPanel* m_meterPanel;
    QWidget* m_dialog138;
    CScrollStrip* m_scrollStrip;
    QTimer m_sampleTimer;  // timer 1
    QTimer m_dragTimer;    // timer 3, the rubber band's drag watch
    QPoint m_frameClientOrigin;
    GraphScene m_scene;
    ScenePainter m_painter;  // holds the image the screen shows
    CursorLine m_cursorLine;
    bool m_graphDirty = true;
};

}  // namespace kr5061
