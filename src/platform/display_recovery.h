// Recovery of the desktop mode after a run that changed the display mode and was killed before it
// could restore it (SIGKILL, a crash): the mode stays changed, since the X server keeps whatever
// a client set. Before its first change a run records the desktop mode in a small file in
// $XDG_RUNTIME_DIR (or /tmp), and removes it when it restores the mode; the next start that finds
// the file of a process that is gone switches the display back to the recorded mode.
#pragma once

#include <string>

// The record's path: <runtime folder>/lumenhall-desktop-mode.
std::string desktopModeRecordPath();

// Called by the mode change before its first switch: the desktop mode (pixels, Hz) and this
// process's id. Failure to write is ignored: the run goes on, only unprotected.
void recordDesktopMode(int width, int height, int refresh);

// Called by the restore once the desktop mode is back: removes this process's record.
void forgetDesktopMode();

// At start-up: if a record exists and its process is gone, switches the display's primary output
// back to the recorded mode (through RandR) and removes the record. A record of a process that
// still runs is left alone. Returns true when it switched the mode back.
bool recoverDesktopMode();
