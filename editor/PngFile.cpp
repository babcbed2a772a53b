#include "PngFile.h"

#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

bool writePng(const PixelCanvas& canvas, const std::string& path) {
    if (canvas.width() == 0 || canvas.height() == 0) return false;
    std::vector<unsigned char> rgb;
    rgb.reserve(static_cast<size_t>(canvas.width()) * canvas.height() * 3);
    for (int32_t y = 0; y < canvas.height(); ++y) {
        for (int32_t x = 0; x < canvas.width(); ++x) {
            const uint32_t pixel = canvas.pixel(x, y);
            rgb.push_back(static_cast<unsigned char>(pixel >> 16));
            rgb.push_back(static_cast<unsigned char>(pixel >> 8));
            rgb.push_back(static_cast<unsigned char>(pixel));
        }
    }
    return stbi_write_png(path.c_str(), canvas.width(), canvas.height(), 3, rgb.data(), canvas.width() * 3) != 0;
}
