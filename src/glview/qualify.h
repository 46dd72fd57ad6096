// The hardware qualification before the show: the display mode is switched, the view is made,
// and the processor, memory, extensions, texture limits and triangle rate are checked against
// the module's requirements. Every step writes a line into a status log; when a step fails, the
// log is put on the saver window and stays there until the run ends.
#pragma once

#include "host/contract.h"
#include "host/shell.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class GLV;
class SaverWindow;
class StatusLog;

// The machine as the checks measure it; the real one reads the processor's counter, the memory
// status and the driver. Tests put in their own.
struct MachineProbe {
    std::function<uint64_t()> readCounter;     // cycles
    std::function<void(uint32_t ms)> sleep;
    std::function<uint32_t()> totalMemory;     // bytes, saturated to 32 bits
};
MachineProbe realMachine();

// Returns true when every check passed. `view` receives the GLV as soon as it exists (also when a
// later check fails). `mode` may have its frequency (and depth) changed by the mode search.
// Raises "Selected resolution not found!" or "Change resolution failed!" for a requested mode that
// cannot be had; every other failure goes into the log.
bool qualifyMachine(GLV** view, SaverWindow& control, const SaverRequirements& requirements,
                    DisplayMode& mode, int32_t& triangleRate, const MachineProbe& machine = realMachine());

// The text of the last qualification's log, line by line (for tests and the debug dump).
const std::vector<std::string>& lastStatusLogLines();

// Mode search: the first mode equal in all four values; else in size and depth (the request's
// frequency becomes 60); else in size alone (its depth becomes that mode's, its frequency 60).
// The matched mode, with its own refresh rate, goes to `match`. False when nothing matches.
bool findDisplayMode(DisplayMode& request, DisplayMode& match,
                     const std::function<bool(int index, DisplayMode& mode)>& enumerate);
