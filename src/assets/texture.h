// Texture: an RGBA copy of a bitmap and the OpenGL texture object made from it. The constructor
// only converts pixels, so textures can be built before any GL context exists; the GL object is
// created on the first bind (or update, or upload) and deleted by release or the destructor.
// Everything but construction, sample and makeNormalMap needs the saver's GL context current.
#pragma once

#include "kit/vector3d.h"

#include <cstdint>
#include <vector>

class Bitmap;

// No subclasses: final keeps deletion through a Texture* exact with a non-virtual destructor.
class Texture final {
public:
    uint32_t textureName = 0;     // the GL texture object; valid while uploaded
    bool mipmapped;               // mipmapped upload and trilinear minification
    std::vector<uint8_t> pixels;  // width × height × 4: red, green, blue, alpha; bottom row first
    uint32_t width;               // pixels
    uint32_t height;              // pixels
    bool uploaded = false;        // whether the GL texture object exists

    // Converts the bitmap at once; keeps nothing of it. 24-bit and 32-bit bitmaps are converted
    // as they are (the fourth byte of a 32-bit pixel is ignored), 8-bit grey ones as grey RGB.
    // alphaMode sets alpha (and for 5 the colour) from each pixel:
    //   0  255                        3  blue
    //   1  red                        4  10 × (red + green + blue), at most 255
    //   2  green                      5  255 − red, colour set to black
    // Raises for a null or empty bitmap and for an alpha mode outside 0 … 5.
    Texture(const Bitmap* bitmap, bool mipmapped, int alphaMode);
    ~Texture();   // releases the GL object if there is one
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Creates the GL object from pixels and leaves it bound: repeat wrapping, linear filters
    // (trilinear minification when mipmapped), GL_MODULATE on the active texture unit; all mipmap
    // levels are built by GLU, which rescales sides that are not powers of two. Without mipmaps
    // the GL's own rule applies: power-of-two sides. GL_TEXTURE_2D's enable is left as it was.
    virtual void upload();
    virtual void release();   // deletes the GL object
    // Brings the GL object up to date with pixels (in place without mipmaps; rebuilt with them),
    // leaving it bound with GL_TEXTURE_2D enabled.
    virtual void update();
    virtual void bind();      // uploads if needed, enables GL_TEXTURE_2D, binds
    virtual void enableSphereMap();    // sphere-map generation of S and T, switched on
    virtual void disableSphereMap();   // generation of S and T switched off
    virtual void drawPixels();         // the buffer at the current raster position
    // The colour at texture coordinates (u, v), each of red, green, blue in 0 … 1; v = 0 is the
    // picture's top row. Scaled coordinates are truncated toward zero, then negative ones clamp
    // to the first pixel and those past the end wrap around: u = 1 samples column 0.
    virtual Vector3D sample(float u, float v) const;

    // Reads the red channel as a height field and replaces each pixel's red, green, blue with its
    // surface normal, encoded as truncate((k + 1) × 127) per component: a flat area becomes
    // (127, 254, 127). Neighbours wrap at every edge. Alpha is kept. Only pixels change: call it
    // before the first bind, or update afterwards.
    void makeNormalMap();
};
