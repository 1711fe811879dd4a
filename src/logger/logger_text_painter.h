#pragma once

#include <QImage>
#include <QString>

#include "logger/logger_scene.h"

namespace kr5061 {

// Draws the texts of a logger scene onto `image`, black on opaque white cells
// anchored at their top-left. `scratch` is reused for every text, so painting
// allocates no strings once it has grown.
void drawLoggerTexts(QImage& image, const LoggerScene& scene, QString& scratch);

}  // namespace kr5061
