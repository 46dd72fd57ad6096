#include "platform/mutex.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class NamedMutexTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1); }
    void TearDown() override { unsetenv("XDG_RUNTIME_DIR"); }
    TempFolder folder;
};

TEST_F(NamedMutexTest, SecondOwnerGetsAlreadyExistsUntilTheFirstIsGone)
{
    auto first = std::make_unique<NamedMutex>("LUMENHALL_OTHER_MUTEX");
    EXPECT_EQ(first->lastError(), 0);
    EXPECT_EQ(first->path(), folder.file("LUMENHALL_OTHER_MUTEX.lock"));
    {
        NamedMutex second("LUMENHALL_OTHER_MUTEX");
        EXPECT_EQ(second.lastError(), kErrorAlreadyExists);
        NamedMutex other("LUMENHALL_PREVIEW_MUTEX");
        EXPECT_EQ(other.lastError(), 0) << "each name is a mutex of its own";
    }
    first.reset();
    NamedMutex third("LUMENHALL_OTHER_MUTEX");
    EXPECT_EQ(third.lastError(), 0);
}

TEST_F(NamedMutexTest, ProgramsStartedByTheOwnerDoNotInheritIt)
{
    NamedMutex owner("LUMENHALL_OTHER_MUTEX");
    ASSERT_EQ(owner.lastError(), 0);
    // A child that execs keeps no copy of the lock file's descriptor (O_CLOEXEC).
    const std::string command = "ls -l /proc/self/fd | grep -c LUMENHALL_OTHER_MUTEX.lock";
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[16] = {};
    fgets(buf, sizeof buf, p);
    pclose(p);
    EXPECT_EQ(std::string(buf), "0\n");
}

}  // namespace
