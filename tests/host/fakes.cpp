#include "fakes.h"

#include "host/contract.h"

#include "assets/datfile.h"
#include "assets/dsound.h"
#include "glview/glv.h"
#include "intro/intro.h"
#include "glview/qualify.h"

#include "platform/exception.h"
#include "platform/glcontext.h"

std::vector<std::string> fakeLog;
FakeScript fakeScript;

void resetFakes()
{
    fakeLog.clear();
    fakeScript = FakeScript{};
}

std::string saverName() { return "Caldrise"; }
bool saverWantsDesktop() { return false; }
bool saverNeedsDataFile() { return false; }
bool saverHasSoundOption() { return true; }
bool saverHasCustomize() { return false; }

void saverRequirements(SaverRequirements& r)
{
    r.minTextureUnits = 1;
    r.minTextureSize = 256;
}

void saverDefaultCustomStrings(StringList& lines)
{
    fakeLog.push_back("saverDefaultCustomStrings");
    lines = fakeScript.defaultCustomStrings;
}

void saverApplyCustomStrings(const StringList& lines)
{
    fakeLog.push_back("saverApplyCustomStrings");
    fakeScript.appliedCustomStrings = lines;
}

Saver::~Saver() { fakeLog.push_back("delete saver"); }

void Saver::load()
{
    fakeLog.push_back("load");
    if (fakeScript.loadFailures > 0) {
        --fakeScript.loadFailures;
        throw Exception("load failed");
    }
}

void Saver::frame() { fakeLog.push_back("frame"); }

Texture* Saver::addTexture(Texture* t)
{
    textures.push_back(t);
    return t;
}

void introStart(GLV*)
{
    fakeLog.push_back("introStart");
    if (fakeScript.introStartFailures > 0) {
        --fakeScript.introStartFailures;
        throw Exception("introStart failed");
    }
}

int introFrame()
{
    fakeLog.push_back("introFrame");
    if (fakeScript.introFrameFailures > 0) {
        --fakeScript.introFrameFailures;
        throw Exception("introFrame failed");
    }
    if (fakeScript.introFrameResults.empty()) return 0;
    const int r = fakeScript.introFrameResults.front();
    fakeScript.introFrameResults.erase(fakeScript.introFrameResults.begin());
    return r;
}

GLV::GLV(SaverWindow* window, int) : control(window) {}
GLV::~GLV() {}

void closeView(GLV* view)
{
    fakeLog.push_back(view ? "closeView" : "closeView(null)");
    delete view;
}

DSound::~DSound() { fakeLog.push_back("delete sound"); }

DatFile::DatFile(const std::string& name) { fakeLog.push_back("open " + name); }

bool qualifyMachine(GLV**, SaverWindow&, const SaverRequirements&, DisplayMode&, int32_t&, const MachineProbe&)
{
    fakeLog.push_back("qualifyMachine");
    return false;
}

MachineProbe realMachine()
{
    return {};
}
