// Process-level services: paths, current directory, sleeping, priority, memory.
#pragma once

#include <cstdint>
#include <string>

// Full path of the running executable with symlinks resolved, so an installed link on the PATH
// still finds the data folder beside the real file. Empty if it cannot be read.
std::string executablePath();

std::string currentDirectory();
bool setCurrentDirectory(const std::string& path);   // false on failure
bool fileExists(const std::string& path);            // a regular file

void sleepMs(uint32_t ms);

// Asks for a higher scheduling priority; quietly keeps the current one where that is not allowed.
void raiseProcessPriority();

// Total physical memory in bytes, saturated to 32 bits as the original 32-bit memory status was.
uint32_t totalPhysicalMemory32();

// The most resident memory the process has held so far, in bytes (for the recorder's figures).
uint64_t peakMemoryBytes();

// Environment lookup; empty when unset.
std::string environmentValue(const char* name);

// Runs a program found on the PATH with the given arguments, without waiting for it.
// Returns false when it could not be started.
bool spawnDetached(const std::string& program, const std::string& argument);
