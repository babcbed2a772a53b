// The editor's typeface, embedded in the library, and text drawn with it.
// Glyphs sit on whole pixels and advance in 64ths of a pixel, all in integers,
// so a text has the same pixels on every build.
#pragma once

#include <cstdint>
#include <string_view>

#include "PixelCanvas.h"

class TextFont {
public:
    // [any thread] the embedded font, read only once made.
    static const TextFont& embedded();

    // Width in pixels of `text` at `size` pixels to the em.
    int32_t width(std::string_view text, int32_t size) const;
    // Height in pixels of a capital letter above the baseline.
    int32_t capHeight(int32_t size) const;
    // Draws `text` with its baseline at `baseline`, starting at x.
    void draw(PixelCanvas& canvas, std::string_view text, int32_t x, int32_t baseline, int32_t size, Colour colour,
              const PixelRect& clip) const;

    TextFont(const TextFont&) = delete;
    TextFont& operator=(const TextFont&) = delete;

private:
    TextFont();
    ~TextFont();
    struct Face;
    Face* face_;
};
