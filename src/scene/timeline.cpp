// The scene timeline: Saver::frame measures the time since the previous frame, advances the scene
// clock (0.3 units per second: frameStep × 0.01, with frameStep the elapsed time in 30 Hz frames),
// mixes the running sound loops from ramps of that clock, draws the sequence of the moment and
// presents the frame. Nothing here waits or allocates.
#include "scene/timeline.h"

#include "host/contract.h"
#include "scene/sequences.h"
#include "scene/state.h"

#include "assets/dsound.h"
#include "glview/glv.h"

#include "platform/clock.h"
#include "platform/system.h"

#include <GL/gl.h>

float frameTimer()
{
    float step = 0.01f;   // the first frame after the start, whatever set-up took
    if (lastTick != 0) {
        const uint32_t elapsedMs = tickCount() - lastTick;   // wraps with the counter
        step = static_cast<float>(static_cast<double>(elapsedMs) * 0.001);
    }
    lastTick = tickCount();
    return step;
}

float rampClamp(float x)
{
    if (!(x >= 0.0f)) return 0.0f;
    return x > 1.0f ? 1.0f : x;
}

SoundRamps soundRamps(float c)
{
    SoundRamps r;
    r.fadeIn = rampClamp(0.2f * c);
    r.entry = rampClamp((c - 8.0f) * 0.25f);
    r.stage2 = rampClamp(c - 13.0f);
    r.stage3 = rampClamp(c - 16.0f);
    r.fadeOut = rampClamp((c - 18.0f) * 0.05f);
    return r;
}

SoundMix soundMix(float clock, float distance)
{
    const SoundRamps r = soundRamps(clock);
    SoundMix m{};

    // The station sound: four copies at four pans and slightly different pitches, falling off
    // with the camera's distance from the station, bending down with the entry.
    for (int i = 0; i < 4; ++i) {
        m.volume[2 + i] = r.fadeIn / (0.2f * distance + 1.0f);
        m.frequency[2 + i] = 0.7f + 0.01f * static_cast<float>(i) - 0.2f * r.entry;
    }
    // The ambience: two groups of four (slots 6 … 9 and 10 … 13) with the same mix.
    for (int k = 0; k <= 4; k += 4) {
        m.frequency[7 + k] = 1.0f - 0.2f * r.entry - 0.048f * r.stage2 - 0.252f * r.stage3;
        m.frequency[8 + k] = 1.0f + 0.2f * r.entry - 0.064f * r.stage2 + 0.064f * r.stage3;
        m.frequency[9 + k] = 1.0f - 0.6f * r.entry - 0.032f * r.stage2 + 0.132f * r.stage3;
    }
    for (int k = 0; k <= 4; k += 4) {
        m.volume[6 + k] = 0.3f * r.fadeIn + 0.2f * r.entry - r.fadeOut;
        m.volume[7 + k] = 0.3f * r.fadeIn + 0.2f * r.entry - r.fadeOut;
        m.volume[8 + k] = 0.3f * r.fadeIn + 0.1f * r.entry - r.fadeOut;
        m.volume[9 + k] = 0.3f * r.fadeIn + 0.3f * r.entry - r.fadeOut;
    }
    return m;
}

void applySoundMix(DSound& player, const SoundMix& m)
{
    for (int slot = 2; slot <= 5; ++slot) {
        player.setVolume(slot, m.volume[slot]);
        player.setFrequency(slot, m.frequency[slot]);
    }
    for (int k = 0; k <= 4; k += 4)
        for (int slot = 7 + k; slot <= 9 + k; ++slot) player.setFrequency(slot, m.frequency[slot]);
    for (int k = 0; k <= 4; k += 4)
        for (int slot = 6 + k; slot <= 9 + k; ++slot) player.setVolume(slot, m.volume[slot]);
}

SequenceChoice chooseSequence(float clock)
{
    if (clock >= 25.0f && clock < 30.0f) return {SceneSequence::interlude, clock - 25.0f};
    return {SceneSequence::orbit, clock};
}

void Saver::frame()
{
    if (sceneSetupFailed) {
        // Set-up found the archive or one of its images missing and said so once; the show
        // cannot run, so the screen stays black until the usual input ends the saver. The pause
        // keeps this idle loop from taking a whole processor for a black screen.
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (glv) glv->swap();
        sleepMs(10);
        return;
    }

    const float step = frameTimer();                 // seconds
    const float frameStep = static_cast<float>(step * 30.0);               // 30 Hz frames
    sceneClock = static_cast<float>(sceneClock + frameStep * 0.01);        // scene clock units

    if (soundPlayer) {
        const float distance = (stationPosition - cameraEye).length();
        applySoundMix(*soundPlayer, soundMix(sceneClock, distance));
    }

    const SequenceChoice choice = chooseSequence(sceneClock);
    if (choice.sequence == SceneSequence::interlude) drawGroundInterlude(choice.sceneTime, frameStep);
    else drawOrbitSequence(choice.sceneTime, frameStep);

    if (glv) glv->swap();
}
