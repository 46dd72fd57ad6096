// The sound player on SDL's disk audio driver: the device writes what it mixes to a file, in real
// time, and the tests measure that file. Nothing here needs a sound card.
#include "assets/dsound.h"

#include "assets/soundbank.h"
#include "assets/stream.h"

#include "platform/exception.h"
#include "platform/sound.h"

#include "../platform/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<uint8_t> pcm16(const std::vector<double>& values)   // −1 … 1
{
    std::vector<uint8_t> bytes;
    for (double v : values) {
        const auto s = static_cast<uint16_t>(static_cast<int16_t>(std::lrint(v * 32767)));
        bytes.push_back(static_cast<uint8_t>(s));
        bytes.push_back(static_cast<uint8_t>(s >> 8));
    }
    return bytes;
}

// A mono 16-bit record at 22050 samples per second.
std::vector<uint8_t> record(const std::vector<double>& values, uint32_t rate = 22050)
{
    std::vector<uint8_t> out;
    const std::vector<uint8_t> samples = pcm16(values);
    appendSoundRecord(out, pcmWaveFormat(1, 16, rate), samples.data(), static_cast<uint32_t>(samples.size()));
    return out;
}

// 441 Hz at 22050 samples per second: exactly 50 samples a period, 441 periods a second.
std::vector<double> sine441(double amplitude)
{
    std::vector<double> v;
    for (int i = 0; i < 22050; ++i) v.push_back(amplitude * std::sin(2 * kPi * i / 50.0));
    return v;
}

std::string messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return "(nothing raised)";
}

struct Output {
    int rate = 0;
    std::vector<float> left, right;
    size_t frames() const { return left.size(); }
};

class DSoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", folder.file("out.raw").c_str(), 1);
        unsetenv("SDL_DISKAUDIODELAY");   // paced like a real device
    }
    void TearDown() override
    {
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
    }

    // Deletes the player, which closes the device and so flushes the file, and reads the file.
    Output finish()
    {
        Output out;
        out.rate = sound->device->rate();
        const bool isFloat = sound->device->floatOutput();
        sound.reset();
        std::ifstream file(folder.file("out.raw"), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (isFloat) {
            std::vector<float> s(bytes.size() / 4);
            std::memcpy(s.data(), bytes.data(), s.size() * 4);
            for (size_t i = 0; i + 1 < s.size(); i += 2) {
                out.left.push_back(s[i]);
                out.right.push_back(s[i + 1]);
            }
        } else {
            std::vector<int16_t> s(bytes.size() / 2);
            std::memcpy(s.data(), bytes.data(), s.size() * 2);
            for (size_t i = 0; i + 1 < s.size(); i += 2) {
                out.left.push_back(s[i] / 32767.0f);
                out.right.push_back(s[i + 1] / 32767.0f);
            }
        }
        return out;
    }

    TempFolder folder;
    std::unique_ptr<DSound> sound = std::make_unique<DSound>();
};

// Frames [first, last) from the first to the last frame that is not silent, less `trim` frames at
// either end.
void soundingSpan(const Output& out, size_t trim, size_t& first, size_t& last)
{
    first = 0;
    last = out.frames();
    while (first < last && out.left[first] == 0 && out.right[first] == 0) ++first;
    while (last > first && out.left[last - 1] == 0 && out.right[last - 1] == 0) --last;
    first += trim;
    last = last > trim ? last - trim : 0;
}

double rmsDb(const std::vector<float>& s, size_t first, size_t last)
{
    double sum = 0;
    for (size_t i = first; i < last; ++i) sum += static_cast<double>(s[i]) * s[i];
    return 10 * std::log10(sum / static_cast<double>(last - first));
}

// Frequency from the sign changes between first and last, the time between the first and the last
// change measured in frames.
double frequencyOf(const std::vector<float>& s, size_t first, size_t last, int rate)
{
    int changes = 0;
    size_t firstChange = 0, lastChange = 0;
    int sign = 0;
    for (size_t i = first; i < last; ++i) {
        const int now = s[i] > 0 ? 1 : s[i] < 0 ? -1 : 0;
        if (now == 0) continue;
        if (sign != 0 && now != sign) {
            if (changes++ == 0) firstChange = i;
            lastChange = i;
        }
        sign = now;
    }
    if (changes < 2) return 0;
    return (changes - 1) / 2.0 / (static_cast<double>(lastChange - firstChange) / rate);
}

TEST_F(DSoundTest, ReadsTheRecordLayout)
{
    // Hand-written: PCM, 2 channels, 11025 per second, 22050 bytes per second, block 2, 8 bits,
    // extra size 0, four sample bytes; then the first bytes of a following record.
    MemorySource stream({0x01, 0x00, 0x02, 0x00, 0x11, 0x2B, 0x00, 0x00, 0x22, 0x56, 0x00, 0x00, 0x02, 0x00, 0x08, 0x00,
                         0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x80, 0xFF, 0x00, 0x7F, 0x01, 0x00, 0x01, 0x00});
    sound->fromStream(stream, 3);
    EXPECT_EQ(stream.position(), 26) << "just past the record";
    const DSound::Slot& slot = sound->slots[3];
    ASSERT_GE(slot.buffer, 0);
    ASSERT_TRUE(slot.format);
    EXPECT_EQ(slot.format->formatTag, 1);
    EXPECT_EQ(slot.format->channels, 2);
    EXPECT_EQ(slot.format->samplesPerSecond, 11025u);
    EXPECT_EQ(slot.format->averageBytesPerSecond, 22050u);
    EXPECT_EQ(slot.format->blockAlignment, 2);
    EXPECT_EQ(slot.format->bitsPerSample, 8);
    EXPECT_EQ(slot.sampleBytes, 4u);
    EXPECT_EQ(slot.samples, (std::vector<uint8_t>{0x80, 0xFF, 0x00, 0x7F}));
    EXPECT_FALSE(sound->device->isPlaying(slot.buffer)) << "a new buffer is stopped";
}

TEST_F(DSoundTest, ControlsMapTheirValuesWithTruncation)
{
    MemorySource stream(record(std::vector<double>(100, 0.0)));   // 22050 per second
    sound->fromStream(stream, 5);
    const int buffer = sound->slots[5].buffer;
    const float nan = std::nanf("");

    const struct { float volume; int32_t attenuation; } volumes[] = {
        {0.5f, -2500}, {-3.0f, -5000}, {7.0f, 0}, {0.3f, -3499}, {0.0f, -5000}, {1.0f, 0}, {nan, -5000}, {0.999f, -4}};
    for (const auto& c : volumes) {
        sound->setVolume(5, c.volume);
        EXPECT_EQ(sound->device->volume(buffer), c.attenuation) << "volume " << c.volume;
        EXPECT_EQ(DSound::volumeAttenuation(c.volume), c.attenuation) << "volume " << c.volume;
    }

    const struct { float pan; int32_t value; } pans[] = {
        {-0.5f, -5000}, {2.0f, 10000}, {-7.0f, -10000}, {nan, -10000}, {0.0f, 0}, {0.4599f, 4598}};
    for (const auto& c : pans) {
        sound->setPan(5, c.pan);
        EXPECT_EQ(sound->device->pan(buffer), c.value) << "pan " << c.pan;
    }

    const struct { float factor; uint32_t rate; } factors[] = {
        {0.5f, 11025}, {1.5f, 33075}, {0.1f, 5512}, {3.0f, 44100}, {0.7f, 15434}, {0.72f, 15876}, {nan, 5512}};
    for (const auto& c : factors) {
        sound->setFrequency(5, c.factor);
        EXPECT_EQ(sound->device->frequency(buffer), c.rate) << "factor " << c.factor;
    }
}

TEST_F(DSoundTest, SlotNumbersOutsideTheTableAreRefusedBeforeReading)
{
    MemorySource stream(record({0.1, 0.2}));
    for (int slot : {64, -1, 1000}) {
        EXPECT_EQ(messageOf([&] { sound->fromStream(stream, slot); }), "OpenFile, Buffer number error!") << slot;
        EXPECT_EQ(stream.position(), 0) << "nothing read for slot " << slot;
    }
    EXPECT_EQ(sound->device, nullptr) << "the device is opened by the first load, after the slot check";
    sound->fromStream(stream, 63);
    EXPECT_GE(sound->slots[63].buffer, 0);
}

TEST_F(DSoundTest, ControlsOnEmptyOrOutOfRangeSlotsAreIgnored)
{
    MemorySource stream(record(std::vector<double>(100, 0.0)));
    sound->play(0, true);   // before any device exists
    sound->fromStream(stream, 0);
    const int buffer = sound->slots[0].buffer;
    for (int slot : {1, 63, 64, -1}) {
        sound->play(slot, true);
        sound->setVolume(slot, 0.5f);
        sound->setPan(slot, 0.5f);
        sound->setFrequency(slot, 0.5f);
        sound->stop(slot);
        sound->play(slot, false);
    }
    EXPECT_FALSE(sound->device->isPlaying(buffer));
    EXPECT_EQ(sound->device->volume(buffer), 0);
    EXPECT_EQ(sound->device->pan(buffer), 0);
    EXPECT_EQ(sound->device->frequency(buffer), 22050u);
    EXPECT_EQ(sound->slots[1].buffer, -1);
}

TEST_F(DSoundTest, BrokenRecordsFailAndLeaveTheSlotEmpty)
{
    auto withFormat = [](uint16_t tag, uint16_t channels, uint32_t rate, uint16_t block, uint16_t bits, uint32_t length) {
        WaveFormat f;
        f.formatTag = tag;
        f.channels = channels;
        f.samplesPerSecond = rate;
        f.averageBytesPerSecond = rate * block;
        f.blockAlignment = block;
        f.bitsPerSample = bits;
        std::vector<uint8_t> out;
        const std::vector<uint8_t> samples(length, 0x80);
        appendSoundRecord(out, f, samples.data(), length);
        return out;
    };
    auto announcing = [](uint32_t length, size_t present) {   // a header announcing L, fewer bytes
        std::vector<uint8_t> out;
        appendSoundRecord(out, pcmWaveFormat(1, 8, 22050), nullptr, 0);
        for (int i = 0; i < 4; ++i) out[18 + i] = static_cast<uint8_t>(length >> (8 * i));
        out.resize(out.size() + present, 0x80);
        return out;
    };
    const std::vector<uint8_t> following = {1, 2, 3, 4, 5, 6, 7, 8};   // bytes of a next record

    const struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool complete;   // the record is whole: the stream ends up just past it, else at the end
    } cases[] = {
        {"zero length", withFormat(1, 1, 22050, 2, 16, 0), true},
        {"float format", withFormat(3, 1, 22050, 4, 32, 64), true},
        {"24 bits", withFormat(1, 1, 22050, 3, 24, 66), true},
        {"six channels", withFormat(1, 6, 22050, 12, 16, 120), true},
        {"block alignment of another layout", withFormat(1, 2, 22050, 2, 16, 64), true},
        {"rate 0", withFormat(1, 1, 0, 2, 16, 64), true},
        {"no whole frame", withFormat(1, 2, 22050, 4, 16, 3), true},
        {"short header", std::vector<uint8_t>(10, 0x01), false},
        {"data past the end", announcing(1000, 100), false},
        {"negative length", announcing(0xFFFFFFF0u, 100), false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = c.bytes;
        if (c.complete) bytes.insert(bytes.end(), following.begin(), following.end());
        MemorySource good(record({0.1, 0.2, 0.3}));
        sound->fromStream(good, 7);
        const int old = sound->slots[7].buffer;
        MemorySource stream(bytes);
        EXPECT_EQ(messageOf([&] { sound->fromStream(stream, 7); }), "DSound::fromStream failed") << c.what;
        const int64_t expected = c.complete ? static_cast<int64_t>(c.bytes.size()) : stream.size();
        EXPECT_EQ(stream.position(), expected) << c.what;
        EXPECT_EQ(sound->slots[7].buffer, -1) << c.what;
        EXPECT_FALSE(sound->slots[7].format) << c.what;
        EXPECT_FALSE(sound->device->exists(old)) << c.what << ": the old sound was released";
    }
}

TEST_F(DSoundTest, NoDeviceRaisesDirectSoundCreateFailedAndTheNextLoadTriesAgain)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    MemorySource stream(record({0.1, 0.2}));
    EXPECT_EQ(messageOf([&] { sound->fromStream(stream, 0); }), "DirectSoundCreate failed");
    EXPECT_EQ(stream.position(), 0);
    EXPECT_EQ(sound->device, nullptr);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    sound->fromStream(stream, 0);
    EXPECT_GE(sound->slots[0].buffer, 0);
}

TEST_F(DSoundTest, MarkAndBackFillsFourteenSlotsFromSixRecords)
{
    // Six sounds told apart by their rate and length, and a seventh that must never be read.
    std::vector<uint8_t> bank;
    std::vector<int64_t> ends;
    for (int k = 0; k < 7; ++k) {
        const std::vector<uint8_t> r = record(std::vector<double>(10 + k, 0.01 * k), 11025 + 1000 * static_cast<uint32_t>(k));
        bank.insert(bank.end(), r.begin(), r.end());
        ends.push_back(static_cast<int64_t>(bank.size()));
    }
    MemorySource stream(bank);
    int64_t mark = 0;
    int slot = 0;
    auto load = [&] { sound->fromStream(stream, slot++); };
    auto remember = [&] { mark = stream.position(); };
    auto back = [&] { stream.seek(mark); };
    load(); load();
    remember(); load(); back(); load(); back(); load(); back(); load();
    remember(); load(); back(); load(); back(); load(); back(); load();
    remember(); load(); back(); load();
    remember(); load(); back(); load();

    EXPECT_EQ(stream.position(), ends[5]) << "just past the sixth record";
    const int soundOf[14] = {0, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 5, 5};
    for (int s = 0; s < 14; ++s) {
        const DSound::Slot& slot = sound->slots[s];
        ASSERT_TRUE(slot.format) << "slot " << s;
        EXPECT_EQ(slot.format->samplesPerSecond, 11025u + 1000u * soundOf[s]) << "slot " << s;
        EXPECT_EQ(slot.sampleBytes, 2u * (10 + soundOf[s])) << "slot " << s;
        for (int t = 0; t < s; ++t) EXPECT_NE(slot.buffer, sound->slots[t].buffer) << "slots " << t << " and " << s;
    }
    for (int s = 14; s < DSound::kSlots; ++s) EXPECT_EQ(sound->slots[s].buffer, -1) << "slot " << s;
}

TEST_F(DSoundTest, VolumeAndPanSetTheChannelLevels)
{
    // A 441 Hz sine at half scale, looping; levels in dB relative to full volume, measured from
    // the middle of what the device wrote.
    const struct Case {
        float volume, pan;
        double leftDb, rightDb;
    } cases[] = {
        {1.0f, 0.0f, 0, 0},
        {0.8f, 0.5f, -59.995, -9.995},     // the float 0.8 gives −999, not −1000
        {0.3f, -0.25f, -34.995, -59.995},
    };
    const double fullDb = 20 * std::log10(0.5 / std::sqrt(2.0));
    for (const Case& c : cases) {
        sound = std::make_unique<DSound>();
        MemorySource stream(record(sine441(0.5)));
        sound->fromStream(stream, 2);
        sound->setVolume(2, c.volume);
        sound->setPan(2, c.pan);
        sound->play(2, true);
        sleepMs(250);
        const Output out = finish();
        size_t first, last;
        soundingSpan(out, out.rate / 25, first, last);
        ASSERT_GT(last, first + out.rate / 10) << "at least 100 ms sounding at volume " << c.volume;
        EXPECT_NEAR(rmsDb(out.left, first, last) - fullDb, c.leftDb, 0.2) << "volume " << c.volume << ", pan " << c.pan;
        EXPECT_NEAR(rmsDb(out.right, first, last) - fullDb, c.rightDb, 0.2) << "volume " << c.volume << ", pan " << c.pan;
    }
}

TEST_F(DSoundTest, LoudSoundsAreClippedNotWrapped)
{
    MemorySource stream(record(std::vector<double>(2205, 0.8)));
    sound->fromStream(stream, 0);
    stream.seek(0);
    sound->fromStream(stream, 1);
    sound->play(0, true);
    sound->play(1, true);
    sleepMs(200);
    const Output out = finish();
    size_t first, last;
    soundingSpan(out, out.rate / 20, first, last);   // past both fades, even a mix apart
    ASSERT_GT(last, first + out.rate / 20);
    for (size_t i = first; i < last; ++i) ASSERT_FLOAT_EQ(out.left[i], 1.0f) << "frame " << i << ": 0.8 + 0.8 clipped";
}

TEST_F(DSoundTest, StopThenPlayContinuesWhereItStopped)
{
    // A ramp from −0.8 to 0.8 over two seconds: the value played tells where in the sound it is.
    std::vector<double> ramp;
    for (int i = 0; i < 44100; ++i) ramp.push_back(-0.8 + 1.6 * i / 44100);
    MemorySource stream(record(ramp));
    sound->fromStream(stream, 0);
    sound->play(0, true);
    sleepMs(300);
    sound->stop(0);
    sleepMs(200);
    sound->play(0, true);
    sleepMs(300);
    const Output out = finish();

    size_t first, last;
    soundingSpan(out, 0, first, last);
    size_t gapStart = first;
    while (gapStart < last && out.left[gapStart] != 0) ++gapStart;
    size_t gapEnd = gapStart;
    while (gapEnd < last && out.left[gapEnd] == 0) ++gapEnd;
    const double gapMs = 1000.0 * static_cast<double>(gapEnd - gapStart) / out.rate;
    ASSERT_GT(gapMs, 100) << "stopped for a while";
    ASSERT_GT(last, gapEnd + out.rate / 10) << "and sounding again";

    const size_t around = out.rate / 100;   // 10 ms: outside the fades
    const float before = out.left[gapStart - around], after = out.left[gapEnd + around];
    EXPECT_GT(before, -0.8f + 0.1f) << "it had played for a while before the stop";
    EXPECT_GT(after, before) << "it went on, not back";
    EXPECT_LT(after - before, 0.03f) << "it went on from where it stopped (20 ms of the ramp is 0.016)";
}

TEST_F(DSoundTest, RateFactorChangesThePitch)
{
    // The same 441 Hz record in two slots: one at half its rate on the left, one at one and a
    // half times on the right (a pan of ±1 leaves the other channel 100 dB down).
    const std::vector<uint8_t> bytes = record(sine441(0.5));
    MemorySource stream(bytes);
    sound->fromStream(stream, 4);
    stream.seek(0);
    sound->fromStream(stream, 5);
    sound->setPan(4, -1.0f);
    sound->setFrequency(4, 0.5f);
    sound->setPan(5, 1.0f);
    sound->setFrequency(5, 1.5f);
    sound->play(4, true);
    sound->play(5, true);
    sleepMs(300);
    const Output out = finish();
    size_t first, last;
    soundingSpan(out, out.rate / 50, first, last);
    ASSERT_GT(last, first + out.rate / 10);
    EXPECT_NEAR(frequencyOf(out.left, first, last, out.rate), 220.5, 1.0);
    EXPECT_NEAR(frequencyOf(out.right, first, last, out.rate), 661.5, 2.0);
}

}  // namespace
