// The host-wide record of a run, shared by the form's handlers.
#pragma once

#include <cstdint>

class Bitmap;
class DSound;
class GLV;
class Saver;

struct DisplayMode {
    int32_t width = 0;          // pixels; 0 keeps the desktop resolution
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    int32_t frequency = 0;      // Hz; 0 when the driver reported none
};

constexpr int kMaxListedModes = 500;

// One instance for the process (`shell`). Who writes what:
//  - view: the qualification, as soon as the view exists; released by FormDestroy
//  - sound, saver: the saver-mode start after a successful qualification; released by FormDestroy
//  - desktop: the desktop capture (only when the module asks for it); released by FormDestroy
//  - the mode flags and previewParent: the form's set-up
//  - the pending flags and introRunning: the frame pump
//  - mouseMoves: the mouse-move exit rule
//  - modes, defaultMode: the display-mode listing of the form's set-up
struct ShellState {
    GLV* view = nullptr;
    DSound* sound = nullptr;
    Bitmap* desktop = nullptr;
    int isSaver = 0;
    int introRunning = 1;
    int isPreview = 0;
    int isConfig = 0;
    Saver* saver = nullptr;
    DisplayMode defaultMode;
    int mouseMoves = 0;
    int previewFirst = 1;
    int introPending = 1;
    int loadPending = 1;
    DisplayMode modes[kMaxListedModes];   // entry k belongs to item k + 1 of `res`
    long previewParent = 0;               // the host's preview window (an X window id)
};

extern ShellState shell;
