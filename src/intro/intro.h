// The logo intro shown before the scene.
#pragma once

class GLV;

// Prepares the intro on the view; called once by the frame pump.
void introStart(GLV* view);

// Draws and presents one intro frame; returns 0 once the intro has ended (that call draws nothing).
int introFrame();
