// Typed-out captions: one quad per visible glyph, additive blending, white at the fade's alpha.
#include "kit/caption.h"

#include "assets/dsound.h"
#include "assets/texture.h"
#include "glview/glv.h"
#include "scene/state.h"

#include <GL/glu.h>

#include <cstring>

namespace {

constexpr float kCellWidth = 1.0f / 64.0f;   // texture width of one glyph cell
constexpr float kAdvance = 0.04f;            // scene units per character position
constexpr float kGlyphHeight = 0.08f;        // scene units

// The ramp rule of the whole scene: not ≥ 0 (NaN too) gives 0, above 1 gives 1.
float clampUnit(float x)
{
    if (!(x >= 0.0f)) return 0.0f;
    return x > 1.0f ? 1.0f : x;
}

}  // namespace

float captionAlpha(float typed, size_t length)
{
    return clampUnit(10.0f - (typed - static_cast<float>(length)) * 0.1f);
}

void drawCaption(const char* text, float typed, bool atTop)
{
    const size_t length = std::strlen(text);
    // Characters shown: the count truncated toward zero. Anything past the end behaves alike, so
    // huge counts are cut to length + 1 before the conversion, and NaN counts as -1.
    long n;
    if (!(typed > -1.0f)) n = -1;
    else if (typed >= static_cast<float>(length + 1)) n = static_cast<long>(length) + 1;
    else n = static_cast<long>(typed);

    if (soundPlayer) {
        // text[length] is the NUL, so the typing runs until the count passes the last letter.
        const bool pastEnd = n > static_cast<long>(length);
        if (pastEnd || (n >= 0 && text[n] == ' ')) {
            soundPlayer->stop(0);
            soundPlayer->stop(1);
        } else if (n > 0) {
            soundPlayer->play(0, true);
            soundPlayer->play(1, true);
        }
    }

    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    activeTextureARB(GL_TEXTURE0_ARB);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    fontTexture->bind();
    activeTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);

    glPushMatrix();
    glLoadIdentity();
    gluLookAt(0.0, 0.0, 2.8, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glColor4f(1.0f, 1.0f, 1.0f, captionAlpha(typed, length));
    if (atTop) glTranslatef(-1.68f, 1.2f, 0.0f);
    else glTranslatef(-1.62f, -1.2f, 0.0f);

    glBegin(GL_QUADS);
    for (long i = 0; i < n && text[i] != '\0'; ++i) {
        const int c = captionCell(text[i]);
        if (c < 0) continue;   // no glyph, but the position is taken
        const float u0 = static_cast<float>(c) * kCellWidth;
        const float u1 = static_cast<float>(c + 1) * kCellWidth;
        const float x0 = kAdvance * static_cast<float>(i);
        const float x1 = kAdvance * static_cast<float>(i + 1);
        glTexCoord2f(u0, 0.0f);
        glVertex3f(x0, 0.0f, 0.0f);
        glTexCoord2f(u1, 0.0f);
        glVertex3f(x1, 0.0f, 0.0f);
        glTexCoord2f(u1, 1.0f);
        glVertex3f(x1, kGlyphHeight, 0.0f);
        glTexCoord2f(u0, 1.0f);
        glVertex3f(x0, kGlyphHeight, 0.0f);
    }
    glEnd();
    glPopMatrix();
}
