// The sound-bank (.str) commands of caldrise-assets: pack WAV files into a bank, list a bank,
// extract its records back to WAV files. Records are written and read with the player's own
// format code (assets/soundbank.h), and pack accepts only what the player can play.
#include "str_commands.h"

#include "assets/soundbank.h"
#include "assets/stream.h"

#include "platform/exception.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <sstream>

namespace {

const char* const kTool = "caldrise-assets";
constexpr int kExitOk = 0;
constexpr int kExitBadData = 1;
constexpr int kExitBadUsage = 2;

// Bad usage: exit code 2. Bad data arrives as Exception: exit code 1.
struct UsageError {
    std::string message;
};

uint16_t get16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> readWholeFile(const std::string& name)
{
    std::ifstream file(name, std::ios::binary);
    if (!file) throw Exception("Cannot open file " + name);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// Written beside the target and renamed over it, so that a failed write leaves the old file whole.
void writeWholeFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string temporary = name + ".part";
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file || std::rename(temporary.c_str(), name.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw Exception("Cannot write file " + name);
    }
}

// A RIFF WAVE file of PCM samples: its "fmt " and "data" chunks; other chunks are skipped.
SoundRecord readWave(const std::string& name)
{
    const std::vector<uint8_t> bytes = readWholeFile(name);
    const auto bad = [&](const std::string& why) { return Exception(name + ": " + why); };
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        throw bad("not a RIFF WAVE file");

    SoundRecord record;
    bool haveFormat = false, haveData = false;
    size_t at = 12;
    while (at + 8 <= bytes.size() && !(haveFormat && haveData)) {
        const uint8_t* chunk = bytes.data() + at;
        const uint32_t size = get32(chunk + 4);
        if (size > bytes.size() - at - 8) throw bad("chunk \"" + std::string(chunk, chunk + 4) + "\" runs past the end of the file");
        const uint8_t* body = chunk + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16) throw bad("format chunk of " + std::to_string(size) + " bytes");
            uint16_t tag = get16(body);
            // The extensible layout names PCM by a sub-format whose first two bytes are the tag.
            if (tag == 0xFFFE && size >= 40) tag = get16(body + 24);
            if (tag != kWaveFormatPcm) throw bad("not PCM (format tag " + std::to_string(tag) + ")");
            record.format = pcmWaveFormat(get16(body + 2), get16(body + 14), get32(body + 4));
            if (get16(body + 12) != record.format.blockAlignment)
                throw bad("block alignment " + std::to_string(get16(body + 12)) + " does not fit " +
                          std::to_string(record.format.channels) + " channels of " +
                          std::to_string(record.format.bitsPerSample) + " bits");
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            record.samples.assign(body, body + size);
            haveData = true;
        }
        at += 8 + size + (size & 1);   // chunks are padded to an even size
    }
    if (!haveFormat) throw bad("no format chunk");
    if (!haveData) throw bad("no data chunk");
    const uint32_t frameBytes = record.format.blockAlignment ? record.format.blockAlignment : 1;
    record.samples.resize(record.samples.size() / frameBytes * frameBytes);   // whole frames only
    const std::string problem = soundRecordProblem(record.format, static_cast<uint32_t>(record.samples.size()));
    if (!problem.empty()) throw bad("the player cannot play it: " + problem);
    return record;
}

std::vector<uint8_t> waveBytes(const SoundRecord& record)
{
    const WaveFormat& f = record.format;
    const auto length = static_cast<uint32_t>(record.samples.size());
    std::vector<uint8_t> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + length + (length & 1));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    uint8_t format[kWaveFormatBytes];
    encodeWaveFormat(f, format);
    out.insert(out.end(), format, format + 16);   // the PCM layout: the extra size is not written
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, length);
    out.insert(out.end(), record.samples.begin(), record.samples.end());
    if (length & 1) out.push_back(0);
    return out;
}

std::vector<SoundRecord> readBank(const std::string& name)
{
    FileSource file(name);
    std::vector<SoundRecord> records;
    while (file.remaining() > 0) {
        SoundRecord record;
        std::string problem;
        if (!readSoundRecord(file, record, &problem))
            throw Exception(name + ": record " + std::to_string(records.size() + 1) + ": " + problem);
        records.push_back(std::move(record));
    }
    return records;
}

void checkNoOptions(const std::vector<std::string>& args)
{
    for (size_t i = 1; i < args.size(); ++i)
        if (args[i].size() > 1 && args[i][0] == '-') throw UsageError{"unknown option " + args[i]};
}

uint32_t framesOf(const SoundRecord& r)
{
    return r.format.blockAlignment ? static_cast<uint32_t>(r.samples.size() / r.format.blockAlignment) : 0;
}

int pack(const std::vector<std::string>& args)
{
    if (args.size() < 3) throw UsageError{"pack takes a bank name and at least one WAV file"};
    std::vector<uint8_t> bank;
    for (size_t i = 2; i < args.size(); ++i) {
        const SoundRecord record = readWave(args[i]);
        appendSoundRecord(bank, record.format, record.samples.data(), static_cast<uint32_t>(record.samples.size()));
    }
    writeWholeFile(args[1], bank);
    std::cout << "packed " << args.size() - 2 << (args.size() == 3 ? " sound" : " sounds") << " into " << args[1]
              << " (" << bank.size() << " bytes)\n";
    return kExitOk;
}

int list(const std::vector<std::string>& args)
{
    if (args.size() != 2) throw UsageError{"list takes one bank name"};
    const std::vector<SoundRecord> records = readBank(args[1]);
    int status = kExitOk;
    std::cout << args[1] << ": " << records.size() << (records.size() == 1 ? " sound\n" : " sounds\n");
    for (size_t i = 0; i < records.size(); ++i) {
        const SoundRecord& r = records[i];
        const WaveFormat& f = r.format;
        std::ostringstream line;
        line << std::setw(4) << i + 1 << "  " << std::setw(6) << f.samplesPerSecond << " Hz  " << std::setw(2)
             << f.bitsPerSample << "-bit  " << (f.channels == 1 ? "mono  " : f.channels == 2 ? "stereo" : "?     ");
        const std::string problem = soundRecordProblem(f, static_cast<uint32_t>(r.samples.size()));
        if (problem.empty()) {
            const uint32_t frames = framesOf(r);
            line << "  " << std::setw(9) << frames << " samples  " << std::fixed << std::setprecision(3)
                 << static_cast<double>(frames) / f.samplesPerSecond << " s";
        } else {
            line << "  " << r.samples.size() << " bytes, not playable: " << problem;
            std::cerr << kTool << ": " << args[1] << ": record " << i + 1 << ": not playable: " << problem << "\n";
            status = kExitBadData;
        }
        std::cout << line.str() << "\n";
    }
    return status;
}

int extract(const std::vector<std::string>& args)
{
    if (args.size() != 3) throw UsageError{"extract takes a bank name and a folder"};
    const std::vector<SoundRecord> records = readBank(args[1]);
    const std::string& folder = args[2];
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) throw Exception("Cannot make folder " + folder + ": " + made.message());

    // Prints the files in bank order: the operands pack takes to make the same bank again.
    int status = kExitOk;
    for (size_t i = 0; i < records.size(); ++i) {
        const std::string problem = soundRecordProblem(records[i].format, static_cast<uint32_t>(records[i].samples.size()));
        if (!problem.empty()) {
            std::cerr << kTool << ": " << args[1] << ": skipped record " << i + 1 << ", not playable: " << problem << "\n";
            status = kExitBadData;
            continue;
        }
        const std::string file = folder + "/sound" + std::to_string(i + 1) + ".wav";
        writeWholeFile(file, waveBytes(records[i]));
        std::cout << file << "\n";
    }
    return status;
}

}  // namespace

void strUsage(std::ostream& out)
{
    out << "Sound banks (.str):\n"
           "  caldrise-assets pack BANK.str WAV...\n"
           "      Writes one record per WAV file, in the order given. The files must be RIFF PCM,\n"
           "      8-bit unsigned or 16-bit signed, mono or stereo, 100 to 200000 samples a second.\n"
           "  caldrise-assets list BANK.str\n"
           "      Lists the records from 1 on: rate, bits, channels, length in samples and seconds.\n"
           "  caldrise-assets extract BANK.str FOLDER\n"
           "      Writes record N to FOLDER/soundN.wav and prints the names in bank order, the\n"
           "      files pack takes to make the same bank again.\n";
}

int strCommand(const std::vector<std::string>& args)
{
    try {
        if (args.empty()) throw UsageError{"no command"};
        checkNoOptions(args);
        if (args[0] == "pack") return pack(args);
        if (args[0] == "list") return list(args);
        if (args[0] == "extract") return extract(args);
        throw UsageError{"unknown command \"" + args[0] + "\" for a sound bank"};
    } catch (const UsageError& e) {
        std::cerr << kTool << ": " << e.message << " (see " << kTool << " --help)\n";
        return kExitBadUsage;
    } catch (const Exception& e) {
        std::cerr << kTool << ": " << e.message() << "\n";
        return kExitBadData;
    }
}
