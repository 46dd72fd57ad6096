// Fakes of what the host calls outside itself: the module's hooks and Saver, the intro, the view
// and the sound player. They log each call into fakeLog and can be told to fail.
#pragma once

#include <string>
#include <vector>

extern std::vector<std::string> fakeLog;

struct FakeScript {
    int introStartFailures = 0;    // raise this many times before succeeding
    int introFrameFailures = 0;
    std::vector<int> introFrameResults;   // returned in turn; 0 once exhausted
    int loadFailures = 0;
    std::vector<std::string> defaultCustomStrings;
    std::vector<std::string> appliedCustomStrings;
};

extern FakeScript fakeScript;

void resetFakes();
