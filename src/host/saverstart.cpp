// Saver mode after the black window is up: requirements, then the show.
#include "host/form.h"

#include "host/saverstart.h"

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

void TForm1::startShow()
{
    SaverRequirements requirements;
    saverRequirements(requirements);
    applyHostMinimums(requirements);

    app_.setIdleHandler([this](bool& done) { AppIdle(done); });

    Saver* saver = new Saver;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    saver->glv = shell.view;
    saver->desktop = shell.desktop;
    saver->sound = shell.sound;
    shell.saver = saver;
}
