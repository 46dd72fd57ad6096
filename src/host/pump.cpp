// The frame pump: every frame of the saver and every repaint of the preview comes from here,
// called by the application's loop whenever no event is waiting.
#include "host/form.h"

#include "intro/intro.h"

#include "platform/system.h"

void TForm1::AppIdle(bool& done)
{
    done = false;   // never wait for an event: the handler runs continuously between events

    if (shell.isPreview) {
        if (shell.previewFirst) {
            shell.previewFirst = 0;
            hide();
        }
        // The banner is repainted on every call; a few times a second is plenty for a preview.
        sleepMs(20);
        return;
    }

    if (shell.isConfig) {
        // Runs once: the dialog is driven by its controls from here on. Until the dialog has a
        // window of its own, settings mode ends here, after its set-up.
        app_.clearIdleHandler();
        close();
        return;
    }

    // Each pending flag is cleared only after its call returned, so a call that raised is tried
    // again on the next idle call.
    if (shell.introPending) {
        focus();
        introStart(shell.view);
        shell.introPending = 0;
    }
    if (shell.introRunning) {
        shell.introRunning = introFrame();
        return;
    }
    if (shell.loadPending) {
        shell.saver->load();
        shell.loadPending = 0;
    }
    shell.saver->frame();
}
