// The contract between the generic host (Lumenhall) and the one saver module linked with it.
//
// Flow of control, as the host drives it:
//
//   every mode, in the form's set-up:
//     saverName()                      data folder (current directory), settings key, archive name
//     saverDefaultCustomStrings(lines) when no custom strings are stored (also the "Default" button)
//     saverApplyCustomStrings(lines)   once, after the settings are loaded
//   settings mode:
//     saverHasSoundOption(), saverHasCustomize()   which controls the dialog shows
//   saver mode, once each, in this order:
//     saverWantsDesktop()              whether to capture the desktop picture first
//     saverRequirements(req)           hardware minimums and extension names; the host then raises
//                                      the texture minimums to 2 units and 512 texels and adds
//                                      "GL_ARB_multitexture"
//     saverNeedsDataFile()             only when "<saverName()>.dat" is missing: true stops start-up
//     new Saver, fields filled         after the machine qualified; the random generator is seeded
//     Saver::load()                    once, from the frame pump, after the logo intro has ended;
//                                      the GL context is current, the window is full screen
//     Saver::frame()                   on that same idle call and every later one: advance, draw,
//                                      present; as often as the host can call it
//     delete Saver                     from FormDestroy, while the GL context still exists;
//                                      also for a Saver whose load() was never called
//
// All calls come from the one GUI thread. Errors are raised as Exception; the host shows them.
// The hooks keep no state of their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using StringList = std::vector<std::string>;

class Bitmap;
class DatFile;
class DSound;
class GLV;
class Texture;
struct GLUquadric;

struct SaverRequirements {
    int32_t minCpuMHz = 0;          // fails when the measured clock is above 50 MHz and below this
    int32_t minRamMb = 0;           // fails when the memory figure is below this
    int32_t minTextureSize = 0;     // texels a side; the host raises it to at least 512
    int32_t minTextureUnits = 0;    // the host raises it to at least 2
    int32_t minTriangleRate = 0;    // triangles per second of the performance test
    StringList extensions;          // OpenGL extension names the driver must list, in check order
};

std::string saverName();
bool saverWantsDesktop();
bool saverNeedsDataFile();
bool saverHasSoundOption();
bool saverHasCustomize();
void saverRequirements(SaverRequirements& requirements);
void saverDefaultCustomStrings(StringList& lines);
void saverApplyCustomStrings(const StringList& lines);

// The module's scene object. The host fills the fields below at creation; the module owns
// `textures` (and every Texture in it), `quadric` and `datFile`; `glv`, `desktop` and `sound`
// stay the host's.
class Saver {
public:
    std::vector<Texture*> textures;   // filled by the module through addTexture
    Bitmap* desktop = nullptr;        // the captured desktop picture, or null
    GLV* glv = nullptr;
    GLUquadric* quadric = nullptr;
    DatFile* datFile = nullptr;       // the product archive, or null when missing and not required
    DSound* sound = nullptr;          // null when sound is off
    int32_t trianglesPerSecond = 0;   // measured by the qualification

    Saver() = default;
    ~Saver();
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    void load();
    void frame();
    Texture* addTexture(Texture* texture);
};
