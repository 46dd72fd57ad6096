// The settings dialog on the desktop's toolkit, as a view of the form's controls.
//
// The form keeps the model (its control names and values); the dialog only shows them and writes
// the user's changes back into the view before it calls a handler. Only settings mode opens the
// toolkit: the other modes never load it.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct SettingsDialogView {
    std::string caption;                    // the window's title
    int clientWidth = 280;                  // pixels
    std::string hardwareCaption;            // GroupBox1
    std::string resolutionCaption;          // Label1
    std::vector<std::string> resolutions;   // res: its items
    int resolutionIndex = -1;               // res: the selected item, -1 for none (typed text)
    std::string soundCaption;               // sound
    bool soundVisible = true;
    bool soundChecked = true;
    std::string customizeCaption;           // customBox
    bool customizeVisible = true;
    std::vector<std::string> customLines;   // customStrings
    std::string defaultCaption;             // Button2
    std::string okCaption;                  // Button1
    std::string link;                       // Label2: the text shown and the address it stands for
};

struct SettingsDialogHandlers {
    // OK; answers whether the dialog closes (false keeps it open, after a failed store).
    std::function<bool(SettingsDialogView& view)> ok;
    // Default; may change view.customLines, which the dialog then shows.
    std::function<void(SettingsDialogView& view)> defaults;
    // The link; the dialog closes after it.
    std::function<void(SettingsDialogView& view)> link;
};

// Opens the toolkit on the display; false where it cannot (no display).
bool openSettingsToolkit();

// Shows the dialog (a small, fixed, centred tool window that stays on top) and runs it until OK
// answers true, the link is clicked, or the window's close box is used (which calls no handler).
void runSettingsDialog(SettingsDialogView& view, const SettingsDialogHandlers& handlers);
