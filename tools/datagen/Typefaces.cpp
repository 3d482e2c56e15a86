#include "tools/datagen/Typefaces.h"

#include <cairo-ft.h>

#include <string>

namespace DataGen {

namespace {

FT_Face OpenFace(FT_Library library, const char* file)
{
    const std::string path = std::string(DEJAVU_DIR) + "/" + file;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0)
        throw std::runtime_error("cannot open the face " + path);
    return face;
}

} // namespace

Typefaces::Typefaces()
{
    if (FT_Init_FreeType(&mLibrary) != 0)
        throw std::runtime_error("cannot start FreeType");
    mRegular = OpenFace(mLibrary, "DejaVuSans.ttf");
    mBold = OpenFace(mLibrary, "DejaVuSans-Bold.ttf");
    mCairoRegular = cairo_ft_font_face_create_for_ft_face(mRegular, 0);
    mCairoBold = cairo_ft_font_face_create_for_ft_face(mBold, 0);
    mOptions = cairo_font_options_create();
    cairo_font_options_set_antialias(mOptions, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(mOptions, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(mOptions, CAIRO_HINT_METRICS_OFF);
}

Typefaces::~Typefaces()
{
    cairo_font_options_destroy(mOptions);
    // cairo may still hold the faces in its font cache: they must go before
    // the FreeType faces under them.
    cairo_font_face_destroy(mCairoRegular);
    cairo_font_face_destroy(mCairoBold);
    cairo_debug_reset_static_data();
    FT_Done_Face(mRegular);
    FT_Done_Face(mBold);
    FT_Done_FreeType(mLibrary);
}

void Typefaces::Apply(cairo_t* cr) const
{
    cairo_set_font_options(cr, mOptions);
}

} // namespace DataGen
