// Mixing cost of the scene's sound: fourteen looping buffers (as the scene loads them: two
// typing sounds, four copies of the station sound at 0.70 … 0.73 of its rate, eight ambience
// loops), one second of output at 48000 frames a second, mixed in the audio callback's blocks of
// 1024 frames on a device that is not open. "core_%" is the share of one core that mixing takes
// in real time.
#include "platform/sound.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kBlock = 1024;

std::vector<uint8_t> noise16(int frames, int channels, uint32_t seed)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < frames * channels; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const uint16_t s = static_cast<uint16_t>(seed >> 16) / 4;   // about −12 dB
        bytes.push_back(static_cast<uint8_t>(s));
        bytes.push_back(static_cast<uint8_t>(s >> 8));
    }
    return bytes;
}

struct Scene {
    SoundDevice device;
    int buffers[14];

    Scene()
    {
        for (int slot = 0; slot < 14; ++slot) {
            PcmFormat format;
            format.channels = slot < 2 ? 1 : 2;
            format.samplesPerSecond = slot < 6 ? 22050 : 44100;
            const std::vector<uint8_t> bytes = noise16(2 * 22050, format.channels, 17u + slot);
            buffers[slot] = device.createBuffer(format, bytes.data(), static_cast<uint32_t>(bytes.size()));
            device.setVolume(buffers[slot], -5000 + 300 * slot);
            device.setPan(buffers[slot], static_cast<int32_t>(10000 * std::sin(123.0 * slot)));
            if (slot >= 2 && slot <= 5) device.setFrequency(buffers[slot], 22050 * (70 + slot - 2) / 100);
            device.play(buffers[slot], true);
        }
    }
};

void mixOneSecond(benchmark::State& state, bool changeEveryFrame)
{
    Scene scene;
    std::vector<float> out(2 * kBlock);
    const int rate = scene.device.rate();
    int frame = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (int done = 0; done < rate; done += kBlock) {
            if (changeEveryFrame) {
                // What the scene does on each of its frames: new volumes for slots 2 … 13 and new
                // rates for the station and most ambience loops, each volume starting a gain ramp.
                // Changes land between blocks, and a 21 ms block spans at least one 60 Hz frame.
                ++frame;
                for (int slot = 2; slot < 14; ++slot) {
                    scene.device.setVolume(scene.buffers[slot], -3000 + (frame * 37 + slot * 11) % 2000);
                    const uint32_t own = slot < 6 ? 22050 : 44100;
                    if (slot != 6 && slot != 10) scene.device.setFrequency(scene.buffers[slot], own * 7 / 10 + (frame * 13 + slot) % 600);
                }
            }
            scene.device.mix(out.data(), kBlock);
            benchmark::DoNotOptimize(out.data());
        }
        benchmark::ClobberMemory();
    }
    // One iteration is one second of sound: seconds per iteration over one second, in percent.
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    state.counters["core_%"] = 100.0 * spent.count() / static_cast<double>(state.iterations());
}

void BM_MixFourteenLoops(benchmark::State& state)
{
    mixOneSecond(state, false);
}

void BM_MixFourteenLoopsChangedEveryFrame(benchmark::State& state)
{
    mixOneSecond(state, true);
}

}  // namespace

BENCHMARK(BM_MixFourteenLoops)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MixFourteenLoopsChangedEveryFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
