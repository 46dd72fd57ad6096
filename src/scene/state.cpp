// The scene's shared state, defined once; see state.h for who writes what.
#include "scene/state.h"

DSound* soundPlayer = nullptr;
Texture* cloudLayerTexture = nullptr;
Texture* cloudLayerNormalMap = nullptr;
Texture* earthTexture = nullptr;
Texture* earthNormalMap = nullptr;
Texture* hullTexture = nullptr;
Texture* foilTexture = nullptr;
Texture* cloudTexture = nullptr;
Texture* fontTexture = nullptr;
Texture* lensTextures[kLensTextures] = {nullptr, nullptr, nullptr, nullptr, nullptr};
Light* sceneLight = nullptr;

Vector3D sunPosition(0.0f, 1.5f, 10.0f);
Vector3D cameraEye(0.0f, 0.0f, -10.0f);
Vector3D cameraTarget(3.0f, 3.0f, -20.0f);
Vector3D stationPosition(3.0f, 3.0f, -20.0f);
Vector3D cameraUp(0.0f, 1.0f, 0.0f);
// The orbit's glide, 1 scene unit per clock unit towards +z: worked out in float at start-up, so
// the components carry float rounding (not exactly −0.002 and 0.01).
Vector3D cameraTargetVelocity = Vector3D(-0.01f, -0.01f, 0.05f) * 0.2f;
Vector3D cameraEyeVelocity(0.0f, 0.0f, 0.0f);
float breakUp = 0.0f;

float sceneClock = 0.0f;
uint32_t lastTick = 0;

GLuint earthPatchList = 1;

bool sceneSetupFailed = false;
