// The forge's picture toolbox: tileable noise, FreeType lettering, JPEG and PNG writing.

#include "forge.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <jpeglib.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>

float clamp01(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

float smoothstep(float edge0, float edge1, float x)
{
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

float mix(float a, float b, float t) { return a + (b - a) * t; }

namespace {

uint32_t hash3(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

// Lattice gradients: 16 unit directions, so no trigonometry per sample.
struct Gradients {
    float x[16], y[16];
    Gradients()
    {
        for (int i = 0; i < 16; ++i) {
            x[i] = static_cast<float>(std::cos(i * 2.0 * M_PI / 16.0));
            y[i] = static_cast<float>(std::sin(i * 2.0 * M_PI / 16.0));
        }
    }
};
const Gradients kGradients;

float corner(int ix, int iy, int period, uint32_t seed, float dx, float dy)
{
    const uint32_t wx = static_cast<uint32_t>(((ix % period) + period) % period);
    const uint32_t wy = static_cast<uint32_t>(((iy % period) + period) % period);
    const uint32_t g = hash3(wx, wy, seed) & 15u;
    return kGradients.x[g] * dx + kGradients.y[g] * dy;
}

float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

}   // namespace

float tileNoise(float x, float y, int period, uint32_t seed)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const float dx = x - fx, dy = y - fy;
    const float n00 = corner(ix, iy, period, seed, dx, dy);
    const float n10 = corner(ix + 1, iy, period, seed, dx - 1.0f, dy);
    const float n01 = corner(ix, iy + 1, period, seed, dx, dy - 1.0f);
    const float n11 = corner(ix + 1, iy + 1, period, seed, dx - 1.0f, dy - 1.0f);
    const float u = fade(dx), v = fade(dy);
    return mix(mix(n00, n10, u), mix(n01, n11, u), v);
}

float tileFbm(float x, float y, int period, int octaves, float gain, uint32_t seed)
{
    float sum = 0.0f, amplitude = 1.0f, norm = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * tileNoise(x, y, period, seed + 101u * o);
        norm += amplitude;
        amplitude *= gain;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
    }
    return 1.4f * sum / norm;
}

float tileRidged(float x, float y, int period, int octaves, uint32_t seed)
{
    float sum = 0.0f, amplitude = 1.0f, norm = 0.0f, weight = 1.0f;
    for (int o = 0; o < octaves; ++o) {
        float r = 1.0f - std::fabs(1.4f * tileNoise(x, y, period, seed + 977u * o));
        r *= r;
        sum += amplitude * r * weight;
        weight = clamp01(r * 1.5f);
        norm += amplitude;
        amplitude *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
    }
    return clamp01(sum / norm);
}

Lettering renderLettering(const std::string& fontFile, int pixelSize, const std::string& text)
{
    Lettering out;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        std::fprintf(stderr, "caldrise-forge: FreeType does not start\n");
        return out;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library, fontFile.c_str(), 0, &face) != 0 || FT_Set_Pixel_Sizes(face, 0, pixelSize) != 0) {
        std::fprintf(stderr, "caldrise-forge: cannot use the font %s\n", fontFile.c_str());
        FT_Done_FreeType(library);
        return out;
    }
    // Two passes: measure the ink box, then draw into it. Advances in 26.6 fixed point, kerning
    // from the font where it has any.
    struct Placed {
        int left, top, w, h;
        std::vector<unsigned char> bits;
    };
    std::vector<Placed> glyphs;
    long pen = 0;
    FT_UInt previous = 0;
    int minX = 1 << 30, maxX = -(1 << 30), minY = 1 << 30, maxY = -(1 << 30);
    for (unsigned char ch : text) {
        const FT_UInt index = FT_Get_Char_Index(face, ch);
        if (previous != 0 && FT_HAS_KERNING(face)) {
            FT_Vector k;
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &k) == 0) pen += k.x;
        }
        previous = index;
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        Placed g{static_cast<int>(pen >> 6) + slot->bitmap_left, slot->bitmap_top,
                 static_cast<int>(slot->bitmap.width), static_cast<int>(slot->bitmap.rows), {}};
        g.bits.resize(static_cast<size_t>(g.w) * g.h);
        for (int r = 0; r < g.h; ++r)
            std::memcpy(&g.bits[static_cast<size_t>(r) * g.w], slot->bitmap.buffer + r * slot->bitmap.pitch, g.w);
        if (g.w > 0 && g.h > 0) {
            minX = std::min(minX, g.left);
            maxX = std::max(maxX, g.left + g.w);
            minY = std::min(minY, -g.top);
            maxY = std::max(maxY, -g.top + g.h);
        }
        pen += slot->advance.x;
        glyphs.push_back(std::move(g));
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (maxX <= minX) return out;
    out.width = maxX - minX;
    out.height = maxY - minY;
    out.baseline = -minY;
    out.coverage.assign(static_cast<size_t>(out.width) * out.height, 0.0f);
    for (const Placed& g : glyphs)
        for (int r = 0; r < g.h; ++r)
            for (int c = 0; c < g.w; ++c) {
                const int x = g.left - minX + c, y = -g.top - minY + r;
                float& dst = out.coverage[static_cast<size_t>(y) * out.width + x];
                dst = std::max(dst, g.bits[static_cast<size_t>(r) * g.w + c] / 255.0f);
            }
    return out;
}

namespace {

struct JpegError {
    jpeg_error_mgr base;
    jmp_buf jump;
};

void onJpegError(j_common_ptr info)
{
    longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

uint8_t toByte(float v) { return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f)); }

}   // namespace

std::vector<uint8_t> encodeJpeg(const Picture& picture, int quality)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(picture.width) * picture.height * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = toByte(picture.rgb[i]);

    jpeg_compress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = onJpegError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    info.dct_method = JDCT_ISLOW;   // the exact integer transform: the same bytes on every machine
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = &rgb[static_cast<size_t>(info.next_scanline) * picture.width * 3];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

namespace {

void putBig32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

void pngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    putBig32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBig32(out, static_cast<uint32_t>(crc32(0, &out[start], static_cast<uInt>(out.size() - start))));
}

}   // namespace

bool writePng(const std::string& path, const Picture& picture)
{
    std::vector<uint8_t> raw;
    raw.reserve((static_cast<size_t>(picture.width) * 3 + 1) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back(0);   // filter: none
        for (int x = 0; x < picture.width; ++x)
            for (int c = 0; c < 3; ++c) raw.push_back(toByte(picture.at(x, y)[c]));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return false;
    packed.resize(packedSize);

    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    putBig32(header, static_cast<uint32_t>(picture.width));
    putBig32(header, static_cast<uint32_t>(picture.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});   // 8 bits, RGB, deflate, no filter set, no interlace
    pngChunk(file, "IHDR", header);
    pngChunk(file, "IDAT", packed);
    pngChunk(file, "IEND", {});
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    return std::fclose(f) == 0 && ok;
}
