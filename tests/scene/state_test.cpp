// The scene state as the program starts: nothing has run that writes it in this process.
#include "scene/state.h"

#include <gtest/gtest.h>

namespace {

void expectVector(const Vector3D& actual, const Vector3D& expected, const char* name)
{
    EXPECT_EQ(actual.x, expected.x) << name << ".x";
    EXPECT_EQ(actual.y, expected.y) << name << ".y";
    EXPECT_EQ(actual.z, expected.z) << name << ".z";
}

TEST(SceneState, StartsAtTheInitialValues)
{
    EXPECT_EQ(soundPlayer, nullptr);
    for (Texture* t : {cloudLayerTexture, cloudLayerNormalMap, earthTexture, earthNormalMap, hullTexture,
                       foilTexture, cloudTexture, fontTexture})
        EXPECT_EQ(t, nullptr);
    for (Texture* t : lensTextures) EXPECT_EQ(t, nullptr);
    EXPECT_EQ(sceneLight, nullptr);

    expectVector(sunPosition, {0.0f, 1.5f, 10.0f}, "sunPosition");
    expectVector(cameraEye, {0.0f, 0.0f, -10.0f}, "cameraEye");
    expectVector(cameraTarget, {3.0f, 3.0f, -20.0f}, "cameraTarget");
    expectVector(stationPosition, {3.0f, 3.0f, -20.0f}, "stationPosition");
    expectVector(cameraUp, {0.0f, 1.0f, 0.0f}, "cameraUp");
    expectVector(cameraEyeVelocity, {0.0f, 0.0f, 0.0f}, "cameraEyeVelocity");
    EXPECT_EQ(breakUp, 0.0f);
    EXPECT_EQ(sceneClock, 0.0f);
    EXPECT_EQ(lastTick, 0u);
    EXPECT_EQ(earthPatchList, 1u);
    EXPECT_FALSE(sceneSetupFailed);
}

TEST(SceneState, TargetVelocityIsWorkedOutInFloat)
{
    // (−0.01, −0.01, 0.05) × 0.2, each product rounded to float: its z is not the float nearest
    // to 0.01, which a literal would give.
    volatile float fifth = 0.2f;
    const float xy = -0.01f * fifth;
    const float z = 0.05f * fifth;
    expectVector(cameraTargetVelocity, {xy, xy, z}, "cameraTargetVelocity");
    EXPECT_NEAR(cameraTargetVelocity.x, -0.002f, 1e-9f);
    EXPECT_NEAR(cameraTargetVelocity.z, 0.01f, 1e-9f);
}

}  // namespace
