// The register-combiner emulation on llvmpipe: quads drawn with the emulated combiners enabled and
// read back, and the GL errors of the four entry points.
#include "glview/combiners.h"

#include "gl_fixture.h"

#include "platform/glcontext.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Colour {
    float r, g, b, a;
};

constexpr float kTolerance = 2.0f / 255;
constexpr GLenum kRGB = GL_RGB;
constexpr GLenum kAlpha = GL_ALPHA;
constexpr GLenum kUI = GL_UNSIGNED_IDENTITY_NV;

float u8(int k)
{
    return k / 255.0f;
}

// Shorthands for the emulated entry points. Stage numbers count from COMBINER0.
void input(int stage, GLenum portion, GLenum variable, GLenum reg, GLenum mapping = kUI, GLenum usage = 0)
{
    emulatedCombinerInputNV(GL_COMBINER0_NV + stage, portion, variable, reg, mapping,
                            usage ? usage : portion);
}

// "1": zero, inverted.
void inputOne(int stage, GLenum portion, GLenum variable)
{
    input(stage, portion, variable, GL_ZERO, GL_UNSIGNED_INVERT_NV);
}

void output(int stage, GLenum portion, GLenum ab, GLenum cd, GLenum sum, GLenum scale = GL_NONE,
            GLenum bias = GL_NONE, bool abDot = false, bool mux = false)
{
    emulatedCombinerOutputNV(GL_COMBINER0_NV + stage, portion, ab, cd, sum, scale, bias, abDot, GL_FALSE, mux);
}

void finalInput(GLenum variable, GLenum reg, GLenum usage = kRGB, GLenum mapping = kUI)
{
    emulatedFinalCombinerInputNV(variable, reg, mapping, usage);
}

void stageCount(int n)
{
    emulatedCombinerParameteriNV(GL_NUM_GENERAL_COMBINERS_NV, n);
}

// Final combiner that shows one register: rgb = max(reg.rgb, 0), alpha 1 or spare0's alpha.
void readout(GLenum reg = GL_SPARE0_NV, bool alphaFromSpare0 = false)
{
    finalInput(GL_VARIABLE_A_NV, GL_ZERO);
    finalInput(GL_VARIABLE_B_NV, GL_ZERO);
    finalInput(GL_VARIABLE_C_NV, reg);
    finalInput(GL_VARIABLE_D_NV, GL_ZERO);
    if (alphaFromSpare0) finalInput(GL_VARIABLE_G_NV, GL_SPARE0_NV, kAlpha);
    else finalInput(GL_VARIABLE_G_NV, GL_ZERO, kAlpha, GL_UNSIGNED_INVERT_NV);
}

// The scene's bump set-up, in the scene's order: spare0 = dot(expand(primary), expand(texture 1)),
// colour = min(2 * max(spare0, 0) * texture 0, 1), alpha = texture 0's alpha.
void configureBump()
{
    stageCount(1);
    for (GLenum v : {GL_VARIABLE_A_NV, GL_VARIABLE_B_NV, GL_VARIABLE_C_NV, GL_VARIABLE_D_NV})
        input(0, kRGB, v, v == GL_VARIABLE_A_NV || v == GL_VARIABLE_C_NV ? GL_PRIMARY_COLOR_NV : GL_TEXTURE1_ARB,
              GL_EXPAND_NORMAL_NV);
    output(0, kRGB, GL_SPARE0_NV, GL_DISCARD_NV, GL_DISCARD_NV, GL_NONE, GL_NONE, true);
    finalInput(GL_VARIABLE_A_NV, GL_SPARE0_NV);
    finalInput(GL_VARIABLE_B_NV, GL_TEXTURE0_ARB);
    finalInput(GL_VARIABLE_G_NV, GL_TEXTURE0_ARB, kAlpha);
    finalInput(GL_VARIABLE_E_NV, GL_SPARE0_NV);
    finalInput(GL_VARIABLE_F_NV, GL_TEXTURE0_ARB);
    finalInput(GL_VARIABLE_C_NV, GL_ZERO);
    finalInput(GL_VARIABLE_D_NV, GL_E_TIMES_F_NV);
}

// The same computation on the CPU, from the values the registers hold.
Colour bumpReference(Colour p, Colour t0, Colour t1)
{
    auto expand = [](float e) { return 2 * std::fmax(e, 0.0f) - 1; };
    const float dot = expand(p.r) * expand(t1.r) + expand(p.g) * expand(t1.g) + expand(p.b) * expand(t1.b);
    const float k = std::fmax(std::fmin(dot, 1.0f), 0.0f);
    return {std::fmin(2 * k * t0.r, 1.0f), std::fmin(2 * k * t0.g, 1.0f), std::fmin(2 * k * t0.b, 1.0f), t0.a};
}

Colour fromBytes(const unsigned char c[4])
{
    return {u8(c[0]), u8(c[1]), u8(c[2]), u8(c[3])};
}

std::string hex(GLenum token)
{
    char s[16];
    std::snprintf(s, sizeof s, "0x%04X", token);
    return s;
}

std::string text(Colour c)
{
    char s[80];
    std::snprintf(s, sizeof s, "(%.3f, %.3f, %.3f, %.3f)", double(c.r), double(c.g), double(c.b), double(c.a));
    return s;
}

class CombinerTest : public GLFixture {
protected:
    void SetUp() override
    {
        GLFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(combinerEmulationSupported()) << "llvmpipe offers GLSL fragment shaders";
        activateCombinerEmulation();
        activeTexture = reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(GLContext::procAddress("glActiveTextureARB"));
        multiTexCoord = reinterpret_cast<PFNGLMULTITEXCOORD4FARBPROC>(GLContext::procAddress("glMultiTexCoord4fARB"));
        secondaryColor =
            reinterpret_cast<PFNGLSECONDARYCOLOR3FEXTPROC>(GLContext::procAddress("glSecondaryColor3fEXT"));
        ASSERT_TRUE(activeTexture && multiTexCoord && secondaryColor);
        // Eye z of the quad is -5, inside this volume.
        glMatrixMode(GL_PROJECTION);
        glOrtho(-1, 1, -1, 1, 0, 10);
        glMatrixMode(GL_MODELVIEW);
    }

    void TearDown() override
    {
        deactivateCombinerEmulation();
        GLFixture::TearDown();
    }

    // Back to the initial combiner state, fog off and no texturing, for the next row of a table.
    void restart()
    {
        setRegisterCombinersEnabled(false);
        deactivateCombinerEmulation();
        activateCombinerEmulation();
        glDisable(GL_FOG);
        for (int unit = 1; unit >= 0; --unit) {
            activeTexture(GL_TEXTURE0_ARB + unit);
            glDisable(GL_TEXTURE_2D);
            glDisable(GL_TEXTURE_CUBE_MAP);
        }
    }

    // A 1×1 texture on `unit` with nearest filtering, 2D texturing enabled there; unit 0 is left
    // active.
    GLuint texture(int unit, const unsigned char rgba[4], GLenum internalFormat = GL_RGBA8, GLenum format = GL_RGBA,
                   int width = 1)
    {
        GLuint name = 0;
        glGenTextures(1, &name);
        activeTexture(GL_TEXTURE0_ARB + unit);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(internalFormat), width, 1, 0, format, GL_UNSIGNED_BYTE, rgba);
        glEnable(GL_TEXTURE_2D);
        activeTexture(GL_TEXTURE0_ARB);
        return name;
    }

    // One screen-filling quad with the emulated combiners enabled, as the scene draws: sync, then
    // draw. The driver must have seen no error.
    Pixel draw(Colour primary, Colour secondary = {0, 0, 0, 0})
    {
        setRegisterCombinersEnabled(true);
        syncRegisterCombiners();
        glClear(GL_COLOR_BUFFER_BIT);
        glBegin(GL_QUADS);
        glColor4f(primary.r, primary.g, primary.b, primary.a);
        secondaryColor(secondary.r, secondary.g, secondary.b);
        multiTexCoord(GL_TEXTURE0_ARB, texCoord0.r, texCoord0.g, texCoord0.b, texCoord0.a);
        multiTexCoord(GL_TEXTURE1_ARB, 0.5f, 0.5f, 0, 1);
        glVertex3f(-1, -1, -5);
        glVertex3f(1, -1, -5);
        glVertex3f(1, 1, -5);
        glVertex3f(-1, 1, -5);
        glEnd();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "the driver saw an error";
        return readPixel(kSize / 2, kSize / 2);
    }

    static void expectColour(Pixel p, Colour c, const std::string& what)
    {
        const int limit = int(std::ceil(kTolerance * 255));
        const int e[4] = {int(std::lround(c.r * 255)), int(std::lround(c.g * 255)), int(std::lround(c.b * 255)),
                          int(std::lround(c.a * 255))};
        EXPECT_TRUE(std::abs(p.r - e[0]) <= limit && std::abs(p.g - e[1]) <= limit && std::abs(p.b - e[2]) <= limit &&
                    std::abs(p.a - e[3]) <= limit)
            << what << ": expected " << text(c) << " = (" << e[0] << ", " << e[1] << ", " << e[2] << ", " << e[3]
            << "), got (" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
    }

    PFNGLACTIVETEXTUREARBPROC activeTexture = nullptr;
    PFNGLMULTITEXCOORD4FARBPROC multiTexCoord = nullptr;
    PFNGLSECONDARYCOLOR3FEXTPROC secondaryColor = nullptr;
    Colour texCoord0{0.5f, 0.5f, 0, 1};
};

// ---------------------------------------------------------------------------------------------
// General stages and the final combiner

struct DrawCase {
    std::string what;
    std::function<void()> setup;
    Colour primary;
    Colour secondary;
    unsigned char texel0[4];
    Colour expected;
};

std::vector<DrawCase> arithmeticCases()
{
    const Colour p{0.2f, 0.4f, 0.6f, 0.5f}, sec{0.3f, 0.3f, 0.3f, 0};
    std::vector<DrawCase> cases = {
        {"defaults: colour sum, no texture, GL_COLOR_SUM ignored", [] {}, p, sec, {255, 0, 0, 255},
         {0.5f, 0.7f, 0.9f, 0.5f}},
        {"bias before scale",
         [] {
             input(0, kRGB, GL_VARIABLE_A_NV, GL_PRIMARY_COLOR_NV);
             inputOne(0, kRGB, GL_VARIABLE_B_NV);
             output(0, kRGB, GL_SPARE0_NV, GL_DISCARD_NV, GL_DISCARD_NV, GL_SCALE_BY_TWO_NV,
                    GL_BIAS_BY_NEGATIVE_ONE_HALF_NV);
             readout();
         },
         {0.75f, 0.75f, 0.75f, 1}, {}, {0, 0, 0, 0}, {0.5f, 0.5f, 0.5f, 1}},
        {"outputs clamp to [-1, 1] between stages",
         [] {
             stageCount(2);
             input(0, kRGB, GL_VARIABLE_A_NV, GL_PRIMARY_COLOR_NV);
             inputOne(0, kRGB, GL_VARIABLE_B_NV);
             output(0, kRGB, GL_SPARE0_NV, GL_DISCARD_NV, GL_DISCARD_NV, GL_SCALE_BY_FOUR_NV);
             input(1, kRGB, GL_VARIABLE_A_NV, GL_SPARE0_NV, GL_SIGNED_IDENTITY_NV);
             input(1, kRGB, GL_VARIABLE_B_NV, GL_ZERO, GL_HALF_BIAS_NEGATE_NV);
             output(1, kRGB, GL_SPARE0_NV, GL_DISCARD_NV, GL_DISCARD_NV);
             readout();
         },
         {0.5f, 0.5f, 0.5f, 1}, {}, {0, 0, 0, 0}, {0.5f, 0.5f, 0.5f, 1}},
        {"a dot product fills rgb and leaves alpha to the alpha portion",
         [] {
             input(0, kRGB, GL_VARIABLE_A_NV, GL_PRIMARY_COLOR_NV);
             inputOne(0, kRGB, GL_VARIABLE_B_NV);
             output(0, kRGB, GL_SPARE0_NV, GL_DISCARD_NV, GL_DISCARD_NV, GL_NONE, GL_NONE, true);
             readout(GL_SPARE0_NV, true);
         },
         {0.2f, 0.3f, 0.1f, 0.4f}, {}, {0, 0, 0, 0}, {0.6f, 0.6f, 0.6f, 0.4f}},
        {"both portions read the registers before either writes",
         [] {
             input(0, kRGB, GL_VARIABLE_A_NV, GL_ZERO);
             input(0, kRGB, GL_VARIABLE_B_NV, GL_ZERO);
             output(0, kRGB, GL_PRIMARY_COLOR_NV, GL_DISCARD_NV, GL_DISCARD_NV);
             input(0, kAlpha, GL_VARIABLE_A_NV, GL_PRIMARY_COLOR_NV, kUI, GL_BLUE);
             readout(GL_PRIMARY_COLOR_NV, true);
         },
         {0.1f, 0.2f, 0.7f, 0.3f}, {}, {0, 0, 0, 0}, {0, 0, 0, 0.7f}},
        {"stages from NUM_GENERAL_COMBINERS on do not run",
         [] {
             input(1, kRGB, GL_VARIABLE_A_NV, GL_ZERO);
             input(1, kRGB, GL_VARIABLE_B_NV, GL_ZERO);
         },
         p, sec, {0, 0, 0, 0}, {0.5f, 0.7f, 0.9f, 0.5f}},
        {"a second stage runs once NUM_GENERAL_COMBINERS is 2",
         [] {
             stageCount(2);
             input(1, kRGB, GL_VARIABLE_A_NV, GL_ZERO);
             input(1, kRGB, GL_VARIABLE_B_NV, GL_ZERO);
         },
         p, sec, {0, 0, 0, 0}, {0.3f, 0.3f, 0.3f, 0.5f}},
        {"spare0 starts as (0, 0, 0, texture 0 alpha)",
         [] {
             output(0, kRGB, GL_DISCARD_NV, GL_DISCARD_NV, GL_DISCARD_NV);
             output(0, kAlpha, GL_DISCARD_NV, GL_DISCARD_NV, GL_DISCARD_NV);
             readout(GL_SPARE0_NV, true);
         },
         p, sec, {255, 255, 255, 153}, {0, 0, 0, 0.6f}},
        {"spare1 starts as kCombinerSpare1Initial",
         [] {
             readout(GL_SPARE1_NV);
             finalInput(GL_VARIABLE_G_NV, GL_SPARE1_NV, kAlpha);
         },
         p, sec, {255, 255, 255, 255},
         {kCombinerSpare1Initial.r, kCombinerSpare1Initial.g, kCombinerSpare1Initial.b, kCombinerSpare1Initial.a}},
        {"secondary alpha is kCombinerSecondaryAlpha",
         [] {
             readout(GL_SECONDARY_COLOR_NV);
             finalInput(GL_VARIABLE_G_NV, GL_SECONDARY_COLOR_NV, kAlpha);
         },
         p, {0.3f, 0.3f, 0.3f, 1}, {0, 0, 0, 0}, {0.3f, 0.3f, 0.3f, kCombinerSecondaryAlpha}},
        {"a negative spare0 adds nothing to the sum",
         [] { input(0, kRGB, GL_VARIABLE_A_NV, GL_ZERO, GL_EXPAND_NORMAL_NV); },
         p, {0.5f, 0.5f, 0.5f, 0}, {0, 0, 0, 0}, {0.5f, 0.5f, 0.5f, 0.5f}},
        {"E times F, and spare0 + secondary clamped",
         [] {
             finalInput(GL_VARIABLE_E_NV, GL_SECONDARY_COLOR_NV);
             finalInput(GL_VARIABLE_F_NV, GL_ZERO, kRGB, GL_UNSIGNED_INVERT_NV);
             finalInput(GL_VARIABLE_A_NV, GL_E_TIMES_F_NV);
             finalInput(GL_VARIABLE_B_NV, GL_SPARE0_PLUS_SECONDARY_COLOR_NV);
             finalInput(GL_VARIABLE_C_NV, GL_ZERO);
         },
         {0.75f, 0.75f, 0.75f, 1}, {0.5f, 0.5f, 0.5f, 0}, {0, 0, 0, 0}, {0.5f, 0.5f, 0.5f, 1}},
        {"E times F, and spare0 + secondary unclamped",
         [] {
             emulatedCombinerParameteriNV(GL_COLOR_SUM_CLAMP_NV, GL_FALSE);
             finalInput(GL_VARIABLE_E_NV, GL_SECONDARY_COLOR_NV);
             finalInput(GL_VARIABLE_F_NV, GL_ZERO, kRGB, GL_UNSIGNED_INVERT_NV);
             finalInput(GL_VARIABLE_A_NV, GL_E_TIMES_F_NV);
             finalInput(GL_VARIABLE_B_NV, GL_SPARE0_PLUS_SECONDARY_COLOR_NV);
             finalInput(GL_VARIABLE_C_NV, GL_ZERO);
         },
         {0.75f, 0.75f, 0.75f, 1}, {0.5f, 0.5f, 0.5f, 0}, {0, 0, 0, 0}, {0.625f, 0.625f, 0.625f, 1}},
    };

    // Stage 0: spare1 = expand(0.25) = -0.5. Stage 1: spare0 = M(spare1) / 2 + 1/4. Stage 2 maps
    // [-1, 1] onto [0, 1] (x / 2 + 1/2), so that values below zero, and above one before the clamp,
    // show. Each row gives M(-0.5).
    const struct {
        GLenum mapping;
        float mapped;
    } mappings[] = {
        {GL_UNSIGNED_IDENTITY_NV, 0},    {GL_UNSIGNED_INVERT_NV, 1},     {GL_EXPAND_NORMAL_NV, -1},
        {GL_EXPAND_NEGATE_NV, 1},        {GL_HALF_BIAS_NORMAL_NV, -0.5f}, {GL_HALF_BIAS_NEGATE_NV, 0.5f},
        {GL_SIGNED_IDENTITY_NV, -0.5f},  {GL_SIGNED_NEGATE_NV, 0.5f},
    };
    for (const auto& m : mappings) {
        const GLenum mapping = m.mapping;
        const float e = (m.mapped / 2 + 0.25f) / 2 + 0.5f;
        cases.push_back({"mapping " + hex(mapping) + " of -0.5",
                         [mapping] {
                             stageCount(3);
                             input(0, kRGB, GL_VARIABLE_A_NV, GL_PRIMARY_COLOR_NV, GL_EXPAND_NORMAL_NV);
                             inputOne(0, kRGB, GL_VARIABLE_B_NV);
                             output(0, kRGB, GL_SPARE1_NV, GL_DISCARD_NV, GL_DISCARD_NV);
                             input(1, kRGB, GL_VARIABLE_A_NV, GL_SPARE1_NV, mapping);
                             input(1, kRGB, GL_VARIABLE_B_NV, GL_ZERO, GL_HALF_BIAS_NEGATE_NV);
                             input(1, kRGB, GL_VARIABLE_C_NV, GL_ZERO, GL_HALF_BIAS_NEGATE_NV);
                             input(1, kRGB, GL_VARIABLE_D_NV, GL_ZERO, GL_HALF_BIAS_NEGATE_NV);
                             output(1, kRGB, GL_DISCARD_NV, GL_DISCARD_NV, GL_SPARE0_NV);
                             input(2, kRGB, GL_VARIABLE_A_NV, GL_SPARE0_NV, GL_SIGNED_IDENTITY_NV);
                             input(2, kRGB, GL_VARIABLE_B_NV, GL_ZERO, GL_HALF_BIAS_NEGATE_NV);
                             input(2, kRGB, GL_VARIABLE_C_NV, GL_ZERO, GL_HALF_BIAS_NEGATE_NV);
                             inputOne(2, kRGB, GL_VARIABLE_D_NV);
                             output(2, kRGB, GL_DISCARD_NV, GL_DISCARD_NV, GL_SPARE0_NV);
                             readout();
                         },
                         {0.25f, 0.25f, 0.25f, 1}, {}, {0, 0, 0, 0}, {e, e, e, 1}});
    }

    // Mux picks CD where spare0.a, which starts as texture 0's alpha, is at least 0.5.
    for (int alpha : {255, 128, 127, 0}) {
        const float g = alpha >= 128 ? 1.0f : 0.0f;
        cases.push_back({"mux with texture 0 alpha " + std::to_string(alpha),
                         [] {
                             input(0, kRGB, GL_VARIABLE_A_NV, GL_PRIMARY_COLOR_NV);
                             inputOne(0, kRGB, GL_VARIABLE_B_NV);
                             inputOne(0, kRGB, GL_VARIABLE_C_NV);
                             inputOne(0, kRGB, GL_VARIABLE_D_NV);
                             output(0, kRGB, GL_DISCARD_NV, GL_DISCARD_NV, GL_SPARE0_NV, GL_NONE, GL_NONE, false,
                                    true);
                             readout();
                         },
                         {1, 0, 0, 1}, {}, {0, 0, 0, static_cast<unsigned char>(alpha)}, {1, g, g, 1}});
    }

    // The default final combiner fogs with FOG = (fog colour, f), f = 1 with GL_FOG off. Linear
    // fog from 0 to 10 at eye distance 5, and EXP, EXP2 densities that also give f = 0.5 there.
    const float ln2 = std::log(2.0f);
    const struct {
        const char* what;
        GLenum mode;
        float density;
        Colour expected;
    } fogs[] = {
        {"no fog", 0, 0, {1, 0, 0, 1}},
        {"linear fog", GL_LINEAR, 0, {0.5f, 0, 0.5f, 1}},
        {"exp fog", GL_EXP, ln2 / 5, {0.5f, 0, 0.5f, 1}},
        {"exp2 fog", GL_EXP2, std::sqrt(ln2) / 5, {0.5f, 0, 0.5f, 1}},
    };
    for (const auto& f : fogs) {
        const GLenum mode = f.mode;
        const float density = f.density;
        cases.push_back({std::string("default combiners, ") + f.what,
                         [mode, density] {
                             const GLfloat blue[4] = {0, 0, 1, 1};
                             glFogfv(GL_FOG_COLOR, blue);
                             glFogf(GL_FOG_START, 0);
                             glFogf(GL_FOG_END, 10);
                             glFogf(GL_FOG_DENSITY, density);
                             if (mode) {
                                 glFogi(GL_FOG_MODE, GLint(mode));
                                 glEnable(GL_FOG);
                             }
                         },
                         {1, 0, 0, 1}, {}, {0, 0, 0, 0}, f.expected});
    }
    return cases;
}

TEST_F(CombinerTest, GeneralAndFinalCombinerArithmetic)
{
    for (const DrawCase& c : arithmeticCases()) {
        restart();
        texture(0, c.texel0);
        c.setup();
        EXPECT_EQ(emulatedGetError(), GLenum(GL_NO_ERROR)) << c.what << ": set-up";
        expectColour(draw(c.primary, c.secondary), c.expected, c.what);
    }
}

TEST_F(CombinerTest, FinalCombinerClampsAtOne)
{
    // A float colour buffer keeps values above 1 that a fixed-point one would clamp away.
    auto genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(GLContext::procAddress("glGenFramebuffers"));
    auto bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(GLContext::procAddress("glBindFramebuffer"));
    auto framebufferTexture =
        reinterpret_cast<PFNGLFRAMEBUFFERTEXTURE2DPROC>(GLContext::procAddress("glFramebufferTexture2D"));
    auto checkFramebuffer =
        reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(GLContext::procAddress("glCheckFramebufferStatus"));
    auto clampColor = reinterpret_cast<PFNGLCLAMPCOLORPROC>(GLContext::procAddress("glClampColor"));
    ASSERT_TRUE(genFramebuffers && bindFramebuffer && framebufferTexture && checkFramebuffer && clampColor);

    GLuint target = 0, framebuffer = 0;
    glGenTextures(1, &target);
    glBindTexture(GL_TEXTURE_2D, target);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, kSize, kSize, 0, GL_RGBA, GL_FLOAT, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    framebufferTexture(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
    ASSERT_EQ(checkFramebuffer(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    clampColor(GL_CLAMP_FRAGMENT_COLOR, GL_FALSE);
    clampColor(GL_CLAMP_READ_COLOR, GL_FALSE);

    // rgb = 1 * primary + 0 * C + spare0 = 0.75 + 0.75.
    finalInput(GL_VARIABLE_A_NV, GL_ZERO, kRGB, GL_UNSIGNED_INVERT_NV);
    finalInput(GL_VARIABLE_B_NV, GL_PRIMARY_COLOR_NV);
    finalInput(GL_VARIABLE_D_NV, GL_SPARE0_NV);
    draw({0.75f, 0.75f, 0.75f, 1});
    GLfloat rgba[4] = {};
    glReadPixels(kSize / 2, kSize / 2, 1, 1, GL_RGBA, GL_FLOAT, rgba);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(rgba[i], 1.0f, kTolerance) << "component " << i;
    bindFramebuffer(GL_FRAMEBUFFER, 0);
}

// ---------------------------------------------------------------------------------------------
// Texture registers

TEST_F(CombinerTest, TexelsFillTheRegisterByBaseFormat)
{
    const struct {
        const char* what;
        GLenum internalFormat, format;
        unsigned char data[4];
        Colour expected;
    } cases[] = {
        {"alpha", GL_ALPHA8, GL_ALPHA, {153}, {0, 0, 0, 0.6f}},
        {"luminance", GL_LUMINANCE8, GL_LUMINANCE, {153}, {0.6f, 0.6f, 0.6f, 1}},
        {"luminance alpha", GL_LUMINANCE8_ALPHA8, GL_LUMINANCE_ALPHA, {153, 51}, {0.6f, 0.6f, 0.6f, 0.2f}},
        {"intensity", GL_INTENSITY8, GL_LUMINANCE, {153}, {0.6f, 0.6f, 0.6f, 0.6f}},
        {"rgb", GL_RGB8, GL_RGB, {51, 102, 153}, {0.2f, 0.4f, 0.6f, 1}},
        {"rgba", GL_RGBA8, GL_RGBA, {51, 102, 153, 204}, {0.2f, 0.4f, 0.6f, 0.8f}},
    };
    for (const auto& c : cases) {
        restart();
        texture(0, c.data, c.internalFormat, c.format);
        readout(GL_TEXTURE0_ARB);
        finalInput(GL_VARIABLE_G_NV, GL_TEXTURE0_ARB, kAlpha);
        expectColour(draw({0, 0, 0, 1}), c.expected, c.what);
    }
}

TEST_F(CombinerTest, TexelsFollowTheTextureMatrixAndQ)
{
    // Left texel red, right texel green; s = 0.6 with q = 2 is 0.3 after the divide.
    const unsigned char texels[8] = {255, 0, 0, 255, 0, 255, 0, 255};
    texture(0, texels, GL_RGBA8, GL_RGBA, 2);
    readout(GL_TEXTURE0_ARB);
    texCoord0 = {0.6f, 0.5f, 0, 2};
    const struct {
        float translateS;
        Colour expected;
    } cases[] = {{0, {1, 0, 0, 1}}, {0.5f, {0, 1, 0, 1}}};
    for (const auto& c : cases) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glTranslatef(c.translateS, 0, 0);
        glMatrixMode(GL_MODELVIEW);
        expectColour(draw({0, 0, 0, 1}), c.expected, "texture matrix translation " + std::to_string(c.translateS));
    }
}

// The scene's configuration, with unit 1 in each state the emulation tells apart.
TEST_F(CombinerTest, BumpMappingAsTheSceneConfiguresIt)
{
    enum Unit1 { On, Disabled, Incomplete, CubeMapAlsoEnabled };
    const struct {
        Colour primary;
        unsigned char t0[4], t1[4];
        Unit1 unit1;
    } cases[] = {
        {{1, 0.5f, 0.5f, 1}, {102, 77, 51, 204}, {255, 128, 128, 255}, On},
        {{0.5f, 1, 0.5f, 1}, {128, 64, 255, 255}, {204, 230, 128, 255}, On},
        {{0, 0.5f, 0.5f, 1}, {128, 64, 255, 153}, {255, 128, 128, 255}, On},
        {{1, 1, 1, 1}, {64, 64, 64, 255}, {255, 255, 255, 255}, On},
        // Unit 1 reads kCombinerUnitOff = (0, 0, 0, 1), which expands to (-1, -1, 1): the dot
        // with this light is 3, while the bound texel (1, .5, .5) would give -1.
        {{0, 0, 1, 1}, {64, 128, 32, 255}, {255, 128, 128, 255}, On},
        {{0, 0, 1, 1}, {64, 128, 32, 255}, {255, 128, 128, 255}, Disabled},
        {{0, 0, 1, 1}, {64, 128, 32, 255}, {255, 128, 128, 255}, Incomplete},
        {{0, 0, 1, 1}, {64, 128, 32, 255}, {255, 128, 128, 255}, CubeMapAlsoEnabled},
    };
    for (const auto& c : cases) {
        restart();
        configureBump();
        texture(0, c.t0);
        texture(1, c.t1);
        activeTexture(GL_TEXTURE1_ARB);
        if (c.unit1 == Disabled) glDisable(GL_TEXTURE_2D);
        if (c.unit1 == CubeMapAlsoEnabled) glEnable(GL_TEXTURE_CUBE_MAP);
        if (c.unit1 == Incomplete) {
            GLuint empty = 0;
            glGenTextures(1, &empty);
            glBindTexture(GL_TEXTURE_2D, empty);
        }
        activeTexture(GL_TEXTURE0_ARB);
        // The combiners replace fixed-function fog; this configuration never reads FOG.
        glFogi(GL_FOG_MODE, GL_LINEAR);
        glFogf(GL_FOG_END, 1);
        glEnable(GL_FOG);

        const CombinerRGBA off = kCombinerUnitOff;
        const Colour t1 = c.unit1 == On ? fromBytes(c.t1) : Colour{off.r, off.g, off.b, off.a};
        const Colour expected = bumpReference(c.primary, fromBytes(c.t0), t1);
        expectColour(draw(c.primary), expected, "light " + text(c.primary) + ", unit 1 state " + std::to_string(c.unit1));
    }
}

TEST_F(CombinerTest, ChangesWhileEnabledReachTheNextDraw)
{
    configureBump();
    const unsigned char t0[4] = {64, 128, 32, 255}, otherT0[4] = {128, 32, 64, 255}, t1[4] = {255, 255, 128, 255};
    texture(0, t0);
    texture(1, t1);
    const Colour light{0, 0, 1, 1};
    const CombinerRGBA o = kCombinerUnitOff;
    const Colour off{o.r, o.g, o.b, o.a};

    activeTexture(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    activeTexture(GL_TEXTURE0_ARB);
    setRegisterCombinersEnabled(true);
    expectColour(draw(light), bumpReference(light, fromBytes(t0), off), "unit 1 disabled");

    activeTexture(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    activeTexture(GL_TEXTURE0_ARB);
    ASSERT_TRUE(registerCombinersEnabled());
    expectColour(draw(light), bumpReference(light, fromBytes(t0), fromBytes(t1)), "unit 1 enabled again");

    texture(0, otherT0);
    expectColour(draw(light), bumpReference(light, fromBytes(otherT0), fromBytes(t1)), "unit 0 rebound");
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
    EXPECT_EQ(active, GL_TEXTURE0_ARB) << "the sync, which looks at both units, keeps the caller's active unit";

    // The default final combiner reads FOG, so GL_FOG and its mode count too.
    restart();
    const GLfloat blue[4] = {0, 0, 1, 1};
    glFogfv(GL_FOG_COLOR, blue);
    glFogf(GL_FOG_END, 10);
    glFogf(GL_FOG_START, 0);
    glFogf(GL_FOG_DENSITY, std::log(2.0f) / 5);
    const Colour red{1, 0, 0, 1}, fogged{0.5f, 0, 0.5f, 1};
    setRegisterCombinersEnabled(true);
    expectColour(draw(red), red, "fog off");
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glEnable(GL_FOG);
    expectColour(draw(red), fogged, "linear fog switched on");
    glFogf(GL_FOG_END, 20);
    expectColour(draw(red), {0.75f, 0, 0.25f, 1}, "fog end moved");
    glFogi(GL_FOG_MODE, GL_EXP2);
    const float ln2 = std::log(2.0f), f = std::exp(-ln2 * ln2);   // (density * 5)^2 = ln2^2
    expectColour(draw(red), {f, 0, 1 - f, 1}, "exp2 fog");
    glDisable(GL_FOG);
    expectColour(draw(red), red, "fog off again");
}

// ---------------------------------------------------------------------------------------------
// Enable, disable and program lifetime

TEST_F(CombinerTest, TheEnableNeverReachesTheDriver)
{
    setRegisterCombinersEnabled(true);
    EXPECT_TRUE(registerCombinersEnabled());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    draw({0.5f, 0.5f, 0.5f, 1});
    setRegisterCombinersEnabled(false);
    EXPECT_FALSE(registerCombinersEnabled());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(CombinerTest, WithoutTheEmulationTheEnableGoesToTheDriver)
{
    const std::string extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (extensions.find("GL_NV_register_combiners ") != std::string::npos) GTEST_SKIP() << "native combiners";
    deactivateCombinerEmulation();
    EXPECT_FALSE(combinerEmulationActive());
    setRegisterCombinersEnabled(true);
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_ENUM)) << "Mesa rejects the cap";
}

TEST_F(CombinerTest, DisablingLeavesFixedFunctionTexturing)
{
    const unsigned char t0[4] = {255, 128, 64, 255};
    texture(0, t0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const Colour p{0.5f, 1, 1, 1};
    expectColour(draw(p), {0.5f, 1, 1, 1}, "combiners: defaults apply no texture");

    setRegisterCombinersEnabled(false);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0) << "no program of ours left bound";
    glBegin(GL_QUADS);
    glColor4f(p.r, p.g, p.b, p.a);
    glTexCoord2f(0.5f, 0.5f);
    glVertex3f(-1, -1, -5);
    glVertex3f(1, -1, -5);
    glVertex3f(1, 1, -5);
    glVertex3f(-1, 1, -5);
    glEnd();
    expectColour(readPixel(kSize / 2, kSize / 2), {0.5f, u8(128), u8(64), 1}, "fixed function: modulate");
}

TEST_F(CombinerTest, ProgramsAreCachedByState)
{
    configureBump();
    const unsigned char t[4] = {255, 255, 255, 255};
    texture(0, t);
    texture(1, t);
    auto programFor = [this](const Colour& light) {
        draw(light);
        GLint program = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        return program;
    };
    const Colour light{1, 1, 1, 1};
    const GLint bump = programFor(light);
    ASSERT_NE(bump, 0);

    activeTexture(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    const GLint unit1Off = programFor(light);
    EXPECT_NE(unit1Off, bump) << "unit 1's enable is part of the program";
    glEnable(GL_TEXTURE_2D);
    activeTexture(GL_TEXTURE0_ARB);
    EXPECT_EQ(programFor(light), bump) << "the first program again, not a new one";

    setRegisterCombinersEnabled(false);
    EXPECT_EQ(programFor(light), bump) << "after disable and enable";

    finalInput(GL_VARIABLE_C_NV, GL_TEXTURE1_ARB);
    EXPECT_NE(programFor(light), bump) << "a state change makes a new program";
    finalInput(GL_VARIABLE_C_NV, GL_ZERO);
    EXPECT_EQ(programFor(light), bump) << "and changing it back finds the old one";
}

// ---------------------------------------------------------------------------------------------
// GL errors

struct ErrorCase {
    const char* what;
    std::function<void()> call;
    GLenum error;
};

TEST_F(CombinerTest, BadArgumentsRaiseTheirErrorAndChangeNothing)
{
    const Colour p{0.2f, 0.4f, 0.6f, 0.5f}, sec{0.3f, 0.3f, 0.3f, 0};
    const Colour unchanged{0.5f, 0.7f, 0.9f, 0.5f};
    // The defaults, plus a last stage that zeroes spare0.rgb and a final D = E * F = 0 * 1, so that
    // most of the calls below would change the picture if they took effect.
    auto baseline = [] {
        input(kMaxGeneralCombiners - 1, kRGB, GL_VARIABLE_A_NV, GL_ZERO);
        input(kMaxGeneralCombiners - 1, kRGB, GL_VARIABLE_B_NV, GL_ZERO);
        finalInput(GL_VARIABLE_F_NV, GL_ZERO, kRGB, GL_UNSIGNED_INVERT_NV);
        finalInput(GL_VARIABLE_D_NV, GL_E_TIMES_F_NV);
    };
    const GLenum A = GL_VARIABLE_A_NV, B = GL_VARIABLE_B_NV, E = GL_VARIABLE_E_NV, G = GL_VARIABLE_G_NV;
    const GLenum S0 = GL_SPARE0_NV, X = GL_DISCARD_NV, T0 = GL_TEXTURE0_ARB;
    const GLenum EF = GL_E_TIMES_F_NV, SUM = GL_SPARE0_PLUS_SECONDARY_COLOR_NV;
    const GLenum C0 = GL_COMBINER0_NV;
    const ErrorCase cases[] = {
        {"input: alpha portion, RGB usage", [=] { emulatedCombinerInputNV(C0, kAlpha, A, T0, kUI, kRGB); },
         GL_INVALID_OPERATION},
        {"input: RGB portion, BLUE usage", [=] { emulatedCombinerInputNV(C0, kRGB, A, T0, kUI, GL_BLUE); },
         GL_INVALID_OPERATION},
        {"input: FOG with ALPHA usage", [=] { emulatedCombinerInputNV(C0, kRGB, A, GL_FOG, kUI, kAlpha); },
         GL_INVALID_OPERATION},
        {"output: scale 4 with bias",
         [=] { emulatedCombinerOutputNV(C0, kRGB, X, X, S0, GL_SCALE_BY_FOUR_NV, GL_BIAS_BY_NEGATIVE_ONE_HALF_NV, 0, 0, 0); },
         GL_INVALID_OPERATION},
        {"output: ab and cd both spare0",
         [=] { emulatedCombinerOutputNV(C0, kRGB, S0, S0, X, GL_SCALE_BY_TWO_NV, GL_NONE, 0, 0, 0); },
         GL_INVALID_OPERATION},
        {"final: E takes E times F", [=] { emulatedFinalCombinerInputNV(E, EF, kUI, kRGB); }, GL_INVALID_OPERATION},
        {"final: E takes the sum", [=] { emulatedFinalCombinerInputNV(E, SUM, kUI, kRGB); }, GL_INVALID_OPERATION},
        {"final: A takes the sum", [=] { emulatedFinalCombinerInputNV(A, SUM, kUI, kRGB); }, GL_INVALID_OPERATION},
        {"final: G with RGB usage", [=] { emulatedFinalCombinerInputNV(G, T0, kUI, kRGB); }, GL_INVALID_OPERATION},
        {"final: B with BLUE usage", [=] { emulatedFinalCombinerInputNV(B, T0, kUI, GL_BLUE); }, GL_INVALID_OPERATION},
        {"final: the sum with ALPHA usage", [=] { emulatedFinalCombinerInputNV(B, SUM, kUI, kAlpha); },
         GL_INVALID_OPERATION},
        {"output: dot product in the alpha portion",
         [=] { emulatedCombinerOutputNV(C0, kAlpha, X, X, S0, GL_SCALE_BY_TWO_NV, GL_NONE, GL_TRUE, 0, 0); },
         GL_INVALID_VALUE},
        {"NUM_GENERAL_COMBINERS 0", [] { stageCount(0); }, GL_INVALID_VALUE},
        {"NUM_GENERAL_COMBINERS above the maximum", [] { stageCount(kMaxGeneralCombiners + 1); }, GL_INVALID_VALUE},
        {"final: an expanding mapping", [=] { emulatedFinalCombinerInputNV(B, SUM, GL_EXPAND_NORMAL_NV, kRGB); },
         GL_INVALID_ENUM},
        {"input: stage past the last",
         [=] { emulatedCombinerInputNV(C0 + kMaxGeneralCombiners, kRGB, A, GL_ZERO, kUI, kRGB); }, GL_INVALID_ENUM},
        {"input: DISCARD is no input", [=] { emulatedCombinerInputNV(C0, kRGB, A, X, kUI, kRGB); }, GL_INVALID_ENUM},
        {"output: ZERO is not writable",
         [=] { emulatedCombinerOutputNV(C0, kRGB, GL_ZERO, X, S0, GL_SCALE_BY_TWO_NV, GL_NONE, 0, 0, 0); },
         GL_INVALID_ENUM},
        {"parameter: constant colour through the integer form",
         [] { emulatedCombinerParameteriNV(GL_CONSTANT_COLOR0_NV, 1); }, GL_INVALID_ENUM},
        {"enum checked before operation",
         [=] { emulatedCombinerInputNV(C0 + kMaxGeneralCombiners, kAlpha, A, T0, kUI, kRGB); }, GL_INVALID_ENUM},
        {"value checked before operation",
         [=] {
             emulatedCombinerOutputNV(C0, kAlpha, S0, S0, X, GL_SCALE_BY_FOUR_NV, GL_BIAS_BY_NEGATIVE_ONE_HALF_NV,
                                      GL_TRUE, 0, 0);
         },
         GL_INVALID_VALUE},
    };
    for (const ErrorCase& c : cases) {
        restart();
        const unsigned char t0[4] = {255, 0, 0, 64};
        texture(0, t0);
        baseline();
        c.call();
        EXPECT_EQ(emulatedGetError(), c.error) << c.what;
        EXPECT_EQ(emulatedGetError(), GLenum(GL_NO_ERROR)) << c.what << ": the flag is cleared once read";
        expectColour(draw(p, sec), unchanged, std::string(c.what) + ": state unchanged");
    }

    // Calls that are legal and take effect: both leave spare0.rgb at 0, so only secondary shows.
    const ErrorCase legal[] = {
        {"output: every destination DISCARD",
         [=] { emulatedCombinerOutputNV(C0, kRGB, X, X, X, GL_NONE, GL_NONE, 0, 0, 0); }, GL_NO_ERROR},
        {"NUM_GENERAL_COMBINERS at the maximum", [] { stageCount(kMaxGeneralCombiners); }, GL_NO_ERROR},
    };
    for (const ErrorCase& c : legal) {
        restart();
        const unsigned char t0[4] = {255, 0, 0, 64};
        texture(0, t0);
        baseline();
        c.call();
        EXPECT_EQ(emulatedGetError(), c.error) << c.what;
        expectColour(draw(p, sec), {0.3f, 0.3f, 0.3f, 0.5f}, c.what);
    }
}

TEST_F(CombinerTest, ErrorFlagsAreStickyAndComeBeforeTheDrivers)
{
    stageCount(0);
    stageCount(0);
    emulatedCombinerParameteriNV(GL_CONSTANT_COLOR1_NV, 0);
    glEnable(0xFFFF);   // the driver's own INVALID_ENUM
    EXPECT_EQ(emulatedGetError(), GLenum(GL_INVALID_ENUM)) << "ours";
    EXPECT_EQ(emulatedGetError(), GLenum(GL_INVALID_VALUE)) << "recorded once for two calls";
    EXPECT_EQ(emulatedGetError(), GLenum(GL_INVALID_ENUM)) << "the driver's";
    EXPECT_EQ(emulatedGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
