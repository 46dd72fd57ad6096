// TForm1: the one form of the host, as a plain model of its controls.
//
// In saver mode it owns the full-screen saver window; in settings mode the dialog is a view of
// these controls; in preview mode it only holds the host's window. Its handlers keep the names
// of the form they stand for (FormDestroy, FormKeyDown, stopTimer, Button1Click, ...).
#pragma once

#include "host/contract.h"
#include "host/shell.h"

#include "platform/application.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PreviewTarget;
class SaverWindow;

// The maker's web address, shown and opened by the settings dialog's link.
extern const char* const kMakerAddress;

struct Control {
    bool visible = true;
};

struct ComboBox : Control {
    StringList items;
    int itemIndex = -1;               // -1: no item selected
    void setItemIndex(int index) { itemIndex = (index >= 0 && index < static_cast<int>(items.size())) ? index : -1; }
};

struct CheckBox : Control {
    std::string caption;
    bool checked = false;
};

struct Memo : Control {
    StringList lines;
};

struct Label : Control {
    std::string caption;
};

enum class ShellMode { Saver, Preview, Settings, None };

// The mode a first command-line argument selects: lower-cased, then searched for "/s", "/p", "/c".
ShellMode modeFromArgument(const std::string& argument);

// The roles on the Linux desktop besides the three switches, recognised only when the first
// argument is exactly one of these options (with one dash or two):
//   --root             xscreensaver's hack: the show in $XSCREENSAVER_WINDOW, else the root window
//   --window-id <id>   the same in the given X window (decimal or 0x-hex)
//   --window           a plain resizable 1024x768 window to try the show in
enum class DesktopRole { None, Root, WindowId, Window };
DesktopRole desktopRoleFromArgument(const std::string& argument);

// An X window id in decimal or 0x-hex; false for anything else (or 0).
bool parseWindowId(const std::string& text, unsigned long& id);

class TForm1 {
public:
    // The form as designed, before any set-up.
    explicit TForm1(Application& app);
    ~TForm1();   // runs FormDestroy
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // The set-up steps of the form's creation, in every mode; errors propagate to the caller.
    void FormCreate(const std::vector<std::string>& args);

    // Components, as designed.
    Control Panel1{false};
    Label Label1;
    Label Label2;
    Control GroupBox1;
    ComboBox res;
    CheckBox sound;
    Control customBox;
    Memo customStrings;
    Timer stop;
    std::string caption = "Settings";
    int clientWidth = 280;
    int clientHeight = 352;
    int outerHeight = 352;
    bool visible = false;

    // Handlers.
    void AppIdle(bool& done);
    void FormKeyDown(int key);
    void FormMouseDown(int button);
    void FormMouseMove();
    void stopTimer();
    void FormDestroy();
    void Button1Click();   // OK: store the settings and close; a failed store keeps the dialog
    void Button2Click();   // Default: the module's custom strings
    void Label2Click();    // the link: open the maker's address, then close

    // Closing the main form ends the application's loop.
    void close();
    void hide();
    void focus();

    Application& app() { return app_; }
    SaverWindow* window() { return window_.get(); }
    DesktopRole role() const { return role_; }

private:
    void startSaverMode();
    void startPreviewMode(const std::vector<std::string>& args);
    void startSettingsMode();
    void startDesktopRole(DesktopRole role, const std::vector<std::string>& args);
    void startShow();   // the saver-mode start after the window is shown
    void showSettingsDialog();   // settings mode's dialog, run until it closes
    void drawPreview();

    // The role on the desktop (None for the three switches).
    DesktopRole role_ = DesktopRole::None;
    // The host's preview window, watched for its destruction.
    std::unique_ptr<PreviewTarget> preview_;
    uint32_t previewDrawn_ = 0;   // tick (ms) of the last banner copy
    bool previewDrawnOnce_ = false;

    Application& app_;
    std::unique_ptr<SaverWindow> window_;
    bool destroyed_ = false;
};

// The process entry: returns 0 in every case.
int lumenhallMain(int argc, char** argv);
