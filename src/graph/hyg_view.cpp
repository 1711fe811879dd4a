#include "graph/hyg_view.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "graph/graph_layout.h"
#include "graph/graph_scale.h"
#include "graph/scroll_strip.h"
#include "graph/zoom_cursor.h"
#include "link/link_driver.h"
#include "link/link_ticks.h"
#include "panels/graph_bar.h"
#include "panels/meter_panel.h"
#include "panels/qt_convert.h"
#include "panels/readout_bar.h"
#include "store/config.h"

namespace kr5061 {

namespace {

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
    connect(&m_dragTimer, &QTimer::timeout, this, &CHygView::dragWatchTick);
    setMouseTracking(true);
    QScrollBar* bar = m_scrollStrip->scrollBar();
    connect(bar, &QScrollBar::sliderMoved, this, &CHygView::onScrollThumb);
    connect(bar, &QScrollBar::actionTriggered, this, &CHygView::onScrollAction);
}

void CHygView::initialUpdate() {
    m_sampleTimer.start(m_state.view.m_samplePeriodMs);
    m_link.startWatchdog();
}

void CHygView::layoutPanels(const QRect& frameClient) {
    m_frameClientOrigin = frameClient.topLeft();
    m_graphDirty = true;
    const PanelLayout layout = panelLayout(rectAt(0, 0, frameClient.width(), frameClient.height()));
    const QPoint origin = frameClient.topLeft();
    place(m_graphBar, layout.graphBar, origin);
    place(m_readoutBar, layout.readoutBar, origin);
    place(m_meterPanel, layout.meterPanel, origin);
    place(m_scrollStrip, layout.scrollStrip, origin);
}

void CHygView::notifyViews() {
    invalidateGraph();
    m_graphBar->refresh();
}

void CHygView::sampleClockTick() {
    if (!m_link.sampleTick()) {
        return;
    }
    emit sampleCommitted();
    if (!m_state.view.m_dragActive) {
        invalidateGraph();
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

void CHygView::invalidateGraph() {
    m_graphDirty = true;
    update();
}

void CHygView::repaintGraph() {
    m_graphDirty = true;
    repaint();
}

QImage CHygView::graphPicture() {
    if (m_graphDirty || m_painter.image().size() != size()) {
        renderGraph();
    }
    // The last scene painted afresh: the cursor line and the rubber band are
    // strokes on the screen's image, not part of the graph.
    ScenePainter clean;
    clean.paint(m_scene);
    const QImage& image = clean.image();
    return image.copy(toQRect(graphPictureRect(rectAt(0, 0, image.width(), image.height()))));
}

PlotGeometry CHygView::geometry() const {
    return plotGeometry(rectAt(0, 0, width(), height()));
}

void CHygView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_graphDirty = true;
}

void CHygView::paintEvent(QPaintEvent* event) {
    if (m_graphDirty || m_painter.image().size() != size()) {
        renderGraph();
    }
    QPainter p(this);
    p.drawImage(event->rect(), m_painter.image(), event->rect());
}

// The whole graph paint: the core builds the scene and moves the graph state
// on; the painter draws it into the cached image; the window carries out what
// the paint asked of it.
void CHygView::renderGraph() {
    m_graphDirty = false;
    SceneInputs in;
    in.viewClient = rectAt(0, 0, width(), height());
    const QPoint origin =
        (parentWidget() ? mapTo(parentWidget(), QPoint(0, 0)) : QPoint(0, 0)) - m_frameClientOrigin;
    in.frameOriginX = origin.x();
    in.frameOriginY = origin.y();
    in.buttonFace = palette().color(QPalette::Button).rgb();
    const PaintOutcome outcome = paintGraph(m_graph, m_state.view, m_doc, in, m_scene);
    m_painter.paint(m_scene);
    m_cursorLine.forget();  // the new picture carries no cursor line
    if (outcome.keepCursorLine && !m_painter.image().isNull()) {
        m_cursorLine.draw(m_painter.strokePixels(), geometry(), outcome.cursorX);
    }
    applyPaintOutcome(outcome);
}

void CHygView::applyPaintOutcome(const PaintOutcome& o) {
    if (o.showCaptions) {
        emit statusTextChanged(
            1, QString::fromLatin1(kTimeCaption.data(), static_cast<int>(kTimeCaption.size())));
        emit statusTextChanged(2, QString::fromLatin1(kChannelCaption.data(),
                                                      static_cast<int>(kChannelCaption.size())));
    }
    QScrollBar* bar = m_scrollStrip->scrollBar();
    bar->setEnabled(o.zoomMode);
    if (o.zoomMode) {
        bar->setRange(0, o.scrollRange);
        if (o.showScrollPos) {
            bar->setValue(m_state.view.m_scrollPos);
        }
    }
    if (o.invalidateAgain) {
        // Asked from inside a paint: the new scale gets a paint of its own.
        QMetaObject::invokeMethod(this, &CHygView::invalidateGraph, Qt::QueuedConnection);
    }
    if (o.rearmSampleClock) {
        m_sampleTimer.start(o.samplePeriodMs);
    }
    m_graphBar->refresh();
    m_readoutBar->refresh();
}

void CHygView::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint at = event->position().toPoint();
    if (zoomPress(m_graph, m_state.view, geometry(), {at.x(), at.y()})) {
        m_dragTimer.start(kDragWatchPeriodMs);
    }
}

void CHygView::stroke(const PixelRect& erasedBand, const PixelRect& drawnBand, int cursorX) {
    // The cursor line comes off first and goes on last: it always lies on top,
    // so what it puts back is what lies under it now.
    const PixelBuffer buf = m_painter.strokePixels();
    const bool hadLine = m_cursorLine.drawn();
    const int lineX = m_cursorLine.x();
    update(toQRect(m_cursorLine.erase(buf)));
    for (const PixelRect& band : {erasedBand, drawnBand}) {
        if (band.width() > 0 && band.height() > 0) {
            xorBand(buf, band);
            update(toQRect(band));
        }
    }
    if (cursorX != kKeepCursor || hadLine) {
        update(
            toQRect(m_cursorLine.draw(buf, geometry(), cursorX != kKeepCursor ? cursorX : lineX)));
    }
}

void CHygView::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    if (m_graphDirty) {
        renderGraph();  // strokes go on the image the screen is about to show
    }
    const QPoint at = event->position().toPoint();
    const PlotGeometry g = geometry();
    const MoveOutcome o = zoomMove(m_graph, m_state.view, m_doc, g, {at.x(), at.y()});
    if (!o.handled) {
        return;
    }
    stroke(o.erasedBand, o.drawnBand, o.cursorX);
    if (o.readout) {
        emit statusTextChanged(1, QString::fromStdString(o.timeText));
        emit statusTextChanged(2, QString::fromStdString(o.readingText));
    }
}

void CHygView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;  // the right button has no function
    }
    const QPoint at = event->position().toPoint();
    const ReleaseOutcome o = zoomRelease(m_graph, m_state.view, geometry(), {at.x(), at.y()});
    stroke(o.erasedBand, {}, kKeepCursor);
    if (o.repaint) {
        repaintGraph();
    }
}

void CHygView::dragWatchTick() {
    const QPoint at = mapFromGlobal(QCursor::pos());
    if (kr5061::dragWatchTick(m_graph, m_state.view, rectAt(0, 0, width(), height()),
                              {at.x(), at.y()})) {
        repaintGraph();
        m_dragTimer.stop();
    }
}

void CHygView::OnUndoZoom() {
    undoZoom(m_graph, m_state.view);
    QScrollBar* bar = m_scrollStrip->scrollBar();
    bar->setEnabled(false);
    bar->setValue(bar->minimum());  // the full view has no scroll position
    repaintGraph();
}

void CHygView::onScrollThumb(int position) {
    m_scrollStrip->scrollBar()->setSliderPosition(thumbTrack(m_state.view, position));
    repaintGraph();
}

void CHygView::onScrollAction(int action) {
    if (action == QAbstractSlider::SliderMove) {
        return;  // thumb tracking has its own handler
    }
    QScrollBar* bar = m_scrollStrip->scrollBar();
    bar->setSliderPosition(bar->value());
    repaintGraph();
}

}  // namespace kr5061
