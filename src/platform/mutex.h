// Named mutexes between processes: one lock file per name, held with flock until the process ends.
#pragma once

#include <string>

// The answer of a creation that found the mutex already held by another process.
constexpr int kErrorAlreadyExists = 183;

class NamedMutex {
public:
    // Creates (or opens) the mutex and tries to own it. lastError() is 0 when this process now
    // owns it and kErrorAlreadyExists when another process does.
    explicit NamedMutex(const std::string& name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    int lastError() const { return lastError_; }
    const std::string& path() const { return path_; }

    // The folder the lock files live in: $XDG_RUNTIME_DIR, else /tmp.
    static std::string lockFolder();

private:
    std::string path_;
    int fd_ = -1;
    int lastError_ = 0;
};
