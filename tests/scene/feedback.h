// Geometry captured with glRenderMode(GL_FEEDBACK) in GL_3D_COLOR_TEXTURE form: every polygon the
// GL would rasterise, with window coordinates, colour and unit 0's texture coordinates.
#pragma once

#include <GL/gl.h>

#include <functional>
#include <vector>

struct FeedbackVertex {
    float x, y, z;      // window coordinates
    float r, g, b, a;
    float s, t, p, q;
};
using FeedbackPolygon = std::vector<FeedbackVertex>;

// Runs draw in feedback mode and returns its polygons; `capacity` floats are reserved for them.
// Points, lines and bitmaps are skipped.
inline std::vector<FeedbackPolygon> capturePolygons(const std::function<void()>& draw, size_t capacity = 1 << 20)
{
    std::vector<GLfloat> buffer(capacity);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<FeedbackPolygon> polygons;
    constexpr int kFloats = 11;
    for (GLint i = 0; i < used;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        if (token == GL_POLYGON_TOKEN) {
            const int n = static_cast<int>(buffer[i++]);
            FeedbackPolygon polygon;
            for (int k = 0; k < n; ++k, i += kFloats) {
                const GLfloat* f = &buffer[i];
                polygon.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10]});
            }
            polygons.push_back(polygon);
        } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN || token == GL_DRAW_PIXEL_TOKEN ||
                   token == GL_COPY_PIXEL_TOKEN) {
            i += kFloats;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            i += 2 * kFloats;
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            i += 1;
        } else {
            break;   // unknown token: stop rather than misread the rest
        }
    }
    return polygons;
}
