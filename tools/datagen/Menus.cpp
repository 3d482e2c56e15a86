// The pictures of the controls: menu buttons (normal cel over highlighted
// cel), the maker's badge and its glow, the options dialog with its check
// box and slider, and the board's menu button.

#include "tools/datagen/Canvas.h"
#include "tools/datagen/Makers.h"
#include "tools/datagen/Typefaces.h"

#include <cmath>
#include <string>

namespace DataGen {

namespace {

constexpr int kMenuWidth = 280;
// Menu buttons stand 50 pixels apart.
constexpr int kMenuCel = 46;
// The badge fills the space between the last button and the window's foot.
constexpr int kBadgeWidth = 300;
constexpr int kBadgeCel = 112;

struct ButtonLook {
    uint32_t top, bottom, border, outline;
};
constexpr ButtonLook kNormal = {0x48B4EC, 0x1A5CA8, 0x0C3264, 0x0C2A58};
constexpr ButtonLook kHighlighted = {0xFFDC6A, 0xF0861C, 0x8A4006, 0x7A3404};

// A glossy pill with a centred label, inside the cel at (0, top).
void DrawButton(cairo_t* cr, const Typefaces& faces, double top, double width, double height, const std::string& label,
    double size, bool highlighted)
{
    const ButtonLook& look = highlighted ? kHighlighted : kNormal;
    const double inset = 2.0;
    const double x = inset;
    const double y = top + inset;
    const double w = width - 2 * inset;
    const double h = height - 2 * inset;
    cairo_save(cr);
    cairo_new_path(cr);
    RoundedRect(cr, x, y + 1.5, w, h - 1.5, h / 2.0);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_fill(cr);
    RoundedRect(cr, x, y, w, h - 1.5, h / 2.0);
    cairo_pattern_t* body = LinearGradient(0, y, 0, y + h);
    AddStop(body, 0.0, Hex(look.top));
    AddStop(body, 1.0, Hex(look.bottom));
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    SetColor(cr, Hex(look.border));
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    // Gloss over the upper half.
    RoundedRect(cr, x + 4, y + 2.5, w - 8, h * 0.46, h * 0.3);
    cairo_pattern_t* gloss = LinearGradient(0, y + 2, 0, y + h * 0.5);
    AddStop(gloss, 0.0, {1, 1, 1}, 0.55);
    AddStop(gloss, 1.0, {1, 1, 1}, 0.06);
    cairo_set_source(cr, gloss);
    cairo_fill(cr);
    cairo_pattern_destroy(gloss);
    TextStyle style;
    style.size = size;
    style.outline = 1.6;
    style.outlineColor = Hex(look.outline);
    style.shadowAlpha = 0.35;
    style.shadowOffset = 1.5;
    // The optical middle of capitals sits at about 0.36 of the size.
    DrawText(cr, faces, style, width / 2.0, top + height / 2.0 + size * 0.36 - 0.5, label, Align::kCentre);
    cairo_restore(cr);
}

// Two cels stacked: cel 0 normal over cel 1 highlighted, or the reverse.
std::string TwoCelButton(const Typefaces& faces, int width, int cel, const std::string& label, double size,
    bool highlightedFirst = false)
{
    Canvas canvas(width, cel * 2);
    DrawButton(canvas.Cr(), faces, 0, width, cel, label, size, highlightedFirst);
    DrawButton(canvas.Cr(), faces, cel, width, cel, label, size, !highlightedFirst);
    return canvas.Png();
}

// A small swirl mark: the maker's emblem.
void Emblem(cairo_t* cr, double cx, double cy, double r, bool highlighted)
{
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_pattern_t* disc = cairo_pattern_create_radial(cx - r * 0.3, cy - r * 0.3, 0, cx, cy, r);
    AddStop(disc, 0.0, highlighted ? Hex(0xFFF0B0) : Hex(0xE8F4FF));
    AddStop(disc, 1.0, highlighted ? Hex(0xE08A10) : Hex(0x3A78C8));
    cairo_set_source(cr, disc);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(disc);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.95);
    for (int arm = 0; arm < 3; ++arm) {
        cairo_new_path(cr);
        const double base = arm * 2 * M_PI / 3;
        for (int i = 0; i <= 30; ++i) {
            const double t = i / 30.0;
            const double a = base + t * 2.4;
            const double rr = r * (0.15 + 0.68 * t);
            cairo_line_to(cr, cx + rr * std::cos(a), cy + rr * std::sin(a));
        }
        cairo_set_line_width(cr, r * 0.13);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

void DrawBadge(cairo_t* cr, const Typefaces& faces, double top, bool highlighted)
{
    const double x = 6;
    const double y = top + 14;
    const double w = kBadgeWidth - 12;
    const double h = kBadgeCel - 28;
    cairo_save(cr);
    RoundedRect(cr, x, y, w, h, 18);
    cairo_pattern_t* plate = LinearGradient(0, y, 0, y + h);
    AddStop(plate, 0.0, Hex(highlighted ? 0x3A2A10 : 0x14203C), 0.78);
    AddStop(plate, 1.0, Hex(highlighted ? 0x1A1206 : 0x080C1C), 0.78);
    cairo_set_source(cr, plate);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(plate);
    SetColor(cr, Hex(highlighted ? 0xFFD060 : 0x8AB8E8), 0.9);
    cairo_set_line_width(cr, 2.0);
    cairo_stroke(cr);
    Emblem(cr, x + 44, y + h / 2, 28, highlighted);
    TextStyle name;
    name.size = 36;
    name.fill = highlighted ? Hex(0xFFE9A0) : Hex(0xF2F6FF);
    name.outline = 1.2;
    name.outlineColor = Hex(0x101828);
    name.shadowAlpha = 0.5;
    DrawText(cr, faces, name, x + 84, y + h / 2 + 13, "Tavoren", Align::kLeft);
    cairo_restore(cr);
}

void Checkbox(Files& packed)
{
    constexpr int kBox = 32;
    Canvas canvas(kBox * 2, kBox);
    cairo_t* cr = canvas.Cr();
    for (int checked = 0; checked < 2; ++checked) {
        const double x = checked * kBox + 3;
        RoundedRect(cr, x, 3, kBox - 6, kBox - 6, 6);
        cairo_pattern_t* well = LinearGradient(0, 3, 0, kBox - 3);
        AddStop(well, 0.0, Hex(0x0A1024));
        AddStop(well, 1.0, Hex(0x2A3A66));
        cairo_set_source(cr, well);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(well);
        SetColor(cr, Hex(0xE8C060));
        cairo_set_line_width(cr, 2.0);
        cairo_stroke(cr);
        if (checked) {
            cairo_new_path(cr);
            cairo_move_to(cr, x + 5, 16);
            cairo_line_to(cr, x + 11, 23);
            cairo_line_to(cr, x + 22, 7);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cairo_set_source_rgb(cr, 0.05, 0.2, 0.05);
            cairo_set_line_width(cr, 6.5);
            cairo_stroke_preserve(cr);
            cairo_set_source_rgb(cr, 0.45, 0.95, 0.35);
            cairo_set_line_width(cr, 3.8);
            cairo_stroke(cr);
        }
    }
    packed.push_back({"images/checkbox.png", canvas.Png()});
}

void Slider(Files& packed)
{
    // Three cells of 56: the slider tiles the middle one, so the groove is
    // the same all along it and only the ends are rounded.
    Canvas track(168, 14);
    cairo_t* cr = track.Cr();
    RoundedRect(cr, 1, 1, 166, 12, 6);
    cairo_pattern_t* groove = LinearGradient(0, 1, 0, 13);
    AddStop(groove, 0.0, Hex(0x050818));
    AddStop(groove, 1.0, Hex(0x34446E));
    cairo_set_source(cr, groove);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(groove);
    cairo_set_source_rgba(cr, 0.9, 0.75, 0.4, 0.8);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    packed.push_back({"images/slider_track.png", track.Png()});

    Canvas thumb(28, 28);
    cr = thumb.Cr();
    cairo_arc(cr, 14, 15, 12, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.4);
    cairo_fill(cr);
    cairo_pattern_t* knob = cairo_pattern_create_radial(10, 9, 1, 14, 14, 12);
    AddStop(knob, 0.0, Hex(0xFFF4C0));
    AddStop(knob, 0.6, Hex(0xF0B030));
    AddStop(knob, 1.0, Hex(0xA05A08));
    cairo_set_source(cr, knob);
    cairo_arc(cr, 14, 14, 11.5, 0, 2 * M_PI);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(knob);
    SetColor(cr, Hex(0x5A3004));
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    packed.push_back({"images/slider_thumb.png", thumb.Png()});
}

// The panel carries its own title and labels: the dialog draws no texts.
// Its controls sit at fixed places: sliders at (360, 216) and (360, 285),
// the check box at (314, 338), OK and Cancel at (306, 395) and (396, 395).
void OptionsDialog(const Typefaces& faces, Files& packed)
{
    constexpr int kW = 560;
    constexpr int kH = 460;
    Canvas canvas(kW, kH);
    {
        Canvas shade(kW, kH);
        RoundedRect(shade.Cr(), 12, 14, kW - 22, kH - 22, 26);
        cairo_set_source_rgba(shade.Cr(), 0, 0, 0, 0.6);
        cairo_fill(shade.Cr());
        Blur(shade, 6);
        cairo_set_source_surface(canvas.Cr(), shade.Surface(), 0, 0);
        cairo_paint(canvas.Cr());
    }
    cairo_t* cr = canvas.Cr();
    RoundedRect(cr, 8, 8, kW - 20, kH - 20, 24);
    cairo_pattern_t* panel = LinearGradient(0, 8, 0, kH - 12);
    AddStop(panel, 0.0, Hex(0x2C3C7A));
    AddStop(panel, 1.0, Hex(0x121838));
    cairo_set_source(cr, panel);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(panel);
    SetColor(cr, Hex(0xE8B84A));
    cairo_set_line_width(cr, 3.0);
    cairo_stroke(cr);
    RoundedRect(cr, 14, 14, kW - 32, kH - 32, 19);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.18);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);

    TextStyle title;
    title.size = 38;
    title.fill = Hex(0xFFD86A);
    title.outline = 2.0;
    title.outlineColor = Hex(0x3A2006);
    title.shadowAlpha = 0.5;
    DrawText(cr, faces, title, kW / 2.0 - 6, 82, "OPTIONS", Align::kCentre);
    cairo_pattern_t* rule = LinearGradient(60, 0, kW - 72, 0);
    AddStop(rule, 0.0, Hex(0xE8B84A), 0.0);
    AddStop(rule, 0.5, Hex(0xE8B84A), 0.9);
    AddStop(rule, 1.0, Hex(0xE8B84A), 0.0);
    cairo_set_source(cr, rule);
    cairo_rectangle(cr, 60, 106, kW - 132, 2);
    cairo_fill(cr);
    cairo_pattern_destroy(rule);

    TextStyle hint;
    hint.bold = false;
    hint.size = 16;
    hint.fill = Hex(0xB8C8F0);
    DrawText(cr, faces, hint, kW / 2.0 - 6, 160, "Changes to the volume are heard at once.", Align::kCentre);

    TextStyle label;
    label.size = 21;
    label.outline = 1.0;
    label.outlineColor = Hex(0x0A0E20);
    label.shadowAlpha = 0.4;
    DrawText(cr, faces, label, 70, 238, "Music volume", Align::kLeft);
    DrawText(cr, faces, label, 70, 307, "Sound volume", Align::kLeft);
    DrawText(cr, faces, label, 70, 362, "Full screen", Align::kLeft);
    packed.push_back({"images/dialog_options.png", canvas.Png()});
}

} // namespace

void MakeMenus(const Typefaces& faces, Files& packed)
{
    const struct {
        const char* file;
        const char* label;
        int width;
    } kMenu[] = {
        {"menu_play", "PLAY", kMenuWidth},
        {"menu_scores", "HIGH SCORES", kMenuWidth},
        {"menu_options", "OPTIONS", kMenuWidth},
        {"menu_exit", "EXIT", kMenuWidth},
        {"menu_beginner", "HOW TO PLAY", kMenuWidth},
        {"menu_easy", "EASY", kMenuWidth},
        {"menu_normal", "NORMAL", kMenuWidth},
        {"menu_hard", "HARD", kMenuWidth},
        {"menu_resume", "CONTINUE GAME", kMenuWidth},
        {"menu_new_game", "NEW GAME", kMenuWidth},
        {"menu_yes", "YES", 200},
        {"menu_no", "NO", 200},
    };
    for (const auto& button : kMenu)
        packed.push_back({std::string("images/") + button.file + ".png",
            TwoCelButton(faces, button.width, kMenuCel, button.label, 22)});
    packed.push_back({"images/btn_ok.png", TwoCelButton(faces, 84, 40, "OK", 19)});
    packed.push_back({"images/btn_cancel.png", TwoCelButton(faces, 120, 40, "CANCEL", 19)});
    // The board's button shows cel 1 normally and cel 0 under the pointer.
    packed.push_back({"images/menu.png", TwoCelButton(faces, 104, 28, "MENU", 15, true)});

    Canvas badge(kBadgeWidth, kBadgeCel * 2);
    DrawBadge(badge.Cr(), faces, 0, false);
    DrawBadge(badge.Cr(), faces, kBadgeCel, true);
    packed.push_back({"images/menu_logo2.png", badge.Png()});

    // Laid over the badge with a pulsing strength: a sheen along its rim
    // and a glow around the emblem.
    Canvas glow(kBadgeWidth, kBadgeCel);
    cairo_t* cr = glow.Cr();
    RoundedRect(cr, 6, 14, kBadgeWidth - 12, kBadgeCel - 28, 18);
    cairo_set_source_rgba(cr, 1.0, 0.95, 0.7, 0.9);
    cairo_set_line_width(cr, 6.0);
    cairo_stroke(cr);
    cairo_pattern_t* halo = cairo_pattern_create_radial(50, kBadgeCel / 2.0, 0, 50, kBadgeCel / 2.0, 46);
    AddStop(halo, 0.0, Hex(0xFFFFFF), 0.7);
    AddStop(halo, 1.0, Hex(0xFFE080), 0.0);
    cairo_set_source(cr, halo);
    cairo_paint(cr);
    cairo_pattern_destroy(halo);
    Blur(glow, 3);
    packed.push_back({"images/menu_logo.png", glow.Png()});

    Checkbox(packed);
    Slider(packed);
    OptionsDialog(faces, packed);
}

} // namespace DataGen
