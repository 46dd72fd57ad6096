// GLV: the OpenGL view on the saver window, and closeView, which also restores the display mode.
#pragma once

#include <string>
#include <vector>

class SaverWindow;

class GLV {
public:
    std::string renderer;
    std::string version;
    std::string vendor;
    std::vector<std::string> extensions;
    SaverWindow* control = nullptr;   // not owned
    int fieldOfView = 50;             // degrees, vertical
    int farPlane = 100;               // scene units; the near plane is 0.1

    GLV() = default;
    ~GLV();
    GLV(const GLV&) = delete;
    GLV& operator=(const GLV&) = delete;
};

// Deletes the view if there is one, then, in every case, returns the display to its desktop mode.
void closeView(GLV* view);
