#include "platform/clock.h"

#include "platform/system.h"

#include <gtest/gtest.h>

namespace {

TEST(Clock, SimulatedClockReplacesTheTickAndWraps)
{
    SimulatedClock clock(0xFFFFFFF0u);
    clock.install();
    EXPECT_EQ(tickCount(), 0xFFFFFFF0u);
    clock.advance(0x20);
    EXPECT_EQ(tickCount(), 0x10u) << "the tick count wraps at 2^32";
    EXPECT_EQ(static_cast<uint32_t>(tickCount() - 0xFFFFFFF0u), 0x20u) << "differences survive the wrap";
    setTickSource(nullptr);
    const uint32_t a = tickCount();
    sleepMs(20);
    const uint32_t elapsed = tickCount() - a;
    EXPECT_GE(elapsed, 19u);
}

TEST(System, ExecutablePathIsAbsoluteAndResolved)
{
    const std::string exe = executablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe[0], '/');
    EXPECT_NE(exe.find("platform_tests"), std::string::npos) << exe;
    EXPECT_GT(totalPhysicalMemory32(), 0u);
}

}  // namespace
