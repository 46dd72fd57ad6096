#include "host/form.h"

#include "fakes.h"

#include "assets/dsound.h"
#include "glview/glv.h"

#include <gtest/gtest.h>

namespace {

class PumpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetFakes();
        shell = ShellState{};
    }
    // The form's destruction at the end of each test releases what the test left in `shell`.

    // Saver mode after a successful start, without a window.
    void startSaver()
    {
        shell.isSaver = 1;
        shell.saver = new Saver;
        app.setIdleHandler([this](bool& done) { form.AppIdle(done); });
    }
    void idle(int times)
    {
        for (int i = 0; i < times; ++i) {
            bool done = true;
            app.idleOnce(done);
            EXPECT_FALSE(done) << "the handler must never let the loop wait";
        }
    }
    Application app;
    TForm1 form{app};
};

TEST_F(PumpTest, SaverModeRunsIntroThenLoadThenFrames)
{
    startSaver();
    fakeScript.introFrameResults = {1, 1, 0};
    idle(6);
    EXPECT_EQ(fakeLog, (std::vector<std::string>{"introStart", "introFrame", "introFrame", "introFrame",
                                                  "load", "frame", "frame", "frame"}))
        << "the call that gets 0 from introFrame draws no scene frame; load and the first frame share a call";
    EXPECT_EQ(shell.introPending, 0);
    EXPECT_EQ(shell.introRunning, 0);
    EXPECT_EQ(shell.loadPending, 0);
}

TEST_F(PumpTest, FailingCallsAreRetriedOnTheNextIdleCall)
{
    startSaver();
    fakeScript.introStartFailures = 2;
    fakeScript.introFrameFailures = 1;
    fakeScript.introFrameResults = {0};
    fakeScript.loadFailures = 1;
    testing::internal::CaptureStderr();
    idle(7);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(fakeLog, (std::vector<std::string>{"introStart", "introStart", "introStart", "introFrame",
                                                  "introFrame", "load", "load", "frame", "frame"}));
    EXPECT_NE(errors.find("introStart failed"), std::string::npos) << "errors go to the error box: " << errors;
    EXPECT_NE(errors.find("introFrame failed"), std::string::npos);
    EXPECT_NE(errors.find("load failed"), std::string::npos);
    EXPECT_FALSE(app.terminated()) << "the loop goes on after an error";
}

TEST_F(PumpTest, ExitRulesOnlyInSaverMode)
{
    for (int i = 0; i < 20; ++i) form.FormMouseMove();
    form.FormKeyDown(65);
    form.FormMouseDown(1);
    EXPECT_FALSE(app.terminated()) << "input never ends the other modes";

    shell.isSaver = 1;
    for (int i = 0; i < 10; ++i) form.FormMouseMove();
    EXPECT_FALSE(app.terminated()) << "ten moves are absorbed";
    form.FormMouseMove();
    EXPECT_TRUE(app.terminated()) << "the eleventh move closes the saver";
    EXPECT_EQ(shell.mouseMoves, 11);
}

TEST_F(PumpTest, KeyClickAndTimerCloseTheSaver)
{
    shell.isSaver = 1;
    {
        Application a;
        TForm1 f{a};
        f.FormKeyDown(0);
        EXPECT_TRUE(a.terminated());
    }
    {
        Application a;
        TForm1 f{a};
        f.FormMouseDown(3);
        EXPECT_TRUE(a.terminated());
    }
    {
        Application a;
        TForm1 f{a};
        EXPECT_EQ(f.stop.interval(), 30000u);
        EXPECT_FALSE(f.stop.enabled());
        f.stop.setEnabled(true);
        f.stop.fire();
        EXPECT_TRUE(a.terminated());
    }
}

TEST_F(PumpTest, InputDuringTheIntroLeavesTheSceneUnloaded)
{
    startSaver();
    fakeScript.introFrameResults = {1, 1, 1};
    idle(2);
    form.FormKeyDown(32);
    EXPECT_TRUE(app.terminated());
    form.FormDestroy();
    EXPECT_EQ(fakeLog, (std::vector<std::string>{"introStart", "introFrame", "introFrame", "delete saver"}));
}

TEST_F(PumpTest, FormDestroyReleasesInItsOrderOnce)
{
    shell.saver = new Saver;
    shell.view = new GLV(nullptr, 1);
    shell.sound = new DSound;
    form.visible = true;
    form.FormDestroy();
    EXPECT_EQ(fakeLog, (std::vector<std::string>{"delete saver", "closeView", "delete sound"}));
    EXPECT_FALSE(form.visible);
    form.FormDestroy();
    EXPECT_EQ(fakeLog.size(), 3u) << "destroying the form again releases nothing twice";
}

TEST_F(PumpTest, FormDestroyWithNothingCreated)
{
    form.FormDestroy();
    EXPECT_TRUE(fakeLog.empty());
}

TEST_F(PumpTest, SettingsModeUninstallsTheHandlerOnce)
{
    shell.isConfig = 1;
    app.setIdleHandler([this](bool& done) { form.AppIdle(done); });
    idle(1);
    EXPECT_FALSE(app.hasIdleHandler());
    EXPECT_TRUE(fakeLog.empty());
    EXPECT_TRUE(app.terminated()) << "with no dialog window yet, settings mode ends after its set-up";
}

TEST_F(PumpTest, PreviewHidesTheFormOnTheFirstCallAndKeepsRunning)
{
    shell.isPreview = 1;
    form.visible = true;
    app.setIdleHandler([this](bool& done) { form.AppIdle(done); });
    idle(1);
    EXPECT_FALSE(form.visible);
    EXPECT_EQ(shell.previewFirst, 0);
    form.visible = true;
    idle(2);
    EXPECT_TRUE(form.visible) << "only the first call hides the form";
    EXPECT_TRUE(app.hasIdleHandler());
    EXPECT_TRUE(fakeLog.empty()) << "preview never touches the intro or the scene";
}

}  // namespace
