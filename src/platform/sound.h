// The sound device: one stereo output stream and a mixer of static PCM buffers.
//
// Each buffer holds a copy of its sample data in the format it was made with (8-bit unsigned or
// 16-bit signed little-endian, mono or stereo, any rate) and plays it looping or once from its
// current position; stop keeps that position. Volume and pan are attenuations in hundredths of a
// decibel, the rate is in samples per second of the buffer's own data; the mixer resamples to the
// device's rate with linear interpolation from a fractional position. Gain changes, starts and
// stops are ramped over a few milliseconds so that nothing clicks; a rate change only changes the
// step of the position, which stays continuous.
//
// Threads: every member is called from one thread (the GUI thread); while the device is open the
// mixing runs on the audio thread, and each call takes the device's own lock for its change.
// Buffers are allocated and freed outside that lock, so mixing never allocates nor waits on us.
#pragma once

#include <cstdint>
#include <memory>

struct PcmFormat {
    int channels = 1;                 // 1 or 2 (interleaved left, right)
    int bitsPerSample = 16;           // 8: unsigned, 128 is silence; 16: signed little-endian
    uint32_t samplesPerSecond = 22050;
};

class SoundDevice {
public:
    static constexpr int kBuffers = 64;
    static constexpr int kDefaultRate = 48000;         // what is asked for, and what mix() uses unopened
    static constexpr uint32_t kMinFrequency = 100;     // samples per second a buffer may play at
    static constexpr uint32_t kMaxFrequency = 200000;
    static constexpr uint32_t kMaxBufferBytes = 0x0FFFFFFF;

    SoundDevice();
    ~SoundDevice();   // closes the device, then frees every buffer
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // Opens the default output (SDL's audio subsystem, stereo, float or 16-bit, the rate SDL
    // gives) and starts mixing. False when there is none; the device then stays closed.
    bool open();
    bool isOpen() const;
    int rate() const;            // output frames per second
    bool floatOutput() const;    // 32-bit float samples, else 16-bit signed

    // Whether a buffer of this format can be made; the rate must lie within the frequency range.
    static bool playable(const PcmFormat& format);

    // Makes a stopped buffer holding a copy of the bytes, at full volume, centred, at the format's
    // own rate. A trailing partial frame is ignored. Returns the buffer's number, or -1 when the
    // format cannot be played, there are not at least one whole frame or all buffers are in use.
    int createBuffer(const PcmFormat& format, const void* bytes, uint32_t byteCount);
    void releaseBuffer(int buffer);   // stops it at once and frees it; unknown numbers are ignored

    // The controls ignore numbers that name no buffer.
    void play(int buffer, bool looping);   // from the current position
    void stop(int buffer);                 // fades out within milliseconds and keeps the position
    void setVolume(int buffer, int32_t attenuation);   // hundredths of a dB, clamped to −10000 … 0
    // Hundredths of a dB, clamped to −10000 … 10000: a positive pan attenuates the left channel by
    // that much, a negative one the right; the other channel keeps the volume.
    void setPan(int buffer, int32_t pan);
    // Samples per second of the buffer's data, clamped to the frequency range; 0 restores the
    // format's own rate.
    void setFrequency(int buffer, uint32_t samplesPerSecond);

    // What the controls last set, and where the buffer is; for tests and tools.
    bool exists(int buffer) const;
    bool isPlaying(int buffer) const;   // false once a stop's fade has ended or a one-shot ran out
    int32_t volume(int buffer) const;
    int32_t pan(int buffer) const;
    uint32_t frequency(int buffer) const;
    double position(int buffer) const;  // frames of the buffer's data, fractional

    // Mixes `frames` interleaved stereo float frames at rate() into `out`, replacing what was
    // there; unclipped. The audio thread calls this while the device is open; call it directly
    // only on a device that is not open (benchmarks, tests).
    void mix(float* out, int frames);

private:
    struct State;
    std::unique_ptr<State> state_;
};
