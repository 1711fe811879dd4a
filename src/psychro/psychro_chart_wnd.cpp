#include "psychro/psychro_chart_wnd.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "graph/graph_export.h"
#include "panels/ui_common.h"
#include "psychro/chart_export.h"
#include "psychro/chart_geometry.h"
#include "psychro/chart_settings_dlg.h"
#include "store/number_text.h"

namespace kr5061::psychro {

namespace {

QString utf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The quantity rows, then the surface and its margin to the dew point.
constexpr int kSurfaceRow = kQuantityCount, kMarginRow = kQuantityCount + 1;

const QColor kRiskColour(200, 0, 0);

}  // namespace

CPsychroChartWnd::CPsychroChartWnd(const LiveState& state, const CHygDoc& doc,
                                   PsychroSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), m_state(state), m_doc(doc), m_settings(settings) {
    setWindowTitle(tr("Psychrometric Chart"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_canvas = new ChartCanvas(this);
    m_table = new QTableWidget(kQuantityCount + 2, 3, this);
    m_table->setHorizontalHeaderLabels({tr("Quantity"), tr("Value"), tr("Unit")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        for (int col = 0; col < 3; ++col) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(col == 1 ? Qt::AlignRight | Qt::AlignVCenter
                                            : Qt::AlignLeft | Qt::AlignVCenter);
            m_table->setItem(row, col, item);
        }
    }
    m_condensation = new QLabel(this);
    m_condensation->setWordWrap(true);
    QFont bold = m_condensation->font();
    bold.setBold(true);
    m_condensation->setFont(bold);
    m_pressure = new QLabel(this);
    m_pressure->setWordWrap(true);

    auto* sidePanel = new QWidget(this);
    auto* side = new QVBoxLayout(sidePanel);
    side->setContentsMargins(0, 0, 0, 0);
    side->addWidget(m_table, 1);
    side->addWidget(m_condensation);
    side->addWidget(m_pressure);
    // The table can be narrowed or pushed aside on a small screen.
    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_canvas);
    splitter->addWidget(sidePanel);
    splitter->setStretchFactor(0, 1);
    splitter->setCollapsible(0, false);
    auto* body = new QHBoxLayout(this);
    body->addWidget(splitter);
    createMenus();

    connect(m_canvas, &ChartCanvas::zoomed, this, [this](const ChartRange& r) {
        m_zoom = r;
        refresh();
    });
    connect(m_canvas, &ChartCanvas::zoomResetRequested, this, [this] {
        m_zoom.reset();
        refresh();
    });
    // As large as it is comfortable, but never larger than the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    resize(std::min(1200, screen.width() * 9 / 10), std::min(740, screen.height() * 9 / 10));
    refresh();
}

void CPsychroChartWnd::createMenus() {
    auto* bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    QMenu* file = bar->addMenu(tr("&File"));
    m_exportAction = file->addAction(tr("Export &Graph Image..."));
    m_exportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    m_printAction = file->addAction(tr("&Print"));
    m_printAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addSeparator();
    QAction* close = file->addAction(tr("&Close"));
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    QMenu* chart = bar->addMenu(tr("&Chart"));
    m_followAction = chart->addAction(tr("&Follow the Readings"));
    m_followAction->setCheckable(true);
    m_followAction->setChecked(!m_settings.fixedAxes);
    QAction* reset = chart->addAction(tr("&Reset Zoom"));
    QAction* settings = chart->addAction(tr("Chart &Settings..."));
    connect(m_exportAction, &QAction::triggered, this, &CPsychroChartWnd::OnExportGraphImage);
    connect(m_printAction, &QAction::triggered, this, &CPsychroChartWnd::OnPrint);
    connect(close, &QAction::triggered, this, &QWidget::close);
    connect(m_followAction, &QAction::toggled, this, &CPsychroChartWnd::OnFollowReadings);
    connect(reset, &QAction::triggered, m_canvas, &ChartCanvas::zoomResetRequested);
    connect(settings, &QAction::triggered, this, &CPsychroChartWnd::OnSettings);
}

void CPsychroChartWnd::showReading(const LiveReading& reading) {
    m_reading = reading;
    refresh();
}

ChartRange CPsychroChartWnd::rangeFor(const std::optional<ChartFocus>& state,
                                      std::optional<double> surfaceC,
                                      std::optional<double> dewPointC) const {
    if (m_zoom) {
        return *m_zoom;
    }
    if (m_settings.fixedAxes) {
        return {m_settings.axisMinC, m_settings.axisMaxC, 0, m_settings.axisMaxGPerKg / 1000.0};
    }
    std::vector<ChartFocus> focus = m_trail;
    if (state) {
        focus.push_back(*state);
    }
    std::vector<double> temperatures;
    for (const auto& t : {surfaceC, dewPointC}) {
        if (t)
            temperatures.push_back(*t);
    }
    return followRange(focus, temperatures, m_settings.pressureInUse());
}

void CPsychroChartWnd::refresh() {
    const Units units = m_state.view.m_fahrenheit ? Units::ip : Units::si;
    const double p = m_settings.pressureInUse();
    Outcome now;
    std::optional<double> surface;
    if (m_reading.present) {
        now = fromRelativeHumidity(m_reading.values[kAir], m_reading.values[kHumidity], p);
        surface = surfaceOf(m_reading.values[kSurface]);
    }
    // The trail: the latest committed samples of the current run.
    m_trail.clear();
    const int n = std::clamp(m_state.view.m_sampleIndex, 0, kSampleCapacity);
    for (int i = std::max(0, n - kTrailLength); i < n; ++i) {
        const Outcome s =
            fromRelativeHumidity(m_doc.m_live[kAir][i], m_doc.m_live[kHumidity][i], p);
        if (s.air) {
            m_trail.push_back({s.air->dryBulbC, s.air->humidityRatio});
        }
    }
    ChartOverlayInputs overlay;
    if (now.air) {
        overlay.state = ChartFocus{now.air->dryBulbC, now.air->humidityRatio};
        overlay.dewPointC = now.air->dewPointC;
    }
    overlay.trail = m_trail;
    overlay.surfaceC = surface;
    overlay.thresholdK = m_settings.condensationThresholdK;
    m_canvas->setChart(rangeFor(overlay.state, surface, overlay.dewPointC), p, units, overlay);
    fillTable(now.air, m_reading.present ? now.refusal : Refusal::none, surface, units);
    showMargin(now.air, surface, units);
    if (m_reading.present && now.refusal != Refusal::none) {
        m_condensation->setText(utf8(refusalText(now.refusal)));
    }
    const DisplayUnits du{units};
    m_pressure->setText(
        m_settings.useAltitude
            ? tr("Pressure in use: %1 (altitude %2 m)")
                  .arg(utf8(du.pressureText(p)), QString::number(m_settings.altitudeM, 'f', 0))
            : tr("Pressure in use: %1").arg(utf8(du.pressureText(p))));
}

void CPsychroChartWnd::fillTable(const std::optional<MoistAir>& air, Refusal refusal,
                                 std::optional<double> surfaceC, Units units) {
    const MoistAir shown = air.value_or(MoistAir{});
    const auto quantities = quantitiesOf(shown, units);
    for (int row = 0; row < kQuantityCount; ++row) {
        const Quantity& q = quantities[static_cast<std::size_t>(row)];
        m_table->item(row, 0)->setText(utf8(q.label));
        // Readings the formulas do not cover are said to be so, never shown as numbers.
        m_table->item(row, 1)->setText(air                        ? QString::fromStdString(q.text())
                                       : refusal != Refusal::none ? tr("out of range")
                                                                  : tr("----"));
        m_table->item(row, 2)->setText(utf8(q.unit));
    }
    const DisplayUnits du{units};
    m_table->item(kSurfaceRow, 0)->setText(tr("Surface (K/IR)"));
    m_table->item(kSurfaceRow, 1)
        ->setText(surfaceC ? QString::fromStdString(formatFixed(du.tOut(*surfaceC), 1))
                           : tr("----"));
    m_table->item(kSurfaceRow, 2)->setText(utf8(du.temperatureUnit()));
    m_table->item(kMarginRow, 0)->setText(tr("Surface \u2212 dew point"));
    m_table->item(kMarginRow, 2)->setText(utf8(du.marginUnit()));
    m_table->setToolTip(utf8(refusalText(refusal)));
}

void CPsychroChartWnd::showMargin(const std::optional<MoistAir>& air,
                                  std::optional<double> surfaceC, Units units) {
    const DisplayUnits du{units};
    const Condensation c = condensationOf(surfaceC, air ? air->dewPointC : std::nullopt,
                                          m_settings.condensationThresholdK);
    QTableWidgetItem* value = m_table->item(kMarginRow, 1);
    const bool risk =
        c.level == CondensationLevel::risk || c.level == CondensationLevel::condensation;
    const QColor colour = risk ? kRiskColour : palette().color(QPalette::WindowText);
    value->setForeground(colour);
    m_condensation->setStyleSheet(risk ? QStringLiteral("color: rgb(200, 0, 0);") : QString());
    if (!c.marginK) {
        // No surface reading, no margin.
        value->setText(QString());
        m_condensation->clear();
        return;
    }
    const QString margin = QString::fromStdString(formatFixed(du.marginOut(*c.marginK), 1));
    value->setText(margin);
    const QString words = utf8(condensationWords(c.level));
    m_condensation->setText(words.isEmpty()
                                ? tr("Margin %1 %2").arg(margin, utf8(du.marginUnit()))
                                : tr("%1: margin %2 %3").arg(words, margin, utf8(du.marginUnit())));
}

bool CPsychroChartWnd::exportImage(const QString& path, QString* why) {
    return writeChartFile(path, m_canvas->backgroundInputs(), m_canvas->overlayInputs(),
                          m_canvas->picture(), why);
}

void CPsychroChartWnd::OnExportGraphImage() {
    const QString path = askExportPath(this, ExportKind::GraphImage);
    QString why;
    if (!path.isEmpty() && !exportImage(path, &why)) {
        showMessage(this, tr("The file %1 could not be written: %2").arg(path, why));
    }
}

void CPsychroChartWnd::OnPrint() {
    printChart(this, m_canvas->backgroundInputs(), m_canvas->overlayInputs());
}

void CPsychroChartWnd::applySettings(const PsychroSettings& settings) {
    m_settings = settings;
    if (!writePsychroSettings(m_settings)) {
        showMessage(this, tr("The settings file could not be written."));
    }
    m_followAction->setChecked(!m_settings.fixedAxes);
    m_zoom.reset();
    refresh();
    emit settingsChanged();
}

void CPsychroChartWnd::OnSettings() {
    CChartSettingsDlg dlg(m_settings, this);
    if (dlg.exec() == QDialog::Accepted) {
        applySettings(dlg.result());
    }
}

void CPsychroChartWnd::OnFollowReadings(bool follow) {
    if (follow == !m_settings.fixedAxes) {
        return;
    }
    PsychroSettings s = m_settings;
    s.fixedAxes = !follow;
    applySettings(s);
}

}  // namespace kr5061::psychro
