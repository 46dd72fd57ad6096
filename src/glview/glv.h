// GLV: binds OpenGL to the saver window. It makes the context current, records what the driver
// says about itself, keeps the projection in step with the window's size, presents frames, and
// fetches the extension entry points that all drawing code calls.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <memory>
#include <string>
#include <vector>

class GLContext;
class SaverWindow;

class GLV {
public:
    std::string renderer;
    std::string version;
    std::string vendor;
    std::vector<std::string> extensions;   // the driver's names in its order (plus emulated ones)
    SaverWindow* control = nullptr;        // not owned
    std::unique_ptr<GLContext> context;    // the rendering context
    int fieldOfView = 50;                  // degrees, vertical
    int farPlane = 100;                    // scene units; the near plane is 0.1

    // flags: bit 0 double buffering, bit 1 an 8-bit stencil (the window's visual decides both;
    // the saver window is made double-buffered without stencil). On return the context is current.
    // Raises "SetPixelFormat failed", "wglCreateContext failed" or "wglMakeCurrent failed".
    GLV(SaverWindow* control, int flags);
    ~GLV();
    GLV(const GLV&) = delete;
    GLV& operator=(const GLV&) = delete;

    void swap();
    void resize();   // viewport and projection from the window's client size; runs on every resize

    bool hasExtension(const std::string& name) const;   // without regard to letter case
};

// Deletes the view if there is one, then, in every case, returns the display to its desktop mode.
void closeView(GLV* view);

// Splits the driver's extension text at spaces; the last name counts with or without a trailing
// space.
std::vector<std::string> splitExtensions(const char* text);

// Fills the nine entry points below from the current context (null where the driver has none).
void fetchExtensionEntryPoints();

// The extension entry points, process-wide. The qualification makes sure the ones the drawing
// code calls exist before any of it runs.
extern PFNGLACTIVETEXTUREARBPROC activeTextureARB;
extern PFNGLMULTITEXCOORD2FARBPROC multiTexCoord2fARB;
extern PFNGLCLIENTACTIVETEXTUREARBPROC clientActiveTextureARB;
extern PFNGLCOMBINERPARAMETERINVPROC combinerParameteriNV;
extern PFNGLCOMBINERINPUTNVPROC combinerInputNV;
extern PFNGLCOMBINEROUTPUTNVPROC combinerOutputNV;
extern PFNGLFINALCOMBINERINPUTNVPROC finalCombinerInputNV;
extern PFNGLCOMBINERPARAMETERFVNVPROC combinerParameterfvNV;
extern PFNGLSECONDARYCOLOR3FEXTPROC secondaryColor3fEXT;
