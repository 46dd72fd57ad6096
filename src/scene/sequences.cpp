// Stand-ins for the two sequences until their drawing exists: each clears the frame to its
// backdrop (space black for the orbit, the interlude's sky blue) and types its captions, so the
// show's timing, captions and typing sounds can be seen and heard end to end.
#include "scene/sequences.h"

#include "kit/caption.h"

#include <GL/gl.h>

namespace {

void clearTo(float red, float green, float blue)
{
    glClearColor(red, green, blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

}  // namespace

void drawOrbitSequence(float sceneTime, float)
{
    clearTo(0.0f, 0.0f, 0.0f);
    glEnable(GL_BLEND);
    const float t = sceneTime;
    if (t < 18.0f) drawCaption("russian spacestation orvik, 23 mars 2001", (t - 5.0f) * 20.0f, false);
    else if (t < 25.0f) drawCaption("orvik enters the atmosphere", (t - 18.0f) * 20.0f, false);
    else drawCaption("more screensavers from harvelle at www.harvelle.com", (t - 31.0f) * 20.0f, true);
}

void drawGroundInterlude(float sceneTime, float)
{
    // The middle of the interlude's sky gradient, (0.2, 0.2, 0.4) at the top to (0.4, 0.4, 0.6).
    clearTo(0.3f, 0.3f, 0.5f);
    glEnable(GL_BLEND);
    drawCaption("fiji islands, pacific ocean", sceneTime * 20.0f, false);
}
