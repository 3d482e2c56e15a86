#pragma once
// The DejaVu faces every text of the data set is set in, opened straight from
// their files (not through a font lookup, which could pick another face on
// another machine), for FreeType and for cairo.

#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdexcept>

namespace DataGen {

class Typefaces {
public:
    // Throws std::runtime_error when a face cannot be opened.
    Typefaces();
    ~Typefaces();
    Typefaces(const Typefaces&) = delete;
    Typefaces& operator=(const Typefaces&) = delete;

    FT_Face Bold() const { return mBold; }
    cairo_font_face_t* CairoFace(bool bold) const { return bold ? mCairoBold : mCairoRegular; }
    // Unhinted outlines with grey anti-aliasing: the same shapes everywhere.
    void Apply(cairo_t* cr) const;

private:
    FT_Library mLibrary = nullptr;
    FT_Face mRegular = nullptr;
    FT_Face mBold = nullptr;
    cairo_font_face_t* mCairoRegular = nullptr;
    cairo_font_face_t* mCairoBold = nullptr;
    cairo_font_options_t* mOptions = nullptr;
};

} // namespace DataGen
