#pragma once
// The balls' pictures, drawn at any place and size so that the help screen
// can show the same ones.

#include <cairo.h>

namespace DataGen {

inline constexpr int kTokenColors = 6;
inline constexpr int kSymbols = 16;
inline constexpr int kSpecials = 4;

// A token body of the given colour (0..5) filling the circle of radius r.
void DrawToken(cairo_t* cr, double cx, double cy, double r, int color);
// The face of a closed ball (kind 0) or of a special one (1 reverse, 2 stop,
// 3 reveal, 4 bomb), over a token of radius r.
void DrawBallFace(cairo_t* cr, double cx, double cy, double r, int kind);
// The inlay of an open ball with symbol 0..15, over a token of radius r.
void DrawSymbolFace(cairo_t* cr, double cx, double cy, double r, int symbol);

} // namespace DataGen
