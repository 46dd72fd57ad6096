// The mixer on its own: a device that is not open, mixed by calling mix() at 48000 frames a second.
#include "platform/sound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kRate = SoundDevice::kDefaultRate;
constexpr int kRamp = kRate / 200;   // 5 ms: every gain ramp is this long
constexpr double kPi = 3.14159265358979323846;

std::vector<uint8_t> pcm16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<uint8_t>((static_cast<uint16_t>(s) >> 8) & 0xFF));
    }
    return bytes;
}

int createBuffer(SoundDevice& device, int channels, int bits, uint32_t rate, const std::vector<uint8_t>& bytes)
{
    PcmFormat format;
    format.channels = channels;
    format.bitsPerSample = bits;
    format.samplesPerSecond = rate;
    return device.createBuffer(format, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

std::vector<float> mixFrames(SoundDevice& device, int frames)
{
    std::vector<float> out(2 * static_cast<size_t>(frames), 123.0f);   // mix() must replace this
    device.mix(out.data(), frames);
    return out;
}

float largestStep(const std::vector<float>& out, int channel)
{
    float largest = 0.0f;
    for (size_t i = 2 + channel; i < out.size(); i += 2) largest = std::max(largest, std::fabs(out[i] - out[i - 2]));
    return largest;
}

TEST(SoundMixer, VolumeAndPanGiveTheChannelGains)
{
    struct Case {
        int32_t volume, pan;
        double leftDb, rightDb;
    };
    const Case cases[] = {
        {0, 0, 0, 0},          {-5000, 0, -50, -50},      {0, 3000, -30, 0},         {0, -3000, 0, -30},
        {0, 10000, -100, 0},   {-1000, -2000, -10, -30},  {-2500, 2500, -50, -25},   {-20000, 20000, -200, -100},
    };
    for (const Case& c : cases) {
        SoundDevice device;
        const int b = createBuffer(device, 1, 16, kRate, pcm16(std::vector<int16_t>(64, 16384)));   // 0.5, constant
        device.setVolume(b, c.volume);
        device.setPan(b, c.pan);
        device.play(b, true);
        const std::vector<float> out = mixFrames(device, 2 * kRamp);
        const double left = out[2 * (2 * kRamp - 1)] / 0.5, right = out[2 * (2 * kRamp - 1) + 1] / 0.5;
        EXPECT_NEAR(20 * std::log10(left), c.leftDb, 0.01) << "volume " << c.volume << ", pan " << c.pan;
        EXPECT_NEAR(20 * std::log10(right), c.rightDb, 0.01) << "volume " << c.volume << ", pan " << c.pan;
    }
}

TEST(SoundMixer, ReadsEachPcmLayout)
{
    struct Case {
        int channels, bits;
        std::vector<uint8_t> frame;   // repeated to fill the buffer
        float left, right;
    };
    const Case cases[] = {
        {1, 8, {0xC0}, 0.5f, 0.5f},
        {1, 8, {0x00}, -1.0f, -1.0f},
        {2, 8, {0x40, 0xC0}, -0.5f, 0.5f},
        {1, 16, {0x00, 0xC0}, -0.5f, -0.5f},
        {2, 16, {0x00, 0x20, 0x00, 0x80}, 0.25f, -1.0f},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < 32; ++i) bytes.insert(bytes.end(), c.frame.begin(), c.frame.end());
        SoundDevice device;
        const int b = createBuffer(device, c.channels, c.bits, 11025, bytes);
        ASSERT_GE(b, 0);
        device.play(b, true);
        const std::vector<float> out = mixFrames(device, 2 * kRamp);
        EXPECT_FLOAT_EQ(out[out.size() - 2], c.left) << c.channels << " channels, " << c.bits << " bits";
        EXPECT_FLOAT_EQ(out[out.size() - 1], c.right) << c.channels << " channels, " << c.bits << " bits";
    }
}

TEST(SoundMixer, RefusesWhatItCannotPlay)
{
    SoundDevice device;
    const std::vector<uint8_t> bytes(64, 0x80);
    EXPECT_EQ(createBuffer(device, 3, 16, 22050, bytes), -1) << "three channels";
    EXPECT_EQ(createBuffer(device, 1, 24, 22050, bytes), -1) << "24 bits";
    EXPECT_EQ(createBuffer(device, 1, 16, 99, bytes), -1) << "below 100 samples per second";
    EXPECT_EQ(createBuffer(device, 1, 16, 200001, bytes), -1) << "above 200000 samples per second";
    EXPECT_EQ(createBuffer(device, 2, 16, 22050, std::vector<uint8_t>(3, 0)), -1) << "no whole frame";
    for (int i = 0; i < SoundDevice::kBuffers; ++i) ASSERT_EQ(createBuffer(device, 1, 8, 22050, bytes), i);
    EXPECT_EQ(createBuffer(device, 1, 8, 22050, bytes), -1) << "all buffers in use";
    device.releaseBuffer(17);
    EXPECT_FALSE(device.exists(17));
    EXPECT_EQ(createBuffer(device, 1, 8, 22050, bytes), 17) << "a released number is used again";
}

TEST(SoundMixer, ResamplesWithLinearInterpolation)
{
    // A rising ramp played at half the output rate: each output frame lies halfway between two
    // source frames, so the output rises by half a source step per frame, with no stairs.
    std::vector<int16_t> ramp;
    for (int i = 0; i < 4096; ++i) ramp.push_back(static_cast<int16_t>(-16384 + 8 * i));
    SoundDevice device;
    const int b = createBuffer(device, 1, 16, kRate / 2, pcm16(ramp));
    device.play(b, false);
    const std::vector<float> out = mixFrames(device, 1000);
    const float sourceStep = 8.0f / 32768.0f;
    for (int k = kRamp + 1; k < 1000; ++k) {
        ASSERT_NEAR(out[2 * k] - out[2 * (k - 1)], sourceStep / 2, 1e-6) << "output frame " << k;
    }
    EXPECT_NEAR(device.position(b), 500.0, 1e-9) << "1000 output frames are 500 source frames";
}

TEST(SoundMixer, RateAndGainChangesDoNotJump)
{
    // A full-scale 1 kHz sine at the output rate; the rate doubles and the volume drops 40 dB
    // between two mixes. Neither may make the output move more in one frame than the fastest
    // sine it plays can.
    std::vector<int16_t> sine;
    for (int i = 0; i < kRate / 1000 * 10; ++i) sine.push_back(static_cast<int16_t>(32000 * std::sin(2 * kPi * i / 48.0)));
    SoundDevice device;
    const int b = createBuffer(device, 1, 16, kRate, pcm16(sine));
    device.play(b, true);
    std::vector<float> out = mixFrames(device, 1000);
    device.setFrequency(b, 2 * kRate);
    device.setVolume(b, -4000);
    const std::vector<float> after = mixFrames(device, 2000);
    out.insert(out.end(), after.begin(), after.end());
    const float fastest = static_cast<float>(2 * kPi * 2000.0 / kRate * 32000 / 32768);   // 2 kHz sine
    EXPECT_LT(largestStep(out, 0), fastest * 1.01f);
    EXPECT_EQ(device.frequency(b), static_cast<uint32_t>(2 * kRate));
    float peak = 0;
    for (size_t i = 2 * 1500; i < after.size(); i += 2) peak = std::max(peak, std::fabs(after[i]));
    EXPECT_NEAR(peak, 0.01f * 32000 / 32768, 0.0005f) << "after the ramp: 40 dB down";
}

TEST(SoundMixer, StartsAndStopsWithoutClicks)
{
    // Constant full scale: a hard start or stop would be a step of 1 in one frame.
    SoundDevice device;
    const int b = createBuffer(device, 1, 16, kRate, pcm16(std::vector<int16_t>(480, 32767)));
    device.play(b, true);
    std::vector<float> out = mixFrames(device, 1000);
    device.stop(b);
    const std::vector<float> stopped = mixFrames(device, 1000);
    out.insert(out.end(), stopped.begin(), stopped.end());
    EXPECT_LT(largestStep(out, 0), 1.01f / kRamp);
    EXPECT_FALSE(device.isPlaying(b));
    EXPECT_FLOAT_EQ(stopped.back(), 0.0f);
}

TEST(SoundMixer, StopKeepsThePositionAndPlayGoesOnFromIt)
{
    SoundDevice device;
    const int b = createBuffer(device, 2, 16, kRate / 4, pcm16(std::vector<int16_t>(2 * 10000, 1000)));
    device.play(b, true);
    mixFrames(device, 4000);
    device.stop(b);
    mixFrames(device, 1000);   // the fade out, then silence
    ASSERT_FALSE(device.isPlaying(b));
    const double stoppedAt = device.position(b);
    EXPECT_NEAR(stoppedAt, (4000 + kRamp) / 4.0, 1.0) << "it ran on only for the fade";
    const std::vector<float> silent = mixFrames(device, 500);
    EXPECT_EQ(device.position(b), stoppedAt);
    for (float s : silent) ASSERT_EQ(s, 0.0f);
    device.play(b, true);
    mixFrames(device, 400);
    EXPECT_NEAR(device.position(b), stoppedAt + 100.0, 1e-6);
}

TEST(SoundMixer, LoopsWrapAndOneShotsEnd)
{
    std::vector<int16_t> steps;
    for (int i = 0; i < 100; ++i) steps.push_back(static_cast<int16_t>(100 * i));
    SoundDevice device;
    const int looped = createBuffer(device, 1, 16, kRate, pcm16(steps));
    device.play(looped, true);
    const std::vector<float> out = mixFrames(device, 1000);
    for (int k = 400; k < 1000; ++k) ASSERT_FLOAT_EQ(out[2 * k], out[2 * (k - 100)]) << "period of 100 frames";
    EXPECT_TRUE(device.isPlaying(looped));

    const int once = createBuffer(device, 1, 16, kRate, pcm16(steps));
    device.releaseBuffer(looped);
    device.play(once, false);
    const std::vector<float> shot = mixFrames(device, 300);
    EXPECT_FALSE(device.isPlaying(once));
    EXPECT_NE(shot[2 * 99], 0.0f);
    for (int k = 100; k < 300; ++k) ASSERT_EQ(shot[2 * k], 0.0f) << "frame " << k << " after the end";
    EXPECT_EQ(device.position(once), 0.0) << "a sound that ran out starts again from its beginning";
}

}  // namespace
