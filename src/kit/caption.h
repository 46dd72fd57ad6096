// Typed-out caption lines. A caption appears one character per unit of the typed count the
// caller passes (its sequence time since the caption's start × 20: 20 characters per scene clock
// unit, 6 per second), the typing sounds run on the player's slots 0 and 1 while letters appear
// and pause at spaces, and the line fades out 90 … 100 characters' worth of count after its end.
//
// The glyphs are 64 cells in one row of the scene's font texture; see captionCell. Monospaced:
// each position 0.04 scene units wide, a glyph 0.04 × 0.08, placed for the scene's perspective.
//
// Uses the scene's fontTexture and soundPlayer (scene/state.h); keeps no state of its own. This
// unit is built into the scene library for that reason.
#pragma once

#include "kit/fontcells.h"

#include <cstddef>

// What the caller provides: the GL context current, the scene's projection, blending enabled.
// What it leaves: lighting, depth test and face culling off; blend factors (source alpha, one);
// unit 0's texture matrix the identity with the font texture bound and 2D texturing on; 2D
// texturing off on unit 1 and unit 1 active; the modelview matrix mode, the modelview matrix as
// it was; the current colour white with the caption's alpha.
void drawCaption(const char* text, float typed, bool atTop);

// The caption's opacity: 10 − (typed − length) × 0.1, limited to 0 … 1 (NaN gives 0).
float captionAlpha(float typed, size_t length);
