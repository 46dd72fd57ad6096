// The sound device on an SDL2 audio device: SDL's audio thread calls the mixer below under the
// device's lock, and the controls take the same lock (SDL_LockAudioDevice) for their changes.
#include "platform/sound.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int kScratchFrames = 1024;    // frames mixed per pass of the audio callback
constexpr double kRampSeconds = 0.005;  // length of every gain ramp, fades in and out included

struct Voice {
    // Written by the controls (under the lock):
    std::unique_ptr<uint8_t[]> data;
    uint32_t frames = 0;                // whole frames in data
    int channels = 1;
    int bitsPerSample = 16;
    uint32_t ownRate = 0;               // samples per second of the format
    bool used = false;
    bool playing = false;
    bool looping = false;
    bool stopping = false;              // fading out; stops, keeping the position, when silent
    uint32_t rate = 0;                  // samples per second it plays at
    int32_t volume = 0;                 // hundredths of a dB
    int32_t pan = 0;                    // hundredths of a dB
    float gainLeft = 1.0f;              // linear, from volume and pan
    float gainRight = 1.0f;

    // Written by the mixer (the controls reset them when a stopped voice starts):
    uint64_t position = 0;              // frames of data, 32.32 fixed point
    float currentLeft = 0.0f;           // gains applied now; they ramp towards the targets
    float currentRight = 0.0f;
    float rampToLeft = 0.0f;            // where the running ramp ends
    float rampToRight = 0.0f;
    float stepLeft = 0.0f;              // per output frame
    float stepRight = 0.0f;
    int rampLeft = 0;                   // output frames still to ramp
};

void computeGains(Voice& v)
{
    const int32_t left = v.volume - std::max(v.pan, 0);
    const int32_t right = v.volume + std::min(v.pan, 0);
    v.gainLeft = static_cast<float>(std::pow(10.0, left / 2000.0));
    v.gainRight = static_cast<float>(std::pow(10.0, right / 2000.0));
}

// One source frame as left and right values in −1 … 1.
template <int Bits, int Channels>
inline void loadFrame(const uint8_t* data, uint32_t frame, float& left, float& right)
{
    if constexpr (Bits == 8) {
        const uint8_t* p = data + static_cast<size_t>(frame) * Channels;
        left = (static_cast<int>(p[0]) - 128) * (1.0f / 128.0f);
        right = Channels == 2 ? (static_cast<int>(p[1]) - 128) * (1.0f / 128.0f) : left;
    } else {
        const uint8_t* p = data + static_cast<size_t>(frame) * Channels * 2;
        left = static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))) * (1.0f / 32768.0f);
        right = Channels == 2 ? static_cast<int16_t>(static_cast<uint16_t>(p[2] | (p[3] << 8))) * (1.0f / 32768.0f)
                              : left;
    }
}

// Adds up to n output frames of the voice into out; returns how many it made, fewer when a sound
// played once reaches its end (the voice then stops and goes back to its start).
template <int Bits, int Channels, bool Ramp>
int render(Voice& v, float* out, int n, uint64_t step)
{
    const uint8_t* data = v.data.get();
    const uint32_t frames = v.frames;
    const uint64_t end = static_cast<uint64_t>(frames) << 32;
    const bool looping = v.looping;
    uint64_t position = v.position;
    float gainLeft = v.currentLeft;
    float gainRight = v.currentRight;
    int i = 0;
    while (i < n) {
        const uint32_t index = static_cast<uint32_t>(position >> 32);
        const float fraction = static_cast<float>(static_cast<uint32_t>(position)) * (1.0f / 4294967296.0f);
        uint32_t next = index + 1;
        if (next >= frames) next = looping ? 0 : index;
        float l0, r0, l1, r1;
        loadFrame<Bits, Channels>(data, index, l0, r0);
        loadFrame<Bits, Channels>(data, next, l1, r1);
        if constexpr (Ramp) {
            gainLeft += v.stepLeft;
            gainRight += v.stepRight;
        }
        out[2 * i] += (l0 + (l1 - l0) * fraction) * gainLeft;
        out[2 * i + 1] += (r0 + (r1 - r0) * fraction) * gainRight;
        ++i;
        position += step;
        if (position >= end) {
            if (looping) {
                position %= end;
            } else {
                position = 0;
                v.playing = false;
                break;
            }
        }
    }
    v.position = position;
    if constexpr (Ramp) {
        v.currentLeft = gainLeft;
        v.currentRight = gainRight;
    }
    return i;
}

template <bool Ramp>
int renderAny(Voice& v, float* out, int n, uint64_t step)
{
    if (v.bitsPerSample == 8) {
        return v.channels == 2 ? render<8, 2, Ramp>(v, out, n, step) : render<8, 1, Ramp>(v, out, n, step);
    }
    return v.channels == 2 ? render<16, 2, Ramp>(v, out, n, step) : render<16, 1, Ramp>(v, out, n, step);
}

void mixVoice(Voice& v, float* out, int frames, int outputRate, int rampFrames)
{
    const uint64_t step = (static_cast<uint64_t>(v.rate) << 32) / static_cast<uint64_t>(outputRate);
    int done = 0;
    while (done < frames && v.playing) {
        const float toLeft = v.stopping ? 0.0f : v.gainLeft;
        const float toRight = v.stopping ? 0.0f : v.gainRight;
        if (toLeft != v.rampToLeft || toRight != v.rampToRight) {
            v.rampToLeft = toLeft;
            v.rampToRight = toRight;
            v.stepLeft = (toLeft - v.currentLeft) / static_cast<float>(rampFrames);
            v.stepRight = (toRight - v.currentRight) / static_cast<float>(rampFrames);
            v.rampLeft = rampFrames;
        }
        if (v.rampLeft > 0) {
            const int made = renderAny<true>(v, out + 2 * done, std::min(frames - done, v.rampLeft), step);
            done += made;
            v.rampLeft -= made;
            if (v.rampLeft == 0) {
                v.currentLeft = v.rampToLeft;
                v.currentRight = v.rampToRight;
            }
        } else if (v.stopping) {
            v.playing = false;   // faded out: the position stays where the sound fell silent
        } else {
            done += renderAny<false>(v, out + 2 * done, frames - done, step);
        }
    }
    if (!v.playing) {
        v.stopping = false;
        v.currentLeft = v.currentRight = v.rampToLeft = v.rampToRight = 0.0f;
        v.rampLeft = 0;
    }
}

class DeviceLock {
public:
    explicit DeviceLock(SDL_AudioDeviceID id) : id_(id)
    {
        if (id_) SDL_LockAudioDevice(id_);
    }
    ~DeviceLock()
    {
        if (id_) SDL_UnlockAudioDevice(id_);
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    SDL_AudioDeviceID id_;
};

}  // namespace

struct SoundDevice::State {
    SDL_AudioDeviceID device = 0;
    int rate = kDefaultRate;
    bool floatOutput = true;
    int rampFrames = static_cast<int>(kDefaultRate * kRampSeconds);
    Voice voices[kBuffers];
    std::vector<float> scratch;   // stereo frames the callback mixes into before converting

    Voice* find(int buffer)
    {
        if (buffer < 0 || buffer >= kBuffers || !voices[buffer].used) return nullptr;
        return &voices[buffer];
    }
};

SoundDevice::SoundDevice() : state_(std::make_unique<State>()) {}

SoundDevice::~SoundDevice()
{
    if (state_->device) {
        SDL_CloseAudioDevice(state_->device);   // waits for the audio thread to leave the mixer
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool SoundDevice::open()
{
    if (state_->device) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;

    SDL_AudioSpec want{};
    want.freq = kDefaultRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kScratchFrames;
    want.userdata = this;
    want.callback = [](void* user, Uint8* stream, int length) {
        SoundDevice& self = *static_cast<SoundDevice*>(user);
        State& s = *self.state_;
        const int frameBytes = s.floatOutput ? 2 * 4 : 2 * 2;
        int frames = length / frameBytes;
        while (frames > 0) {
            const int n = std::min(frames, kScratchFrames);
            float* mixed = s.scratch.data();
            self.mix(mixed, n);
            if (s.floatOutput) {
                for (int i = 0; i < 2 * n; ++i) mixed[i] = std::clamp(mixed[i], -1.0f, 1.0f);
                std::memcpy(stream, mixed, static_cast<size_t>(n) * frameBytes);
            } else {
                int16_t* samples = reinterpret_cast<int16_t*>(stream);
                for (int i = 0; i < 2 * n; ++i) {
                    samples[i] = static_cast<int16_t>(std::lrint(std::clamp(mixed[i], -1.0f, 1.0f) * 32767.0f));
                }
            }
            stream += static_cast<size_t>(n) * frameBytes;
            frames -= n;
        }
    };

    SDL_AudioSpec have{};
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                               SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_FORMAT_CHANGE);
    if (id && have.format != AUDIO_F32SYS && have.format != AUDIO_S16SYS) {
        // A native format we do not write: let SDL convert from float instead.
        SDL_CloseAudioDevice(id);
        id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    }
    if (!id) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }

    // The device starts paused, so the callback cannot see the state before it is set.
    state_->scratch.assign(2 * kScratchFrames, 0.0f);
    state_->rate = have.freq;
    state_->floatOutput = have.format == AUDIO_F32SYS;
    state_->rampFrames = std::max(1, static_cast<int>(have.freq * kRampSeconds));
    state_->device = id;
    SDL_PauseAudioDevice(id, 0);
    return true;
}

bool SoundDevice::isOpen() const { return state_->device != 0; }
int SoundDevice::rate() const { return state_->rate; }
bool SoundDevice::floatOutput() const { return state_->floatOutput; }

bool SoundDevice::playable(const PcmFormat& format)
{
    return (format.channels == 1 || format.channels == 2) && (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           format.samplesPerSecond >= kMinFrequency && format.samplesPerSecond <= kMaxFrequency;
}

int SoundDevice::createBuffer(const PcmFormat& format, const void* bytes, uint32_t byteCount)
{
    if (!playable(format) || byteCount > kMaxBufferBytes) return -1;
    const uint32_t frameBytes = static_cast<uint32_t>(format.channels * format.bitsPerSample / 8);
    const uint32_t frames = byteCount / frameBytes;
    if (frames == 0) return -1;

    int buffer = 0;
    while (buffer < kBuffers && state_->voices[buffer].used) ++buffer;   // only this thread sets `used`
    if (buffer == kBuffers) return -1;

    std::unique_ptr<uint8_t[]> data(new uint8_t[static_cast<size_t>(frames) * frameBytes]);
    std::memcpy(data.get(), bytes, static_cast<size_t>(frames) * frameBytes);

    DeviceLock lock(state_->device);
    Voice& v = state_->voices[buffer];
    v = Voice{};
    v.data = std::move(data);
    v.frames = frames;
    v.channels = format.channels;
    v.bitsPerSample = format.bitsPerSample;
    v.ownRate = format.samplesPerSecond;
    v.rate = format.samplesPerSecond;
    computeGains(v);
    v.used = true;
    return buffer;
}

void SoundDevice::releaseBuffer(int buffer)
{
    std::unique_ptr<uint8_t[]> freed;   // freed after the lock is given back
    DeviceLock lock(state_->device);
    Voice* v = state_->find(buffer);
    if (!v) return;
    freed = std::move(v->data);
    *v = Voice{};
}

void SoundDevice::play(int buffer, bool looping)
{
    DeviceLock lock(state_->device);
    Voice* v = state_->find(buffer);
    if (!v) return;
    v->looping = looping;
    if (!v->playing) {
        // Fades in from silence; a voice still fading out instead turns back from where it is.
        v->playing = true;
        v->currentLeft = v->currentRight = v->rampToLeft = v->rampToRight = 0.0f;
        v->rampLeft = 0;
    }
    v->stopping = false;
}

void SoundDevice::stop(int buffer)
{
    DeviceLock lock(state_->device);
    Voice* v = state_->find(buffer);
    if (v && v->playing) v->stopping = true;
}

void SoundDevice::setVolume(int buffer, int32_t attenuation)
{
    DeviceLock lock(state_->device);
    Voice* v = state_->find(buffer);
    if (!v) return;
    v->volume = std::clamp<int32_t>(attenuation, -10000, 0);
    computeGains(*v);
}

void SoundDevice::setPan(int buffer, int32_t pan)
{
    DeviceLock lock(state_->device);
    Voice* v = state_->find(buffer);
    if (!v) return;
    v->pan = std::clamp<int32_t>(pan, -10000, 10000);
    computeGains(*v);
}

void SoundDevice::setFrequency(int buffer, uint32_t samplesPerSecond)
{
    DeviceLock lock(state_->device);
    Voice* v = state_->find(buffer);
    if (!v) return;
    v->rate = samplesPerSecond == 0 ? v->ownRate : std::clamp(samplesPerSecond, kMinFrequency, kMaxFrequency);
}

bool SoundDevice::exists(int buffer) const
{
    DeviceLock lock(state_->device);
    return state_->find(buffer) != nullptr;
}

bool SoundDevice::isPlaying(int buffer) const
{
    DeviceLock lock(state_->device);
    const Voice* v = state_->find(buffer);
    return v && v->playing;
}

int32_t SoundDevice::volume(int buffer) const
{
    DeviceLock lock(state_->device);
    const Voice* v = state_->find(buffer);
    return v ? v->volume : 0;
}

int32_t SoundDevice::pan(int buffer) const
{
    DeviceLock lock(state_->device);
    const Voice* v = state_->find(buffer);
    return v ? v->pan : 0;
}

uint32_t SoundDevice::frequency(int buffer) const
{
    DeviceLock lock(state_->device);
    const Voice* v = state_->find(buffer);
    return v ? v->rate : 0;
}

double SoundDevice::position(int buffer) const
{
    DeviceLock lock(state_->device);
    const Voice* v = state_->find(buffer);
    return v ? static_cast<double>(v->position) / 4294967296.0 : 0.0;
}

void SoundDevice::mix(float* out, int frames)
{
    std::fill(out, out + 2 * static_cast<size_t>(frames), 0.0f);
    State& s = *state_;
    for (Voice& v : s.voices) {
        if (v.used && v.playing) mixVoice(v, out, frames, s.rate, s.rampFrames);
    }
}
