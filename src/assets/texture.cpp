#include "assets/texture.h"

#include "assets/bitmap.h"

#include "platform/exception.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace {

// One pass over the bitmap for each source format (Step bytes a pixel) and alpha mode, so the
// inner loop carries no decisions. Picture row r goes to buffer row height − 1 − r.
template <int Step, int Mode>
void convert(const Bitmap& bitmap, uint8_t* out)
{
    const int w = bitmap.width, h = bitmap.height;
    for (int r = 0; r < h; ++r) {
        const uint8_t* s = bitmap.row(r);
        uint8_t* d = out + static_cast<size_t>(h - 1 - r) * w * 4;
        for (int c = 0; c < w; ++c, s += Step, d += 4) {
            const uint8_t red = Step == 1 ? s[0] : s[2];
            const uint8_t green = Step == 1 ? s[0] : s[1];
            const uint8_t blue = s[0];
            if (Mode == 5) {
                d[0] = d[1] = d[2] = 0;
                d[3] = static_cast<uint8_t>(255 - red);
                continue;
            }
            d[0] = red;
            d[1] = green;
            d[2] = blue;
            switch (Mode) {
            case 0: d[3] = 255; break;
            case 1: d[3] = red; break;
            case 2: d[3] = green; break;
            case 3: d[3] = blue; break;
            default: d[3] = static_cast<uint8_t>(std::min(255, 10 * (red + green + blue))); break;
            }
        }
    }
}

template <int Step>
void convertWithMode(const Bitmap& bitmap, int alphaMode, uint8_t* out)
{
    switch (alphaMode) {
    case 0: convert<Step, 0>(bitmap, out); break;
    case 1: convert<Step, 1>(bitmap, out); break;
    case 2: convert<Step, 2>(bitmap, out); break;
    case 3: convert<Step, 3>(bitmap, out); break;
    case 4: convert<Step, 4>(bitmap, out); break;
    case 5: convert<Step, 5>(bitmap, out); break;
    }
}

// A scaled texture coordinate, truncated toward zero, as a pixel index: negative (and NaN)
// clamps to 0, past the end wraps. fmod is exact, so this equals integer modulo wherever the
// truncated value fits an integer, and stays defined where it does not.
uint32_t pixelIndex(float scaled, uint32_t size)
{
    const float t = std::trunc(scaled);
    if (!(t >= 0)) return 0;
    if (t < static_cast<float>(size)) return std::min(static_cast<uint32_t>(t), size - 1);
    const float m = std::fmod(t, static_cast<float>(size));
    return m >= 0 && m < static_cast<float>(size) ? static_cast<uint32_t>(m) : 0;   // infinity gives NaN
}

}  // namespace

Texture::Texture(const Bitmap* bitmap, bool mipmapped, int alphaMode) : mipmapped(mipmapped)
{
    if (!bitmap) throw Exception("Texture: no bitmap");
    if (bitmap->width <= 0 || bitmap->height <= 0) throw Exception("Texture: empty bitmap");
    if (alphaMode < 0 || alphaMode > 5)
        throw Exception("Texture: alpha mode " + std::to_string(alphaMode) + " is not one of 0 to 5");
    width = static_cast<uint32_t>(bitmap->width);
    height = static_cast<uint32_t>(bitmap->height);
    pixels.resize(static_cast<size_t>(width) * height * 4);
    switch (bitmap->bitsPerPixel) {
    case 24: convertWithMode<3>(*bitmap, alphaMode, pixels.data()); break;
    case 32: convertWithMode<4>(*bitmap, alphaMode, pixels.data()); break;
    case 8: convertWithMode<1>(*bitmap, alphaMode, pixels.data()); break;
    default:
        throw Exception("Texture: bitmaps of " + std::to_string(bitmap->bitsPerPixel) +
                        " bits per pixel cannot be converted");
    }
}

Texture::~Texture()
{
    if (uploaded) release();
}

void Texture::upload()
{
    if (uploaded) release();   // an explicit second upload must not leak the first object
    GLuint name = 0;
    glGenTextures(1, &name);
    textureName = name;
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    // Texture-unit state, not object state: set again on every upload.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const GLsizei w = static_cast<GLsizei>(width), h = static_cast<GLsizei>(height);
    if (mipmapped)
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    else
        glTexImage2D(GL_TEXTURE_2D, 0, 4, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    uploaded = true;
}

void Texture::release()
{
    const GLuint name = textureName;
    glDeleteTextures(1, &name);
    uploaded = false;
}

void Texture::update()
{
    if (!uploaded) {
        upload();
        glBindTexture(GL_TEXTURE_2D, textureName);
        glEnable(GL_TEXTURE_2D);
        return;
    }
    glBindTexture(GL_TEXTURE_2D, textureName);
    glEnable(GL_TEXTURE_2D);
    if (!mipmapped) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA,
                        GL_UNSIGNED_BYTE, pixels.data());
    } else {
        release();
        upload();
    }
}

void Texture::bind()
{
    if (!uploaded) upload();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureName);
}

void Texture::enableSphereMap()
{
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
}

void Texture::disableSphereMap()
{
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}

void Texture::drawPixels()
{
    glDrawPixels(static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
}

Vector3D Texture::sample(float u, float v) const
{
    const uint32_t x = pixelIndex(static_cast<float>(width) * u, width);
    const uint32_t y = pixelIndex(static_cast<float>(height) * v, height);
    const uint8_t* p = pixels.data() + (static_cast<size_t>(height - 1 - y) * width + x) * 4;
    return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
}

void Texture::makeNormalMap()
{
    const uint32_t w = width, h = height;
    // Heights by picture row from the top, so the neighbour arithmetic reads like the picture.
    std::vector<int> heights(static_cast<size_t>(w) * h);
    for (uint32_t j = 0; j < h; ++j)
        for (uint32_t i = 0; i < w; ++i)
            heights[static_cast<size_t>(j) * w + i] = pixels[(static_cast<size_t>(h - 1 - j) * w + i) * 4];

    // Results go to a copy first, so that every pixel reads its neighbours' input heights.
    std::vector<uint8_t> result(pixels);
    const auto encode = [](float k) { return static_cast<uint8_t>((k + 1) * 127); };
    for (uint32_t j = 0; j < h; ++j) {
        const int* row = &heights[static_cast<size_t>(j) * w];
        const int* below = &heights[static_cast<size_t>(j + 1 == h ? 0 : j + 1) * w];
        const int* above = &heights[static_cast<size_t>(j == 0 ? h - 1 : j - 1) * w];
        uint8_t* out = &result[static_cast<size_t>(h - 1 - j) * w * 4];
        for (uint32_t i = 0; i < w; ++i, out += 4) {
            const uint32_t right = i + 1 == w ? 0 : i + 1;
            const uint32_t left = i == 0 ? w - 1 : i - 1;
            const int centre = row[i];
            const float dxPlus = (row[right] - centre) * (1 / 255.0f);
            const float dxMinus = (row[left] - centre) * (1 / 255.0f);
            const float dyPlus = (below[i] - centre) * (1 / 255.0f);
            const float dyMinus = (above[i] - centre) * (1 / 255.0f);
            const Vector3D a(0.1f, dxPlus, 0), b(0, dyPlus, 0.1f), c(-0.1f, dxMinus, 0), d(0, dyMinus, -0.1f);
            // The middle component is always 0.02, so normalising cannot fail.
            const Vector3D n = (b.cross(a) + d.cross(c)).normalize();
            out[0] = encode(n.x);
            out[1] = encode(n.y);
            out[2] = encode(n.z);
        }
    }
    pixels.swap(result);
}
