// System fonts as the desktop has them: fontconfig finds the face file,
// FreeType draws its characters.

#include "platform/SystemFont.h"

#include "platform/TextEncoding.h"
#include "platform/posix/NameMatch.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

namespace Platform {

namespace {

// What the framework's data ask for by the other desktop's names.
bool StandsForSans(const std::string& face)
{
    const std::string name = Detail::AsciiLower(face);
    return name == "arial" || name == "arial unicode ms" || name == "tahoma";
}

struct FaceChoice {
    std::string file;
    int index = 0;
    // The face lacks the style asked for: the outlines make up for it.
    bool embolden = false;
    bool slant = false;
};

struct PatternFreer {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternFreer>;

std::optional<FaceChoice> ChooseFace(const std::string& face, bool bold, bool italic)
{
    // fontconfig keeps its configuration and caches for the whole process;
    // they are given back at exit, so that a leak check sees only ours.
    [[maybe_unused]] static const int releasedAtExit = std::atexit(FcFini);
    const Pattern wanted(FcPatternCreate());
    if (!wanted)
        return std::nullopt;
    const std::string family = StandsForSans(face) ? std::string("sans-serif") : Windows1252ToUtf8(face);
    FcPatternAddString(wanted.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(wanted.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(wanted.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(wanted.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, wanted.get(), FcMatchPattern);
    FcDefaultSubstitute(wanted.get());
    FcResult result = FcResultNoMatch;
    const Pattern found(FcFontMatch(nullptr, wanted.get(), &result));
    FcChar8* file = nullptr;
    if (!found || FcPatternGetString(found.get(), FC_FILE, 0, &file) != FcResultMatch)
        return std::nullopt;
    FaceChoice choice;
    choice.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(found.get(), FC_INDEX, 0, &choice.index);
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(found.get(), FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(found.get(), FC_SLANT, 0, &slant);
    choice.embolden = bold && weight < FC_WEIGHT_DEMIBOLD;
    choice.slant = italic && slant == FC_SLANT_ROMAN;
    return choice;
}

// 26.6 fixed point to whole pixels.
int Rounded(FT_Pos value)
{
    return static_cast<int>((value + 32) >> 6);
}

int Ceiling(FT_Pos value)
{
    return static_cast<int>((value + 63) >> 6);
}

class FreeTypeSystemFont final : public SystemFont {
public:
    FreeTypeSystemFont(FT_Library library, FT_Face face, const FaceChoice& choice)
        : mLibrary(library), mFace(face), mEmbolden(choice.embolden), mSlant(choice.slant)
    {
        const FT_Size_Metrics& metrics = face->size->metrics;
        mAscent = Ceiling(metrics.ascender);
        mDescent = Ceiling(-metrics.descender);
        // The face gives the middle of the stroke: its top edge is half a
        // thickness above that.
        const FT_Pos position = FT_MulFix(face->underline_position, metrics.y_scale);
        const FT_Pos thickness = FT_MulFix(face->underline_thickness, metrics.y_scale);
        mUnderlineThickness = std::max(1, Rounded(thickness));
        mUnderlineTop = Rounded(-position - thickness / 2);
    }
    ~FreeTypeSystemFont() override
    {
        FT_Done_Face(mFace);
        FT_Done_FreeType(mLibrary);
    }
    FreeTypeSystemFont(const FreeTypeSystemFont&) = delete;
    FreeTypeSystemFont& operator=(const FreeTypeSystemFont&) = delete;

    int Ascent() const override { return mAscent; }
    int Descent() const override { return mDescent; }
    int UnderlineTop() const override { return mUnderlineTop; }
    int UnderlineThickness() const override { return mUnderlineThickness; }

    const GlyphImage& Glyph(unsigned char c) override
    {
        std::unique_ptr<GlyphImage>& glyph = mGlyphs[c];
        if (!glyph)
            glyph = Render(c);
        return *glyph;
    }

private:
    // A character the face cannot load or draw takes no room.
    std::unique_ptr<GlyphImage> Render(unsigned char c)
    {
        auto glyph = std::make_unique<GlyphImage>();
        if (FT_Load_Char(mFace, Windows1252CodePoint(c), FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0)
            return glyph;
        FT_GlyphSlot slot = mFace->glyph;
        if (mSlant)
            FT_GlyphSlot_Oblique(slot);
        if (mEmbolden)
            FT_GlyphSlot_Embolden(slot);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
            return glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        glyph->advance = Rounded(slot->advance.x);
        glyph->left = slot->bitmap_left;
        glyph->top = slot->bitmap_top;
        glyph->width = static_cast<int>(bitmap.width);
        glyph->height = static_cast<int>(bitmap.rows);
        glyph->coverage.resize(static_cast<size_t>(bitmap.width) * bitmap.rows);
        // FreeType's own renderer stores rows top down: the pitch is positive.
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const uint8_t* from = bitmap.buffer + static_cast<size_t>(row) * static_cast<size_t>(bitmap.pitch);
            std::copy(from, from + bitmap.width, glyph->coverage.begin() + static_cast<ptrdiff_t>(row * bitmap.width));
        }
        return glyph;
    }

    FT_Library mLibrary;
    FT_Face mFace;
    bool mEmbolden;
    bool mSlant;
    int mAscent = 0;
    int mDescent = 0;
    int mUnderlineTop = 0;
    int mUnderlineThickness = 1;
    // One entry per byte of the text's character set, drawn when first
    // asked for: at most 256 glyphs of one size, so it needs no eviction.
    std::array<std::unique_ptr<GlyphImage>, 256> mGlyphs;
};

} // namespace

// A library per font: fonts are made on the loading thread as well as the
// main thread, and one FreeType library must not serve two threads at once.
std::unique_ptr<SystemFont> SystemFont::Open(const std::string& face, int pixelSize, bool bold, bool italic)
{
    if (pixelSize < 1)
        return nullptr;
    const std::optional<FaceChoice> choice = ChooseFace(face, bold, italic);
    if (!choice)
        return nullptr;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return nullptr;
    FT_Face ftFace = nullptr;
    if (FT_New_Face(library, choice->file.c_str(), choice->index, &ftFace) != 0) {
        FT_Done_FreeType(library);
        return nullptr;
    }
    if (FT_Set_Pixel_Sizes(ftFace, 0, static_cast<FT_UInt>(std::min(pixelSize, kMaxPixelSize))) != 0) {
        FT_Done_Face(ftFace);
        FT_Done_FreeType(library);
        return nullptr;
    }
    return std::make_unique<FreeTypeSystemFont>(library, ftFace, *choice);
}

} // namespace Platform
