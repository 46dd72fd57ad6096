#include "host/form.h"

#include "host/desktop.h"
#include "host/modes.h"
#include "host/settings.h"

#include "assets/bitmap.h"
#include "assets/dsound.h"
#include "glview/glv.h"

#include "platform/display.h"
#include "platform/display_recovery.h"
#include "platform/exception.h"
#include "platform/preview.h"
#include "platform/system.h"
#include "platform/window.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

ShellState shell;

const char* const kMakerAddress = "https://www.harvelle.example/";

ShellMode modeFromArgument(const std::string& argument)
{
    std::string a = argument;
    for (char& c : a) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (a.find("/s") != std::string::npos) return ShellMode::Saver;
    if (a.find("/p") != std::string::npos) return ShellMode::Preview;
    if (a.find("/c") != std::string::npos) return ShellMode::Settings;
    return ShellMode::None;
}

TForm1::TForm1(Application& app) : stop(app), app_(app)
{
    Label1.caption = "Resolution";
    Label2.caption = kMakerAddress;
    res.items.push_back("desktop resolution");
    sound.caption = "Enable Sound";
    sound.checked = true;
    stop.setInterval(30000);
    stop.onTimer = [this] { stopTimer(); };
}

TForm1::~TForm1()
{
    FormDestroy();
}

void TForm1::FormCreate(const std::vector<std::string>& args)
{
    // The data files are opened by relative names from the folder named after the product,
    // beside the executable. A failure leaves the current directory as it was.
    const std::string exe = executablePath();
    const size_t slash = exe.find_last_of('/');
    if (slash != std::string::npos) setCurrentDirectory(exe.substr(0, slash + 1) + saverName());

    // A run killed in a changed display mode left the screen in it: back to the desktop mode it
    // recorded, before the display is opened, so that what is read from it is the desktop's.
    recoverDesktopMode();
    app_.openDisplay();
    listDisplayModes(res, shell.modes, [](int index, DisplayMode& mode) {
        ScreenMode m;
        if (!enumerateDisplayMode(index, m)) return false;
        mode = {m.width, m.height, m.bitsPerPixel, m.frequency};
        return true;
    });

    loadSettings(*this, RegistryRoot::localMachine());

    if (customStrings.lines.empty()) saverDefaultCustomStrings(customStrings.lines);
    saverApplyCustomStrings(customStrings.lines);

    const std::string first = args.empty() ? std::string() : args[0];
    const DesktopRole role = desktopRoleFromArgument(first);
    if (role != DesktopRole::None) {
        startDesktopRole(role, args);
        return;
    }
    switch (modeFromArgument(first)) {
    case ShellMode::Saver: startSaverMode(); break;
    case ShellMode::Preview: startPreviewMode(args); break;
    case ShellMode::Settings: startSettingsMode(); break;
    case ShellMode::None: app_.terminate(); break;
    }
}

void TForm1::startSaverMode()
{
    // Taken before our window covers the screen; stays null where the screen cannot be read.
    if (saverWantsDesktop()) shell.desktop = captureDesktopPicture();
    raiseProcessPriority();
    window_ = std::make_unique<SaverWindow>(app_, app_.title());
    window_->makeFullScreen();
    window_->makeBorderless();
    window_->hideCursor();
    window_->onKeyDown = [this](int key) { FormKeyDown(key); };
    window_->onMouseDown = [this](int button) { FormMouseDown(button); };
    window_->onMouseMove = [this](int, int) { FormMouseMove(); };
    window_->onClose = [this] { close(); };
    window_->show();
    visible = true;
    shell.isSaver = 1;
    app_.onQuit = [this] { close(); };
    startShow();
}

namespace {
// Decimal, optionally signed, within 32 bits; surrounding blanks are allowed.
bool parseInteger(const std::string& text, long& value)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0') return false;
    for (const char* p = begin; p < end; ++p) {
        if (*p == 'x' || *p == 'X') return false;
    }
    value = static_cast<long>(v);
    return true;
}
}  // namespace

void TForm1::startPreviewMode(const std::vector<std::string>& args)
{
    const std::string handle = args.size() > 1 ? args[1] : std::string();
    long parent = 0;
    if (!parseInteger(handle, parent)) throw Exception(formatMessage("'%s' is not a valid integer value", handle));
    shell.previewParent = parent;
    preview_ = std::make_unique<PreviewTarget>(static_cast<unsigned long>(parent));
    shell.isPreview = 1;
    visible = true;   // shown inside the host's window until the first idle call
    app_.setIdleHandler([this](bool& done) { AppIdle(done); });
}

void TForm1::startSettingsMode()
{
    shell.isConfig = 1;
    caption = saverName() + " Screensaver Settings";
    if (!saverHasCustomize()) {
        customBox.visible = false;
        outerHeight = 180;
    }
    Panel1.visible = true;
    sound.visible = saverHasSoundOption();
    visible = true;
    app_.setIdleHandler([this](bool& done) { AppIdle(done); });
}

// ---- Exit rules ------------------------------------------------------------------------------

void TForm1::FormKeyDown(int key)
{
    // In the plain window only Escape (key code 27) closes it, besides its close box.
    constexpr int kEscape = 27;
    if (shell.isSaver || (role_ == DesktopRole::Window && key == kEscape)) close();
}

void TForm1::FormMouseDown(int)
{
    if (shell.isSaver) close();
}

void TForm1::FormMouseMove()
{
    if (!shell.isSaver) return;
    // No distance test and no reset: the first ten absorb jitter and the moves of the first show.
    ++shell.mouseMoves;
    if (shell.mouseMoves > 10) close();
}

void TForm1::stopTimer()
{
    close();
}

void TForm1::close()
{
    app_.terminate();
}

void TForm1::hide()
{
    visible = false;
    if (window_) window_->hide();
}

void TForm1::focus()
{
    if (window_) window_->focus();
}

void TForm1::Button1Click()
{
    try {
        storeSettings(*this, RegistryRoot::localMachine());
    } catch (const std::exception& e) {
        // Nothing was stored; the dialog stays open so that the user can try again or cancel.
        app_.showError(e.what());
        return;
    }
    close();
}

void TForm1::FormDestroy()
{
    if (destroyed_) return;
    destroyed_ = true;
    // Reverse order of set-up: the scene's textures need the view's context, the view restores
    // the display mode, then the sound and the desktop picture go.
    if (shell.saver) delete shell.saver;
    if (shell.view) closeView(shell.view);
    else restoreDisplayMode();   // a switch whose view could not be made is undone all the same
    if (shell.sound) delete shell.sound;
    if (shell.desktop) delete shell.desktop;
    hide();
    stop.setEnabled(false);
}
