#include "assets/datfile.h"
#include "assets/datformat.h"
#include "assets/jpeg.h"
#include "assets/stream.h"

#include "platform/exception.h"

#include "archive_bytes.h"
#include "jpegencode.h"

#include <gtest/gtest.h>

#include <jerror.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

std::vector<uint8_t> solidJpeg(uint8_t red, uint8_t green, uint8_t blue, int width = 16, int height = 8)
{
    return encodeJpeg(solidPicture(width, height, red, green, blue), 100);
}

std::unique_ptr<DatFile> load(const std::vector<uint8_t>& bytes)
{
    MemorySource source(bytes);
    return std::make_unique<DatFile>(source);
}

std::string loadError(const std::vector<uint8_t>& bytes)
{
    try {
        load(bytes);
    } catch (const Exception& e) {
        return e.message();
    }
    return "(loaded)";
}

// The colour of a picture's centre pixel, for pictures of one colour (JPEG rounding allowed).
void expectColour(const Bitmap* picture, int red, int green, int blue, const std::string& what)
{
    ASSERT_NE(picture, nullptr) << what;
    const Bitmap::Colour c = picture->colourAt(picture->width / 2, picture->height / 2);
    EXPECT_NEAR(c.red, red, 3) << what;
    EXPECT_NEAR(c.green, green, 3) << what;
    EXPECT_NEAR(c.blue, blue, 3) << what;
}

TEST(DatFormat, KindIsTheTextAfterTheFirstDotInAnyLetterCase)
{
    const struct {
        const char* name;
        DatKind kind;
    } cases[] = {
        {"earth.bmp", DatKind::image}, {"Earth.BMP", DatKind::image}, {"x.Bmp", DatKind::image},
        {".bmp", DatKind::image},      {"bmp", DatKind::image},       {"ship.off", DatKind::mesh},
        {"SHIP.OFF", DatKind::mesh},   {"a.b.bmp", DatKind::none},    {"earth.bmp.txt", DatKind::none},
        {"readme.txt", DatKind::none}, {"notes", DatKind::none},      {"", DatKind::none},
        {"earth.bmp ", DatKind::none},
    };
    for (const auto& c : cases) EXPECT_EQ(datKindOf(c.name), c.kind) << "kind of \"" << c.name << "\"";
    EXPECT_EQ(datKindText("a.b.bmp"), "b.bmp");
    EXPECT_EQ(datKindText("notes"), "notes");
}

// One archive with every sort of entry; the lookups and slots follow from the entry positions.
class MixedArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        ArchiveBytes a;
        a.int32(8)
            .name("Earth.BMP")
            .name("ship.off")
            .name("earth.bmp")   // the same name again, another picture
            .name("readme.txt")
            .name("notes")
            .name("a.b.bmp")
            .name("lens0.bmp", 0xee)   // bytes after the NUL are ignored
            .name("bmp");
        a.image(solidJpeg(250, 0, 0));
        a.int32(2).int32(1).floats({1, 2, 3, -4, 5.5f, 6}).raw({10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21});
        a.image(solidJpeg(0, 0, 250));
        // readme.txt, notes and a.b.bmp carry nothing: the next payload follows at once.
        a.image(solidJpeg(0, 250, 0, 8, 4));
        a.image(solidJpeg(250, 250, 250));
        archive = load(a.bytes);
    }
    std::unique_ptr<DatFile> archive;
};

TEST_F(MixedArchive, LookupsCompareWholeNamesWithoutCaseAndTheFirstMatchWins)
{
    expectColour(archive->getBitmap("earth.bmp"), 250, 0, 0, "earth.bmp: the first of the two");
    expectColour(archive->getBitmap("EARTH.BMP"), 250, 0, 0, "EARTH.BMP");
    expectColour(archive->getBitmap("lens0.bmp"), 0, 250, 0, "lens0.bmp, after three entries without data");
    expectColour(archive->getBitmap("BMP"), 250, 250, 250, "an image entry named bmp, without a dot");
    EXPECT_EQ(archive->getBitmap("lens0.bmp")->width, 8);
    for (const char* missing : {"earth", "ship.off", "readme.txt", "notes", "a.b.bmp", "earth.bmp ", "", "lens1.bmp"})
        EXPECT_EQ(archive->getBitmap(missing), nullptr) << "lookup of \"" << missing << "\"";
}

TEST_F(MixedArchive, SlotsFollowEntryPositions)
{
    const std::vector<std::string> names = {"Earth.BMP", "ship.off", "earth.bmp", "readme.txt",
                                            "notes",     "a.b.bmp",  "lens0.bmp", "bmp"};
    EXPECT_EQ(archive->names(), names);
    const bool hasImage[] = {true, false, true, false, false, false, true, true};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(archive->image(i) != nullptr, hasImage[i]) << "image slot " << i;
        EXPECT_EQ(archive->mesh(i) != nullptr, i == 1) << "mesh slot " << i;
    }
    expectColour(archive->image(2), 0, 0, 250, "the duplicate's own slot");
    EXPECT_EQ(archive->image(8), nullptr);
    EXPECT_EQ(archive->image(-1), nullptr);
    EXPECT_EQ(archive->image(100), nullptr);

    const DatMesh* mesh = archive->mesh(1);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->pointCount, 2);
    EXPECT_EQ(mesh->faceCount, 1);
    ASSERT_EQ(mesh->points.size(), 2u);
    EXPECT_EQ(mesh->points[1].x, -4);
    EXPECT_EQ(mesh->points[1].y, 5.5f);
    ASSERT_EQ(mesh->faces.size(), 12u);
    EXPECT_EQ(mesh->faces[0], 10);
    EXPECT_EQ(mesh->faces[11], 21);
}

TEST(DatFile, DecodesColourAsBlueGreenRedTopRowFirstAndGreyAsEightBits)
{
    Bitmap picture = solidPicture(16, 16, 0, 0, 255);
    for (int y = 0; y < 8; ++y)   // top half red
        for (int x = 0; x < 16; ++x) {
            picture.row(y)[x * 3 + 0] = 0;
            picture.row(y)[x * 3 + 2] = 255;
        }
    Bitmap grey(16, 16, 8);
    std::fill(grey.pixels.begin(), grey.pixels.end(), 77);

    ArchiveBytes a;
    a.int32(2).name("colour.bmp").name("grey.bmp").image(encodeJpeg(picture, 100)).image(encodeJpeg(grey, 100));
    const auto archive = load(a.bytes);

    const Bitmap* colour = archive->getBitmap("colour.bmp");
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(colour->bitsPerPixel, 24);
    EXPECT_EQ(colour->stride(), 48u);
    EXPECT_GT(colour->row(2)[2], 240) << "red byte last in the top rows";
    EXPECT_LT(colour->row(2)[0], 15) << "blue byte first";
    EXPECT_GT(colour->row(13)[0], 240) << "blue in the bottom rows";

    const Bitmap* g = archive->getBitmap("grey.bmp");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->bitsPerPixel, 8);
    EXPECT_EQ(g->pixels.size(), 256u);
    EXPECT_NEAR(g->colourAt(5, 5).green, 77, 2);
}

TEST(DatFile, EmptyArchiveAnswersNothing)
{
    const auto archive = load(ArchiveBytes().int32(0).bytes);
    EXPECT_TRUE(archive->names().empty());
    EXPECT_EQ(archive->getBitmap("earth.bmp"), nullptr);
    EXPECT_EQ(archive->getBitmap(""), nullptr);
}

TEST(DatFile, AHundredEntriesFitTheTables)
{
    ArchiveBytes a;
    a.int32(100);
    for (int i = 0; i < 99; ++i) a.name("n" + std::to_string(i) + ".txt");
    a.name("last.bmp").image(solidJpeg(0, 250, 0));
    const auto archive = load(a.bytes);
    EXPECT_EQ(archive->names().size(), 100u);
    expectColour(archive->image(99), 0, 250, 0, "slot 99");
}

TEST(DatFile, DataThatEndsEarlyIsAStreamReadError)
{
    const std::vector<uint8_t> jpeg = solidJpeg(250, 0, 0);
    ArchiveBytes whole;
    whole.int32(1).name("a.bmp").image(jpeg);
    const struct {
        size_t keep;
        const char* where;
    } cuts[] = {
        {2, "inside the count"},
        {4 + 64, "before the image size"},
        {4 + 64 + 2, "inside the image size"},
        {whole.bytes.size() - 1, "one byte short of the image"},
        {4 + 64 + 4 + jpeg.size() / 2, "half the image"},
    };
    for (const auto& cut : cuts) {
        const std::vector<uint8_t> bytes(whole.bytes.begin(), whole.bytes.begin() + cut.keep);
        EXPECT_EQ(loadError(bytes), "Stream read error") << "cut " << cut.where;
    }
    EXPECT_EQ(loadError(ArchiveBytes().int32(2).name("a.bmp").name("b.off").image(jpeg).int32(0).bytes),
              "Stream read error")
        << "a mesh without its face count";
}

TEST(DatFile, BrokenArchivesAreRejectedWithTheReason)
{
    ArchiveBytes tooMany;
    tooMany.int32(101);
    for (int i = 0; i < 101; ++i) tooMany.name("n.txt");
    const std::vector<uint8_t> jpeg = solidJpeg(1, 2, 3);

    const struct {
        std::vector<uint8_t> bytes;
        const char* error;
    } cases[] = {
        {tooMany.bytes, "Archive has 101 entries, more than the 100 it can hold"},
        {ArchiveBytes().int32(-1).bytes, "Archive has a negative entry count (-1)"},
        {ArchiveBytes().int32(3).name("a.txt").name("b.txt").bytes, "Archive names 3 entries but holds only 2 name fields"},
        {ArchiveBytes().int32(0x7fffffff).bytes, "Archive has 2147483647 entries, more than the 100 it can hold"},
        {ArchiveBytes().int32(1).name("a.txt").name("b.txt").bytes,
         "Archive holds 64 bytes after its last entry; its entry count (1) does not match the data"},
        {ArchiveBytes().int32(1).name("a.bmp").image(jpeg).int32(0).bytes,
         "Archive holds 4 bytes after its last entry; its entry count (1) does not match the data"},
        {ArchiveBytes().int32(2).name("a.txt").name(std::string(64, 'x')).bytes,
         "Archive entry 1 has a name field without its NUL"},
        {ArchiveBytes().int32(1).name("a.bmp").int32(0).bytes, "Image entry \"a.bmp\" has a size of 0 bytes"},
        {ArchiveBytes().int32(1).name("a.bmp").int32(-7).raw(jpeg).bytes, "Image entry \"a.bmp\" has a size of -7 bytes"},
        {ArchiveBytes().int32(1).name("a.bmp").int32(0x7fffffff).raw(jpeg).bytes, "Stream read error"},
        {ArchiveBytes().int32(1).name("m.off").int32(-1).int32(0).bytes,
         "Mesh entry \"m.off\" has a negative count: -1 points and 0 faces"},
        {ArchiveBytes().int32(1).name("m.off").int32(0).int32(-2).bytes,
         "Mesh entry \"m.off\" has a negative count: 0 points and -2 faces"},
        {ArchiveBytes().int32(1).name("m.off").int32(1).int32(1).floats({1, 2, 3}).bytes,
         "Mesh entry \"m.off\" claims 1 points and 1 faces, more than the 12 bytes that follow"},
        {ArchiveBytes().int32(1).name("m.off").int32(0x7fffffff).int32(0x7fffffff).bytes,
         "Mesh entry \"m.off\" claims 2147483647 points and 2147483647 faces, more than the 0 bytes that follow"},
    };
    for (const auto& c : cases) EXPECT_EQ(loadError(c.bytes), c.error);
}

TEST(DatFile, UndecodablePayloadsRaiseTheDecodersNumberAndTheProcessGoesOn)
{
    const std::vector<uint8_t> jpeg = solidJpeg(250, 0, 0);
    std::vector<uint8_t> badPrecision = jpeg;
    // The start-of-frame segment: FF C0, length (2 bytes), then the sample precision.
    for (size_t i = 0; i + 4 < badPrecision.size(); ++i)
        if (badPrecision[i] == 0xff && badPrecision[i + 1] == 0xc0) {
            badPrecision[i + 4] = 9;
            break;
        }
    const std::vector<uint8_t> cutShort(jpeg.begin(), jpeg.begin() + jpeg.size() / 2);

    const struct {
        std::vector<uint8_t> payload;
        int code;
        const char* what;
    } cases[] = {
        {{'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'}, JERR_NO_SOI, "not a JPEG stream"},
        {{0xff, 0xd8}, JWRN_JPEG_EOF, "a start marker and nothing else"},
        {cutShort, JWRN_JPEG_EOF, "a stream that ends inside the picture"},
        {badPrecision, JERR_BAD_PRECISION, "9-bit samples"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(loadError(ArchiveBytes().int32(1).name("x.bmp").image(c.payload).bytes),
                  "JPEG error #" + std::to_string(c.code))
            << c.what;
    // The failures above left the decoder usable.
    const auto archive = load(ArchiveBytes().int32(1).name("x.bmp").image(jpeg).bytes);
    expectColour(archive->getBitmap("x.bmp"), 250, 0, 0, "decoded after the failures");
}

TEST(DatFile, OpensFilesByNameAndSaysWhichOneIsMissing)
{
    const std::string path = (std::filesystem::temp_directory_path() / "caldrise-datfile-test.dat").string();
    const std::vector<uint8_t> bytes = ArchiveBytes().int32(1).name("a.bmp").image(solidJpeg(0, 0, 250)).bytes;
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    const DatFile archive(path);
    expectColour(archive.getBitmap("A.bmp"), 0, 0, 250, "from the file");
    std::filesystem::remove(path);

    try {
        DatFile missing(path);
        ADD_FAILURE() << "a missing file loaded";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Cannot open file " + path);
    }
}

TEST(DatFormat, WriterLaysOutTheBytesTheReaderReads)
{
    const std::vector<uint8_t> jpeg = solidJpeg(250, 0, 0);
    const std::vector<uint8_t> mesh = ArchiveBytes().int32(1).int32(0).floats({1, 2, 3}).bytes;
    const std::vector<DatEntry> entries = {{"Earth.BMP", jpeg}, {"notes", {}}, {"ship.off", mesh}};
    const std::vector<uint8_t> expected =
        ArchiveBytes().int32(3).name("Earth.BMP").name("notes").name("ship.off").image(jpeg).raw(mesh).bytes;
    EXPECT_EQ(writeDatArchive(entries), expected);

    MemorySource source(expected);
    const std::vector<DatEntry> read = readDatEntries(source);
    ASSERT_EQ(read.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(read[i].name, entries[i].name);
        EXPECT_EQ(read[i].payload, entries[i].payload) << entries[i].name;
    }
}

TEST(DatFormat, WriterRefusesWhatTheReaderWouldReject)
{
    const std::vector<uint8_t> mesh = ArchiveBytes().int32(1).int32(0).floats({1, 2, 3}).bytes;
    const struct {
        std::vector<DatEntry> entries;
        const char* error;
    } cases[] = {
        {std::vector<DatEntry>(101, DatEntry{"n.txt", {}}), "An archive holds at most 100 entries, not 101"},
        {{{std::string(64, 'a') + ".txt", {}}}, "is longer than 63 characters"},
        {{{std::string("a\0b.txt", 7), {}}}, "holds a NUL"},
        {{{"a.bmp", {}}}, "Image entry \"a.bmp\" has no data"},
        {{{"m.off", std::vector<uint8_t>(mesh.begin(), mesh.end() - 1)}}, "claims 1 points and 0 faces"},
        {{{"m.off", ArchiveBytes().raw(mesh).int32(0).bytes}}, "holds 16 bytes after its counts instead of 12"},
        {{{"a.txt", {1}}}, "is of kind \"txt\", which carries no data"},
    };
    for (const auto& c : cases) {
        std::string error = "(written)";
        try {
            writeDatArchive(c.entries);
        } catch (const Exception& e) {
            error = e.message();
        }
        EXPECT_NE(error.find(c.error), std::string::npos) << "got: " << error;
    }
}

TEST(Jpeg, HeaderInfoWithoutDecoding)
{
    const JpegInfo info = readJpegInfo(solidJpeg(1, 2, 3, 40, 24).data(), solidJpeg(1, 2, 3, 40, 24).size());
    EXPECT_EQ(info.width, 40);
    EXPECT_EQ(info.height, 24);
    EXPECT_EQ(info.components, 3);
    try {
        const uint8_t junk[] = {1, 2, 3};
        readJpegInfo(junk, sizeof junk);
        ADD_FAILURE() << "junk had a header";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "JPEG error #" + std::to_string(JERR_NO_SOI));
    }
}

}  // namespace
