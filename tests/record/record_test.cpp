// caldrise-record run as a program: its stills show what the intro draws, the same arguments give
// the same bytes, and the frame options write the files they promise. The PNG files are read back
// here with zlib, chunk CRCs checked, independently of the recorder's writer.
#include "jpegencode.h"

#include "assets/bitmap.h"
#include "assets/datformat.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;   // top row first
    int level(int x, int y) const
    {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return p[0] + p[1] + p[2];
    }
};

std::vector<uint8_t> fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t be32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Reads an 8-bit RGB, non-interlaced PNG whose rows use filter 0, which is what the recorder
// writes; anything else fails the test.
Picture readPng(const fs::path& path)
{
    Picture picture;
    const std::vector<uint8_t> bytes = fileBytes(path);
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    EXPECT_GE(bytes.size(), 8u) << path;
    if (bytes.size() < 8 || !std::equal(signature, signature + 8, bytes.begin())) {
        ADD_FAILURE() << path << " is not a PNG";
        return picture;
    }
    std::vector<uint8_t> packed;
    bool ended = false;
    for (size_t at = 8; at + 12 <= bytes.size() && !ended;) {
        const uint32_t length = be32(&bytes[at]);
        if (at + 12 + length > bytes.size()) break;
        const std::string type(bytes.begin() + at + 4, bytes.begin() + at + 8);
        const uint8_t* data = &bytes[at + 8];
        const uint32_t crc = static_cast<uint32_t>(crc32(0, &bytes[at + 4], length + 4));
        EXPECT_EQ(crc, be32(data + length)) << "CRC of " << type;
        if (type == "IHDR") {
            picture.width = static_cast<int>(be32(data));
            picture.height = static_cast<int>(be32(data + 4));
            EXPECT_EQ(data[8], 8) << "bit depth";
            EXPECT_EQ(data[9], 2) << "colour type RGB";
            EXPECT_EQ(data[12], 0) << "interlace";
        } else if (type == "IDAT") {
            packed.insert(packed.end(), data, data + length);
        } else if (type == "IEND") {
            ended = true;
        }
        at += 12 + length;
    }
    EXPECT_TRUE(ended) << path << " has no IEND";
    const size_t stride = static_cast<size_t>(picture.width) * 3;
    std::vector<uint8_t> raw((stride + 1) * static_cast<size_t>(picture.height));
    uLongf rawSize = static_cast<uLongf>(raw.size());
    EXPECT_EQ(uncompress(raw.data(), &rawSize, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
    EXPECT_EQ(rawSize, raw.size());
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* row = raw.data() + y * (stride + 1);
        EXPECT_EQ(row[0], 0) << "filter of row " << y;
        picture.rgb.insert(picture.rgb.end(), row + 1, row + 1 + stride);
    }
    return picture;
}

Bitmap solid(int width, int height, uint8_t level)
{
    Bitmap b(width, height);
    std::fill(b.pixels.begin(), b.pixels.end(), level);
    return b;
}

class RecordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int run = 0;
        folder = fs::temp_directory_path() / ("caldrise-record-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + std::to_string(++run));
        data = folder / "data";
        fs::create_directories(data);
        // The fixture logo: white in its top half, black below.
        Bitmap logo(512, 256);
        for (int y = 0; y < 128; ++y) std::fill(logo.row(y), logo.row(y) + logo.stride(), 255);
        const std::vector<DatEntry> entries = {{"logo1.bmp", encodeJpeg(logo, 95)},
                                               {"smoke.bmp", encodeJpeg(solid(64, 64, 128), 95)},
                                               {"shine.bmp", encodeJpeg(solid(64, 64, 200), 95)}};
        const std::vector<uint8_t> bytes = writeDatArchive(entries);
        std::ofstream(data / "logo.dat", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    int record(const std::string& arguments)
    {
        const std::string command = std::string("'") + RECORDER_PATH + "' " + arguments + " 2>'" +
                                    (folder / "stderr").string() + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string err() const
    {
        const std::vector<uint8_t> b = fileBytes(folder / "stderr");
        return std::string(b.begin(), b.end());
    }
    // The build's own data folder, beside the recorder, as caldrise-forge makes it.
    static bool buildHasData()
    {
        const fs::path folder = fs::path(RECORDER_PATH).parent_path() / "Caldrise";
        return fs::exists(folder / "logo.dat") && fs::exists(folder / "Caldrise.dat");
    }
    std::string withFixture() const { return "--data '" + data.string() + "' --size 256x192 "; }

    fs::path folder, data;
};

// At intro clock 6 the line has passed and the particles have died: the logo alone is left, its
// bright top half above the picture's middle, its black bottom half and everything around black.
TEST_F(RecordTest, IntroStillShowsTheUncoveredLogo)
{
    const fs::path out = folder / "logo.png";
    ASSERT_EQ(record(withFixture() + "--intro-still 6 --out '" + out.string() + "'"), 0) << err();
    const Picture p = readPng(out);
    ASSERT_EQ(p.width, 256);
    ASSERT_EQ(p.height, 192);
    // The camera looks up at the logo from below: its top half lies just above the middle row.
    EXPECT_GT(p.level(128, 96 - 12), 600) << "logo's bright half at the centre column";
    EXPECT_LT(p.level(128, 96 + 16), 60) << "logo's black half";
    for (const auto& [x, y] : {std::pair{2, 2}, {253, 2}, {2, 189}, {253, 189}, {128, 10}, {128, 180}})
        EXPECT_LT(p.level(x, y), 30) << "outside the logo at " << x << "," << y;
}

TEST_F(RecordTest, DefaultDataFolderStillIsNotBlackWhereTheLogoIs)
{
    if (!buildHasData()) GTEST_SKIP() << "the build has made no data folder beside the recorder";
    const fs::path out = folder / "default.png";
    ASSERT_EQ(record("--size 256x192 --intro-still 5 --out '" + out.string() + "'"), 0) << err();
    const Picture p = readPng(out);
    ASSERT_EQ(p.width, 256);
    int lit = 0;
    for (int y = 192 / 3; y < 2 * 192 / 3; ++y)
        for (int x = 256 / 4; x < 3 * 256 / 4; ++x) lit += p.level(x, y) > 150;
    EXPECT_GT(lit, 100) << "bright pixels in the logo's part of the picture";
}

TEST_F(RecordTest, SameArgumentsGiveTheSameBytes)
{
    const fs::path a = folder / "a.png", b = folder / "b.png", c = folder / "c.png";
    ASSERT_EQ(record(withFixture() + "--intro-still 2.5 --out '" + a.string() + "'"), 0) << err();
    ASSERT_EQ(record(withFixture() + "--intro-still 2.5 --out '" + b.string() + "'"), 0) << err();
    ASSERT_EQ(record(withFixture() + "--intro-still 2.6 --out '" + c.string() + "'"), 0) << err();
    EXPECT_EQ(fileBytes(a), fileBytes(b)) << "two runs of the same still";
    EXPECT_NE(fileBytes(a), fileBytes(c)) << "a later intro clock is another picture";
}

TEST_F(RecordTest, IntroFramesAreWrittenNumberedForTheirClockRange)
{
    const fs::path dir = folder / "frames";
    fs::create_directories(dir);
    // 0.5 intro clock units = 600 ms = 18 frames at 30 per second.
    ASSERT_EQ(record(withFixture() + "--frames '" + dir.string() + "' --from 1 --to 1.5 --intro"), 0) << err();
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_GE(names.size(), 17u);
    ASSERT_LE(names.size(), 19u);
    EXPECT_EQ(names.front(), "frame-000000.png");
    const Picture first = readPng(dir / names.front());
    EXPECT_EQ(first.width, 256);
    EXPECT_EQ(first.height, 192);
    EXPECT_NE(fileBytes(dir / names.front()), fileBytes(dir / names.back())) << "the intro moves";
}

TEST_F(RecordTest, SceneStillHasTheAskedSize)
{
    if (!buildHasData()) GTEST_SKIP() << "the build has made no data folder beside the recorder";
    const fs::path out = folder / "scene.png";
    ASSERT_EQ(record("--size 160x120 --still 0.5 --out '" + out.string() + "'"), 0) << err();
    const Picture p = readPng(out);
    EXPECT_EQ(p.width, 160);
    EXPECT_EQ(p.height, 120);
}

TEST_F(RecordTest, BadArgumentsAreRefused)
{
    for (const char* args : {"", "--size 0x10 --still 1", "--intro-still", "--still x", "--fps 0 --still 1",
                             "--frames d --from 2 --to 1", "--still 1 --bench", "--no-such-option"})
        EXPECT_EQ(record(args), 2) << "arguments: " << args;
}

}  // namespace
