#pragma once

namespace kr5061 {

// A window rectangle in pixels; right and bottom are exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

inline PixelRect rectAt(int x, int y, int width, int height) {
    return {x, y, x + width, y + height};
}

// A width x height rectangle centred in `area` and kept wholly inside it; on
// an axis where it is larger than the area it starts at the area's start, so
// its title bar and top-left corner stay reachable.
inline PixelRect centredIn(const PixelRect& area, int width, int height) {
    const auto start = [](int lo, int hi, int size) {
        const int free = hi - lo - size;
        return free <= 0 ? lo : lo + free / 2;
    };
    return rectAt(start(area.left, area.right, width), start(area.top, area.bottom, height), width,
                  height);
}

}  // namespace kr5061
