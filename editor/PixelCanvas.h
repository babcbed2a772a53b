// A picture in memory: 32-bit pixels 0xAARRGGBB, row after row, alpha always
// 0xFF. Little-endian memory holds them as B, G, R, A bytes, the layout both
// X11's 24-bit ZPixmap images and 32-bit GDI bitmaps take as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Path;

struct PixelRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool contains(int32_t px, int32_t py) const noexcept {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
    PixelRect inset(int32_t dx, int32_t dy) const noexcept { return {x + dx, y + dy, width - 2 * dx, height - 2 * dy}; }
    PixelRect intersection(const PixelRect& other) const noexcept;
};

// 0xAARRGGBB; the alpha says how much of the colour covers what lies under it.
using Colour = uint32_t;

constexpr Colour withAlpha(Colour colour, uint32_t alpha) noexcept {
    return (colour & 0xFFFFFFu) | (alpha << 24);
}

class PixelCanvas {
public:
    PixelCanvas(int32_t width, int32_t height);

    int32_t width() const noexcept { return width_; }
    int32_t height() const noexcept { return height_; }
    const uint32_t* pixels() const noexcept { return pixels_.data(); }
    uint32_t pixel(int32_t x, int32_t y) const noexcept { return pixels_[static_cast<size_t>(y) * width_ + x]; }

    void fillRect(const PixelRect& rect, Colour colour);
    // Fills the path's contours (non-zero winding, anti-aliased), limited to
    // `clip`.
    void fillPath(const Path& path, Colour colour, const PixelRect& clip);
    void fillPath(const Path& path, Colour colour) { fillPath(path, colour, {0, 0, width_, height_}); }
    // The rectangle with its corners rounded to `radius` sixteenths of a
    // pixel: only the corners go through the rasterizer.
    void fillRoundedRect(const PixelRect& rect, int32_t radius, Colour colour);
    // Covers the pixels at (x, y) on with `colour`, each in the proportion
    // its coverage byte gives (0 to 255), inside `clip`.
    void blendCoverage(const uint8_t* coverage, int32_t stride, int32_t x, int32_t y, int32_t width,
                       int32_t height, Colour colour, const PixelRect& clip);

private:
    int32_t width_;
    int32_t height_;
    std::vector<uint32_t> pixels_;
    std::vector<uint8_t> coverage_;  // the rasterizer's scratch, kept between paths
};
