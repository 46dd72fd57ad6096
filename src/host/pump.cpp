// The frame pump: every frame of the saver and every repaint of the preview comes from here,
// called by the application's loop whenever no event is waiting.
#include "host/form.h"

#include "host/banner.h"

#include "intro/intro.h"

#include "platform/clock.h"
#include "platform/preview.h"
#include "platform/system.h"

// The banner is copied at most every 50 ms (about 20 times a second) rather than on every idle
// call: the picture never changes, and the copy only has to come back soon after the host's
// window was covered or repainted. The pump sleeps in between instead of using a whole processor.
constexpr uint32_t kPreviewIntervalMs = 50;

void TForm1::drawPreview()
{
    if (!preview_) return;
    const uint32_t now = tickCount();
    if (!previewDrawnOnce_ || now - previewDrawn_ >= kPreviewIntervalMs) {
        preview_->draw(5, 20, kBannerWidth, kBannerHeight, previewBannerPixels());
        previewDrawn_ = now;
        previewDrawnOnce_ = true;
    }
    // The instance ends once the host's window is gone.
    if (!preview_->alive()) close();
}

void TForm1::AppIdle(bool& done)
{
    done = false;   // never wait for an event: the handler runs continuously between events

    if (shell.isPreview) {
        if (shell.previewFirst) {
            shell.previewFirst = 0;
            hide();
        }
        drawPreview();
        sleepMs(10);
        return;
    }

    if (shell.isConfig) {
        // Runs once: the dialog is driven by its controls from here on, until OK, the link or its
        // close box ends it; then the program ends (a failed OK keeps it open).
        app_.clearIdleHandler();
        showSettingsDialog();
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
