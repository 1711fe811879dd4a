#pragma once

#include <QTimer>
#include <QWidget>

#include "graph/live_graph.h"
#include "link/link_state.h"
#include "store/hyg_doc.h"

namespace kr5061 {

class LinkDriver;
class CGraphBar;
class CReadoutBar;
class CMeterPanel;
class CScrollStrip;

// The real-time graph, the single view of the document. It owns the docked
// panels (children of the main frame, placed on every resize), the sample
// clock and the link watchdog.
class CHygView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWatchdogPeriodMs = 3000;
    static constexpr int kDragWatchPeriodMs = 10;

    CHygView(LiveState& state, CHygDoc& doc, LiveGraph& graph, LinkDriver& link,
             QWidget* frame);

    // First show: start the sample clock and the watchdog.
    void initialUpdate();

    // Places the panels in the main frame's client rectangle (frame coordinates).
    void layoutPanels(const QRect& frameClient);

    // The document changed: redraw from the store and refresh the panels.
    void notifyViews();

    // Timer jobs, public so they can also be driven directly.
    void sampleClockTick();

    CGraphBar* graphBar() const { return m_graphBar; }
    CReadoutBar* readoutBar() const { return m_readoutBar; }
    CMeterPanel* meterPanel() const { return m_meterPanel; }
    CScrollStrip* scrollStrip() const { return m_scrollStrip; }
    const QTimer& sampleTimer() const { return m_sampleTimer; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onFramesAccepted();
    void onLinkLost();

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
};

}  // namespace kr5061
