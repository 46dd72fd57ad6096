// logfont_gen: renders printable ASCII from an outline font into the bitmap glyph table that the
// status log compiles in, so the program itself needs neither a font file nor FreeType at run time.
//
//   logfont_gen FONT.ttf PIXEL_SIZE LINE_HEIGHT OUTPUT.inc
//
// The output depends only on the font file and the numbers (no dates, no paths), so the same input
// always gives the same bytes.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kFirst = 32;
constexpr int kLast = 126;

struct Glyph {
    int left = 0;      // pen to the bitmap's left column
    int top = 0;       // baseline to the bitmap's top row (up is positive)
    int width = 0;
    int height = 0;
    int advance = 0;   // whole pixels: the log draws at whole-pixel positions only
    std::vector<unsigned char> coverage;   // width × height, rows top first
};

[[noreturn]] void fail(const std::string& why)
{
    std::fprintf(stderr, "logfont_gen: %s\n", why.c_str());
    std::exit(1);
}

int parseInt(const char* text, const char* what)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 1 || v > 256)
        fail(std::string("bad ") + what + ": " + text);
    return static_cast<int>(v);
}

Glyph render(FT_Face face, unsigned ch)
{
    // Light hinting snaps heights to the pixel grid (crisp baselines and x-height) without the
    // horizontal distortion of full hinting; the advances come out in whole pixels.
    if (FT_Load_Char(face, ch, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0)
        fail("cannot render character " + std::to_string(ch));
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.rows != 0)
        fail("font did not give an 8-bit grey bitmap");

    Glyph g;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    g.coverage.resize(static_cast<size_t>(g.width) * g.height);
    const int levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
    for (int y = 0; y < g.height; ++y) {
        const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
        for (int x = 0; x < g.width; ++x)
            g.coverage[static_cast<size_t>(y) * g.width + x] =
                static_cast<unsigned char>((row[x] * 255 + levels / 2) / levels);
    }
    // Trim empty rows so the line-fit check below measures ink, not padding.
    while (g.height > 0) {
        bool empty = true;
        for (int x = 0; x < g.width; ++x)
            empty = empty && g.coverage[x] == 0;
        if (!empty)
            break;
        g.coverage.erase(g.coverage.begin(), g.coverage.begin() + g.width);
        --g.height;
        --g.top;
    }
    while (g.height > 0) {
        bool empty = true;
        for (int x = 0; x < g.width; ++x)
            empty = empty && g.coverage[static_cast<size_t>(g.height - 1) * g.width + x] == 0;
        if (!empty)
            break;
        g.coverage.resize(static_cast<size_t>(g.height - 1) * g.width);
        --g.height;
    }
    if (g.height == 0) {
        g.width = 0;
        g.coverage.clear();
    }
    return g;
}

// For bytes outside printable ASCII: an outlined box the size of a capital, so that stray bytes
// show up as visibly wrong instead of vanishing.
Glyph fallbackBox(const Glyph& capital, int advance)
{
    Glyph g;
    g.width = std::max(3, advance - 2);
    g.height = std::max(3, capital.height);
    g.left = 1;
    g.top = capital.top;
    g.advance = g.width + 2;
    g.coverage.assign(static_cast<size_t>(g.width) * g.height, 0);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x)
            if (y == 0 || y == g.height - 1 || x == 0 || x == g.width - 1)
                g.coverage[static_cast<size_t>(y) * g.width + x] = 255;
    return g;
}

std::string fileName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        fail("usage: logfont_gen FONT PIXEL_SIZE LINE_HEIGHT OUTPUT");
    const std::string fontPath = argv[1];
    const int pixelSize = parseInt(argv[2], "pixel size");
    const int lineHeight = parseInt(argv[3], "line height");
    const std::string outPath = argv[4];

    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0)
        fail("cannot start FreeType");
    FT_Face face = nullptr;
    if (FT_New_Face(lib, fontPath.c_str(), 0, &face) != 0)
        fail("cannot open font " + fontPath);
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0)
        fail("font cannot be set to the pixel size");

    std::vector<Glyph> glyphs;
    for (int c = kFirst; c <= kLast; ++c)
        glyphs.push_back(render(face, static_cast<unsigned>(c)));
    glyphs.push_back(fallbackBox(glyphs['H' - kFirst], glyphs['n' - kFirst].advance));

    FT_Done_Face(face);
    FT_Done_FreeType(lib);

    // Place the baseline so that every glyph's ink lies within the line, leaving any spare rows
    // split evenly above and below; refuse a size that does not fit.
    int ascent = 0, descent = 0;
    for (const Glyph& g : glyphs) {
        if (g.height == 0)
            continue;
        ascent = std::max(ascent, g.top);
        descent = std::max(descent, g.height - g.top);
    }
    if (ascent + descent > lineHeight)
        fail("glyphs are " + std::to_string(ascent + descent) + " px tall, more than the line height");
    const int baseline = ascent + (lineHeight - ascent - descent) / 2;

    std::ostringstream out;
    out << "// Generated by logfont_gen from " << fileName(fontPath) << " at " << pixelSize
        << " px; do not edit.\n"
        << "// Glyphs for bytes " << kFirst << " to " << kLast
        << ", then the fallback for every other byte.\n"
        << "#pragma once\n\n"
        << "#include <cstdint>\n\n"
        << "namespace logfont {\n\n"
        << "struct Glyph {\n"
        << "    int8_t left;      // pen to the bitmap's left column\n"
        << "    int8_t top;       // baseline to the bitmap's top row, up positive\n"
        << "    uint8_t width, height;\n"
        << "    uint8_t advance;  // pen step in whole pixels\n"
        << "    uint32_t offset;  // first coverage byte in kCoverage\n"
        << "};\n\n"
        << "constexpr int kFirst = " << kFirst << ";\n"
        << "constexpr int kLast = " << kLast << ";\n"
        << "constexpr int kFallback = " << (kLast - kFirst + 1) << ";\n"
        << "constexpr int kLineHeight = " << lineHeight << ";\n"
        << "constexpr int kBaseline = " << baseline << ";  // rows from the line's top\n\n"
        << "constexpr Glyph kGlyphs[" << glyphs.size() << "] = {\n";
    size_t offset = 0;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = glyphs[i];
        if (g.left < -128 || g.left > 127 || g.top < -128 || g.top > 127 || g.width > 255 ||
            g.height > 255 || g.advance < 0 || g.advance > 255)
            fail("glyph metrics out of range");
        out << "    {" << g.left << ", " << g.top << ", " << g.width << ", " << g.height << ", "
            << g.advance << ", " << offset << "},";
        const int c = kFirst + static_cast<int>(i);
        if (c <= kLast && c != '\\')
            out << "  // '" << static_cast<char>(c) << "'";
        else if (c == '\\')
            out << "  // backslash";
        else
            out << "  // fallback";
        out << "\n";
        offset += g.coverage.size();
    }
    out << "};\n\n"
        << "constexpr uint8_t kCoverage[" << std::max<size_t>(offset, 1) << "] = {";
    size_t n = 0;
    for (const Glyph& g : glyphs)
        for (unsigned char v : g.coverage) {
            out << (n % 16 == 0 ? "\n    " : " ") << static_cast<int>(v) << ",";
            ++n;
        }
    if (n == 0)
        out << "\n    0,";
    out << "\n};\n\n}  // namespace logfont\n";

    // Write to a side file and rename, so a failed run never leaves a half table behind.
    const std::string tmp = outPath + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        f << out.str();
        if (!f.good())
            fail("cannot write " + tmp);
    }
    if (std::rename(tmp.c_str(), outPath.c_str()) != 0)
        fail("cannot rename to " + outPath);
    return 0;
}
