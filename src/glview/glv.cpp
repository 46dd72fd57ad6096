#include "glview/glv.h"

#include "glview/combiners.h"


#include "platform/display.h"
#include "platform/exception.h"
#include "platform/glcontext.h"
#include "platform/window.h"

#include <GL/glu.h>

#include <cctype>

PFNGLACTIVETEXTUREARBPROC activeTextureARB = nullptr;
PFNGLMULTITEXCOORD2FARBPROC multiTexCoord2fARB = nullptr;
PFNGLCLIENTACTIVETEXTUREARBPROC clientActiveTextureARB = nullptr;
PFNGLCOMBINERPARAMETERINVPROC combinerParameteriNV = nullptr;
PFNGLCOMBINERINPUTNVPROC combinerInputNV = nullptr;
PFNGLCOMBINEROUTPUTNVPROC combinerOutputNV = nullptr;
PFNGLFINALCOMBINERINPUTNVPROC finalCombinerInputNV = nullptr;
PFNGLCOMBINERPARAMETERFVNVPROC combinerParameterfvNV = nullptr;
PFNGLSECONDARYCOLOR3FEXTPROC secondaryColor3fEXT = nullptr;

namespace {
template <typename F>
void fetch(F& pointer, const char* name)
{
    pointer = reinterpret_cast<F>(GLContext::procAddress(name));
}

std::string text(GLenum name)
{
    const GLubyte* s = glGetString(name);
    return s ? reinterpret_cast<const char*>(s) : "";
}

std::string lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
}  // namespace

std::vector<std::string> splitExtensions(const char* text)
{
    std::vector<std::string> names;
    if (!text) return names;
    std::string name;
    for (const char* p = text;; ++p) {
        if (*p == ' ' || *p == '\0') {
            if (!name.empty()) names.push_back(name);
            name.clear();
            if (*p == '\0') break;
        } else {
            name += *p;
        }
    }
    return names;
}

void fetchExtensionEntryPoints()
{
    fetch(activeTextureARB, "glActiveTextureARB");
    fetch(multiTexCoord2fARB, "glMultiTexCoord2fARB");
    fetch(clientActiveTextureARB, "glClientActiveTextureARB");
    fetch(combinerParameteriNV, "glCombinerParameteriNV");
    fetch(combinerInputNV, "glCombinerInputNV");
    fetch(combinerOutputNV, "glCombinerOutputNV");
    fetch(finalCombinerInputNV, "glFinalCombinerInputNV");
    fetch(combinerParameterfvNV, "glCombinerParameterfvNV");
    fetch(secondaryColor3fEXT, "glSecondaryColor3fEXT");
}

GLV::GLV(SaverWindow* control, int /*flags*/) : control(control)
{
    if (!control || !control->glCapable()) throw Exception("SetPixelFormat failed");
    std::string error;
    context = GLContext::create(*control, error);
    if (!context) throw Exception("wglCreateContext failed");
    if (!context->makeCurrent()) throw Exception("wglMakeCurrent failed");

    renderer = text(GL_RENDERER);
    version = text(GL_VERSION);
    vendor = text(GL_VENDOR);
    extensions = splitExtensions(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));

    resize();
    control->onResize = [this](int, int) { resize(); };

    glLoadIdentity();
    gluLookAt(0, 1, 5, 0, 0, 0, 0, 1, 0);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    fetchExtensionEntryPoints();

    // Mesa has no register combiners; where GLSL can stand in for them, the program's combiner
    // calls go to the emulation and the qualification sees the extension the program really has.
    if (!hasExtension("GL_NV_register_combiners") && combinerEmulationSupported()) {
        activateCombinerEmulation();
        combinerParameteriNV = emulatedCombinerParameteriNV;
        combinerInputNV = emulatedCombinerInputNV;
        combinerOutputNV = emulatedCombinerOutputNV;
        finalCombinerInputNV = emulatedFinalCombinerInputNV;
        extensions.push_back("GL_NV_register_combiners");
    }

    // Synchronised swaps keep the per-frame effects at their designed pace and spare a processor.
    if (!GLContext::setSwapInterval(1)) GLContext::setSwapInterval(0);
}

GLV::~GLV()
{
    if (control) control->onResize = nullptr;
    // The emulation's programs belong to this context: delete them while it is still current.
    if (combinerEmulationActive() && context && context->makeCurrent()) deactivateCombinerEmulation();
}

void GLV::swap()
{
    context->swap();
}

void GLV::resize()
{
    int width = 0, height = 0;
    control->clientSize(width, height);
    glMatrixMode(GL_PROJECTION);
    glViewport(0, 0, width, height);
    glLoadIdentity();
    // A window minimised to no height keeps a finite projection.
    const float aspect = static_cast<float>(width) / static_cast<float>(height > 0 ? height : 1);
    gluPerspective(fieldOfView, aspect, 0.1, farPlane);
    glMatrixMode(GL_MODELVIEW);
}

bool GLV::hasExtension(const std::string& name) const
{
    const std::string wanted = lower(name);
    for (const std::string& e : extensions) {
        if (lower(e) == wanted) return true;
    }
    return false;
}

void closeView(GLV* view)
{
    delete view;
    restoreDisplayMode();
}
