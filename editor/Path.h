// Outlines to fill, in sixteenths of a pixel: closed contours of straight
// edges. Lines and curves are drawn as the outlines of their strokes.
#pragma once

#include <cstdint>
#include <vector>

// Sixteenths of a pixel per pixel.
constexpr int32_t pathUnit = 16;

struct PathPoint {
    int32_t x;
    int32_t y;
};

class Path {
public:
    // Starts a new contour; each one closes back to its first point.
    void moveTo(int32_t x, int32_t y);
    void lineTo(int32_t x, int32_t y);

    void rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    // Corners rounded to `radius`, at most half the shorter side.
    void roundedRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t radius);
    // A line of `width` from a to b, squared off half a width beyond both
    // ends so that segments of a polyline overlap at their joints.
    void segment(PathPoint a, PathPoint b, int32_t width);
    void polyline(const PathPoint* points, int32_t count, int32_t width);

    bool empty() const noexcept { return points_.empty(); }
    const std::vector<PathPoint>& points() const noexcept { return points_; }
    // Index of each contour's first point.
    const std::vector<int32_t>& contours() const noexcept { return contours_; }

private:
    std::vector<PathPoint> points_;
    std::vector<int32_t> contours_;
};
