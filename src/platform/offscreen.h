// Rendering and sound without a display or a sound card, for the recorder: SDL's "offscreen"
// video driver and its "disk" audio driver. Call before the Application opens anything.
#pragma once

#include <string>

// Windows and GL contexts from here on are made off-screen (EGL on the device platform).
void useOffscreenVideo();

// The sound device writes what it mixes, raw interleaved samples in the device's format, to the
// file, paced like a real device.
void useDiskAudio(const std::string& rawFile);
