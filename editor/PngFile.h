// A canvas written as a PNG file, for pictures of the editor made without a
// window.
#pragma once

#include <string>

#include "PixelCanvas.h"

// True when the whole file was written.
bool writePng(const PixelCanvas& canvas, const std::string& path);
