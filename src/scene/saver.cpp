// The Saver: the scene's set-up (Saver::load), its textures and its release. The per-frame work
// is in timeline.cpp, the shared scene state in state.cpp.
#include "host/contract.h"

#include "scene/state.h"

#include "assets/datfile.h"
#include "assets/dsound.h"
#include "assets/stream.h"
#include "assets/texture.h"
#include "glview/glv.h"
#include "kit/light.h"
#include "kit/vector3d.h"

#include "platform/exception.h"
#include "platform/system.h"

#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

const char* const kSoundBank = "caldrise.str";   // in the current directory: the data folder

// The thirteen scene textures, built strictly in this order.
struct SceneImage {
    const char* entry;
    int alphaMode;      // 1: alpha from red, 0: opaque (see Texture)
    bool normalMap;
    Texture** variable;
};
const SceneImage kSceneImages[] = {
    {"lcloud.bmp", 1, false, &cloudLayerTexture},
    {"lcloud.bmp", 0, true, &cloudLayerNormalMap},
    {"earth.bmp", 1, false, &earthTexture},
    {"earthBump.bmp", 0, true, &earthNormalMap},
    {"hull.bmp", 0, false, &hullTexture},
    {"foil.bmp", 0, false, &foilTexture},
    {"cloud.bmp", 1, false, &cloudTexture},
    {"font.bmp", 1, false, &fontTexture},
    {"lens0.bmp", 1, false, &lensTextures[0]},
    {"lens1.bmp", 1, false, &lensTextures[1]},
    {"lens4.bmp", 1, false, &lensTextures[2]},
    {"lens5.bmp", 1, false, &lensTextures[3]},
    {"lens6.bmp", 1, false, &lensTextures[4]},
};

// The message for a missing archive or missing images, or empty when everything is there.
std::string missingSceneImages(const DatFile* archive)
{
    const std::string archiveName = saverName() + ".dat";
    if (!archive) return "Can't find " + archiveName;
    std::string missing;
    for (const SceneImage& image : kSceneImages) {
        if (archive->getBitmap(image.entry)) continue;
        if (missing.find(image.entry) != std::string::npos) continue;   // "lcloud.bmp" is used twice
        if (!missing.empty()) missing += ", ";
        missing += image.entry;
    }
    if (missing.empty()) return missing;
    return "Can't find " + missing + " in " + archiveName;
}

// Reads the six sounds of the bank into fourteen slots. "mark" remembers the stream position and
// "back" returns to it, so several slots get copies of one sound; nothing after the sixth sound is
// read.
void readSoundBank(DSound& player)
{
    FileSource bank(kSoundBank);
    int64_t mark = 0;
    player.fromStream(bank, 0);
    player.fromStream(bank, 1);
    mark = bank.position();
    player.fromStream(bank, 2);
    bank.seek(mark);
    player.fromStream(bank, 3);
    bank.seek(mark);
    player.fromStream(bank, 4);
    bank.seek(mark);
    player.fromStream(bank, 5);
    mark = bank.position();
    player.fromStream(bank, 6);
    bank.seek(mark);
    player.fromStream(bank, 7);
    bank.seek(mark);
    player.fromStream(bank, 8);
    bank.seek(mark);
    player.fromStream(bank, 9);
    mark = bank.position();
    player.fromStream(bank, 10);
    bank.seek(mark);
    player.fromStream(bank, 11);
    mark = bank.position();
    player.fromStream(bank, 12);
    bank.seek(mark);
    player.fromStream(bank, 13);
}

void startSoundLoops(DSound& player)
{
    // The station sound, four copies spread across the stereo field, slightly detuned.
    for (int i = 0; i < 4; ++i) {
        const int slot = 2 + i;
        player.setVolume(slot, 0.0f);
        player.setPan(slot, -1.0f + 0.5f * static_cast<float>(i));
        player.setFrequency(slot, 0.7f + 0.01f * static_cast<float>(i));
        player.play(slot, true);
    }
    // The ambience: eight loops at scattered pans (sine of 123·j radians), started 20 ms apart so
    // that copies of one sound do not play in step.
    for (int j = 0; j < 8; ++j) {
        const int slot = 6 + j;
        player.setVolume(slot, 0.0f);
        player.setPan(slot, static_cast<float>(std::sin(123.0 * j)));
        sleepMs(20);
        player.play(slot, true);
    }
    // The captions' typing pair, left and right; started and stopped by the captions.
    player.setVolume(0, 0.5f);
    player.setPan(0, -0.5f);
    player.setVolume(1, 0.5f);
    player.setPan(1, 0.5f);
}

// A dot-product bump map: the light direction comes in the primary colour, the normal from unit
// 1. Colour = 2 × max(dot, 0) × unit 0's colour, clamped to 1; alpha = unit 0's alpha. The
// orbit sequence switches the combiners on around the passes that use them.
void configureBumpCombiners()
{
    combinerParameteriNV(GL_NUM_GENERAL_COMBINERS_NV, 1);
    combinerInputNV(GL_COMBINER0_NV, GL_RGB, GL_VARIABLE_A_NV, GL_PRIMARY_COLOR_NV, GL_EXPAND_NORMAL_NV, GL_RGB);
    combinerInputNV(GL_COMBINER0_NV, GL_RGB, GL_VARIABLE_B_NV, GL_TEXTURE1_ARB, GL_EXPAND_NORMAL_NV, GL_RGB);
    combinerInputNV(GL_COMBINER0_NV, GL_RGB, GL_VARIABLE_C_NV, GL_PRIMARY_COLOR_NV, GL_EXPAND_NORMAL_NV, GL_RGB);
    combinerInputNV(GL_COMBINER0_NV, GL_RGB, GL_VARIABLE_D_NV, GL_TEXTURE1_ARB, GL_EXPAND_NORMAL_NV, GL_RGB);
    combinerOutputNV(GL_COMBINER0_NV, GL_RGB, GL_SPARE0_NV, GL_DISCARD_NV, GL_DISCARD_NV, GL_NONE, GL_NONE,
                     GL_TRUE, GL_FALSE, GL_FALSE);
    finalCombinerInputNV(GL_VARIABLE_A_NV, GL_SPARE0_NV, GL_UNSIGNED_IDENTITY_NV, GL_RGB);
    finalCombinerInputNV(GL_VARIABLE_B_NV, GL_TEXTURE0_ARB, GL_UNSIGNED_IDENTITY_NV, GL_RGB);
    finalCombinerInputNV(GL_VARIABLE_G_NV, GL_TEXTURE0_ARB, GL_UNSIGNED_IDENTITY_NV, GL_ALPHA);
    finalCombinerInputNV(GL_VARIABLE_E_NV, GL_SPARE0_NV, GL_UNSIGNED_IDENTITY_NV, GL_RGB);
    finalCombinerInputNV(GL_VARIABLE_F_NV, GL_TEXTURE0_ARB, GL_UNSIGNED_IDENTITY_NV, GL_RGB);
    finalCombinerInputNV(GL_VARIABLE_C_NV, GL_ZERO, GL_UNSIGNED_IDENTITY_NV, GL_RGB);
    finalCombinerInputNV(GL_VARIABLE_D_NV, GL_E_TIMES_F_NV, GL_UNSIGNED_IDENTITY_NV, GL_RGB);
}

// One vertex of the earth patch at parameters (s, t), radians on the sphere: both texture units
// get the same coordinates, the colour carries the light direction for the combiners' dot
// product, and the sphere of radius 40 is centred 40 below the origin so its top is the origin.
void earthPatchVertex(float s, float t)
{
    constexpr float kRadius = 40.0f;   // scene units
    const float u = 0.5f * s + 0.5f;
    const float v = 0.5f * t + 0.5f;
    multiTexCoord2fARB(GL_TEXTURE0_ARB, u, v);
    multiTexCoord2fARB(GL_TEXTURE1_ARB, u, v);
    const Vector3D p(static_cast<float>(std::sin(s) * std::cos(t)),
                     static_cast<float>(std::cos(s) * std::cos(t)),
                     static_cast<float>(std::cos(s) * std::sin(t)));
    const Vector3D light = p.rotate(Vector3D(1.4f, 0.0f, 0.0f)).normalize() * 0.5f + Vector3D(0.5f, 0.5f, 0.5f);
    glColor3f(light.x, light.y, light.z);
    glVertex3f(kRadius * p.x, kRadius * p.y - kRadius, kRadius * p.z);
}

// 50 quad strips of 50 vertex pairs. The parameters step in float, each addition rounded, which
// is what gives u −0.5 … 0.48 (strips up to 0.5) and v −0.5 … 0.48.
void compileEarthPatch()
{
    constexpr float kStep = 0.02f;   // radians
    glNewList(earthPatchList, GL_COMPILE);
    for (float u = -0.5f; u < 0.5f; u = u + kStep) {
        glBegin(GL_QUAD_STRIP);
        for (float v = -0.5f; v < 0.5f; v = v + kStep) {
            earthPatchVertex(u + kStep, v);
            earthPatchVertex(u, v);
        }
        glEnd();
    }
    glEndList();
}

}  // namespace

Saver::~Saver()
{
    // Runs while the GL context still exists, so the textures can give back their GL objects.
    // The scene light is not the Saver's: it lives until the program ends.
    if (quadric) gluDeleteQuadric(quadric);
    for (Texture* texture : textures) delete texture;
    delete datFile;
    textures.clear();
    textures.shrink_to_fit();
}

Texture* Saver::addTexture(Texture* texture)
{
    textures.push_back(texture);
    return texture;
}

void Saver::load()
{
    // A missing archive or image cannot be mended by trying again, and the host calls load again
    // after every error: the first load says what is missing, later ones return at once and the
    // frames stay black (see Saver::frame).
    if (sceneSetupFailed) return;
    // Checked before anything starts, so a failed set-up leaves no sound running.
    const std::string missing = missingSceneImages(datFile);
    if (!missing.empty()) {
        sceneSetupFailed = true;
        throw Exception(missing);
    }

    soundPlayer = sound;
    if (soundPlayer) {
        try {
            readSoundBank(*soundPlayer);
            startSoundLoops(*soundPlayer);
        } catch (const Exception& e) {
            // No sound device, or no usable sound bank: the show goes on in silence instead of
            // stopping on an error box at every idle call. Nothing was started yet.
            std::fprintf(stderr, "Caldrise: the show runs without sound: %s\n", e.what());
            soundPlayer = nullptr;
        }
    }

    sceneLight = new Light(sunPosition);

    for (const SceneImage& image : kSceneImages) {
        Texture* texture = new Texture(datFile->getBitmap(image.entry), true, image.alphaMode);
        *image.variable = texture;
        addTexture(texture);
        if (image.normalMap) texture->makeNormalMap();
    }

    configureBumpCombiners();

    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    compileEarthPatch();
}
