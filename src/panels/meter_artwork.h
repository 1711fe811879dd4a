#pragma once

#include <QCursor>
#include <QImage>

namespace kr5061 {

struct MeterKey;

inline constexpr int kMeterImageWidth = 220, kMeterImageHeight = 648;

// Our picture of the instrument's front, 24-bit, with its keys drawn in place.
QImage meterFrontImage();

// A key's image: the part of the front under the key, at the key's image size,
// so a key button looks exactly like the body around it.
QImage meterKeyImage(const QImage& front, const MeterKey& key);

// The pointing hand shown over the keys.
QCursor meterKeyCursor();

}  // namespace kr5061
