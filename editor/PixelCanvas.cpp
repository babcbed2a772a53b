#include "PixelCanvas.h"

#include <algorithm>
#include <limits>

#include <stb_truetype.h>

#include "Path.h"

namespace {

// (a * s + (255 - a) * d) / 255, rounded, in integers.
uint32_t mix(uint32_t source, uint32_t destination, uint32_t alpha) {
    const uint32_t t = source * alpha + destination * (255 - alpha) + 128;
    return (t + (t >> 8)) >> 8;
}

uint32_t blend(uint32_t under, Colour colour, uint32_t alpha) {
    const uint32_t r = mix((colour >> 16) & 0xFF, (under >> 16) & 0xFF, alpha);
    const uint32_t g = mix((colour >> 8) & 0xFF, (under >> 8) & 0xFF, alpha);
    const uint32_t b = mix(colour & 0xFF, under & 0xFF, alpha);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

int32_t floorDiv(int32_t value, int32_t divisor) {
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

}  // namespace

PixelRect PixelRect::intersection(const PixelRect& other) const noexcept {
    const int32_t x0 = std::max(x, other.x), y0 = std::max(y, other.y);
    const int32_t x1 = std::min(x + width, other.x + other.width);
    const int32_t y1 = std::min(y + height, other.y + other.height);
    return {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

PixelCanvas::PixelCanvas(int32_t width, int32_t height)
    : width_(std::max(0, width)),
      height_(std::max(0, height)),
      pixels_(static_cast<size_t>(width_) * height_, 0xFF000000u) {}

void PixelCanvas::fillRect(const PixelRect& rect, Colour colour) {
    const PixelRect area = rect.intersection({0, 0, width_, height_});
    const uint32_t alpha = colour >> 24;
    for (int32_t y = area.y; y < area.y + area.height; ++y) {
        uint32_t* row = pixels_.data() + static_cast<size_t>(y) * width_;
        if (alpha == 255) {
            std::fill(row + area.x, row + area.x + area.width, colour);
            continue;
        }
        for (int32_t x = area.x; x < area.x + area.width; ++x) row[x] = blend(row[x], colour, alpha);
    }
}

void PixelCanvas::fillRoundedRect(const PixelRect& rect, int32_t radius, Colour colour) {
    const int32_t corner =
        std::min((std::max(radius, 0) + pathUnit - 1) / pathUnit, std::min(rect.width, rect.height) / 2);
    const int32_t right = rect.x + rect.width - corner, bottom = rect.y + rect.height - corner;
    fillRect({rect.x, rect.y + corner, rect.width, rect.height - 2 * corner}, colour);
    fillRect({rect.x + corner, rect.y, rect.width - 2 * corner, corner}, colour);
    fillRect({rect.x + corner, bottom, rect.width - 2 * corner, corner}, colour);
    if (corner == 0) return;
    Path path;
    path.roundedRectangle(rect.x * pathUnit, rect.y * pathUnit, (rect.x + rect.width) * pathUnit,
                          (rect.y + rect.height) * pathUnit, radius);
    const PixelRect corners[] = {{rect.x, rect.y, corner, corner},
                                 {right, rect.y, corner, corner},
                                 {rect.x, bottom, corner, corner},
                                 {right, bottom, corner, corner}};
    for (const PixelRect& square : corners) fillPath(path, colour, square);
}

void PixelCanvas::blendCoverage(const uint8_t* coverage, int32_t stride, int32_t x, int32_t y, int32_t width,
                                int32_t height, Colour colour, const PixelRect& clip) {
    const PixelRect area = PixelRect{x, y, width, height}.intersection(clip).intersection({0, 0, width_, height_});
    const uint32_t alpha = colour >> 24;
    for (int32_t py = area.y; py < area.y + area.height; ++py) {
        const uint8_t* cover = coverage + static_cast<size_t>(py - y) * stride;
        uint32_t* row = pixels_.data() + static_cast<size_t>(py) * width_;
        for (int32_t px = area.x; px < area.x + area.width; ++px) {
            const uint32_t amount = (cover[px - x] * alpha + 127) / 255;
            if (amount == 255) {
                row[px] = colour | 0xFF000000u;
            } else if (amount != 0) {
                row[px] = blend(row[px], colour, amount);
            }
        }
    }
}

void PixelCanvas::fillPath(const Path& path, Colour colour, const PixelRect& clip) {
    if (path.empty()) return;
    int32_t x0 = std::numeric_limits<int32_t>::max(), y0 = x0;
    int32_t x1 = std::numeric_limits<int32_t>::min(), y1 = x1;
    for (const PathPoint& p : path.points()) {
        x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    }
    const PixelRect area = PixelRect{floorDiv(x0, pathUnit), floorDiv(y0, pathUnit),
                                     floorDiv(x1, pathUnit) - floorDiv(x0, pathUnit) + 1,
                                     floorDiv(y1, pathUnit) - floorDiv(y0, pathUnit) + 1}
                               .intersection(clip)
                               .intersection({0, 0, width_, height_});
    if (area.width == 0 || area.height == 0) return;

    // The rasterizer takes 16-bit coordinates, relative to the area, which
    // is never wider than the canvas; and only edges that reach into the
    // area, so contours are cut along its top.
    const int32_t left = area.x * pathUnit, top = area.y * pathUnit;
    std::vector<stbtt_vertex> vertices;
    const auto add = [&](int32_t x, int32_t y, bool starts) {
        const int32_t limit = std::numeric_limits<int16_t>::max();
        stbtt_vertex vertex{};
        vertex.x = static_cast<int16_t>(std::clamp(x - left, -limit, limit));
        vertex.y = static_cast<int16_t>(std::clamp(y - top, 0, limit));
        vertex.type = starts ? STBTT_vmove : STBTT_vline;
        vertices.push_back(vertex);
    };
    const auto& points = path.points();
    const auto& contours = path.contours();
    for (size_t c = 0; c < contours.size(); ++c) {
        const size_t first = static_cast<size_t>(contours[c]);
        const size_t end = c + 1 < contours.size() ? static_cast<size_t>(contours[c + 1]) : points.size();
        const size_t start = vertices.size();
        for (size_t i = first; i < end; ++i) {
            const PathPoint a = points[i], b = points[i + 1 < end ? i + 1 : first];
            if (a.y >= top) add(a.x, a.y, vertices.size() == start);
            if ((a.y >= top) != (b.y >= top)) {
                // Where the edge crosses the top, to the nearest sixteenth.
                const int64_t run = int64_t{b.x - a.x} * (top - a.y), rise = b.y - a.y;
                const int64_t twice = rise > 0 ? 2 * run + rise : -2 * run - rise;
                const int64_t step = rise > 0 ? 2 * rise : -2 * rise;
                const int64_t offset = twice >= 0 ? twice / step : -((-twice + step - 1) / step);
                add(a.x + static_cast<int32_t>(offset), top, vertices.size() == start);
            }
        }
    }
    if (vertices.empty()) return;
    coverage_.assign(static_cast<size_t>(area.width) * area.height, 0);
    stbtt__bitmap bitmap{area.width, area.height, area.width, coverage_.data()};
    const float scale = 1.0f / pathUnit;
    stbtt_Rasterize(&bitmap, 0.35f, vertices.data(), static_cast<int>(vertices.size()), scale, scale, 0.0f, 0.0f, 0,
                    0, 0, nullptr);
    blendCoverage(coverage_.data(), area.width, area.x, area.y, area.width, area.height, colour, area);
}
