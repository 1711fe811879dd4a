#pragma once

#include <cstdint>
#include <vector>

#include "link/frame_reader.h"
#include "link/frames.h"

namespace kr5061::test {

// A live frame as the instrument would send it.
struct FrameFields {
    float air = 23.5f, wetBulb = 17.0f, dewPoint = 13.0f, humidity = 45.2f, surface = 30.0f;
    float display1 = 23.5f, display2 = 45.2f, display3 = 30.0f;
    std::uint8_t marker = 0, statusA = 0xC0, statusB = 0;
};

inline LiveFrame makeFrame(const FrameFields& s) {
    LiveFrame f{};
    for (int i = 0; i < 5; ++i) {
        f[static_cast<std::size_t>(i)] = kLiveHeader[i];
    }
    f[kOffRangeMarker] = s.marker;
    f[kOffStatusA] = s.statusA;
    f[kOffStatusB] = s.statusB;
    writeFloatLE(&f[kOffAir], s.air);
    writeFloatLE(&f[kOffWetBulb], s.wetBulb);
    writeFloatLE(&f[kOffDewPoint], s.dewPoint);
    writeFloatLE(&f[kOffHumidity], s.humidity);
    writeFloatLE(&f[kOffSurface], s.surface);
    writeFloatLE(&f[kOffDisplay1], s.display1);
    writeFloatLE(&f[kOffDisplay2], s.display2);
    writeFloatLE(&f[kOffDisplay3], s.display3);
    f[kLiveTrailerOffset] = kLiveTrailer;
    return f;
}

inline LiveFrame makeFrame() {
    return makeFrame(FrameFields{});
}

}  // namespace kr5061::test
