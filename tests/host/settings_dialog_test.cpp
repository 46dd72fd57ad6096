// Settings mode's dialog as the host drives it: the view it hands the dialog, and what OK, the
// link, Default and the close box do. The dialog itself is replaced by a script (the toolkit's
// own window is driven end to end in tests/e2e/settings.sh).
#include "host/form.h"

#include "fakes.h"

#include "platform/settingsdialog.h"

#include "../platform/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace {
bool toolkitOpens = true;
int dialogRuns = 0;
SettingsDialogView shownView;
// What the user does in the dialog; returning from it is the close box.
std::function<void(SettingsDialogView&, const SettingsDialogHandlers&)> userActs;
}  // namespace

bool openSettingsToolkit()
{
    return toolkitOpens;
}

void runSettingsDialog(SettingsDialogView& view, const SettingsDialogHandlers& handlers)
{
    ++dialogRuns;
    shownView = view;
    if (userActs) userActs(view, handlers);
}

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetFakes();
        shell = ShellState{};
        toolkitOpens = true;
        dialogRuns = 0;
        shownView = SettingsDialogView{};
        userActs = nullptr;
        const char* config = std::getenv("XDG_CONFIG_HOME");
        savedConfig = config ? config : "";
        hadConfig = config != nullptr;
        setenv("XDG_CONFIG_HOME", folder.file("config").c_str(), 1);
        // No display for these: the error box then only writes to stderr instead of waiting for
        // someone to close it.
        const char* display = std::getenv("DISPLAY");
        savedDisplay = display ? display : "";
        hadDisplay = display != nullptr;
        unsetenv("DISPLAY");
    }
    void TearDown() override
    {
        if (hadConfig) setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
        else unsetenv("XDG_CONFIG_HOME");
        if (hadDisplay) setenv("DISPLAY", savedDisplay.c_str(), 1);
        userActs = nullptr;
    }
    // Settings mode up to and including the one idle call that runs the dialog.
    void runSettingsMode()
    {
        form.FormCreate({"/c"});
        ASSERT_TRUE(app.hasIdleHandler());
        bool done = true;
        app.idleOnce(done);
    }
    std::string storeFile() const { return folder.file("config/lumenhall/HKEY_LOCAL_MACHINE.reg"); }

    TempFolder folder;
    std::string savedConfig;
    bool hadConfig = false;
    std::string savedDisplay;
    bool hadDisplay = false;
    Application app;
    TForm1 form{app};
};

TEST_F(SettingsDialogTest, TheDialogShowsTheFormsControls)
{
    runSettingsMode();
    ASSERT_EQ(dialogRuns, 1);
    EXPECT_EQ(shownView.caption, "Caldrise Screensaver Settings");
    EXPECT_EQ(shownView.hardwareCaption, "Hardware Settings");
    EXPECT_EQ(shownView.resolutionCaption, "Resolution");
    ASSERT_FALSE(shownView.resolutions.empty());
    EXPECT_EQ(shownView.resolutions[0], "desktop resolution");
    EXPECT_EQ(shownView.resolutions, form.res.items) << "every listed mode after the first item";
    EXPECT_EQ(shownView.resolutionIndex, form.res.itemIndex);
    EXPECT_EQ(shownView.soundCaption, "Enable Sound");
    EXPECT_TRUE(shownView.soundVisible) << "the module offers sound";
    EXPECT_TRUE(shownView.soundChecked) << "ticked on a fresh machine";
    EXPECT_FALSE(shownView.customizeVisible) << "the module has no custom strings: the shortened dialog";
    EXPECT_EQ(form.outerHeight, 180);
    EXPECT_EQ(shownView.okCaption, "OK");
    EXPECT_EQ(shownView.link, "https://www.harvelle.example/");
    EXPECT_FALSE(app.hasIdleHandler()) << "the handler runs once";
}

TEST_F(SettingsDialogTest, TheCloseBoxStoresNothingAndEndsTheProgram)
{
    runSettingsMode();
    EXPECT_EQ(dialogRuns, 1);
    EXPECT_TRUE(app.terminated());
    EXPECT_FALSE(std::ifstream(storeFile()).good()) << readFile(storeFile());
}

TEST_F(SettingsDialogTest, OkStoresWhatTheDialogShowsAndCloses)
{
    bool closes = false;
    userActs = [&](SettingsDialogView& view, const SettingsDialogHandlers& handlers) {
        view.soundChecked = false;
        view.resolutionIndex = 0;
        closes = handlers.ok(view);
    };
    runSettingsMode();
    EXPECT_TRUE(closes) << "a successful store closes the dialog";
    EXPECT_TRUE(app.terminated());
    const std::string text = readFile(storeFile());
    EXPECT_NE(text.find("\"resolution\"=dword:00000000"), std::string::npos) << text;
    EXPECT_NE(text.find("\"sound\"=dword:00000000"), std::string::npos) << text;
    EXPECT_NE(text.find("\"customize\"=\"\""), std::string::npos) << text;
    EXPECT_FALSE(form.sound.checked) << "the controls hold what the dialog showed";
    EXPECT_EQ(form.res.itemIndex, 0);
}

TEST_F(SettingsDialogTest, AFailedStoreShowsTheErrorAndKeepsTheDialog)
{
    // A file where the settings folder should be.
    std::ofstream(folder.file("config")) << "not a folder";
    bool closes = true;
    bool endedBeforeClose = true;
    userActs = [&](SettingsDialogView& view, const SettingsDialogHandlers& handlers) {
        closes = handlers.ok(view);
        endedBeforeClose = app.terminated();
    };
    testing::internal::CaptureStderr();
    runSettingsMode();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(closes) << "the dialog stays open";
    EXPECT_FALSE(endedBeforeClose);
    EXPECT_NE(errors.find("Failed to set data for 'resolution'"), std::string::npos) << errors;
    EXPECT_TRUE(app.terminated()) << "the close box afterwards still ends the program";
}

TEST_F(SettingsDialogTest, DefaultFillsTheModulesCustomStrings)
{
    fakeScript.defaultCustomStrings = {"first line", "second"};
    std::vector<std::string> shown;
    userActs = [&](SettingsDialogView& view, const SettingsDialogHandlers& handlers) {
        view.customLines = {"typed"};
        handlers.defaults(view);
        shown = view.customLines;
    };
    runSettingsMode();
    EXPECT_EQ(shown, (std::vector<std::string>{"first line", "second"}))
        << "Default puts the module's lines in place of the typed ones";
    EXPECT_FALSE(std::ifstream(storeFile()).good()) << "Default stores nothing";
}

TEST_F(SettingsDialogTest, TheLinkOpensTheMakersAddressAndCloses)
{
    // xdg-open as found on the PATH: a script that notes its argument.
    const std::string bin = folder.file("bin");
    const std::string opened = folder.file("opened");
    ASSERT_EQ(std::system(("mkdir -p '" + bin + "'").c_str()), 0);
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\necho \"$@\" >'" << opened << ".tmp' && mv '" << opened
                                     << ".tmp' '" << opened << "'\n";
    ASSERT_EQ(std::system(("chmod +x '" + bin + "/xdg-open'").c_str()), 0);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (bin + ":" + path).c_str(), 1);
    userActs = [&](SettingsDialogView& view, const SettingsDialogHandlers& handlers) { handlers.link(view); };
    runSettingsMode();
    setenv("PATH", path.c_str(), 1);
    EXPECT_TRUE(app.terminated());
    for (int i = 0; i < 100 && !std::ifstream(opened).good(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(readFile(opened), "https://www.harvelle.example/\n");
    EXPECT_FALSE(std::ifstream(storeFile()).good()) << "the link stores nothing";
}

TEST_F(SettingsDialogTest, InputNeverEndsSettingsMode)
{
    userActs = [&](SettingsDialogView&, const SettingsDialogHandlers&) {
        for (int i = 0; i < 20; ++i) form.FormMouseMove();
        form.FormMouseDown(1);
        form.FormKeyDown(27);
        form.FormKeyDown(65);
        EXPECT_FALSE(app.terminated()) << "mouse and keys never end the dialog";
    };
    runSettingsMode();
}

TEST_F(SettingsDialogTest, WithoutADisplayTheErrorIsShownAndTheProgramEnds)
{
    toolkitOpens = false;
    testing::internal::CaptureStderr();
    runSettingsMode();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(dialogRuns, 0);
    EXPECT_NE(errors.find("Cannot open the display"), std::string::npos) << errors;
    EXPECT_TRUE(app.terminated());
}

}  // namespace
