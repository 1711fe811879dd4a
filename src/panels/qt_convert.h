#pragma once

#include <QColor>
#include <QRect>

namespace kr5061 {

// The core's pixel rectangles (left, top, width(), height()) as Qt rectangles.
template <class PixelRectLike>
QRect toQRect(const PixelRectLike& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

// The core's colours (r, g, b from 0 to 255) as Qt colours.
template <class Rgb>
QColor toQColor(const Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace kr5061
