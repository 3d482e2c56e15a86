// The score font: DejaVu Sans Bold rendered through FreeType into one
// picture, described by a font descriptor of two layers: white glyphs (the
// caller's colour tints them) over a soft dark shadow that keeps them
// readable on any floor.

#include "tools/datagen/Canvas.h"
#include "tools/datagen/Makers.h"
#include "tools/datagen/Typefaces.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace DataGen {

namespace {

constexpr int kPixelSize = 28;
// The shadow's glyphs are blurred, so their cells are wider by this much on
// every side.
constexpr int kShadowPad = 3;
constexpr int kRowWidth = 1024;
const std::string kCharacters = " 0123456789+-?ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

struct Glyph {
    char c;
    int advance;
    int left;
    int top;
    int width;
    int rows;
    std::vector<uint8_t> coverage;
};

struct Cell {
    int x, y, w, h;
};

std::string Quoted(char c)
{
    return std::string("'") + c + "'";
}

// Places cells of the given widths in rows of at most kRowWidth.
std::vector<Cell> Pack(const std::vector<int>& widths, int height, int& top)
{
    std::vector<Cell> cells;
    int x = 0;
    for (const int w : widths) {
        if (x + w > kRowWidth) {
            x = 0;
            top += height + 1;
        }
        cells.push_back({x, top, w, height});
        x += w + 1;
    }
    top += height + 1;
    return cells;
}

std::string Layer(const std::string& name, const std::vector<Glyph>& glyphs, const std::vector<Cell>& cells,
    int offsetX, int offsetY, int pad)
{
    std::string chars;
    std::string rects;
    std::string offsets;
    std::string widths;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = glyphs[i];
        const Cell& cell = cells[i];
        const std::string sep = i == 0 ? "" : ", ";
        chars += sep + Quoted(g.c);
        rects += sep + "(" + std::to_string(cell.x) + ", " + std::to_string(cell.y) + ", " + std::to_string(cell.w) + ", " +
                 std::to_string(cell.h) + ")";
        offsets += sep + "(" + std::to_string(g.left - pad + offsetX) + ", " + std::to_string(offsetY - pad) + ")";
        widths += sep + std::to_string(g.advance);
    }
    return "Define " + name + "Chars (" + chars + ");\n" +
           "LayerSetImageMap " + name + " " + name + "Chars (" + rects + ");\n" +
           "LayerSetCharOffsets " + name + " " + name + "Chars (" + offsets + ");\n" +
           "LayerSetCharWidths " + name + " " + name + "Chars (" + widths + ");\n";
}

} // namespace

void MakeScoreFont(const Typefaces& faces, Files& packed)
{
    FT_Face face = faces.Bold();
    if (FT_Set_Pixel_Sizes(face, 0, kPixelSize) != 0)
        throw std::runtime_error("cannot size the score font");
    const int ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    const int descent = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
    const int height = ascent + descent;
    if (height > 35 || ascent > 64)
        throw std::runtime_error("the score font is too tall for the score table's rows");

    std::vector<Glyph> glyphs;
    for (const char c : kCharacters) {
        if (FT_Load_Char(face, static_cast<unsigned char>(c), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0)
            throw std::runtime_error(std::string("cannot render the character ") + c);
        const FT_GlyphSlot slot = face->glyph;
        Glyph g{c, static_cast<int>((slot->advance.x + 32) >> 6), slot->bitmap_left, slot->bitmap_top,
            static_cast<int>(slot->bitmap.width), static_cast<int>(slot->bitmap.rows), {}};
        for (int y = 0; y < g.rows; ++y) {
            const unsigned char* row = slot->bitmap.buffer + static_cast<ptrdiff_t>(y) * slot->bitmap.pitch;
            g.coverage.insert(g.coverage.end(), row, row + g.width);
        }
        // The blank keeps its advance as an empty cell.
        if (g.width == 0) {
            g.width = g.advance;
            g.left = 0;
        }
        glyphs.push_back(std::move(g));
    }

    std::vector<int> mainWidths;
    std::vector<int> shadowWidths;
    for (const Glyph& g : glyphs) {
        mainWidths.push_back(g.width);
        shadowWidths.push_back(g.width + 2 * kShadowPad);
    }
    int top = 0;
    const std::vector<Cell> mainCells = Pack(mainWidths, height, top);
    const std::vector<Cell> shadowCells = Pack(shadowWidths, height + 2 * kShadowPad, top);

    Canvas image(kRowWidth, top);
    Canvas shadow(kRowWidth, top);
    image.Flush();
    shadow.Flush();
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = glyphs[i];
        for (int y = 0; y < g.rows; ++y) {
            const int row = ascent - g.top + y;
            if (row < 0 || row >= height)
                continue;
            for (int x = 0; x < g.width; ++x) {
                const uint32_t a = g.coverage[static_cast<size_t>(y) * static_cast<size_t>(g.width) + x];
                // White: premultiplied, every channel equals the alpha.
                const uint32_t word = a << 24 | a << 16 | a << 8 | a;
                image.Row(mainCells[i].y + row)[mainCells[i].x + x] = word;
                shadow.Row(shadowCells[i].y + kShadowPad + row)[shadowCells[i].x + kShadowPad + x] = word;
            }
        }
    }
    image.MarkDirty();
    shadow.MarkDirty();
    Blur(shadow, 2);
    // The blurred copies join the crisp ones in one picture.
    cairo_set_source_surface(image.Cr(), shadow.Surface(), 0, 0);
    cairo_paint(image.Cr());

    std::string kerning;
    std::string kerningValues;
    if (FT_HAS_KERNING(face)) {
        for (const Glyph& a : glyphs) {
            for (const Glyph& b : glyphs) {
                FT_Vector k;
                FT_Get_Kerning(face, FT_Get_Char_Index(face, static_cast<unsigned char>(a.c)),
                    FT_Get_Char_Index(face, static_cast<unsigned char>(b.c)), FT_KERNING_DEFAULT, &k);
                const int pixels = static_cast<int>(k.x >= 0 ? (k.x + 32) >> 6 : -((-k.x + 32) >> 6));
                if (pixels == 0 || a.c == ' ' || b.c == ' ')
                    continue;
                kerning += std::string(kerning.empty() ? "" : ", ") + "'" + a.c + b.c + "'";
                kerningValues += std::string(kerningValues.empty() ? "" : ", ") + std::to_string(pixels);
            }
        }
    }

    std::string descriptor = "# The score font: DejaVu Sans Bold at " + std::to_string(kPixelSize) +
                             " pixels, white over a soft shadow.\n"
                             "SetDefaultPointSize " + std::to_string(kPixelSize) + ";\n";
    for (const std::string layer : {"Shadow", "Main"}) {
        const bool isShadow = layer == "Shadow";
        descriptor += "CreateLayer " + layer + ";\n"
                      "LayerSetImage " + layer + " 'score.png';\n"
                      "LayerSetPointSize " + layer + " " + std::to_string(kPixelSize) + ";\n"
                      "LayerSetAscent " + layer + " " + std::to_string(ascent) + ";\n"
                      "LayerSetHeight " + layer + " " + std::to_string(height) + ";\n";
        if (isShadow)
            descriptor += "LayerSetColorMult Shadow (0, 0, 0, 0.75);\n"
                          "LayerSetBaseOrder Shadow -1;\n";
        descriptor += Layer(layer, glyphs, isShadow ? shadowCells : mainCells, isShadow ? 1 : 0, isShadow ? 2 : 0,
            isShadow ? kShadowPad : 0);
        if (!kerning.empty())
            descriptor += "LayerSetKerningPairs " + layer + " (" + kerning + ") (" + kerningValues + ");\n";
    }
    packed.push_back({"fonts/score.png", image.Png()});
    packed.push_back({"fonts/score.txt", descriptor});
}

} // namespace DataGen
