#include "logger/logger_wnd.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QToolBar>

#include "graph/graph_export.h"
#include "graph/report_layout.h"
#include "graph/report_printer.h"
#include "logger/logger_report.h"
#include "logger/logger_text_painter.h"
#include "logger/logger_zoom.h"
#include "panels/setup_rules.h"
#include "panels/ui_common.h"
#include "panels/yaxis_dlg.h"

namespace kr5061 {

namespace {

enum LoggerCommand {
    kIdDownload = 32791,
    kIdZoomOut = 32792,
    kIdAir = 32820,
    kIdWb = 32821,
    kIdDp = 32822,
    kIdAll = 32823,
    kIdYAxis = 32824,
    kIdPrint = 32833,
    kIdSurface = 32834,
    kIdRh = 32835,
};

// Our own toolbar art: a 75 x 18 button face carrying its label.
QIcon buttonFace(const QString& label, const QColor& accent) {
    QPixmap pm(CLoggerWnd::kButtonWidth, CLoggerWnd::kButtonHeight);
    pm.fill(QColor(236, 236, 236));
    QPainter p(&pm);
    p.setPen(QColor(160, 160, 160));
    p.drawRect(0, 0, 74, 17);
    p.fillRect(3, 4, 10, 10, accent);
    p.setPen(Qt::black);
    p.setFont(pixelFont(QStringLiteral("Arial"), 11, 600));
    p.drawText(QRect(16, 0, 58, 18), Qt::AlignVCenter | Qt::AlignLeft, label);
    p.end();
    return QIcon(pm);
}

}  // namespace

CLoggerWnd::CLoggerWnd(LoggerStore& store, LoggerGraph& graph, CHygDoc& doc, ViewState& view,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_store(store),
      m_graph(graph),
      m_doc(doc),
      m_view(view) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QStringLiteral("Graph"));
    setFixedSize(kWidth, kHeight);
    centreOnScreen();
    createToolBar();
    createList();
    createExportActions();
    m_scroll = new QScrollBar(Qt::Horizontal, this);
    m_scroll->setObjectName(QStringLiteral("1090"));
    m_scroll->setGeometry(duRect(151, 284, 295, 8));
    m_scroll->setEnabled(false);
    // Only a released thumb moves the data; every other request puts it back.
    m_scroll->setTracking(false);
    connect(m_scroll, &QScrollBar::sliderReleased, this,
            [this] { OnHScroll(true, m_scroll->sliderPosition()); });
    connect(m_scroll, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove) {
            OnHScroll(false, m_scroll->sliderPosition());
        }
    });
    setMouseTracking(true);
    m_dragWatch.setInterval(10);
    connect(&m_dragWatch, &QTimer::timeout, this,
            [this] { OnDragWatch(mapFromGlobal(QCursor::pos())); });
}

void CLoggerWnd::centreOnScreen() {
    const QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    // The window's own decorations are known only once it is shown; the
    // owner's, where it has them, are the same window manager's.
    QMargins frame;
    if (owner != nullptr) {
        const QRect outer = owner->frameGeometry(), inner = owner->geometry();
        frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    }
    const QRect area = screen->availableGeometry();
    const PixelRect at =
        centredIn(rectAt(area.x(), area.y(), area.width(), area.height()),
                  kWidth + frame.left() + frame.right(), kHeight + frame.top() + frame.bottom());
    move(at.left, at.top);  // a window's position is that of its frame
}

void CLoggerWnd::createToolBar() {
    m_toolBar = new QToolBar(this);
    m_toolBar->setIconSize(QSize(kButtonWidth, kButtonHeight));
    m_toolBar->setMovable(false);
    // The face is the whole button: no frame or padding around it, so each
    // button is exactly 75 x 18 and the strip stays above the list.
    m_toolBar->setStyleSheet(
        QStringLiteral("QToolBar { border: 0; padding: 2px; spacing: 0; }"
                       "QToolButton { border: 0; padding: 0; margin: 0; }"
                       "QToolButton:pressed { padding: 1px 0 0 1px; }"));
    const struct {
        int id;
        const char* label;
        const char* tip;
        QColor accent;
    } buttons[] = {
        {kIdDownload, "Download", "Download", QColor(40, 90, 200)},
        {kIdPrint, "Print", "Print the test report", QColor(90, 90, 90)},
        {kIdZoomOut, "ZoomOut", "ZoomOut", QColor(230, 150, 30)},
        {kIdAir, "AIR", "Show AIR only", QColor(255, 0, 0)},
        {kIdWb, "WB", "Show WB only", QColor(255, 255, 0)},
        {kIdDp, "DP", "Show DP only", QColor(0, 255, 255)},
        {kIdSurface, "K/IR", "Show K/IR only", QColor(200, 100, 200)},
        {kIdRh, "RH", "Show RH only", QColor(0, 255, 0)},
        {kIdAll, "All", "Show all five channels", QColor(120, 120, 120)},
        {kIdYAxis, "Y Axis", "Value axis setup", QColor(30, 30, 30)},
    };
    for (const auto& b : buttons) {
        if (!m_toolBar->actions().isEmpty()) {
            m_toolBar->addSeparator();  // between buttons, none after the last
        }
        QAction* act = m_toolBar->addAction(buttonFace(QString::fromLatin1(b.label), b.accent),
                                            QString::fromLatin1(b.label));
        act->setObjectName(QString::number(b.id));
        act->setToolTip(QString::fromLatin1(b.tip));
        m_toolBar->widgetForAction(act)->setFixedSize(kButtonWidth, kButtonHeight);
        const int id = b.id;
        connect(act, &QAction::triggered, this, [this, id] {
            switch (id) {
                case kIdDownload:
                    OnDownload();
                    break;
                case kIdPrint:
                    OnPrint();
                    break;
                case kIdZoomOut:
                    OnZoomOut();
                    break;
                case kIdAir:
                    OnChannel(kAir);
                    break;
                case kIdWb:
                    OnChannel(kWetBulb);
                    break;
                case kIdDp:
                    OnChannel(kDewPoint);
                    break;
                case kIdSurface:
                    OnChannel(kSurface);
                    break;
                case kIdRh:
                    OnChannel(kHumidity);
                    break;
                case kIdAll:
                    OnChannel(-1);
                    break;
                case kIdYAxis:
                    OnYAxis();
                    break;
                default:
                    break;
            }
        });
    }
    m_toolBar->setGeometry(0, 0, kWidth, kToolBarHeight);
}

void CLoggerWnd::createList() {
    m_list = new QTableWidget(0, 4, this);
    m_list->setObjectName(QStringLiteral("1110"));
    m_list->setGeometry(duRect(3, 14, 116, 284));
    m_list->setHorizontalHeaderLabels({QStringLiteral("Set"), QStringLiteral("Time"),
                                       QStringLiteral("Sampling Rate"), QStringLiteral("Nums")});
    const int widths[] = {50, 130, 110, 150};
    for (int c = 0; c < 4; ++c) {
        m_list->setColumnWidth(c, widths[c]);
        m_list->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    m_list->verticalHeader()->hide();
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);
    // The selection mark is the row last selected; a current row alone (Qt
    // makes the first row current when rows arrive) is no mark.
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!selected.indexes().isEmpty()) {
                    m_selectionMark = selected.indexes().constFirst().row();
                }
            });
}

void CLoggerWnd::createExportActions() {
    m_exportCsv = new QAction(QStringLiteral("Export &CSV..."), this);
    m_exportImage = new QAction(QStringLiteral("Export &Graph Image..."), this);
    m_exportCsv->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    m_exportImage->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    connect(m_exportCsv, &QAction::triggered, this, &CLoggerWnd::OnExportCsv);
    connect(m_exportImage, &QAction::triggered, this, &CLoggerWnd::OnExportGraphImage);
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(m_list)}) {
        w->addAction(m_exportCsv);
        w->addAction(m_exportImage);
        w->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    m_exportCsv->setEnabled(false);
    m_exportImage->setEnabled(false);
}

QRect CLoggerWnd::graphRect() const {
    const int left = m_list->geometry().right() + 1;
    const int top = m_toolBar->geometry().bottom() + 1;
    return QRect(left, top, width() - left, height() - top);
}

bool CLoggerWnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        // The list's selection mark decides, wherever in the list the click landed.
        if (SelectSet(m_store, m_selectionMark, m_doc, m_view)) {
            resetToFullView(false);
            redraw();
        }
        return true;
    }
    if (swallowDialogKey(event)) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CLoggerWnd::keyPressEvent(QKeyEvent* event) {
    if (!swallowDialogKey(event)) {
        QWidget::keyPressEvent(event);
    }
}

void CLoggerWnd::resetToFullView(bool resetScroll) {
    ResetToFullView(m_graph, resetScroll);
    m_scroll->setEnabled(false);
    if (resetScroll) {
        const QSignalBlocker block(m_scroll);
        m_scroll->setValue(m_scroll->minimum());
    }
}

QString CLoggerWnd::chooseOpenPath() {
    if (m_chooseOpenPath) {
        return m_chooseOpenPath();
    }
    QFileDialog dlg(this);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilters({QStringLiteral("DataLogger Files (*.AsmDat)"), QStringLiteral("*.CH4")});
    dlg.setDefaultSuffix(QStringLiteral("AsmDat"));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        return QString();
    }
    return dlg.selectedFiles().constFirst();
}

void CLoggerWnd::OnDownload() {
    resetToFullView(true);
    redrawNow();
    const QString path = chooseOpenPath();
    m_store.loggerPath = path.toStdString();
    const LoadResult result = downloadSet(m_store.loggerPath, m_doc, m_view);
    if (result.status == LoadStatus::kInvalidFormat) {
        showMessage(this, QStringLiteral("Invalid Format!"));
    }
    if (result.ok()) {
        resetToFullView(true);
    }
    redraw();
}

bool CLoggerWnd::adoptIfLoaded() {
    if (!m_view.m_recallLoadedB) {
        return false;
    }
    const AdoptResult adopted = AdoptLoadedSet(m_store, m_doc, m_view);
    if (adopted.listCleared) {
        m_list->setRowCount(0);
        m_selectionMark = -1;
    }
    const LoggerRow row = loggerRow(m_store, adopted.index);
    const int at = m_list->rowCount();
    m_list->insertRow(at);
    const std::string* texts[] = {&row.set, &row.time, &row.rate, &row.nums};
    for (int c = 0; c < 4; ++c) {
        m_list->setItem(at, c, new QTableWidgetItem(QString::fromStdString(*texts[c])));
    }
    m_view.m_recallLoadedB = false;  // adopted once only
    return true;
}

void CLoggerWnd::OnPrint() {
    if (m_doc.m_recallCount <= 0) {
        return;  // nothing loaded, nothing to print
    }
    printTestReport(this, loggerReportSource(m_doc, m_graph, m_view));
}

void CLoggerWnd::OnExportCsv() {
    if (m_doc.m_recallCount <= 0) {
        return;
    }
    const QString path = askExportPath(this, ExportKind::Csv);
    if (!path.isEmpty()) {
        emitIfDone(exportCsvFile(this, path, recallTableInput(m_doc)));
    }
}

void CLoggerWnd::OnExportGraphImage() {
    if (m_doc.m_recallCount <= 0 || m_frame.isNull()) {
        return;
    }
    const QString path = askExportPath(this, ExportKind::GraphImage);
    if (!path.isEmpty()) {
        emitIfDone(exportGraphFile(this, path, m_frame.copy(graphRect()),
                                   shownLoggerReportSource(m_doc, m_graph, m_view)));
    }
}

void CLoggerWnd::emitIfDone(const QString& done) {
    if (!done.isEmpty()) {
        emit exported(done);
    }
}

void CLoggerWnd::OnZoomOut() {
    resetToFullView(true);
    redrawNow();
}

void CLoggerWnd::OnChannel(int only) {
    showLoggerChannel(m_graph, only);
    redraw();
}

void CLoggerWnd::OnYAxis() {
    CYAxisDlg dlg(this);
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    m_view.m_loggerGain = gainFromIndex(dlg.m_gainIndex, m_view.m_loggerGain);
    m_view.m_loggerOffset = offsetFromIndex(dlg.m_offsetIndex, m_view.m_loggerOffset);
    redraw();
}

void CLoggerWnd::redraw() {
    m_compose = true;
    update();
}

void CLoggerWnd::redrawNow() {
    m_compose = true;
    repaint();
}

PixelBuffer CLoggerWnd::frameBuffer() {
    return PixelBuffer{reinterpret_cast<Pixel*>(m_frame.bits()), m_frame.width(), m_frame.height(),
                       static_cast<int>(m_frame.bytesPerLine() / 4)};
}

void CLoggerWnd::drawTexts(const LoggerScene& scene) {
    drawLoggerTexts(m_frame, scene, m_text);
}

void CLoggerWnd::composeFrame() {
    if (m_frame.size() != size()) {
        m_frame = QImage(size(), QImage::Format_RGB32);
    }
    buildLoggerScene(m_graph, m_doc, m_view, m_store.lastSet < 0, frameBuffer(), m_scene);
    drawTexts(m_scene);
    if (m_scene.zoomMode) {
        // Zoom mode makes the scroll bar usable; every return to the full view disables it.
        const QSignalBlocker block(m_scroll);
        m_scroll->setRange(0, m_scene.scrollMax);
        if (m_scene.thumb >= 0) {
            m_scroll->setValue(m_scene.thumb);
        }
        m_scroll->setEnabled(true);
    }
}

void CLoggerWnd::paintEvent(QPaintEvent*) {
    // A newly loaded set joins the store first, so this paint already shows it.
    const bool loaded = m_view.m_recallLoadedB;
    adoptIfLoaded();
    m_view.m_loggerOpen = true;
    if (m_compose || loaded || m_frame.size() != size()) {
        composeFrame();
        m_compose = false;
    }
    QPainter p(this);
    p.drawImage(0, 0, m_frame);
    m_view.m_recallLoadedB = false;
    m_exportCsv->setEnabled(m_doc.m_recallCount > 0);
    m_exportImage->setEnabled(m_doc.m_recallCount > 0);
}

void CLoggerWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return QWidget::mousePressEvent(event);
    }
    const QPoint p = event->position().toPoint();
    loggerButtonDown(m_graph, {p.x(), p.y()});
    m_dragWatch.start();
}

void CLoggerWnd::mouseMoveEvent(QMouseEvent* event) {
    if (m_frame.isNull()) {
        return;
    }
    const QPoint p = event->position().toPoint();
    loggerMouseMove(m_graph, m_doc, m_store.lastSet < 0, {p.x(), p.y()}, frameBuffer(), m_overlay);
    drawTexts(m_overlay);
    update();
}

void CLoggerWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_frame.isNull()) {
        return QWidget::mouseReleaseEvent(event);
    }
    // The drag watch has nothing to watch until the next press.
    m_dragWatch.stop();
    const QPoint p = event->position().toPoint();
    if (loggerButtonUp(m_graph, m_doc, m_store.lastSet < 0, {p.x(), p.y()}, frameBuffer())) {
        redrawNow();
    } else {
        update();
    }
}

void CLoggerWnd::OnDragWatch(QPoint pointer) {
    if (loggerDragWatch(m_graph, {pointer.x(), pointer.y()})) {
        redrawNow();  // the new picture carries no rubber band
        m_dragWatch.stop();
    }
}

void CLoggerWnd::OnHScroll(bool thumbReleased, int pos) {
    const int thumb = loggerScroll(m_graph, thumbReleased, pos);
    {
        const QSignalBlocker block(m_scroll);
        m_scroll->setSliderPosition(thumb);
        m_scroll->setValue(thumb);
    }
    redrawNow();
}

void CLoggerWnd::closeEvent(QCloseEvent* event) {
    resetToFullView(true);
    clearLoggerStore(m_store);
    m_view.m_recallLoadedB = false;
    m_view.m_loggerOpen = false;
    emit closed();
    event->accept();
}

}  // namespace kr5061
