#include "platform/system.h"

#include <errno.h>
#include <limits.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

std::string executablePath()
{
    char buffer[PATH_MAX];
    // /proc/self/exe is the resolved target; realpath resolves it once more should it be relative.
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    buffer[n] = '\0';
    char resolved[PATH_MAX];
    if (realpath(buffer, resolved)) return resolved;
    return buffer;
}

std::string currentDirectory()
{
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof buffer)) return {};
    return buffer;
}

bool setCurrentDirectory(const std::string& path)
{
    return chdir(path.c_str()) == 0;
}

bool fileExists(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void sleepMs(uint32_t ms)
{
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

void raiseProcessPriority()
{
    // A screensaver asking for "high" priority: a modest nice of -5 where permitted.
    setpriority(PRIO_PROCESS, 0, -5);
}

uint32_t totalPhysicalMemory32()
{
    struct sysinfo info{};
    if (sysinfo(&info) != 0) return 0;
    const unsigned long long bytes =
        static_cast<unsigned long long>(info.totalram) * static_cast<unsigned long long>(info.mem_unit);
    return bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(bytes);
}

uint64_t peakMemoryBytes()
{
    struct rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return static_cast<uint64_t>(usage.ru_maxrss) * 1024;   // Linux counts kilobytes
}

std::string environmentValue(const char* name)
{
    const char* value = getenv(name);
    return value ? value : "";
}

bool spawnDetached(const std::string& program, const std::string& argument)
{
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()), nullptr};
    return posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) == 0;
}
