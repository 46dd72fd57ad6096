// Settings mode's dialog: the form's controls shown by the platform's dialog, and its handlers.
#include "host/form.h"

#include "platform/settingsdialog.h"
#include "platform/system.h"

namespace {

// The dialog's view of the form's controls.
SettingsDialogView viewOf(const TForm1& form)
{
    SettingsDialogView view;
    view.caption = form.caption;
    view.clientWidth = form.clientWidth;
    view.hardwareCaption = "Hardware Settings";
    view.resolutionCaption = form.Label1.caption;
    view.resolutions = form.res.items;
    view.resolutionIndex = form.res.itemIndex;
    view.soundCaption = form.sound.caption;
    view.soundVisible = form.sound.visible;
    view.soundChecked = form.sound.checked;
    view.customizeCaption = "Customize";
    view.customizeVisible = form.customBox.visible;
    view.customLines = form.customStrings.lines;
    view.defaultCaption = "Default";
    view.okCaption = "OK";
    view.link = form.Label2.caption;
    return view;
}

// What the user changed, back into the controls, which stay the only store of the settings.
void takeBack(TForm1& form, const SettingsDialogView& view)
{
    form.res.setItemIndex(view.resolutionIndex);
    form.sound.checked = view.soundChecked;
    form.customStrings.lines = view.customLines;
}

}  // namespace

void TForm1::Button2Click()
{
    saverDefaultCustomStrings(customStrings.lines);
}

void TForm1::Label2Click()
{
    // A browser that cannot be started is ignored; the dialog closes all the same.
    spawnDetached("xdg-open", kMakerAddress);
    close();
}

void TForm1::showSettingsDialog()
{
    if (!openSettingsToolkit()) {
        app_.showError("Cannot open the display for the settings dialog");
        return;
    }
    SettingsDialogView view = viewOf(*this);
    SettingsDialogHandlers handlers;
    handlers.ok = [this](SettingsDialogView& v) {
        takeBack(*this, v);
        Button1Click();
        return app_.terminated();   // closed when the store succeeded
    };
    handlers.defaults = [this](SettingsDialogView& v) {
        takeBack(*this, v);
        Button2Click();
        v.customLines = customStrings.lines;
    };
    handlers.link = [this](SettingsDialogView& v) {
        takeBack(*this, v);
        Label2Click();
    };
    visible = true;
    runSettingsDialog(view, handlers);
    visible = false;
}
