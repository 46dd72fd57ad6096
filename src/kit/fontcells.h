// Where each character sits in the caption font: the forge draws the glyphs into these cells and
// the captions read them back, so both take the map from here.
#pragma once

// The font cell of a character: "1" … "9" → 0 … 8, "0" → 9, "a" … "z" → 10 … 35, ":" → 56,
// "," → 58, "." → 59, "-" → 60; -1 for every other character (space and capitals included),
// which takes its position but draws nothing.
inline int captionCell(char c)
{
    if (c >= '1' && c <= '9') return c - '1';
    if (c == '0') return 9;
    if (c >= 'a' && c <= 'z') return 10 + (c - 'a');
    switch (c) {
    case ':': return 56;
    case ',': return 58;
    case '.': return 59;
    case '-': return 60;
    default: return -1;
    }
}
