#include "platform/display_recovery.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/types.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>

namespace {

struct Record {
    long pid = 0;
    int width = 0;
    int height = 0;
    int refresh = 0;   // Hz, rounded; 0 when the driver reported none
};

bool readRecord(Record& record)
{
    std::ifstream in(desktopModeRecordPath());
    return static_cast<bool>(in >> record.pid >> record.width >> record.height >> record.refresh) &&
           record.pid > 0 && record.width > 0 && record.height > 0;
}

bool processAlive(long pid)
{
    // EPERM: it exists, it is only someone else's.
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

int roundedRefresh(const XRRModeInfo& info)
{
    if (!info.hTotal || !info.vTotal) return 0;
    return static_cast<int>(
        std::lround(static_cast<double>(info.dotClock) / (static_cast<double>(info.hTotal) * info.vTotal)));
}

// The primary output's CRTC to `record`'s mode, as the mode change had found it.
bool switchBack(const Record& record)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    int event = 0, error = 0, major = 0, minor = 0;
    bool done = false;
    if (XRRQueryExtension(display, &event, &error) && XRRQueryVersion(display, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 2))) {
        const Window root = DefaultRootWindow(display);
        XRRScreenResources* resources = XRRGetScreenResources(display, root);
        const RROutput primary = XRRGetOutputPrimary(display, root);
        for (int pass = 0; resources && pass < 2 && !done; ++pass) {
            for (int i = 0; i < resources->noutput && !done; ++i) {
                if (pass == 0 && resources->outputs[i] != primary) continue;
                XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
                if (!output) continue;
                XRRCrtcInfo* crtc = output->crtc && output->connection != RR_Disconnected
                                        ? XRRGetCrtcInfo(display, resources, output->crtc)
                                        : nullptr;
                if (crtc) {
                    // The output's own mode of that size and rate; any rate where none was recorded.
                    RRMode target = 0;
                    for (int m = 0; m < output->nmode && !target; ++m) {
                        for (int k = 0; k < resources->nmode; ++k) {
                            const XRRModeInfo& info = resources->modes[k];
                            if (info.id != output->modes[m]) continue;
                            if (static_cast<int>(info.width) == record.width &&
                                static_cast<int>(info.height) == record.height &&
                                (record.refresh == 0 || std::abs(roundedRefresh(info) - record.refresh) <= 1))
                                target = info.id;
                        }
                    }
                    if (target) {
                        // The screen may have been shrunk with the mode: make room first.
                        int minW = 0, minH = 0, maxW = 0, maxH = 0;
                        XRRGetScreenSizeRange(display, root, &minW, &minH, &maxW, &maxH);
                        const int screenW = DisplayWidth(display, DefaultScreen(display));
                        const int screenH = DisplayHeight(display, DefaultScreen(display));
                        if ((screenW < record.width || screenH < record.height) && record.width <= maxW &&
                            record.height <= maxH) {
                            const double mmPerPixel =
                                static_cast<double>(DisplayWidthMM(display, DefaultScreen(display))) / screenW;
                            XRRSetScreenSize(display, root, record.width, record.height,
                                             static_cast<int>(record.width * mmPerPixel),
                                             static_cast<int>(record.height * mmPerPixel));
                        }
                        done = XRRSetCrtcConfig(display, resources, output->crtc, CurrentTime, crtc->x, crtc->y,
                                                target, crtc->rotation, crtc->outputs, crtc->noutput) == RRSetConfigSuccess;
                    }
                    XRRFreeCrtcInfo(crtc);
                }
                XRRFreeOutputInfo(output);
            }
        }
        if (resources) XRRFreeScreenResources(resources);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return done;
}

}  // namespace

std::string desktopModeRecordPath()
{
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime && *runtime ? runtime : "/tmp";
    return folder + "/lumenhall-desktop-mode";
}

void recordDesktopMode(int width, int height, int refresh)
{
    // Written whole into a temporary file and renamed, so that a reader never sees half a record.
    const std::string path = desktopModeRecordPath();
    const std::string temporary = path + "." + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << getpid() << ' ' << width << ' ' << height << ' ' << refresh << '\n';
        if (!out.flush()) {
            unlink(temporary.c_str());
            return;
        }
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) unlink(temporary.c_str());
}

void forgetDesktopMode()
{
    Record record;
    if (readRecord(record) && record.pid == static_cast<long>(getpid())) unlink(desktopModeRecordPath().c_str());
}

bool recoverDesktopMode()
{
    Record record;
    if (!readRecord(record)) return false;
    if (record.pid == static_cast<long>(getpid()) || processAlive(record.pid)) return false;
    const bool switched = switchBack(record);
    // Removed either way: a mode that cannot be set now will not be settable at the next start.
    unlink(desktopModeRecordPath().c_str());
    return switched;
}
