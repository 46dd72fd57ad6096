// The logo intro. The logo lies on the rectangle x −0.5 … 0.5, y −0.2 … 0.2 of the plane z = 0,
// seen from (0, −0.2, 1.5). A vertical sweep line at x = s runs from −0.5 to 0.5 in the first
// 5 intro clock units (6 s) and uncovers the logo, which ends in a 0.05 wide soft edge just right
// of the line. Five light sheets stand on the line and reach to the viewer, each carrying the one
// logo column under the line (unit 0) modulated by smoke (unit 1); a glow band from the shine
// picture lies along the line, drawn twice. Wherever the line crosses a bright part of the logo,
// free smoke puffs and sparks respawn there (sampling the logo bitmap is slow, so it happens only
// on respawn, and stops once s reaches 0.4). Everything is added to the picture: blending is
// (SRC_ALPHA, ONE) throughout and the colour buffer alone is cleared.
//
// State: introStart saves the whole attribute state and switches the additive blend on; between
// frames texture unit 0 is active with texturing off on both units. The model-view matrix is left
// holding the intro's camera (matrices are not attribute state). The call that ends the intro
// restores the saved attributes and makes unit 0 active.
//
// Time: the intro clock gains one unit per 1.2 s of the tick count; the first frame takes a fixed
// step of 0.01 units. Motion is scaled by k = 100 · dt (dt in clock units), so k = 1 at 12 ms a
// frame; only the logo's last fade steps per drawn frame.
#include "intro/intro.h"

#include "assets/datfile.h"
#include "assets/texture.h"
#include "glview/glv.h"

#include "platform/clock.h"
#include "platform/exception.h"
#include "platform/wallclock.h"

#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>

GLV* introView = nullptr;
DatFile* logoArchive = nullptr;
Texture* logoTexture = nullptr;
Texture* smokeTexture = nullptr;
Texture* shineTexture = nullptr;
Vector3D sparkPositions[kIntroSparks];
Vector3D sparkVelocities[kIntroSparks];
float sparkLives[kIntroSparks];
Vector3D puffPositions[kIntroPuffs];
Vector3D puffVelocities[kIntroPuffs];
float puffLives[kIntroPuffs];
float introClock = 0;
uint32_t introLastTick = 0;
float logoAlpha = 1;

namespace {

const Bitmap* logoBitmap = nullptr;   // "logo1.bmp" in logoArchive, sampled on respawn
bool introLoaded = false;             // from a complete introStart to the ending frame

constexpr float kEndClock = 10;        // intro clock units (12 s)
constexpr float kFadeClock = 7;        // the logo's last fade starts here (8.4 s)
constexpr float kRespawnUntil = 0.4f;  // sweep position after which nothing respawns
constexpr float kAlive = 0.1f;         // below this life a particle is free
constexpr float kLifeStep = 0.015f;    // life lost per step (k = 1)

void releaseLogo()
{
    delete logoTexture;
    delete smokeTexture;
    delete shineTexture;
    delete logoArchive;
    logoTexture = smokeTexture = shineTexture = nullptr;
    logoArchive = nullptr;
    logoBitmap = nullptr;
}

// The ramp rule of the system: not ≥ 0 (NaN included) becomes 0.
float notBelowZero(float v)
{
    return v >= 0 ? v : 0;
}

void drawLightSheets(float s, float a)
{
    glBegin(GL_QUADS);
    for (float j = 0; j < 1; j += 0.2f) {
        const float w = 0.03f * j;   // slant towards the viewer
        glColor4f(0.8f, 0.8f, 1, 0.4f * a);
        multiTexCoord2fARB(GL_TEXTURE0_ARB, s + 0.5f, 0);
        multiTexCoord2fARB(GL_TEXTURE1_ARB, s - 0.5f, 0);
        glVertex3f(s + w + 0.01f, -0.2f, 0);
        multiTexCoord2fARB(GL_TEXTURE0_ARB, s + 0.5f, 0);
        multiTexCoord2fARB(GL_TEXTURE1_ARB, s + 0.5f, 1);
        glVertex3f(s - w + 0.01f, -0.2f, 1.5f);
        multiTexCoord2fARB(GL_TEXTURE0_ARB, s + 0.5f, 1);
        multiTexCoord2fARB(GL_TEXTURE1_ARB, s - 0.5f, 1);
        glVertex3f(s - w + 0.01f, 0.2f, 1.5f);
        multiTexCoord2fARB(GL_TEXTURE0_ARB, s + 0.5f, 1);
        multiTexCoord2fARB(GL_TEXTURE1_ARB, s + 0.5f, 0);
        glVertex3f(s + w + 0.01f, 0.2f, 0);
    }
    glEnd();
}

void drawLogo(float s)
{
    glColor4f(1, 1, 1, logoAlpha);
    glBegin(GL_QUADS);
    // The uncovered part, left of the line.
    multiTexCoord2fARB(GL_TEXTURE0_ARB, 0, 0);
    glVertex3f(-0.5f, -0.2f, 0);
    multiTexCoord2fARB(GL_TEXTURE0_ARB, 0, 1);
    glVertex3f(-0.5f, 0.2f, 0);
    multiTexCoord2fARB(GL_TEXTURE0_ARB, s + 0.5f, 1);
    glVertex3f(s, 0.2f, 0);
    multiTexCoord2fARB(GL_TEXTURE0_ARB, s + 0.5f, 0);
    glVertex3f(s, -0.2f, 0);
    // The soft edge, 0.05 wide, fading to nothing on its right.
    multiTexCoord2fARB(GL_TEXTURE0_ARB, s + 0.5f, 0);
    glVertex3f(s, -0.2f, 0);
    multiTexCoord2fARB(GL_TEXTURE0_ARB, s + 0.5f, 1);
    glVertex3f(s, 0.2f, 0);
    glColor4f(1, 1, 1, 0);
    const float e = s + 0.55f < 1 ? s + 0.55f : 1;
    multiTexCoord2fARB(GL_TEXTURE0_ARB, e, 1);
    glVertex3f(s + 0.05f, 0.2f, 0);
    multiTexCoord2fARB(GL_TEXTURE0_ARB, e, 0);
    glVertex3f(s + 0.05f, -0.2f, 0);
    glEnd();
}

void drawGlowBand(float s, float a)
{
    for (int pass = 0; pass < 2; ++pass) {   // twice: the band's brightness doubles
        for (int side = -1; side <= 1; side += 2) {
            glBegin(GL_QUAD_STRIP);
            for (float y = -0.3f; y < 0.3f; y += 0.1f) {
                multiTexCoord2fARB(GL_TEXTURE0_ARB, 0.5f * s + 0.5f, 1.25f * y + 0.5f);
                glColor4f(0, 0, 0, 0);
                glVertex3f(s + 0.02f + 0.1f * side, y, 0);
                glColor4f(1, 1, 1, a);
                glVertex3f(s + 0.02f, y, 0);
            }
            glEnd();
        }
    }
}

void drawPuffs(float s, float k)
{
    for (int i = 0; i < kIntroPuffs; ++i) {
        Vector3D& p = puffPositions[i];
        Vector3D& v = puffVelocities[i];
        float& life = puffLives[i];
        if (!(life >= kAlive) && !(s >= kRespawnUntil)) {
            const float r = randomOffset();
            const float r1 = randomOffset();
            const float r2 = randomOffset();
            p = Vector3D(s + 0.02f, 0.5f * r, r1);
            v = Vector3D(0.05f * r2, 0.05f, 0);
            if (introLogoBrightAt(s, p.y)) life = 1;
        }
        p += v * (0.2f * k);
        p.z = 0;
        if (life > 0) life -= kLifeStep * k;

        glPushMatrix();
        glTranslatef(p.x, p.y, 0);
        glBegin(GL_TRIANGLE_FAN);
        glColor4f(1, 1, 1, 0.2f * life);
        multiTexCoord2fARB(GL_TEXTURE0_ARB, 0.5f, 0.5f);
        glVertex3f(0, 0, 0);
        glColor4f(1, 1, 1, 0);
        multiTexCoord2fARB(GL_TEXTURE0_ARB, 1, 0.5f);
        glVertex3f(0.2f, 0, 0);
        multiTexCoord2fARB(GL_TEXTURE0_ARB, 0.5f, 1);
        glVertex3f(0, 0.2f, 0);
        multiTexCoord2fARB(GL_TEXTURE0_ARB, 0, 0.5f);
        glVertex3f(-0.2f, 0, 0);
        multiTexCoord2fARB(GL_TEXTURE0_ARB, 0.5f, 0);
        glVertex3f(0, -0.2f, 0);
        multiTexCoord2fARB(GL_TEXTURE0_ARB, 1, 0.5f);
        glVertex3f(0.2f, 0, 0);
        glEnd();
        glPopMatrix();
    }
}

void drawSparks(float s, float k)
{
    for (int i = 0; i < kIntroSparks; ++i) {
        Vector3D& p = sparkPositions[i];
        Vector3D& v = sparkVelocities[i];
        float& life = sparkLives[i];
        if (!(life >= kAlive) && !(s >= kRespawnUntil)) {
            const float r = randomOffset();
            const float r1 = randomOffset();
            const float r2 = randomOffset();
            const float r3 = randomOffset();
            p = Vector3D(s + 0.02f, 0.5f * r, 0);
            v = Vector3D(r1 + 0.4f, r2 + 0.5f, r3) * 0.05f;   // up and to the right
            if (introLogoBrightAt(s, p.y)) life = 1;
        }
        v.y -= 0.002f * k;   // gravity
        p += v * (0.16f * k);
        if (life > 0) life -= kLifeStep * k;

        const Vector3D tail = p - v * 0.7f;
        const Vector3D front = p + v * 0.4f;
        glBegin(GL_TRIANGLE_FAN);
        glColor4f(1, 1, 1, life);
        glVertex3f(p.x, p.y, p.z);
        glColor4f(1, 0.4f, 0.3f, 0);
        glVertex3f(tail.x, tail.y, tail.z);
        glVertex3f(front.x - 0.009f, front.y, front.z);
        glVertex3f(front.x + 0.009f, front.y, front.z);
        glVertex3f(tail.x, tail.y, tail.z);
        glEnd();
    }
}

}  // namespace

bool introLogoBrightAt(float s, float y)
{
    if (!logoBitmap) return false;
    const int halfWidth = logoBitmap->width / 2;
    const int halfHeight = logoBitmap->height / 2;
    int column = static_cast<int>(halfWidth + halfWidth * 2 * s);
    int row = static_cast<int>(halfHeight - halfHeight * 5 * y);   // y = ±0.2: the picture's edges
    if (column < 0) column = 0;
    if (row < 0) row = 0;
    if (column > 511) column = 511;
    if (row > 255) row = 255;
    // The logo is meant to be 512 × 256; a smaller picture is clamped to its own edges.
    if (column >= logoBitmap->width) column = logoBitmap->width - 1;
    if (row >= logoBitmap->height) row = logoBitmap->height - 1;
    if (column < 0 || row < 0) return false;
    const Bitmap::Colour c = logoBitmap->colourAt(column, row);
    return Vector3D(c.red / 255.0f, c.green / 255.0f, c.blue / 255.0f).length() > 0.2f;
}

void introStart(GLV* view)
{
    introView = view;
    std::srand(wallClockSeconds());
    glPushAttrib(GL_ALL_ATTRIB_BITS);

    // Parked at x = 4, outside the view, until a respawn brings them to the line.
    for (int i = 0; i < kIntroSparks; ++i) {
        const float r = randomOffset();
        const float r1 = randomOffset();
        sparkPositions[i] = Vector3D(4, 10 * r, 0);
        sparkLives[i] = r1 + 0.5f;
        sparkVelocities[i] = Vector3D(0, 0, 0);
    }
    for (int i = 0; i < kIntroPuffs; ++i) {
        const float r = randomOffset();
        const float r1 = randomOffset();
        puffPositions[i] = Vector3D(4, 10 * r, 0);
        puffLives[i] = r1 + 0.5f;
        puffVelocities[i] = Vector3D(0, 0, 0);
    }

    releaseLogo();   // what a failed earlier start may have left
    try {
        logoArchive = new DatFile("logo.dat");
    } catch (...) {
        // The pump calls again on the next idle call: leave the attribute stack as it was.
        glPopAttrib();
        throw;
    }

    // A picture missing from the archive leaves nothing to draw: the intro is skipped and the
    // show goes on with the scene.
    try {
        const char* names[3] = {"logo1.bmp", "smoke.bmp", "shine.bmp"};
        Texture** textures[3] = {&logoTexture, &smokeTexture, &shineTexture};
        for (int i = 0; i < 3; ++i) {
            const Bitmap* bitmap = logoArchive->getBitmap(names[i]);
            if (!bitmap) throw Exception(std::string("logo.dat has no image ") + names[i]);
            *textures[i] = new Texture(bitmap, false, 0);
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "Logo intro skipped: %s\n", e.what());
        releaseLogo();
        glPopAttrib();
        introLoaded = false;
        return;
    }
    logoBitmap = logoArchive->getBitmap("logo1.bmp");

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    introLoaded = true;
}

int introFrame()
{
    if (!introLoaded) return 0;

    // Intro clock units; the first frame takes the fixed step.
    float dt = 0.01f;
    if (introLastTick != 0) dt = static_cast<float>(static_cast<uint32_t>(tickCount() - introLastTick)) / 1200.0f;
    introClock += dt;
    introLastTick = tickCount();
    const float k = 100 * dt;

    float s = 0.2f * introClock - 0.5f;   // the sweep line, logo units
    if (s > 0.5f) s = 0.5f;
    float a = 1;                          // fade of sheets and glow
    if (s < -0.45f) a = (s + 0.5f) * 20;
    if (s > 0.45f) a = a - (s - 0.45f) * 20;
    a = notBelowZero(a);

    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(0, -0.2, 1.5, 0, 0, 0, 0, 1, 0);

    activeTextureARB(GL_TEXTURE0_ARB);
    logoTexture->bind();
    activeTextureARB(GL_TEXTURE1_ARB);
    smokeTexture->bind();

    drawLightSheets(s, a);

    glDisable(GL_TEXTURE_2D);   // unit 1: the logo uses unit 0 alone
    if (s < 0.45f) {
        logoAlpha = a;
    } else if (introClock > kFadeClock) {
        logoAlpha -= 0.01f;   // per drawn frame, not scaled by time
    }
    logoAlpha = notBelowZero(logoAlpha);
    drawLogo(s);

    if (introClock > kEndClock) {
        releaseLogo();
        glPopAttrib();
        activeTextureARB(GL_TEXTURE0_ARB);
        introLoaded = false;
        return 0;   // this frame is not presented
    }

    activeTextureARB(GL_TEXTURE0_ARB);
    shineTexture->bind();
    drawGlowBand(s, a);

    smokeTexture->bind();
    drawPuffs(s, k);

    glDisable(GL_TEXTURE_2D);
    drawSparks(s, k);

    introView->swap();
    return 1;
}
