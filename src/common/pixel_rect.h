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

}  // namespace kr5061
