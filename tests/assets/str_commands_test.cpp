// The sound-bank commands of caldrise-assets, called as the tool calls them, on files in a
// fresh folder; what they print is caught from std::cout and std::cerr.
#include "str_commands.h"

#include "assets/dsound.h"
#include "assets/stream.h"

#include "platform/sound.h"

#include "../platform/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A canonical 44-byte-header PCM WAV file.
std::vector<uint8_t> wave(int channels, int bits, uint32_t rate, const std::vector<uint8_t>& data, uint32_t tag = 1)
{
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    put32(out, 36 + static_cast<uint32_t>(data.size()));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, tag);
    put16(out, static_cast<uint32_t>(channels));
    put32(out, rate);
    put32(out, rate * static_cast<uint32_t>(channels * bits / 8));
    put16(out, static_cast<uint32_t>(channels * bits / 8));
    put16(out, static_cast<uint32_t>(bits));
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

void writeFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> readFile(const std::string& name)
{
    std::ifstream file(name, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

struct ToolRun {
    int code;
    std::string out, err;
};

ToolRun run(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    std::streambuf* oldOut = std::cout.rdbuf(out.rdbuf());
    std::streambuf* oldErr = std::cerr.rdbuf(err.rdbuf());
    const int code = strCommand(args);
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    return {code, out.str(), err.str()};
}

class StrCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        // 8-bit stereo at 11025, 3 frames; 16-bit mono at 22050, 22050 frames (one second).
        writeFile(folder.file("a.wav"), wave(2, 8, 11025, {0x80, 0xFF, 0x00, 0x7F, 0x10, 0x20}));
        std::vector<uint8_t> second;
        for (int i = 0; i < 22050; ++i) put16(second, static_cast<uint32_t>(i * 7) & 0xFFFF);
        writeFile(folder.file("b.wav"), wave(1, 16, 22050, second));
    }
    TempFolder folder;
};

TEST_F(StrCommands, PackedBankLoadsIntoThePlayerListsAndExtractsTheSameFiles)
{
    const std::string bank = folder.file("bank.str");
    ToolRun r = run({"pack", bank, folder.file("a.wav"), folder.file("b.wav")});
    ASSERT_EQ(r.code, 0) << r.err;

    const std::vector<uint8_t> bytes = readFile(bank);
    ASSERT_EQ(bytes.size(), 22u + 6 + 22 + 44100) << "two records, no header";
    const std::vector<uint8_t> firstHeader(bytes.begin(), bytes.begin() + 22);
    EXPECT_EQ(firstHeader, (std::vector<uint8_t>{1, 0, 2, 0, 0x11, 0x2B, 0, 0, 0x22, 0x56, 0, 0, 2, 0, 8, 0, 0, 0, 6, 0, 0, 0}));

    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", folder.file("out.raw").c_str(), 1);
    {
        DSound sound;
        FileSource stream(bank);
        sound.fromStream(stream, 0);
        sound.fromStream(stream, 1);
        EXPECT_EQ(stream.position(), stream.size());
        EXPECT_EQ(sound.slots[0].format->samplesPerSecond, 11025u);
        EXPECT_EQ(sound.slots[1].format->bitsPerSample, 16);
        EXPECT_EQ(sound.slots[1].sampleBytes, 44100u);
    }
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");

    r = run({"list", bank});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("2 sounds"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("   1   11025 Hz   8-bit  stereo          3 samples  0.000 s"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("   2   22050 Hz  16-bit  mono        22050 samples  1.000 s"), std::string::npos) << r.out;

    const std::string out = folder.file("out");
    r = run({"extract", bank, out});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, out + "/sound1.wav\n" + out + "/sound2.wav\n");
    EXPECT_EQ(readFile(out + "/sound1.wav"), readFile(folder.file("a.wav")));
    EXPECT_EQ(readFile(out + "/sound2.wav"), readFile(folder.file("b.wav")));
}

TEST_F(StrCommands, BadUsageAndBadDataGiveTheirExitCodes)
{
    writeFile(folder.file("deep.wav"), wave(1, 24, 22050, std::vector<uint8_t>(30, 0)));
    writeFile(folder.file("float.wav"), wave(1, 32, 22050, std::vector<uint8_t>(40, 0), 3));
    writeFile(folder.file("empty.wav"), wave(1, 16, 22050, {}));
    writeFile(folder.file("text.wav"), {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'});
    std::vector<uint8_t> cut = wave(1, 16, 22050, std::vector<uint8_t>(100, 0));
    cut.resize(cut.size() - 10);
    writeFile(folder.file("cut.wav"), cut);
    std::vector<uint8_t> shortBank;
    appendSoundRecord(shortBank, pcmWaveFormat(1, 8, 22050), std::vector<uint8_t>(10, 0x80).data(), 10);
    shortBank.resize(shortBank.size() - 1);
    writeFile(folder.file("short.str"), shortBank);
    std::vector<uint8_t> oddBank;
    appendSoundRecord(oddBank, pcmWaveFormat(1, 24, 22050), std::vector<uint8_t>(9, 0).data(), 9);
    writeFile(folder.file("odd.str"), oddBank);

    const std::string bank = folder.file("new.str");
    const struct Case {
        std::vector<std::string> args;
        int code;
        const char* says;   // in what is written on stderr
    } cases[] = {
        {{"pack", bank}, 2, "at least one WAV"},
        {{"pack", "--fast", bank, folder.file("a.wav")}, 2, "unknown option --fast"},
        {{"shuffle", bank}, 2, "unknown command \"shuffle\""},
        {{"list"}, 2, "one bank name"},
        {{"extract", bank}, 2, "a bank name and a folder"},
        {{"pack", bank, folder.file("missing.wav")}, 1, "Cannot open file"},
        {{"pack", bank, folder.file("text.wav")}, 1, "not a RIFF WAVE file"},
        {{"pack", bank, folder.file("deep.wav")}, 1, "24 bits per sample"},
        {{"pack", bank, folder.file("float.wav")}, 1, "not PCM"},
        {{"pack", bank, folder.file("empty.wav")}, 1, "no whole frame"},
        {{"pack", bank, folder.file("cut.wav")}, 1, "runs past the end"},
        {{"list", folder.file("short.str")}, 1, "record 1: the record announces 10 sample bytes, 9 left"},
        {{"list", folder.file("odd.str")}, 1, "record 1: not playable: 24 bits"},
        {{"extract", folder.file("odd.str"), folder.file("x")}, 1, "skipped record 1"},
        {{"list", folder.file("none.str")}, 1, "Cannot open file"},
    };
    for (const Case& c : cases) {
        const ToolRun r = run(c.args);
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        EXPECT_EQ(r.code, c.code) << joined << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << joined << "\n" << r.err;
    }
    EXPECT_TRUE(readFile(bank).empty()) << "no failed pack wrote the bank";
}

}  // namespace
