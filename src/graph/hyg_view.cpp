#include "graph/hyg_view.h"

#include <QPainter>
#include <QPainterPath>

#include "graph/graph_layout.h"
#include "graph/graph_scale.h"
#include "graph/scroll_strip.h"
#include "link/link_driver.h"
#include "link/link_ticks.h"
#include "panels/graph_bar.h"
#include "panels/meter_panel.h"
#include "panels/readout_bar.h"
#include "store/config.h"

namespace kr5061 {

namespace {

const QColor kTraceColours[kChannelCount] = {QColor(255, 0, 0), QColor(255, 255, 0),
                                             QColor(0, 255, 255), QColor(200, 100, 200),
                                             QColor(0, 255, 0)};

QRect toQRect(const PixelRect& r) { return QRect(r.left, r.top, r.width(), r.height()); }

void place(QWidget* panel, const PanelPlacement& placement, const QPoint& origin) {
    if (!placement.apply) {
        return;
    }
    panel->setGeometry(toQRect(placement.rect).translated(origin));
    panel->raise();
    panel->show();
}

}  // namespace

CHygView::CHygView(LiveState& state, CHygDoc& doc, LiveGraph& graph, LinkDriver& link,
                   QWidget* frame)
    : QWidget(frame), m_state(state), m_doc(doc), m_graph(graph), m_link(link) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    ViewState& view = m_state.view;
    view.m_gain = readGain();
    view.m_offset = readOffset();
    view.m_sampleIndex = 0;
    view.m_runCounter2 = 0;
    view.m_newFrame = false;
    view.m_runEnabled = view.m_stopEnabled = view.m_runStarted = false;
    view.m_dragActive = false;
    view.m_scrollBase = view.m_scrollPos = 0;
    for (bool& shown : view.m_showTrace) {
        shown = true;
    }

    m_graphBar = new CGraphBar(m_state, frame);
    m_readoutBar = new CReadoutBar(m_state, frame);
    m_meterPanel = new CMeterPanel(m_state, m_link, frame);
    m_dialog138 = new QWidget(frame);  // an empty strip the view never places or shows
    m_dialog138->resize(264 * 2, 5 * 2);
    m_dialog138->hide();
    m_scrollStrip = new CScrollStrip(frame);

    connect(m_graphBar, &CGraphBar::viewsNotified, this, &CHygView::notifyViews);
    connect(&m_link, &LinkDriver::framesAccepted, this, &CHygView::onFramesAccepted);
    connect(&m_link, &LinkDriver::viewsNotified, this, &CHygView::notifyViews);
    connect(&m_link, &LinkDriver::linkLost, this, &CHygView::onLinkLost);
    connect(&m_sampleTimer, &QTimer::timeout, this, &CHygView::sampleClockTick);
    m_dragTimer.setInterval(kDragWatchPeriodMs);
}

void CHygView::initialUpdate() {
    m_sampleTimer.start(m_state.view.m_samplePeriodMs);
    m_link.startWatchdog();
}

void CHygView::layoutPanels(const QRect& frameClient) {
    const PanelLayout layout = panelLayout(
        rectAt(0, 0, frameClient.width(), frameClient.height()));
    const QPoint origin = frameClient.topLeft();
    place(m_graphBar, layout.graphBar, origin);
    place(m_readoutBar, layout.readoutBar, origin);
    place(m_meterPanel, layout.meterPanel, origin);
    place(m_scrollStrip, layout.scrollStrip, origin);
}

void CHygView::notifyViews() {
    update();
    m_graphBar->refresh();
}

void CHygView::sampleClockTick() {
    if (!sampleTick(m_state)) {
        return;
    }
    if (!m_state.view.m_dragActive) {
        update();
    }
    m_graphBar->refresh();
    m_meterPanel->update();
}

void CHygView::onFramesAccepted() {
    m_graphBar->refresh();
    m_meterPanel->update(CMeterPanel::displayRect());
    m_readoutBar->refresh();
}

void CHygView::onLinkLost() {
    m_meterPanel->update();
    m_readoutBar->update();
}

void CHygView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const PlotGeometry g = plotGeometry(rectAt(0, 0, width(), height()));
    p.fillRect(rect(), QColor(217, 218, 212));
    const QRect plot(g.x0, g.y0, g.width, g.height);
    p.fillRect(plot, Qt::black);
    if (updateLiveScale(m_graph, m_state.view, m_doc, g.width, g.height)) {
        update();
    }
    const int count = m_state.view.m_sampleIndex;
    if (count >= 2) {
        p.setClipRect(plot);
        p.translate(g.x0, g.y0);
        for (int ch = 0; ch < kChannelCount; ++ch) {
            if (!m_state.view.m_showTrace[ch]) {
                continue;
            }
            QPainterPath path;
            path.moveTo(m_graph.plotX[ch][0], m_graph.plotY[ch][0]);
            for (int i = 1; i < count; ++i) {
                path.lineTo(m_graph.plotX[ch][i], m_graph.plotY[ch][i]);
            }
            p.setPen(kTraceColours[ch]);
            p.drawPath(path);
        }
    }
    if (m_state.view.m_runStarted) {
        m_sampleTimer.start(m_state.view.m_samplePeriodMs);
        m_state.view.m_runStarted = false;
    }
    m_graphBar->refresh();
}

}  // namespace kr5061
