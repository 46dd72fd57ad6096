#include "assets/dsound.h"

#include "assets/stream.h"

#include "platform/exception.h"
#include "platform/sound.h"

#include <cmath>

DSound::~DSound()
{
    for (Slot& slot : slots) empty(slot);
    delete device;
}

void DSound::empty(Slot& slot)
{
    if (device && slot.buffer >= 0) device->releaseBuffer(slot.buffer);
    slot.buffer = -1;
    slot.format.reset();
    slot.samples.clear();
    slot.samples.shrink_to_fit();
    slot.sampleBytes = 0;
}

const DSound::Slot* DSound::loaded(int slot) const
{
    if (slot < 0 || slot >= kSlots || slots[slot].buffer < 0 || !device) return nullptr;
    return &slots[slot];
}

void DSound::fromStream(ByteSource& stream, int slot)
{
    if (slot < 0 || slot >= kSlots) throw Exception("OpenFile, Buffer number error!");
    if (!device) {
        std::unique_ptr<SoundDevice> opened = std::make_unique<SoundDevice>();
        if (!opened->open()) throw Exception("DirectSoundCreate failed");
        device = opened.release();
    }

    Slot& s = slots[slot];
    empty(s);

    SoundRecord record;
    if (!readSoundRecord(stream, record)) throw Exception("DSound::fromStream failed");
    const uint32_t length = static_cast<uint32_t>(record.samples.size());
    if (!soundRecordProblem(record.format, length).empty()) throw Exception("DSound::fromStream failed");

    const int buffer = device->createBuffer(pcmFormatOf(record.format), record.samples.data(), length);
    if (buffer < 0) throw Exception("DSound::fromStream failed");
    s.buffer = buffer;
    s.format = std::make_unique<WaveFormat>(record.format);
    s.samples = std::move(record.samples);
    s.sampleBytes = length;
}

void DSound::play(int slot, bool looping)
{
    if (const Slot* s = loaded(slot)) device->play(s->buffer, looping);
}

void DSound::stop(int slot)
{
    if (const Slot* s = loaded(slot)) device->stop(s->buffer);
}

void DSound::setVolume(int slot, float volume)
{
    if (const Slot* s = loaded(slot)) device->setVolume(s->buffer, volumeAttenuation(volume));
}

void DSound::setPan(int slot, float pan)
{
    if (const Slot* s = loaded(slot)) device->setPan(s->buffer, panValue(pan));
}

void DSound::setFrequency(int slot, float factor)
{
    if (const Slot* s = loaded(slot)) device->setFrequency(s->buffer, frequencyValue(s->format->samplesPerSecond, factor));
}

int32_t DSound::volumeAttenuation(float volume)
{
    if (!(volume >= 0.0f)) volume = 0.0f;
    else if (volume > 1.0f) volume = 1.0f;
    return static_cast<int32_t>(std::trunc(static_cast<double>(volume) * 5000.0 - 5000.0));
}

int32_t DSound::panValue(float pan)
{
    if (!(pan >= -1.0f)) pan = -1.0f;
    else if (pan > 1.0f) pan = 1.0f;
    return static_cast<int32_t>(std::trunc(static_cast<double>(pan) * 10000.0));
}

uint32_t DSound::frequencyValue(uint32_t samplesPerSecond, float factor)
{
    if (!(factor >= 0.25f)) factor = 0.25f;
    else if (factor > 2.0f) factor = 2.0f;
    return static_cast<uint32_t>(std::trunc(static_cast<double>(samplesPerSecond) * static_cast<double>(factor)));
}
