#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "common/run_state.h"
#include "psychro/chart_canvas.h"
#include "psychro/psychro_settings.h"
#include "store/hyg_doc.h"

class QAction;
class QLabel;
class QTableWidget;

namespace kr5061::psychro {

// The five readings of the latest accepted frame, Celsius scale.
struct LiveReading {
    float values[kChannelCount] = {};
    bool present = false;
};

// "Psychrometric Chart": the chart with the live state point, its fading
// trail and the surface and dew point on the temperature axis; beside it the
// table of every derived quantity, the condensation margin and the pressure in
// use. Its own File menu exports the chart (PNG, or PDF with vector lines)
// and prints it; its Chart menu sets the axes, the pressure and the threshold.
class CPsychroChartWnd : public QWidget {
    Q_OBJECT
public:
    CPsychroChartWnd(const LiveState& state, const CHygDoc& doc, PsychroSettings& settings,
                     QWidget* parent);

    // A new reading: the table, the state point and the trail follow it.
    void showReading(const LiveReading& reading);
    void refresh();

    // Writes the chart to a ".pdf" file as vector drawing on an A4 page, to
    // any other name as the PNG picture on screen; false with the reason.
    bool exportImage(const QString& path, QString* why = nullptr);

    void OnExportGraphImage();
    void OnPrint();
    void OnSettings();
    void OnFollowReadings(bool follow);

    ChartCanvas* canvas() const { return m_canvas; }
    QTableWidget* table() const { return m_table; }
    QLabel* condensationLabel() const { return m_condensation; }
    QAction* exportAction() const { return m_exportAction; }
    QAction* printAction() const { return m_printAction; }

signals:
    // The pressure or the threshold changed: the alarm watch follows them.
    void settingsChanged();

private:
    void createMenus();
    void fillTable(const std::optional<MoistAir>& air, Refusal refusal,
                   std::optional<double> surfaceC, Units units);
    void showMargin(const std::optional<MoistAir>& air, std::optional<double> surfaceC,
                    Units units);
    ChartRange rangeFor(const std::optional<ChartFocus>& state, std::optional<double> surfaceC,
                        std::optional<double> dewPointC) const;
    void applySettings(const PsychroSettings& settings);

    const LiveState& m_state;
    const CHygDoc& m_doc;
    PsychroSettings& m_settings;
    LiveReading m_reading;
    std::optional<ChartRange> m_zoom;  // set by the mouse wheel until a double click
    std::vector<ChartFocus> m_trail;
    ChartCanvas* m_canvas;
    QTableWidget* m_table;
    QLabel* m_condensation;
    QLabel* m_pressure;
    QAction* m_exportAction = nullptr;
    QAction* m_printAction = nullptr;
    QAction* m_followAction = nullptr;
};

}  // namespace kr5061::psychro
