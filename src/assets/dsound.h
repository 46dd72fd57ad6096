// DSound: the sound player with 64 slots. A null player pointer means sound is off.
//
// Each slot holds one record of the sound bank (soundbank.h) in a static buffer of the sound
// device; the scene sets volume, pan and rate every frame from the GUI thread. The device is
// opened by the first load, not by the constructor, so making a player makes no system call.
//
// Failures raise Exception with one of these messages:
//   "OpenFile, Buffer number error!"  fromStream got a slot outside 0 … 63 (nothing is read)
//   "DirectSoundCreate failed"        no sound device could be opened (nothing is read; the next
//                                     load tries again)
//   "DSound::fromStream failed"       the record is short, empty or of a format the device cannot
//                                     play; the slot is then empty
// The SDL device has no exclusive cooperative level to be refused, so the original's
// "SetCooperativeLevel failed" cannot arise here. On a machine without a sound device, SDL's
// "dummy" or "disk" audio driver (SDL_AUDIODRIVER) stands in for one.
// The controls report nothing and ignore an empty slot or a number outside 0 … 63.
#pragma once

#include "assets/soundbank.h"

#include <cstdint>
#include <memory>
#include <vector>

class ByteSource;
class SoundDevice;

class DSound {
public:
    static constexpr int kSlots = 64;

    struct Slot {
        int buffer = -1;                      // the device's buffer number; -1 for an empty slot
        std::unique_ptr<WaveFormat> format;   // the slot's own copy; its rate is what setFrequency scales
        std::vector<uint8_t> samples;         // the slot's own copy of the sample bytes
        uint32_t sampleBytes = 0;             // L
    };

    SoundDevice* device = nullptr;   // owned; null until the first load
    Slot slots[kSlots];

    DSound() = default;
    ~DSound();   // releases every slot's buffer, then the device
    DSound(const DSound&) = delete;
    DSound& operator=(const DSound&) = delete;

    // Reads one record at the stream's position into the slot, replacing what it held, and leaves
    // the stream just past the record. The new buffer is stopped, at full volume, centred, at the
    // sound's own rate. On "DSound::fromStream failed" the stream is left where the record's
    // announced bytes end, or at the end of the data where that comes first.
    void fromStream(ByteSource& stream, int slot);

    void play(int slot, bool looping);   // from where the slot's sound last stopped
    void stop(int slot);                 // keeps the position
    void setVolume(int slot, float volume);        // 0 … 1: −50 dB … full
    void setPan(int slot, float pan);              // −1 (left) … 1 (right)
    void setFrequency(int slot, float factor);     // 0.25 … 2 times the sound's own rate

    // What the controls hand to the device, each product formed in double precision from the
    // float and truncated toward zero. Volume: hundredths of a dB, −5000 … 0; a volume below 0 or
    // NaN counts as 0, above 1 as 1. Pan: −10000 … 10000 from −1 … 1, NaN as −1. Frequency:
    // samples per second, the factor clamped to 0.25 … 2, NaN as 0.25.
    static int32_t volumeAttenuation(float volume);
    static int32_t panValue(float pan);
    static uint32_t frequencyValue(uint32_t samplesPerSecond, float factor);

private:
    void empty(Slot& slot);
    const Slot* loaded(int slot) const;   // null for an empty slot or a number outside 0 … 63
};
