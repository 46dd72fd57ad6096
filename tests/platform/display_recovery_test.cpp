// Recovery of the desktop mode after a run killed in a changed mode, against the Xorg server with
// the dummy driver (CTest label "xorg"): a child process switches the mode and is SIGKILLed; the
// "next start" (this process, before it opens the display with SDL) switches back.
#include "platform/application.h"
#include "platform/display.h"
#include "platform/display_recovery.h"
#include "platform/window.h"

#include "temp_folder.h"

// GoogleTest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

struct Shown {
    int width = 0;
    int height = 0;
    int refresh = 0;
};

// What the server's first connected output shows, asked on a connection of the test's own.
Shown serverShows()
{
    Shown shown;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return shown;
    const Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    for (int i = 0; resources && i < resources->noutput && !shown.width; ++i) {
        XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        if (output && output->connection == RR_Connected && output->crtc) {
            XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, output->crtc);
            for (int m = 0; crtc && m < resources->nmode; ++m) {
                const XRRModeInfo& info = resources->modes[m];
                if (info.id != crtc->mode) continue;
                shown.width = static_cast<int>(info.width);
                shown.height = static_cast<int>(info.height);
                shown.refresh = static_cast<int>(std::lround(static_cast<double>(info.dotClock) /
                                                             (static_cast<double>(info.hTotal) * info.vTotal)));
            }
            if (crtc) XRRFreeCrtcInfo(crtc);
        }
        if (output) XRRFreeOutputInfo(output);
    }
    if (resources) XRRFreeScreenResources(resources);
    XCloseDisplay(display);
    return shown;
}

std::string describe(const Shown& s)
{
    return std::to_string(s.width) + "x" + std::to_string(s.height) + "@" + std::to_string(s.refresh);
}

bool recordExists()
{
    return std::ifstream(desktopModeRecordPath()).good();
}

// A run of the saver's mode change in a child: switches to 800x600 at 72 Hz, says so on `ready`,
// then waits to be killed. With `restore`, it restores the mode itself first, as a normal end does.
pid_t switchInChild(int ready, bool restore)
{
    const pid_t pid = fork();
    if (pid != 0) return pid;
    Application app;
    char answer = 'n';
    if (app.openDisplay()) {
        SaverWindow window(app, "recovery test");
        window.makeFullScreen();
        window.show();
        app.processMessages();
        ScreenMode mode;
        mode.width = 800;
        mode.height = 600;
        mode.bitsPerPixel = 32;
        mode.frequency = 72;
        if (changeDisplayMode(window, mode)) answer = 'y';
        if (restore) restoreDisplayMode();
        if (write(ready, &answer, 1) != 1) _exit(2);
        for (;;) pause();
    }
    if (write(ready, &answer, 1) != 1) _exit(2);
    _exit(1);
}

class DisplayRecoveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        hadRuntime = runtime != nullptr;
        savedRuntime = runtime ? runtime : "";
        setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
        const Shown now = serverShows();
        ASSERT_EQ(describe(now), describe(kDesktop)) << "not the server of scripts/xorg-dummy, or not in its desktop mode";
    }
    void TearDown() override
    {
        if (hadRuntime) setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
        else unsetenv("XDG_RUNTIME_DIR");
    }
    // Starts the child and waits for its answer; true when it switched.
    bool runChild(bool restore)
    {
        int fds[2];
        if (pipe(fds) != 0) return false;
        child = switchInChild(fds[1], restore);
        close(fds[1]);
        char answer = 0;
        const bool got = read(fds[0], &answer, 1) == 1;
        close(fds[0]);
        return got && answer == 'y';
    }
    void killChild()
    {
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
    }

    const Shown kDesktop{1280, 1024, 60};
    TempFolder folder;
    std::string savedRuntime;
    bool hadRuntime = false;
    pid_t child = 0;
};

TEST_F(DisplayRecoveryTest, TheNextStartRestoresTheModeOfAKilledRun)
{
    ASSERT_TRUE(runChild(false)) << "the child could not switch the mode";
    EXPECT_TRUE(recordExists()) << "the desktop mode is recorded before the switch";
    EXPECT_EQ(describe(serverShows()), "800x600@72");
    EXPECT_FALSE(recoverDesktopMode()) << "a record of a run that is still alive is left alone";
    EXPECT_EQ(describe(serverShows()), "800x600@72");
    EXPECT_TRUE(recordExists());

    killChild();
    EXPECT_EQ(describe(serverShows()), "800x600@72") << "the killed run could not restore the mode itself";
    EXPECT_TRUE(recoverDesktopMode()) << "the next start switches back";
    EXPECT_EQ(describe(serverShows()), describe(kDesktop));
    EXPECT_FALSE(recordExists()) << "the record is used once";
    EXPECT_FALSE(recoverDesktopMode()) << "nothing more to do at the start after";
}

TEST_F(DisplayRecoveryTest, ANormalRestoreRemovesTheRecord)
{
    ASSERT_TRUE(runChild(true)) << "the child could not switch the mode";
    EXPECT_EQ(describe(serverShows()), describe(kDesktop)) << "the child restored the mode";
    EXPECT_FALSE(recordExists()) << "a normal restore leaves no record";
    killChild();
    EXPECT_FALSE(recoverDesktopMode());
    EXPECT_EQ(describe(serverShows()), describe(kDesktop));
}

TEST_F(DisplayRecoveryTest, AMalformedRecordIsIgnored)
{
    std::ofstream(desktopModeRecordPath()) << "not a record\n";
    EXPECT_FALSE(recoverDesktopMode());
    EXPECT_EQ(describe(serverShows()), describe(kDesktop));
}

}  // namespace
