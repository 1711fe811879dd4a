#pragma once

#include <QImage>
#include <QString>

#include "psychro/chart_scene.h"

class QWidget;

namespace kr5061::psychro {

// Writes the chart: for a ".pdf" name an A4 landscape page drawn as vectors
// from the scenes' inputs, for any other name `picture` as PNG. Through a
// temporary file, so a failure never leaves half a file; false with the reason.
bool writeChartFile(const QString& path, const ChartBackgroundInputs& background,
                    const ChartOverlayInputs& overlay, const QImage& picture, QString* why);

// Asks for a printer and prints the chart on one landscape page; a failure
// is told in a message box.
void printChart(QWidget* parent, const ChartBackgroundInputs& background,
                const ChartOverlayInputs& overlay);

}  // namespace kr5061::psychro
