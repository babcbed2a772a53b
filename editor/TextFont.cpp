#include "TextFont.h"

#include <cstddef>
#include <vector>

#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

extern const unsigned char embeddedFont[];
extern const size_t embeddedFontSize;

struct TextFont::Face {
    bool valid = false;
    stbtt_fontinfo info{};
    int32_t unitsPerEm = 2048;
    int32_t capUnits = 0;
};

namespace {

int32_t readUnsigned16(const unsigned char* data) { return (data[0] << 8) | data[1]; }

// Latin-1 text: each byte is its own code point.
int codePoint(char c) { return static_cast<unsigned char>(c); }

}  // namespace

const TextFont& TextFont::embedded() {
    static const TextFont font;
    return font;
}

TextFont::TextFont() : face_(new Face) {
    const int offset = stbtt_GetFontOffsetForIndex(embeddedFont, 0);
    if (offset < 0 || stbtt_InitFont(&face_->info, embeddedFont, offset) == 0) return;
    face_->valid = true;
    face_->unitsPerEm = readUnsigned16(embeddedFont + face_->info.head + 18);
    int x0, y0, x1, y1;
    if (stbtt_GetCodepointBox(&face_->info, 'H', &x0, &y0, &x1, &y1) != 0) face_->capUnits = y1;
}

TextFont::~TextFont() { delete face_; }

int32_t TextFont::capHeight(int32_t size) const {
    return (face_->capUnits * size + face_->unitsPerEm / 2) / face_->unitsPerEm;
}

int32_t TextFont::width(std::string_view text, int32_t size) const {
    if (!face_->valid) return 0;
    int64_t pen = 0;  // font units times size
    int previous = 0;
    for (char c : text) {
        const int glyph = stbtt_FindGlyphIndex(&face_->info, codePoint(c));
        if (previous != 0) pen += int64_t{stbtt_GetGlyphKernAdvance(&face_->info, previous, glyph)} * size;
        int advance, bearing;
        stbtt_GetGlyphHMetrics(&face_->info, glyph, &advance, &bearing);
        pen += int64_t{advance} * size;
        previous = glyph;
    }
    return static_cast<int32_t>((pen + face_->unitsPerEm / 2) / face_->unitsPerEm);
}

void TextFont::draw(PixelCanvas& canvas, std::string_view text, int32_t x, int32_t baseline, int32_t size,
                    Colour colour, const PixelRect& clip) const {
    if (!face_->valid || size <= 0) return;
    // The power-of-two units of TrueType fonts make this quotient exact.
    const float scale = static_cast<float>(size) / static_cast<float>(face_->unitsPerEm);
    std::vector<uint8_t> bitmap;
    int64_t pen = 0;  // font units times size
    int previous = 0;
    for (char c : text) {
        const int glyph = stbtt_FindGlyphIndex(&face_->info, codePoint(c));
        if (previous != 0) pen += int64_t{stbtt_GetGlyphKernAdvance(&face_->info, previous, glyph)} * size;
        const int32_t left = x + static_cast<int32_t>((pen + face_->unitsPerEm / 2) / face_->unitsPerEm);
        int x0, y0, x1, y1;
        stbtt_GetGlyphBitmapBox(&face_->info, glyph, scale, scale, &x0, &y0, &x1, &y1);
        if (x1 > x0 && y1 > y0) {
            bitmap.assign(static_cast<size_t>(x1 - x0) * (y1 - y0), 0);
            stbtt_MakeGlyphBitmap(&face_->info, bitmap.data(), x1 - x0, y1 - y0, x1 - x0, scale, scale, glyph);
            canvas.blendCoverage(bitmap.data(), x1 - x0, left + x0, baseline + y0, x1 - x0, y1 - y0, colour, clip);
        }
        int advance, bearing;
        stbtt_GetGlyphHMetrics(&face_->info, glyph, &advance, &bearing);
        pen += int64_t{advance} * size;
        previous = glyph;
    }
}
