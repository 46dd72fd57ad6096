// The scene's shared state: module-wide variables that the set-up, the timeline, the two sequences,
// the station model and the captions read and write. Each is defined once, in state.cpp, with its
// initial value given at program start (static initialisation); nothing puts them back later, so
// the show plays once per process.
//
// Units: positions in scene units (the top of the earth at the origin, y up), velocities in scene
// units per 30 Hz frame, the clock in scene clock units (0.3 per second of real time).
//
// Each group names who may write it; everyone else only reads.
#pragma once

#include "kit/vector3d.h"

#include <GL/gl.h>

#include <cstdint>

class DSound;
class Light;
class Texture;

// Written by Saver::load only, once; read by the drawing code. The Saver owns the textures (they
// are also in Saver::textures); the light is never destroyed.
extern DSound* soundPlayer;            // copy of Saver::sound; null means silence
extern Texture* cloudLayerTexture;     // "lcloud.bmp", alpha from red
extern Texture* cloudLayerNormalMap;   // "lcloud.bmp" as a normal map
extern Texture* earthTexture;          // "earth.bmp", alpha from red
extern Texture* earthNormalMap;        // "earthBump.bmp" as a normal map
extern Texture* hullTexture;           // "hull.bmp"
extern Texture* foilTexture;           // "foil.bmp"
extern Texture* cloudTexture;          // "cloud.bmp", alpha from red
extern Texture* fontTexture;           // "font.bmp", alpha from red: the caption glyphs
constexpr int kLensTextures = 5;
extern Texture* lensTextures[kLensTextures];   // "lens0/1/4/5/6.bmp", in this index order
extern Light* sceneLight;              // made at the sun's initial position; never moved

// Written by the two sequences (orbit and ground interlude); the timeline reads cameraEye and
// stationPosition for the station sound's distance fall-off.
extern Vector3D sunPosition;           // for flares and sky
extern Vector3D cameraEye;
extern Vector3D cameraTarget;          // the look-at point
extern Vector3D stationPosition;       // copied from cameraTarget every frame
extern Vector3D cameraUp;
extern Vector3D cameraTargetVelocity;  // per 30 Hz frame
extern Vector3D cameraEyeVelocity;     // per 30 Hz frame
extern float breakUp;                  // the station's break-up amount; written by the orbit sequence

// Written by the timeline (Saver::frame) only.
extern float sceneClock;               // scene clock units, from 0, only grows
extern uint32_t lastTick;              // millisecond tick of the previous frame; 0: none yet

// Compiled by Saver::load.
extern GLuint earthPatchList;          // display list of the curved earth-surface patch (number 1)

// Written by Saver::load: set when the product archive or one of its scene images is missing. The
// load that finds it raises the message once; later loads return at once and every frame is
// black, so the error box is not shown again and again.
extern bool sceneSetupFailed;
