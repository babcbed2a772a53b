#include "Path.h"

#include <algorithm>
#include <cmath>

namespace {

// A quarter circle in 15-degree steps, cos and sin times 65536: constants
// rather than the C library's trigonometry, whose last bits differ between
// builds.
constexpr int32_t quarterCos[7] = {65536, 63302, 56756, 46341, 32768, 16962, 0};

int32_t part(int32_t radius, int32_t fraction) {
    return static_cast<int32_t>((static_cast<int64_t>(radius) * fraction + 32768) >> 16);
}

int32_t nearest(double value) { return static_cast<int32_t>(std::floor(value + 0.5)); }

}  // namespace

void Path::moveTo(int32_t x, int32_t y) {
    contours_.push_back(static_cast<int32_t>(points_.size()));
    points_.push_back({x, y});
}

void Path::lineTo(int32_t x, int32_t y) {
    if (contours_.empty()) {
        moveTo(x, y);
        return;
    }
    points_.push_back({x, y});
}

void Path::rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    moveTo(x0, y0);
    lineTo(x1, y0);
    lineTo(x1, y1);
    lineTo(x0, y1);
}

void Path::roundedRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t radius) {
    radius = std::clamp(radius, 0, std::min(x1 - x0, y1 - y0) / 2);
    if (radius == 0) {
        rectangle(x0, y0, x1, y1);
        return;
    }
    const int32_t left = x0 + radius, top = y0 + radius, right = x1 - radius, bottom = y1 - radius;
    // Clockwise on screen, each corner from the end of one side to the start
    // of the next.
    moveTo(x0, top);
    for (int i = 1; i < 7; ++i) lineTo(left - part(radius, quarterCos[i]), top - part(radius, quarterCos[6 - i]));
    for (int i = 0; i < 7; ++i) lineTo(right + part(radius, quarterCos[6 - i]), top - part(radius, quarterCos[i]));
    for (int i = 0; i < 7; ++i) lineTo(right + part(radius, quarterCos[i]), bottom + part(radius, quarterCos[6 - i]));
    for (int i = 0; i < 7; ++i) lineTo(left - part(radius, quarterCos[6 - i]), bottom + part(radius, quarterCos[i]));
}

void Path::segment(PathPoint a, PathPoint b, int32_t width) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    // Half a width along the segment and across it; a point becomes a square.
    const double half = width * 0.5;
    const double ux = length > 0.0 ? dx / length * half : half;
    const double uy = length > 0.0 ? dy / length * half : 0.0;
    const double ax = a.x - ux, ay = a.y - uy, bx = b.x + ux, by = b.y + uy;
    moveTo(nearest(ax - uy), nearest(ay + ux));
    lineTo(nearest(bx - uy), nearest(by + ux));
    lineTo(nearest(bx + uy), nearest(by - ux));
    lineTo(nearest(ax + uy), nearest(ay - ux));
}

void Path::polyline(const PathPoint* points, int32_t count, int32_t width) {
    // Without repeated points every segment has a direction.
    std::vector<PathPoint> line;
    for (int32_t i = 0; i < count; ++i) {
        if (line.empty() || line.back().x != points[i].x || line.back().y != points[i].y) line.push_back(points[i]);
    }
    if (line.size() < 2) {
        if (!line.empty()) segment(line[0], line[0], width);
        return;
    }
    // One contour: out along the left edge and back along the right, each
    // corner mitred (to at most twice the half width), so the stroke has no
    // seams where segments meet.
    const size_t last = line.size() - 1;
    std::vector<double> normalX(last), normalY(last);
    for (size_t i = 0; i < last; ++i) {
        const double dx = line[i + 1].x - line[i].x, dy = line[i + 1].y - line[i].y;
        const double length = std::sqrt(dx * dx + dy * dy);
        normalX[i] = -dy / length;
        normalY[i] = dx / length;
    }
    const double half = width * 0.5;
    std::vector<PathPoint> right(line.size());
    for (size_t j = 0; j <= last; ++j) {
        const size_t before = j == 0 ? 0 : j - 1, after = j == last ? last - 1 : j;
        double mx = normalX[before] + normalX[after], my = normalY[before] + normalY[after];
        const double length = std::sqrt(mx * mx + my * my);
        if (length < 1e-9) {
            mx = normalX[after], my = normalY[after];
        } else {
            mx /= length, my /= length;
        }
        const double reach = half / std::max(mx * normalX[after] + my * normalY[after], 0.5);
        const PathPoint left{nearest(line[j].x + mx * reach), nearest(line[j].y + my * reach)};
        if (j == 0) {
            moveTo(left.x, left.y);
        } else {
            lineTo(left.x, left.y);
        }
        right[j] = {nearest(line[j].x - mx * reach), nearest(line[j].y - my * reach)};
    }
    for (size_t j = line.size(); j-- > 0;) lineTo(right[j].x, right[j].y);
}
