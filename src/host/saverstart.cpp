// Saver mode after the black window is up: requirements, display mode, qualification, and then
// either the show or the status log of a machine that does not qualify.
#include "host/form.h"

#include "host/saverstart.h"

#include "assets/datfile.h"
#include "assets/dsound.h"
#include "glview/glv.h"
#include "glview/qualify.h"

#include "platform/exception.h"
#include "platform/system.h"
#include "platform/window.h"

#include <GL/glu.h>

#include <cctype>
#include <cstdlib>
#include <ctime>

void applyHostMinimums(SaverRequirements& requirements)
{
    if (requirements.minTextureUnits < 2) requirements.minTextureUnits = 2;
    if (requirements.minTextureSize < 512) requirements.minTextureSize = 512;
    const std::string wanted = "gl_arb_multitexture";
    for (const std::string& name : requirements.extensions) {
        std::string lowered = name;
        for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lowered == wanted) return;
    }
    requirements.extensions.push_back("GL_ARB_multitexture");
}

DisplayMode requestedDisplayMode(int itemIndex)
{
    if (itemIndex > 0 && itemIndex <= kMaxListedModes) return shell.modes[itemIndex - 1];
    return shell.defaultMode;
}

void TForm1::startShow()
{
    SaverRequirements requirements;
    saverRequirements(requirements);
    applyHostMinimums(requirements);

    DisplayMode mode = requestedDisplayMode(res.itemIndex);
    int32_t triangleRate = 0;
    if (!qualifyMachine(&shell.view, *window_, requirements, mode, triangleRate)) {
        // The status log stays on the screen until input or the stop timer ends the run.
        focus();
        stop.setEnabled(true);
        return;
    }

    if (sound.checked) shell.sound = new DSound;
    app_.setIdleHandler([this](bool& done) { AppIdle(done); });
    window_->setCaption("Lumenhall, " + shell.view->renderer);

    Saver* saver = new Saver;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    saver->glv = shell.view;
    saver->desktop = shell.desktop;
    saver->sound = shell.sound;
    saver->quadric = gluNewQuadric();
    saver->trianglesPerSecond = triangleRate;
    const std::string archive = saverName() + ".dat";
    try {
        if (fileExists(archive)) saver->datFile = new DatFile(archive);
        else if (saverNeedsDataFile()) throw Exception("Can't find " + archive);
    } catch (...) {
        delete saver;
        throw;
    }
    shell.saver = saver;
}
