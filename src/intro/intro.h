// The logo intro shown before the scene: a sweep line uncovers the logo of "logo.dat", with light
// sheets, a glow band, smoke and sparks, then the logo stays and fades out. Twelve seconds long,
// on a clock of its own (one intro clock unit = 1.2 s).
//
// The frame pump calls introStart once, then introFrame on every idle call until it returns 0.
#pragma once

#include "kit/vector3d.h"

#include <cstdint>

class DatFile;
class GLV;
class Texture;

// Prepares the intro on the view; needs the view's context current and its entry points fetched.
// Saves the whole GL attribute state, makes the particles and loads "logo.dat" (relative to the
// current directory). A missing archive raises "Cannot open file logo.dat" with the attribute
// state restored, so the pump may simply call again. An archive without one of the intro's
// pictures ends the intro instead: the reason goes to stderr and the next introFrame returns 0.
void introStart(GLV* view);

// Draws and presents one intro frame and returns 1; once the intro clock has passed 10 units
// (12 s) the call releases the textures and the archive, restores the saved attribute state,
// leaves texture unit 0 active and returns 0 without presenting what it drew.
int introFrame();

// The intro's module-wide state. Written by intro.cpp (and reset by the tests, which run the intro
// more than once a process); the recorder reads introClock to pick its frame.
constexpr int kIntroSparks = 500;
constexpr int kIntroPuffs = 20;

extern GLV* introView;                    // set by introStart
extern DatFile* logoArchive;              // "logo.dat"; null before the start and after the end
extern Texture* logoTexture;              // "logo1.bmp", 512 × 256 expected
extern Texture* smokeTexture;             // "smoke.bmp"
extern Texture* shineTexture;             // "shine.bmp"
extern Vector3D sparkPositions[kIntroSparks];    // logo units (the logo spans x −0.5 … 0.5)
extern Vector3D sparkVelocities[kIntroSparks];   // logo units per step (k = 1 at 12 ms)
extern float sparkLives[kIntroSparks];           // brightness; below 0.1 the spark is free
extern Vector3D puffPositions[kIntroPuffs];
extern Vector3D puffVelocities[kIntroPuffs];
extern float puffLives[kIntroPuffs];
extern float introClock;                  // intro clock units: 1 unit = 1.2 s
extern uint32_t introLastTick;            // ms tick of the previous frame; 0 = none yet
extern float logoAlpha;                   // opacity of the uncovered logo, 0 … 1

// Whether the logo picture is bright where a particle respawned by the sweep line at s with
// height y would sit (s and y in logo units); false while no logo is loaded.
bool introLogoBrightAt(float s, float y);
