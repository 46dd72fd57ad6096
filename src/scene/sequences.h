// The scene's two sequences, called by the timeline (Saver::frame) once per frame. Each draws a
// complete frame into the back buffer; the timeline presents it.
//
//   sceneTime  scene clock units (0.3 per second): the clock itself for the orbit sequence, the
//              clock − 25 (0 … 5) for the ground interlude
//   frameStep  the elapsed time counted in frames of a 30 Hz clock; velocities are multiplied
//              by it
//
// They see only the scene state (scene/state.h) and these two arguments, never the Saver.
#pragma once

// The orbit, the descent with its fire and break-up, and from clock 30 the closing still.
void drawOrbitSequence(float sceneTime, float frameStep);

// The view from the ground while the clock is in 25 … 30.
void drawGroundInterlude(float sceneTime, float frameStep);
