// Whole-window pictures and banners: the title, the help page, the pause
// veil, the high-score background and the end-of-stage banners.

#include "tools/datagen/Backgrounds.h"
#include "tools/datagen/Canvas.h"
#include "tools/datagen/Makers.h"
#include "tools/datagen/Random.h"
#include "tools/datagen/Tokens.h"
#include "tools/datagen/Typefaces.h"

#include <cmath>
#include <string>

namespace DataGen {

namespace {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;

TextStyle TitleStyle(double size)
{
    TextStyle style;
    style.size = size;
    style.fill = Hex(0xFFD86A);
    style.outline = size / 18.0;
    style.outlineColor = Hex(0x3A1A04);
    style.shadowAlpha = 0.6;
    style.shadowOffset = size / 22.0;
    return style;
}

TextStyle BodyStyle(double size, bool bold = false)
{
    TextStyle style;
    style.bold = bold;
    style.size = size;
    style.fill = Hex(0xF2F4FF);
    style.outline = 0.8;
    style.outlineColor = Hex(0x080C1C);
    return style;
}

// A ball as the game shows it: token, then its open or closed face.
void Ball(cairo_t* cr, double x, double y, double r, int color, int symbol, double turn)
{
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, turn);
    DrawToken(cr, 0, 0, r, color);
    cairo_restore(cr);
    if (symbol >= 0)
        DrawSymbolFace(cr, x, y, r, symbol);
    else
        DrawBallFace(cr, x, y, r, -symbol - 1);
}

void Panel(cairo_t* cr, double x, double y, double w, double h, double alpha)
{
    RoundedRect(cr, x, y, w, h, 26);
    cairo_pattern_t* fill = LinearGradient(0, y, 0, y + h);
    AddStop(fill, 0.0, Hex(0x1C2658), alpha);
    AddStop(fill, 1.0, Hex(0x0A0E26), alpha);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    SetColor(cr, Hex(0xE8B84A), 0.9);
    cairo_set_line_width(cr, 3.0);
    cairo_stroke(cr);
}

// The game's name in large, warm, glossy letters.
void GameName(cairo_t* cr, const Typefaces& faces, double x, double y, double size)
{
    TextStyle style = TitleStyle(size);
    const double width = TextWidth(cr, faces, style, "Zarquel");
    style.shadowAlpha = 0.7;
    DrawText(cr, faces, style, x, y, "Zarquel", Align::kCentre);
    // A vertical gradient over the letters, and a gloss on their upper half.
    cairo_save(cr);
    faces.Apply(cr);
    cairo_set_font_face(cr, faces.CairoFace(true));
    cairo_set_font_size(cr, size);
    cairo_new_path(cr);
    cairo_move_to(cr, x - width / 2.0, y);
    cairo_text_path(cr, "Zarquel");
    cairo_pattern_t* fill = LinearGradient(0, y - size * 0.75, 0, y);
    AddStop(fill, 0.0, Hex(0xFFF6C0));
    AddStop(fill, 0.45, Hex(0xFFC63A));
    AddStop(fill, 1.0, Hex(0xE0701A));
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    cairo_clip(cr);
    cairo_pattern_t* gloss = LinearGradient(0, y - size * 0.78, 0, y - size * 0.38);
    AddStop(gloss, 0.0, {1, 1, 1}, 0.6);
    AddStop(gloss, 1.0, {1, 1, 1}, 0.0);
    cairo_set_source(cr, gloss);
    cairo_rectangle(cr, x - width, y - size * 0.8, width * 2, size * 0.42);
    cairo_fill(cr);
    cairo_pattern_destroy(gloss);
    cairo_restore(cr);
}

void Swirl(cairo_t* cr, double cx, double cy, double inner, double outer, int arms, double alpha)
{
    cairo_pattern_t* light = cairo_pattern_create_radial(cx, cy, inner, cx, cy, outer);
    AddStop(light, 0.0, Hex(0xB0E8FF), alpha);
    AddStop(light, 1.0, Hex(0x6A40D0), 0.0);
    cairo_set_source(cr, light);
    for (int arm = 0; arm < arms; ++arm) {
        cairo_new_sub_path(cr);
        const double base = arm * 2 * M_PI / arms;
        for (int side = 0; side < 2; ++side) {
            for (int i = 0; i <= 80; ++i) {
                const double t = side == 0 ? i / 80.0 : 1.0 - i / 80.0;
                const double r = inner + (outer - inner) * t;
                const double w = 26.0 * (1.0 - t) + 2.0;
                const double a = base + 3.0 * t + (side == 0 ? 1 : -1) * w / (2 * r);
                cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a) * 0.55);
            }
        }
        cairo_close_path(cr);
    }
    cairo_fill(cr);
    cairo_pattern_destroy(light);
}

std::string Title(const Typefaces& faces)
{
    Canvas canvas(kScreenWidth, kScreenHeight);
    DrawBackground(canvas, 3, 0);
    cairo_t* cr = canvas.Cr();
    // The vortex behind the name.
    {
        Canvas swirl(kScreenWidth, kScreenHeight);
        Swirl(swirl.Cr(), 400, 122, 20, 330, 6, 0.55);
        Blur(swirl, 3);
        cairo_set_source_surface(cr, swirl.Surface(), 0, 0);
        cairo_paint(cr);
    }
    cairo_pattern_t* hole = cairo_pattern_create_radial(400, 122, 0, 400, 122, 90);
    AddStop(hole, 0.0, Hex(0x000000), 0.85);
    AddStop(hole, 1.0, Hex(0x000000), 0.0);
    cairo_set_source(cr, hole);
    cairo_paint(cr);
    cairo_pattern_destroy(hole);
    // Balls streaming in from both sides, clear of the buttons' column.
    struct Placed {
        double x, y, r;
        int color, face;
    };
    const Placed balls[] = {
        {82, 548, 44, 0, 0},    {170, 470, 38, 4, -1},  {104, 388, 34, 2, 1},  {196, 322, 28, 5, -1},
        {118, 262, 24, 1, 11},  {716, 548, 44, 3, 5},   {628, 468, 38, 1, -1}, {700, 386, 34, 5, 2},
        {604, 320, 28, 2, -5},  {684, 260, 24, 0, 6},
    };
    {
        Canvas shadows(kScreenWidth, kScreenHeight);
        for (const Placed& b : balls) {
            cairo_new_sub_path(shadows.Cr());
            cairo_arc(shadows.Cr(), b.x + 4, b.y + 6, b.r, 0, 2 * M_PI);
        }
        cairo_set_source_rgba(shadows.Cr(), 0, 0, 0, 0.5);
        cairo_fill(shadows.Cr());
        Blur(shadows, 4);
        cairo_set_source_surface(cr, shadows.Surface(), 0, 0);
        cairo_paint(cr);
    }
    Random random(0x717E);
    for (const Placed& b : balls)
        Ball(cr, b.x, b.y, b.r, b.color, b.face, random.Range(0, 2 * M_PI));
    GameName(cr, faces, 400, 158, 128);
    TextStyle tagline = BodyStyle(19);
    tagline.fill = Hex(0xCFE6FF);
    tagline.shadowAlpha = 0.6;
    DrawText(cr, faces, tagline, 400, 202, "Match the pairs before they reach the vortex", Align::kCentre);
    return canvas.Jpeg(92);
}

std::string Help(const Typefaces& faces)
{
    Canvas canvas(kScreenWidth, kScreenHeight);
    cairo_t* cr = canvas.Cr();
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_paint(cr);
    Panel(cr, 50, 24, 700, 552, 0.86);
    DrawText(cr, faces, TitleStyle(40), 400, 78, "HOW TO PLAY", Align::kCentre);

    const TextStyle body = BodyStyle(17);
    const TextStyle strong = BodyStyle(17, true);
    // The rules, each beside a small picture.
    Ball(cr, 112, 136, 26, 4, -1, 0.3);
    DrawText(cr, faces, strong, 156, 130, "Balls roll toward the vortex, each hiding a symbol.", Align::kLeft);
    DrawText(cr, faces, body, 156, 152, "Click a ball to turn it over.", Align::kLeft);

    Ball(cr, 98, 212, 22, 0, 0, 0.9);
    Ball(cr, 134, 212, 22, 2, 0, 2.1);
    DrawText(cr, faces, strong, 172, 206, "Then click a ball with the same symbol: both vanish.", Align::kLeft);
    DrawText(cr, faces, body, 172, 228, "Pairs in a row score more: 10, 20, 30 ... A miss costs 2 points.", Align::kLeft);

    {
        cairo_pattern_t* hole = cairo_pattern_create_radial(112, 284, 0, 112, 284, 26);
        AddStop(hole, 0.0, Hex(0x000000), 1.0);
        AddStop(hole, 0.5, Hex(0x3A1870), 0.9);
        AddStop(hole, 1.0, Hex(0x6A50E0), 0.0);
        cairo_set_source(cr, hole);
        cairo_arc(cr, 112, 284, 26, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_pattern_destroy(hole);
    }
    DrawText(cr, faces, strong, 156, 280, "Don't let a ball reach the vortex:", Align::kLeft);
    DrawText(cr, faces, body, 156, 302, "the stage is lost. Clear every ball to win it.", Align::kLeft);

    TextStyle heading = TitleStyle(24);
    DrawText(cr, faces, heading, 400, 352, "Special balls glow. Match one to:", Align::kCentre);
    // The three kinds that play makes (the fourth only comes from old saves).
    const struct {
        int kind;
        const char* text;
    } specials[] = {{2, "stop the balls"}, {3, "see their symbols"}, {4, "blast the balls near it"}};
    for (int i = 0; i < 3; ++i) {
        const double x = 170 + i * 230;
        Ball(cr, x, 404, 28, (i * 2 + 1) % kTokenColors, -(specials[i].kind + 1), 0.0);
        DrawText(cr, faces, body, x, 456, specials[i].text, Align::kCentre);
    }
    DrawText(cr, faces, body, 400, 500, "Esc or Pause: pause the game        F1: this help", Align::kCentre);
    TextStyle footer = TitleStyle(22);
    footer.fill = Hex(0xFFFFFF);
    DrawText(cr, faces, footer, 400, 548, "Click anywhere to continue", Align::kCentre);
    return canvas.Png();
}

std::string Pause(const Typefaces& faces)
{
    Canvas canvas(kScreenWidth, kScreenHeight);
    cairo_t* cr = canvas.Cr();
    cairo_set_source_rgba(cr, 0.02, 0.02, 0.08, 0.6);
    cairo_paint(cr);
    Panel(cr, 230, 220, 340, 160, 0.85);
    DrawText(cr, faces, TitleStyle(52), 400, 300, "PAUSED", Align::kCentre);
    DrawText(cr, faces, BodyStyle(20), 400, 345, "Click to continue", Align::kCentre);
    return canvas.Png();
}

std::string Scores(const Typefaces& faces)
{
    Canvas canvas(kScreenWidth, kScreenHeight);
    DrawBackground(canvas, 3, 2);
    cairo_t* cr = canvas.Cr();
    // Wide enough for the name field, 300 pixels from x 396, with the
    // border clear of its end.
    Panel(cr, 64, 28, 672, 542, 0.82);
    DrawText(cr, faces, TitleStyle(44), 400, 90, "HIGH SCORES", Align::kCentre);
    TextStyle heading = BodyStyle(15, true);
    heading.fill = Hex(0xE8C060);
    DrawText(cr, faces, heading, 300, 132, "SCORE", Align::kRight);
    DrawText(cr, faces, heading, 400, 132, "NAME", Align::kLeft);
    // Faint bands behind the ten rows (baselines 180, 215, ... 495).
    for (int row = 0; row < 10; ++row) {
        cairo_rectangle(cr, 94, 152 + 35 * row, 612, 35);
        cairo_set_source_rgba(cr, 1, 1, 1, row % 2 == 0 ? 0.06 : 0.02);
        cairo_fill(cr);
    }
    DrawText(cr, faces, BodyStyle(16), 400, 545, "Click to return", Align::kCentre);
    return canvas.Jpeg(92);
}

// A banner centred on the window with its top at y 200.
std::string Banner(const Typefaces& faces, const std::string& title, const std::string& line, uint32_t color)
{
    constexpr int kW = 520;
    constexpr int kH = 190;
    Canvas canvas(kW, kH);
    cairo_t* cr = canvas.Cr();
    {
        Canvas shade(kW, kH);
        RoundedRect(shade.Cr(), 14, 16, kW - 24, kH - 24, 28);
        cairo_set_source_rgba(shade.Cr(), 0, 0, 0, 0.6);
        cairo_fill(shade.Cr());
        Blur(shade, 6);
        cairo_set_source_surface(cr, shade.Surface(), 0, 0);
        cairo_paint(cr);
    }
    Panel(cr, 8, 8, kW - 22, kH - 22, 0.9);
    TextStyle style = TitleStyle(56);
    style.fill = Hex(color);
    DrawText(cr, faces, style, kW / 2.0 - 3, 98, title, Align::kCentre);
    DrawText(cr, faces, BodyStyle(20), kW / 2.0 - 3, 142, line, Align::kCentre);
    return canvas.Png();
}

} // namespace

void MakeScreens(const Typefaces& faces, Files& packed)
{
    packed.push_back({"images/logo.jpg", Title(faces)});
    packed.push_back({"images/help_screen.png", Help(faces)});
    packed.push_back({"images/pause.png", Pause(faces)});
    packed.push_back({"images/scores_bkg.jpg", Scores(faces)});
    packed.push_back({"images/next_level.png", Banner(faces, "WELL DONE!", "Click for the next stage", 0x9CF07A)});
    packed.push_back({"images/game_over.png", Banner(faces, "GAME OVER", "Click to continue", 0xFF7A5A)});
}

} // namespace DataGen
