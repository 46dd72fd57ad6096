// Saver::load on fixture data (an archive packed with the format's writer, a sound bank written
// in the bank format, sounds on SDL's disk audio driver), then the timeline's frames on a
// simulated tick count, and the failure for a missing archive or image.
#include "host/contract.h"

#include "scene/state.h"
#include "scene/timeline.h"

#include "assets/datfile.h"
#include "assets/datformat.h"
#include "assets/dsound.h"
#include "assets/soundbank.h"
#include "assets/stream.h"
#include "assets/texture.h"
#include "glview/glv.h"
#include "kit/light.h"
#include "platform/clock.h"
#include "platform/exception.h"
#include "platform/sound.h"
#include "platform/system.h"

#include "../glview/gl_fixture.h"
#include "../platform/temp_folder.h"
#include "feedback.h"
#include "jpegencode.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The twelve images the scene reads, each a solid colour with its own red level.
const char* const kEntries[] = {"lcloud.bmp", "earth.bmp", "earthBump.bmp", "hull.bmp", "foil.bmp", "cloud.bmp",
                                "font.bmp", "lens0.bmp", "lens1.bmp", "lens4.bmp", "lens5.bmp", "lens6.bmp"};
int redOf(const std::string& entry)
{
    for (int i = 0; i < 12; ++i)
        if (entry == kEntries[i]) return 30 + 15 * i;
    return -1;
}

std::vector<uint8_t> archiveWithout(const std::vector<std::string>& left)
{
    std::vector<DatEntry> entries;
    for (const char* name : kEntries) {
        bool skip = false;
        for (const std::string& l : left) skip = skip || l == name;
        if (skip) continue;
        Bitmap picture(8, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                uint8_t* p = picture.row(y) + 3 * x;
                p[0] = 40;   // blue
                p[1] = 80;   // green
                p[2] = static_cast<uint8_t>(redOf(name));
            }
        entries.push_back({name, encodeJpeg(picture, 100)});
    }
    entries.push_back({"station.txt", {}});   // an entry of another kind is passed over
    return writeDatArchive(entries);
}

// Sound k of the bank: mono 16-bit at 22050 samples per second, 100 × (k + 1) samples of value
// k + 1, so each slot can be traced back to its sound.
std::vector<uint8_t> soundSamples(int k)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 100 * (k + 1); ++i) {
        bytes.push_back(static_cast<uint8_t>(k + 1));
        bytes.push_back(0);
    }
    return bytes;
}

// Combiner calls as the set-up makes them, recorded through the process-wide entry points.
std::vector<std::vector<GLenum>> combinerCalls;
void APIENTRY recordParameteri(GLenum pname, GLint param)
{
    combinerCalls.push_back({1, pname, static_cast<GLenum>(param)});
}
void APIENTRY recordInput(GLenum stage, GLenum portion, GLenum variable, GLenum input, GLenum mapping, GLenum usage)
{
    combinerCalls.push_back({2, stage, portion, variable, input, mapping, usage});
}
void APIENTRY recordOutput(GLenum stage, GLenum portion, GLenum ab, GLenum cd, GLenum sum, GLenum scale, GLenum bias,
                           GLboolean abDot, GLboolean cdDot, GLboolean mux)
{
    combinerCalls.push_back({3, stage, portion, ab, cd, sum, scale, bias, abDot, cdDot, mux});
}
void APIENTRY recordFinal(GLenum variable, GLenum input, GLenum mapping, GLenum usage)
{
    combinerCalls.push_back({4, variable, input, mapping, usage});
}

// The earth patch's texture coordinates, recorded as the list is compiled, then passed on.
PFNGLMULTITEXCOORD2FARBPROC realMultiTexCoord = nullptr;
struct TexCoordCall { GLenum unit; float s, t; };
std::vector<TexCoordCall> texCoordCalls;
void APIENTRY recordMultiTexCoord(GLenum unit, GLfloat s, GLfloat t)
{
    texCoordCalls.push_back({unit, s, t});
    realMultiTexCoord(unit, s, t);
}

class SetupTest : public GLFixture {
protected:
    void SetUp() override
    {
        GLFixture::SetUp();
        fetchExtensionEntryPoints();
        ASSERT_NE(multiTexCoord2fARB, nullptr);
        realMultiTexCoord = multiTexCoord2fARB;
        multiTexCoord2fARB = recordMultiTexCoord;
        combinerParameteriNV = recordParameteri;
        combinerInputNV = recordInput;
        combinerOutputNV = recordOutput;
        finalCombinerInputNV = recordFinal;
        combinerCalls.clear();
        texCoordCalls.clear();

        savedDirectory = currentDirectory();
        ASSERT_TRUE(setCurrentDirectory(folder.path()));
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", folder.file("out.raw").c_str(), 1);

        // The scene state as at program start, for the parts a load or frame writes.
        sceneSetupFailed = false;
        soundPlayer = nullptr;
        sceneClock = 0.0f;
        lastTick = 0;
        glDeleteLists(earthPatchList, 1);

        saver = new Saver;
        saver->quadric = gluNewQuadric();
    }

    void TearDown() override
    {
        delete saver;
        delete player;
        // The program never frees its light; a test process loads several times (at most eight
        // lights exist per process).
        delete sceneLight;
        sceneLight = nullptr;
        soundPlayer = nullptr;
        fontTexture = nullptr;
        sceneSetupFailed = false;
        setTickSource({});
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
        setCurrentDirectory(savedDirectory);
        fetchExtensionEntryPoints();   // the recorders out, the driver's entry points back
        GLFixture::TearDown();
    }

    void writeBank(int sounds)
    {
        std::vector<uint8_t> bank;
        for (int k = 0; k < sounds; ++k) {
            const std::vector<uint8_t> samples = soundSamples(k);
            appendSoundRecord(bank, pcmWaveFormat(1, 16, 22050), samples.data(), static_cast<uint32_t>(samples.size()));
        }
        std::ofstream(folder.file("caldrise.str"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bank.data()), static_cast<std::streamsize>(bank.size()));
    }

    void giveArchive(const std::vector<std::string>& left = {})
    {
        MemorySource source(archiveWithout(left));
        saver->datFile = new DatFile(source);
    }

    void giveSound()
    {
        player = new DSound;
        saver->sound = player;
    }

    TempFolder folder;
    std::string savedDirectory;
    Saver* saver = nullptr;
    DSound* player = nullptr;   // the host's: deleted after the Saver
};

TEST_F(SetupTest, WithoutAUsableSoundBankTheShowGoesOnInSilence)
{
    giveArchive();
    giveSound();
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(saver->load()) << "no caldrise.str: no sound, but no error box at every idle call";
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("caldrise.str"), std::string::npos) << said;
    EXPECT_EQ(soundPlayer, nullptr) << "the timeline and the captions then play nothing";
    EXPECT_EQ(saver->textures.size(), 13u) << "the rest of the set-up still runs";
}

TEST_F(SetupTest, ReadsTheBankIntoFourteenSlotsAndStartsTheLoops)
{
    writeBank(7);   // a seventh sound is never read
    giveArchive();
    giveSound();
    saver->load();
    ASSERT_EQ(soundPlayer, player);
    ASSERT_NE(player->device, nullptr);
    SoundDevice& device = *player->device;

    const int soundOfSlot[14] = {0, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 5, 5};
    for (int slot = 0; slot < 14; ++slot) {
        const DSound::Slot& s = player->slots[slot];
        ASSERT_GE(s.buffer, 0) << "slot " << slot;
        EXPECT_EQ(s.samples, soundSamples(soundOfSlot[slot])) << "slot " << slot << " holds sound " << soundOfSlot[slot];
        EXPECT_EQ(device.isPlaying(s.buffer), slot >= 2) << "slot " << slot;
    }
    EXPECT_LT(player->slots[14].buffer, 0) << "nothing beyond slot 13";

    // Volume, pan and frequency as set-up leaves them, in the units the device keeps.
    for (int slot = 0; slot < 14; ++slot) {
        const int buffer = player->slots[slot].buffer;
        float volume = 0.0f, pan = 0.0f, factor = 1.0f;
        if (slot < 2) {
            volume = 0.5f;
            pan = slot == 0 ? -0.5f : 0.5f;
        } else if (slot < 6) {
            pan = -1.0f + 0.5f * (slot - 2);
            factor = 0.7f + 0.01f * (slot - 2);
        } else {
            pan = static_cast<float>(std::sin(123.0 * (slot - 6)));
        }
        EXPECT_EQ(device.volume(buffer), DSound::volumeAttenuation(volume)) << "slot " << slot;
        EXPECT_EQ(device.pan(buffer), DSound::panValue(pan)) << "slot " << slot;
        EXPECT_EQ(device.frequency(buffer), DSound::frequencyValue(22050, factor)) << "slot " << slot;
    }
    EXPECT_EQ(device.pan(player->slots[9].buffer), -9906) << "sin 369 ≈ −0.9906";
}

TEST_F(SetupTest, BuildsTheThirteenTexturesInOrder)
{
    giveArchive();
    saver->load();   // no sound: no bank is needed
    EXPECT_EQ(soundPlayer, nullptr);

    const struct { const char* entry; int alphaMode; bool normalMap; Texture* variable; } table[] = {
        {"lcloud.bmp", 1, false, cloudLayerTexture}, {"lcloud.bmp", 0, true, cloudLayerNormalMap},
        {"earth.bmp", 1, false, earthTexture},       {"earthBump.bmp", 0, true, earthNormalMap},
        {"hull.bmp", 0, false, hullTexture},         {"foil.bmp", 0, false, foilTexture},
        {"cloud.bmp", 1, false, cloudTexture},       {"font.bmp", 1, false, fontTexture},
        {"lens0.bmp", 1, false, lensTextures[0]},    {"lens1.bmp", 1, false, lensTextures[1]},
        {"lens4.bmp", 1, false, lensTextures[2]},    {"lens5.bmp", 1, false, lensTextures[3]},
        {"lens6.bmp", 1, false, lensTextures[4]},
    };
    ASSERT_EQ(saver->textures.size(), 13u);
    for (size_t i = 0; i < 13; ++i) {
        const Texture* t = saver->textures[i];
        EXPECT_EQ(t, table[i].variable) << "texture " << i << " (" << table[i].entry << ")";
        ASSERT_NE(t, nullptr);
        EXPECT_TRUE(t->mipmapped) << table[i].entry;
        EXPECT_FALSE(t->uploaded) << table[i].entry << ": uploaded on first use only";
        const uint8_t* p = t->pixels.data() + 4 * (3 * t->width + 3);
        if (table[i].normalMap) {
            // A flat height field: every normal straight up.
            EXPECT_EQ(p[0], 127) << table[i].entry;
            EXPECT_EQ(p[1], 254) << table[i].entry;
            EXPECT_EQ(p[2], 127) << table[i].entry;
        } else {
            EXPECT_NEAR(p[0], redOf(table[i].entry), 3) << table[i].entry;
            EXPECT_NEAR(p[1], 80, 3) << table[i].entry;
        }
        if (table[i].alphaMode == 1) EXPECT_EQ(p[3], p[0]) << table[i].entry << ": alpha from red";
        else EXPECT_EQ(p[3], 255) << table[i].entry << ": opaque";
    }
    EXPECT_NE(saver->textures[0], saver->textures[1]) << "lcloud.bmp makes two textures";
}

TEST_F(SetupTest, ConfiguresTheBumpCombinersAndTheDrawingState)
{
    giveArchive();
    saver->load();

    const std::vector<std::vector<GLenum>> expected = {
        {1, GL_NUM_GENERAL_COMBINERS_NV, 1},
        {2, GL_COMBINER0_NV, GL_RGB, GL_VARIABLE_A_NV, GL_PRIMARY_COLOR_NV, GL_EXPAND_NORMAL_NV, GL_RGB},
        {2, GL_COMBINER0_NV, GL_RGB, GL_VARIABLE_B_NV, GL_TEXTURE1_ARB, GL_EXPAND_NORMAL_NV, GL_RGB},
        {2, GL_COMBINER0_NV, GL_RGB, GL_VARIABLE_C_NV, GL_PRIMARY_COLOR_NV, GL_EXPAND_NORMAL_NV, GL_RGB},
        {2, GL_COMBINER0_NV, GL_RGB, GL_VARIABLE_D_NV, GL_TEXTURE1_ARB, GL_EXPAND_NORMAL_NV, GL_RGB},
        {3, GL_COMBINER0_NV, GL_RGB, GL_SPARE0_NV, GL_DISCARD_NV, GL_DISCARD_NV, GL_NONE, GL_NONE, GL_TRUE, GL_FALSE,
         GL_FALSE},
        {4, GL_VARIABLE_A_NV, GL_SPARE0_NV, GL_UNSIGNED_IDENTITY_NV, GL_RGB},
        {4, GL_VARIABLE_B_NV, GL_TEXTURE0_ARB, GL_UNSIGNED_IDENTITY_NV, GL_RGB},
        {4, GL_VARIABLE_G_NV, GL_TEXTURE0_ARB, GL_UNSIGNED_IDENTITY_NV, GL_ALPHA},
        {4, GL_VARIABLE_E_NV, GL_SPARE0_NV, GL_UNSIGNED_IDENTITY_NV, GL_RGB},
        {4, GL_VARIABLE_F_NV, GL_TEXTURE0_ARB, GL_UNSIGNED_IDENTITY_NV, GL_RGB},
        {4, GL_VARIABLE_C_NV, GL_ZERO, GL_UNSIGNED_IDENTITY_NV, GL_RGB},
        {4, GL_VARIABLE_D_NV, GL_E_TIMES_F_NV, GL_UNSIGNED_IDENTITY_NV, GL_RGB},
    };
    ASSERT_EQ(combinerCalls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(combinerCalls[i], expected[i]) << "combiner call " << i;

    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLint value = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_BACK);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE_MINUS_SRC_ALPHA);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(colour[i], 1.0f) << "current colour " << i;

    ASSERT_NE(sceneLight, nullptr);
    EXPECT_EQ(sceneLight->position.x, 0.0f);
    EXPECT_EQ(sceneLight->position.y, 1.5f);
    EXPECT_EQ(sceneLight->position.z, 10.0f);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(sceneLight->light));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SetupTest, CompilesTheEarthPatch)
{
    giveArchive();
    saver->load();
    ASSERT_TRUE(glIsList(earthPatchList));

    // 5000 vertices, both units with the same coordinates, each pair (u + d, v) then (u, v).
    ASSERT_EQ(texCoordCalls.size(), 10000u);
    float minS = 1, maxS = 0, minT = 1, maxT = 0;
    for (size_t i = 0; i < texCoordCalls.size(); i += 2) {
        ASSERT_EQ(texCoordCalls[i].unit, static_cast<GLenum>(GL_TEXTURE0_ARB));
        ASSERT_EQ(texCoordCalls[i + 1].unit, static_cast<GLenum>(GL_TEXTURE1_ARB));
        ASSERT_EQ(texCoordCalls[i].s, texCoordCalls[i + 1].s);
        ASSERT_EQ(texCoordCalls[i].t, texCoordCalls[i + 1].t);
        minS = std::min(minS, texCoordCalls[i].s);
        maxS = std::max(maxS, texCoordCalls[i].s);
        minT = std::min(minT, texCoordCalls[i].t);
        maxT = std::max(maxT, texCoordCalls[i].t);
    }
    EXPECT_NEAR(texCoordCalls[0].s, 0.26f, 1e-6f) << "first vertex at u + d";
    EXPECT_NEAR(texCoordCalls[2].s, 0.25f, 1e-6f) << "second vertex at u";
    EXPECT_NEAR(texCoordCalls[0].t, 0.25f, 1e-6f);
    EXPECT_NEAR(texCoordCalls[2].t, 0.25f, 1e-6f);
    EXPECT_NEAR(texCoordCalls[4].t, 0.26f, 1e-6f) << "next pair one step on in v";
    EXPECT_NEAR(minS, 0.25f, 1e-6f) << "u from -0.5";
    EXPECT_NEAR(maxS, 0.75f, 1e-5f) << "u up to 0.5";
    EXPECT_NEAR(minT, 0.25f, 1e-6f) << "v from -0.5";
    EXPECT_NEAR(maxT, 0.74f, 1e-5f) << "v only up to 0.48";

    // The list drawn in feedback through an orthographic box around the patch: window x = x + 32,
    // y = y + 32, nothing clipped or culled. 50 strips of 100 vertices make 50 × 49 quads.
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);   // feedback colours are lit colours; the patch's own are wanted
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-32, 32, -32, 32, -64, 64);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const auto polygons = capturePolygons([] { glCallList(earthPatchList); });
    size_t triangles = 0;
    for (const FeedbackPolygon& p : polygons) triangles += p.size() - 2;
    EXPECT_EQ(triangles, 50u * 49u * 2u);

    // The vertex nearest to parameters (0, 0) is the origin, the patch's top.
    const FeedbackVertex* top = nullptr;
    float best = 1e9f;
    for (const FeedbackPolygon& p : polygons)
        for (const FeedbackVertex& v : p) {
            const float d = std::fabs(v.s - 0.5f) + std::fabs(v.t - 0.5f);
            if (d < best) best = d, top = &v;
        }
    ASSERT_NE(top, nullptr);
    EXPECT_NEAR(top->s, 0.5f, 1e-5f);
    EXPECT_NEAR(top->t, 0.5f, 1e-5f);
    EXPECT_NEAR(top->x - 32, 0.0f, 1e-3f);
    EXPECT_NEAR(top->y - 32, 0.0f, 1e-3f);
    // Its colour: the light direction, (0, 1, 0) turned by 1.4 rad about x, as 0.5 × n + 0.5.
    const Vector3D n = Vector3D(0, 1, 0).rotate(Vector3D(1.4f, 0, 0)).normalize() * 0.5f + Vector3D(0.5f, 0.5f, 0.5f);
    EXPECT_NEAR(top->r, n.x, 1.0f / 255);
    EXPECT_NEAR(top->g, n.y, 1.0f / 255);
    EXPECT_NEAR(top->b, n.z, 1.0f / 255);
}

TEST_F(SetupTest, DestructorReleasesEveryTexture)
{
    giveArchive();
    saver->load();
    std::vector<GLuint> names;
    for (Texture* t : saver->textures) {
        t->bind();
        names.push_back(t->textureName);
    }
    for (GLuint name : names) ASSERT_TRUE(glIsTexture(name));
    delete saver;
    saver = nullptr;
    for (GLuint name : names) EXPECT_FALSE(glIsTexture(name)) << "texture " << name;
}

TEST_F(SetupTest, MissingArchiveIsReportedOnceThenFramesStayBlack)
{
    writeBank(6);
    giveSound();
    try {
        saver->load();
        FAIL() << "load went on without the archive";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Can't find Caldrise.dat");
    }
    EXPECT_TRUE(sceneSetupFailed);
    EXPECT_EQ(soundPlayer, nullptr) << "nothing was started";
    EXPECT_EQ(player->device, nullptr) << "the bank was not read";

    EXPECT_NO_THROW(saver->load()) << "the host's retry ends quietly";
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    saver->frame();
    const Pixel p = readPixel(kSize / 2, kSize / 2);
    EXPECT_EQ(p.r, 0);
    EXPECT_EQ(p.g, 0);
    EXPECT_EQ(p.b, 0);
    EXPECT_EQ(sceneClock, 0.0f) << "the show does not run";
    EXPECT_TRUE(saver->textures.empty());
}

TEST_F(SetupTest, MissingImagesAreNamed)
{
    const struct { std::vector<std::string> left; std::string message; } cases[] = {
        {{"earth.bmp"}, "Can't find earth.bmp in Caldrise.dat"},
        {{"font.bmp", "lcloud.bmp"}, "Can't find lcloud.bmp, font.bmp in Caldrise.dat"},
    };
    for (const auto& c : cases) {
        sceneSetupFailed = false;
        delete saver->datFile;
        saver->datFile = nullptr;
        giveArchive(c.left);
        try {
            saver->load();
            FAIL() << "load went on without " << c.message;
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_TRUE(saver->textures.empty());
    }
}

TEST_F(SetupTest, FramesAdvanceTheClockAndMixTheLoops)
{
    writeBank(6);
    giveArchive();
    giveSound();
    saver->load();
    SimulatedClock clock(123456);
    clock.install();

    saver->frame();
    EXPECT_NEAR(sceneClock, 0.003f, 1e-7f) << "first frame: step 0.01 s, frameStep 0.3";
    EXPECT_EQ(lastTick, 123456u);
    clock.advance(1000);
    saver->frame();
    EXPECT_NEAR(sceneClock, 0.303f, 1e-6f) << "1000 ms: frameStep 30, clock + 0.3";

    const float distance = (stationPosition - cameraEye).length();
    const SoundMix mix = soundMix(sceneClock, distance);
    SoundDevice& device = *player->device;
    for (int slot = 2; slot < 14; ++slot) {
        const int buffer = player->slots[slot].buffer;
        EXPECT_EQ(device.volume(buffer), DSound::volumeAttenuation(mix.volume[slot])) << "slot " << slot;
        const uint32_t rate = SoundMix::setsFrequency(slot) ? DSound::frequencyValue(22050, mix.frequency[slot]) : 22050;
        EXPECT_EQ(device.frequency(buffer), rate) << "slot " << slot;
    }
    EXPECT_GT(device.volume(player->slots[2].buffer), -5000) << "the station sound is fading in";
    EXPECT_EQ(device.volume(player->slots[0].buffer), DSound::volumeAttenuation(0.5f)) << "the captions' slots are left alone";
}

}  // namespace
