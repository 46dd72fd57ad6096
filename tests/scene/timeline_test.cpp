// The timeline's pieces: the frame timer on a simulated tick count, the five ramps and the mix of
// slots 2 … 13 at worked clocks, and the choice of sequence.
#include "scene/timeline.h"

#include "scene/state.h"

#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

class FrameTimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedLastTick = lastTick;
        clock.install();
    }
    void TearDown() override
    {
        setTickSource({});
        lastTick = savedLastTick;
    }

    SimulatedClock clock{5000};
    uint32_t savedLastTick = 0;
};

TEST_F(FrameTimerTest, FirstFrameTakesTheFixedStep)
{
    lastTick = 0;
    EXPECT_FLOAT_EQ(frameTimer(), 0.01f);
    EXPECT_EQ(lastTick, 5000u);
    EXPECT_FLOAT_EQ(frameTimer(), 0.0f) << "no time has passed since";
}

TEST_F(FrameTimerTest, StepsAreTheTickDifferenceInSeconds)
{
    const struct { uint32_t previous; uint32_t elapsedMs; float step; } cases[] = {
        {5000, 1000, 1.0f},
        {5000, 16, 0.016f},
        {5000, 33, 0.033f},
        {5000, 250000, 250.0f},               // a stall: one large step, no limit
        {0xFFFFFFFFu - 99u, 150, 0.15f},      // the counter wrapped between the frames
        {0xFFFFFFFFu, 1, 0.001f},
    };
    for (const auto& c : cases) {
        clock = SimulatedClock(c.previous);
        lastTick = c.previous;
        clock.advance(c.elapsedMs);
        EXPECT_FLOAT_EQ(frameTimer(), c.step) << "previous " << c.previous << ", " << c.elapsedMs << " ms later";
        EXPECT_EQ(lastTick, clock.now());
    }
}

TEST(RampClamp, ClampsToZeroAndOne)
{
    EXPECT_EQ(rampClamp(-0.5f), 0.0f);
    EXPECT_EQ(rampClamp(0.25f), 0.25f);
    EXPECT_EQ(rampClamp(1.5f), 1.0f);
    EXPECT_EQ(rampClamp(std::nanf("")), 0.0f);
    EXPECT_EQ(rampClamp(INFINITY), 1.0f);
    EXPECT_EQ(rampClamp(-INFINITY), 0.0f);
}

TEST(SoundRamps, RiseOverTheirClockSpans)
{
    const struct { float clock; SoundRamps r; } cases[] = {
        {0.0f, {0, 0, 0, 0, 0}},
        {2.5f, {0.5f, 0, 0, 0, 0}},
        {5.0f, {1, 0, 0, 0, 0}},
        {8.0f, {1, 0, 0, 0, 0}},
        {10.0f, {1, 0.5f, 0, 0, 0}},
        {12.0f, {1, 1, 0, 0, 0}},
        {13.5f, {1, 1, 0.5f, 0, 0}},
        {16.25f, {1, 1, 1, 0.25f, 0}},
        {18.0f, {1, 1, 1, 1, 0}},
        {28.0f, {1, 1, 1, 1, 0.5f}},
        {38.0f, {1, 1, 1, 1, 1}},
        {100.0f, {1, 1, 1, 1, 1}},
        {-1.0f, {0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const SoundRamps r = soundRamps(c.clock);
        EXPECT_NEAR(r.fadeIn, c.r.fadeIn, 1e-6f) << "fade-in at clock " << c.clock;
        EXPECT_NEAR(r.entry, c.r.entry, 1e-6f) << "entry at clock " << c.clock;
        EXPECT_NEAR(r.stage2, c.r.stage2, 1e-6f) << "stage2 at clock " << c.clock;
        EXPECT_NEAR(r.stage3, c.r.stage3, 1e-6f) << "stage3 at clock " << c.clock;
        EXPECT_NEAR(r.fadeOut, c.r.fadeOut, 1e-6f) << "fade-out at clock " << c.clock;
    }
}

TEST(SoundMix, StationSoundFallsOffWithDistanceAndBendsWithTheEntry)
{
    const struct { float clock, distance, volume, bend; } cases[] = {
        {0.0f, 5.0f, 0.0f, 0.0f},
        {5.0f, 5.0f, 0.5f, 0.0f},     // fully faded in, 5 units away
        {5.0f, 0.0f, 1.0f, 0.0f},
        {2.5f, 0.0f, 0.5f, 0.0f},
        {20.0f, 15.0f, 0.25f, 0.2f},
        {10.0f, 5.0f, 0.5f, 0.1f},
    };
    for (const auto& c : cases) {
        const SoundMix m = soundMix(c.clock, c.distance);
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(m.volume[2 + i], c.volume, 1e-6f) << "slot " << 2 + i << " at clock " << c.clock;
            EXPECT_NEAR(m.frequency[2 + i], 0.7f + 0.01f * i - c.bend, 1e-6f) << "slot " << 2 + i << " at clock " << c.clock;
        }
    }
}

TEST(SoundMix, AmbienceVolumesAtTheWorkedClocks)
{
    // Slots 6 … 13; both groups of four share their mix.
    const struct { float clock; float v6, v7, v8, v9; } cases[] = {
        {0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
        {5.0f, 0.3f, 0.3f, 0.3f, 0.3f},
        {12.0f, 0.5f, 0.5f, 0.4f, 0.6f},
        {18.0f, 0.5f, 0.5f, 0.4f, 0.6f},
        {26.0f, 0.1f, 0.1f, 0.0f, 0.2f},     // slots 8 and 12 reach the floor
        {28.0f, 0.0f, 0.0f, -0.1f, 0.1f},    // then 6, 7, 10, 11 (unclamped: the player floors it)
        {30.0f, -0.1f, -0.1f, -0.2f, 0.0f},  // then 9 and 13
        {38.0f, -0.5f, -0.5f, -0.6f, -0.4f},
    };
    for (const auto& c : cases) {
        const SoundMix m = soundMix(c.clock, 5.0f);
        const float expected[4] = {c.v6, c.v7, c.v8, c.v9};
        for (int k : {0, 4})
            for (int j = 0; j < 4; ++j)
                EXPECT_NEAR(m.volume[6 + k + j], expected[j], 1e-5f) << "slot " << 6 + k + j << " at clock " << c.clock;
    }
}

TEST(SoundMix, AmbiencePitchBendsInThreeStages)
{
    const struct { float clock; float f7, f8, f9; } cases[] = {
        {0.0f, 1.0f, 1.0f, 1.0f},
        {10.0f, 0.9f, 1.1f, 0.7f},
        {12.0f, 0.8f, 1.2f, 0.4f},
        {14.0f, 0.752f, 1.136f, 0.368f},
        {16.5f, 0.626f, 1.168f, 0.434f},
        {17.0f, 0.5f, 1.2f, 0.5f},
        {40.0f, 0.5f, 1.2f, 0.5f},
    };
    for (const auto& c : cases) {
        const SoundMix m = soundMix(c.clock, 5.0f);
        const float expected[3] = {c.f7, c.f8, c.f9};
        for (int k : {0, 4})
            for (int j = 0; j < 3; ++j)
                EXPECT_NEAR(m.frequency[7 + k + j], expected[j], 1e-5f) << "slot " << 7 + k + j << " at clock " << c.clock;
    }
}

TEST(SoundMix, SetsFrequenciesOnlyWhereTheLoopsBend)
{
    for (int slot = 0; slot < SoundMix::kSlots; ++slot) {
        const bool expected = slot >= 2 && slot != 6 && slot != 10;
        EXPECT_EQ(SoundMix::setsFrequency(slot), expected) << "slot " << slot;
    }
}

TEST(ChooseSequence, InterludeFromTwentyFiveToThirty)
{
    const struct { float clock; SceneSequence sequence; float sceneTime; } cases[] = {
        {0.0f, SceneSequence::orbit, 0.0f},
        {24.99f, SceneSequence::orbit, 24.99f},
        {std::nextafter(25.0f, 0.0f), SceneSequence::orbit, std::nextafter(25.0f, 0.0f)},
        {25.0f, SceneSequence::interlude, 0.0f},
        {27.5f, SceneSequence::interlude, 2.5f},
        {std::nextafter(30.0f, 0.0f), SceneSequence::interlude, std::nextafter(30.0f, 0.0f) - 25.0f},
        {30.0f, SceneSequence::orbit, 30.0f},
        {31.0f, SceneSequence::orbit, 31.0f},
        {1000.0f, SceneSequence::orbit, 1000.0f},
    };
    for (const auto& c : cases) {
        const SequenceChoice choice = chooseSequence(c.clock);
        EXPECT_EQ(choice.sequence, c.sequence) << "clock " << c.clock;
        EXPECT_EQ(choice.sceneTime, c.sceneTime) << "clock " << c.clock;
    }
}

}  // namespace
