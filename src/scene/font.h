// A small built-in bitmap font for on-screen text: printable ASCII, 5 x 7 pixel glyphs.
#pragma once

#include <string>
#include <vector>

constexpr int FontWidth = 5;    // a glyph's columns
constexpr int FontHeight = 7;   // a glyph's rows
constexpr int FontAdvance = 6;  // columns from one character to the next

// The width of the text in font columns (FontAdvance a character).
int TextColumns(const std::string& text);

// The text as quads with its top left corner at (x, y), y growing downwards, each font
// pixel scale x scale units: one quad for each run of lit pixels in a glyph's row, four
// corners (x, y) each, appended to corners.
void TextQuads(float x, float y, float scale, const std::string& text, std::vector<float>* corners);
