// The roles on the Linux desktop beside the three switches: xscreensaver's hack, drawn into a
// window that xscreensaver owns, and a plain window for trying the show out.
#include "host/form.h"

#include "platform/exception.h"
#include "platform/system.h"
#include "platform/window.h"

#include <cerrno>
#include <cstdlib>

DesktopRole desktopRoleFromArgument(const std::string& argument)
{
    // Exactly these words: anything else goes to the switch test unchanged.
    if (argument == "--root" || argument == "-root") return DesktopRole::Root;
    if (argument == "--window-id" || argument == "-window-id") return DesktopRole::WindowId;
    if (argument == "--window" || argument == "-window") return DesktopRole::Window;
    return DesktopRole::None;
}

bool parseWindowId(const std::string& text, unsigned long& id)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* begin = text.c_str() + (hex ? 2 : 0);
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(begin, &end, hex ? 16 : 10);
    // X ids are 29 bits; anything wider is not a window.
    if (end == begin || *end != '\0' || errno == ERANGE || value == 0 || value > 0x1FFFFFFFull) return false;
    id = static_cast<unsigned long>(value);
    return true;
}

void TForm1::startDesktopRole(DesktopRole role, const std::vector<std::string>& args)
{
    role_ = role;
    if (role == DesktopRole::Window) {
        // A normal window: resizable, with its close box; Escape closes it too, other input
        // does not, and the display mode stays the desktop's.
        window_ = std::make_unique<SaverWindow>(app_, app_.title(), GLPixelRequest{}, 1024, 768);
        window_->makeResizable();
        window_->onKeyDown = [this](int key) { FormKeyDown(key); };
        window_->onClose = [this] { close(); };
    } else {
        unsigned long id = 0;
        if (role == DesktopRole::WindowId) {
            const std::string text = args.size() > 1 ? args[1] : std::string();
            if (!parseWindowId(text, id)) throw Exception(formatMessage("'%s' is not a valid window id", text));
        } else {
            // xscreensaver names its window in the environment; without it, the root window.
            const std::string named = environmentValue("XSCREENSAVER_WINDOW");
            if (!named.empty() && !parseWindowId(named, id))
                throw Exception(formatMessage("'%s' is not a valid window id", named));
            if (named.empty()) id = rootWindowId();
        }
        // xscreensaver owns input, the screen and the display mode: no window of our own, no
        // mode change (the desktop resolution), no exit on input. SIGTERM ends the run.
        window_ = std::make_unique<SaverWindow>(app_, id);
    }
    res.itemIndex = 0;   // the desktop resolution, for this run only; nothing is stored
    window_->show();
    visible = true;
    app_.onQuit = [this] { close(); };
    startShow();
    // A failed qualification's status log stays up for as long as the host shows the window.
    if (role != DesktopRole::Window) stop.setEnabled(false);
}
