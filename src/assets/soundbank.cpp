#include "assets/soundbank.h"

#include "assets/stream.h"

#include "platform/sound.h"

#include <algorithm>

namespace {

uint16_t get16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

void put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool fail(std::string* problem, const std::string& why)
{
    if (problem) *problem = why;
    return false;
}

}  // namespace

WaveFormat pcmWaveFormat(int channels, int bitsPerSample, uint32_t samplesPerSecond)
{
    WaveFormat f;
    f.formatTag = kWaveFormatPcm;
    f.channels = static_cast<uint16_t>(channels);
    f.samplesPerSecond = samplesPerSecond;
    f.blockAlignment = static_cast<uint16_t>(channels * bitsPerSample / 8);
    f.averageBytesPerSecond = samplesPerSecond * f.blockAlignment;
    f.bitsPerSample = static_cast<uint16_t>(bitsPerSample);
    f.extraSize = 0;
    return f;
}

void decodeWaveFormat(const uint8_t* b, WaveFormat& f)
{
    f.formatTag = get16(b);
    f.channels = get16(b + 2);
    f.samplesPerSecond = get32(b + 4);
    f.averageBytesPerSecond = get32(b + 8);
    f.blockAlignment = get16(b + 12);
    f.bitsPerSample = get16(b + 14);
    f.extraSize = get16(b + 16);
}

void encodeWaveFormat(const WaveFormat& f, uint8_t* b)
{
    put16(b, f.formatTag);
    put16(b + 2, f.channels);
    put32(b + 4, f.samplesPerSecond);
    put32(b + 8, f.averageBytesPerSecond);
    put16(b + 12, f.blockAlignment);
    put16(b + 14, f.bitsPerSample);
    put16(b + 16, f.extraSize);
}

std::string soundRecordProblem(const WaveFormat& f, uint32_t sampleBytes)
{
    if (f.formatTag != kWaveFormatPcm) return "format tag " + std::to_string(f.formatTag) + " is not PCM (1)";
    if (f.channels != 1 && f.channels != 2) return std::to_string(f.channels) + " channels (1 or 2 play)";
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return std::to_string(f.bitsPerSample) + " bits per sample (8 or 16 play)";
    const int frameBytes = f.channels * f.bitsPerSample / 8;
    if (f.blockAlignment != frameBytes)
        return "block alignment " + std::to_string(f.blockAlignment) + " where a frame is " + std::to_string(frameBytes) + " bytes";
    if (f.samplesPerSecond < SoundDevice::kMinFrequency || f.samplesPerSecond > SoundDevice::kMaxFrequency)
        return std::to_string(f.samplesPerSecond) + " samples per second (" + std::to_string(SoundDevice::kMinFrequency) +
               " to " + std::to_string(SoundDevice::kMaxFrequency) + " play)";
    if (sampleBytes < static_cast<uint32_t>(frameBytes)) return "no whole frame of samples";
    return {};
}

PcmFormat pcmFormatOf(const WaveFormat& f)
{
    PcmFormat p;
    p.channels = f.channels;
    p.bitsPerSample = f.bitsPerSample;
    p.samplesPerSecond = f.samplesPerSecond;
    return p;
}

bool readSoundRecord(ByteSource& in, SoundRecord& record, std::string* problem)
{
    if (in.remaining() < static_cast<int64_t>(kSoundRecordHeaderBytes)) {
        const int64_t left = in.remaining();
        in.seek(in.size());
        return fail(problem, "a record header needs " + std::to_string(kSoundRecordHeaderBytes) + " bytes, " +
                                 std::to_string(std::max<int64_t>(left, 0)) + " left");
    }
    uint8_t header[kSoundRecordHeaderBytes];
    in.readExact(header, sizeof header);
    decodeWaveFormat(header, record.format);
    const uint32_t length = get32(header + kWaveFormatBytes);
    if (length > in.remaining() || length > SoundDevice::kMaxBufferBytes) {
        const std::string why = "the record announces " + std::to_string(length) + " sample bytes, " +
                                std::to_string(in.remaining()) + " left";
        in.seek(std::min<int64_t>(in.position() + length, in.size()));
        return fail(problem, why);
    }
    record.samples.resize(length);
    if (length) in.readExact(record.samples.data(), length);
    return true;
}

void appendSoundRecord(std::vector<uint8_t>& out, const WaveFormat& format, const uint8_t* samples,
                       uint32_t sampleBytes)
{
    uint8_t header[kSoundRecordHeaderBytes];
    encodeWaveFormat(format, header);
    put32(header + kWaveFormatBytes, sampleBytes);
    out.insert(out.end(), header, header + sizeof header);
    out.insert(out.end(), samples, samples + sampleBytes);
}
