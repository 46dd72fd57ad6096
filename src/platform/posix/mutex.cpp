#include "platform/mutex.h"

#include "platform/system.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

std::string NamedMutex::lockFolder()
{
    const std::string runtime = environmentValue("XDG_RUNTIME_DIR");
    return runtime.empty() ? "/tmp" : runtime;
}

NamedMutex::NamedMutex(const std::string& name) : path_(lockFolder() + "/" + name + ".lock")
{
    fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        // Without a lock file nothing can be owned; the caller only tests for "already exists".
        lastError_ = errno;
        return;
    }
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        lastError_ = (errno == EWOULDBLOCK) ? kErrorAlreadyExists : errno;
    }
}

NamedMutex::~NamedMutex()
{
    if (fd_ >= 0) close(fd_);   // the kernel drops the lock with the descriptor
}
