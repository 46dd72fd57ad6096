// The sound-bank format of the .str files, shared by the player (DSound) and the packer
// (caldrise-assets), so that the two cannot drift apart.
//
// A bank is records back to back: no header, no count, no magic, no padding; little-endian.
// Sound k of a bank is simply the k-th record. One record:
//
//   wave format, 18 bytes: format tag (16 bits, PCM = 1), channels (16), samples per second
//     (32), average bytes per second (32), block alignment (16), bits per sample (16), extra
//     size (16; kept as read, no extra bytes follow in the record)
//   sample bytes L (unsigned 32 bits)
//   L bytes of samples in that format: 8-bit unsigned or 16-bit signed, channels interleaved
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ByteSource;
struct PcmFormat;

#pragma pack(push, 1)
struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlignment = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18, "the wave format is stored as 18 bytes");

constexpr uint16_t kWaveFormatPcm = 1;
constexpr size_t kWaveFormatBytes = sizeof(WaveFormat);
constexpr size_t kSoundRecordHeaderBytes = kWaveFormatBytes + 4;   // the format, then L

// A consistent PCM format: block alignment and average bytes per second from the other three.
WaveFormat pcmWaveFormat(int channels, int bitsPerSample, uint32_t samplesPerSecond);

void decodeWaveFormat(const uint8_t* bytes, WaveFormat& format);   // 18 bytes, little-endian
void encodeWaveFormat(const WaveFormat& format, uint8_t* bytes);

// Why the player cannot play a record of this format and length, or empty when it can: PCM, one
// or two channels, 8 or 16 bits, a block alignment of channels × bits / 8, a rate within the
// sound device's range and at least one whole frame. The average bytes per second is not used
// and not checked.
std::string soundRecordProblem(const WaveFormat& format, uint32_t sampleBytes);

// The mixer's description of a format that soundRecordProblem accepts.
PcmFormat pcmFormatOf(const WaveFormat& format);

struct SoundRecord {
    WaveFormat format;
    std::vector<uint8_t> samples;   // L bytes
};

// Reads one record at the source's position and leaves the source just past it. A record that is
// shorter than it announces, or announces more than the sound device can hold, gives false (with
// the reason in `problem` when given) and leaves the source where reading what it announces would
// have: past the announced bytes, or at the end of the data where that comes first. The format is
// not checked here: see soundRecordProblem.
bool readSoundRecord(ByteSource& in, SoundRecord& record, std::string* problem = nullptr);

// Appends one record as the reader reads it.
void appendSoundRecord(std::vector<uint8_t>& out, const WaveFormat& format, const uint8_t* samples,
                       uint32_t sampleBytes);
