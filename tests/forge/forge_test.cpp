// The data files caldrise-forge made in the build's data folder, read back with the program's own
// archive reader and JPEG decoder, and the forge run again to see it repeat itself byte for byte.

#include "preview_banner.h"

#include "assets/bitmap.h"
#include "assets/datformat.h"
#include "assets/jpeg.h"
#include "assets/stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kDataDir = FORGE_DATA_DIR;

struct Archive {
    std::vector<std::string> names;
    std::map<std::string, std::unique_ptr<Bitmap>> images;
};

Archive load(const std::string& file)
{
    Archive a;
    FileSource source(kDataDir + "/" + file);
    for (const DatEntry& e : readDatEntries(source)) {
        a.names.push_back(e.name);
        if (datKindOf(e.name) == DatKind::image) a.images[e.name] = decodeJpeg(e.payload.data(), e.payload.size());
    }
    return a;
}

class ForgeData : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        scene = new Archive(load("Caldrise.dat"));
        logo = new Archive(load("logo.dat"));
    }
    static void TearDownTestSuite()
    {
        delete scene;
        delete logo;
    }
    static const Bitmap& image(const Archive& a, const std::string& name)
    {
        const auto it = a.images.find(name);
        if (it == a.images.end()) throw std::runtime_error("no image " + name);
        return *it->second;
    }
    static Archive* scene;
    static Archive* logo;
};
Archive* ForgeData::scene = nullptr;
Archive* ForgeData::logo = nullptr;

bool powerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

int red(const Bitmap& b, int x, int y) { return b.colourAt(x, y).red; }

const std::vector<std::string> kSceneNames = {"lcloud.bmp", "earth.bmp",  "earthBump.bmp", "hull.bmp",
                                              "foil.bmp",   "cloud.bmp",  "font.bmp",      "lens0.bmp",
                                              "lens1.bmp",  "lens4.bmp",  "lens5.bmp",     "lens6.bmp"};
const std::vector<std::string> kLogoNames = {"logo1.bmp", "smoke.bmp", "shine.bmp"};

TEST_F(ForgeData, ArchivesHoldTheNamedColourImages)
{
    const struct {
        const Archive* archive;
        const std::vector<std::string>* names;
    } cases[] = {{scene, &kSceneNames}, {logo, &kLogoNames}};
    for (const auto& c : cases) {
        EXPECT_EQ(*c.names, c.archive->names);
        for (const std::string& name : *c.names) {
            EXPECT_EQ(DatKind::image, datKindOf(name)) << name;
            const Bitmap& b = image(*c.archive, name);
            EXPECT_EQ(24, b.bitsPerPixel) << name << " should be a colour JPEG";
            EXPECT_TRUE(powerOfTwo(b.width) && powerOfTwo(b.height)) << name << " is " << b.width << "x" << b.height;
        }
    }
}

TEST_F(ForgeData, SizesTheSaverDrawsWith)
{
    const struct {
        const Archive* archive;
        const char* name;
        int width, height;
    } cases[] = {{logo, "logo1.bmp", 512, 256}, {scene, "earth.bmp", 1024, 1024}, {scene, "earthBump.bmp", 1024, 1024}};
    for (const auto& c : cases) {
        const Bitmap& b = image(*c.archive, c.name);
        EXPECT_EQ(c.width, b.width) << c.name;
        EXPECT_EQ(c.height, b.height) << c.name;
    }
    // The font is one row of 64 cells, each twice as high as wide (the glyph quad is 0.04 × 0.08).
    const Bitmap& font = image(*scene, "font.bmp");
    EXPECT_EQ(0, font.width % 64);
    EXPECT_EQ(2 * (font.width / 64), font.height);
}

// The caption characters and their cells; all other cells stay empty.
const std::vector<std::pair<char, int>> kGlyphCells = [] {
    std::vector<std::pair<char, int>> cells;
    for (char c = '1'; c <= '9'; ++c) cells.push_back({c, c - '1'});
    cells.push_back({'0', 9});
    for (char c = 'a'; c <= 'z'; ++c) cells.push_back({c, 10 + c - 'a'});
    cells.push_back({':', 56});
    cells.push_back({',', 58});
    cells.push_back({'.', 59});
    cells.push_back({'-', 60});
    return cells;
}();

// The brightest red in a rectangle of the picture.
int maxRed(const Bitmap& b, int x0, int y0, int x1, int y1)
{
    int m = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) m = std::max(m, red(b, x, y));
    return m;
}

TEST_F(ForgeData, EachGlyphStaysInsideItsCell)
{
    const Bitmap& font = image(*scene, "font.bmp");
    const int w = font.width / 64, h = font.height;
    const int rim = 2;   // pixels at each side of a cell that must stay dark, so mipmaps keep cells apart
    const int dark = 40;  // JPEG ringing stays below this
    std::vector<bool> used(64, false);
    for (const auto& [ch, cell] : kGlyphCells) {
        used[cell] = true;
        const int x0 = cell * w;
        EXPECT_GT(maxRed(font, x0 + rim, rim, x0 + w - rim, h - rim), 200) << "no glyph for '" << ch << "' in cell " << cell;
        const int edge = std::max({maxRed(font, x0, 0, x0 + rim, h), maxRed(font, x0 + w - rim, 0, x0 + w, h),
                                   maxRed(font, x0, 0, x0 + w, rim), maxRed(font, x0, h - rim, x0 + w, h)});
        EXPECT_LT(edge, dark) << "'" << ch << "' reaches the border of cell " << cell;
    }
    for (int cell = 0; cell < 64; ++cell) {
        if (!used[cell]) {
            EXPECT_LT(maxRed(font, cell * w, 0, cell * w + w, h), dark) << "cell " << cell << " should be empty";
        }
    }

    // Upright: the full stop and the comma sit in the lower half of the picture (v = 0 at the bottom).
    for (const int cell : {58, 59}) {
        EXPECT_GT(maxRed(font, cell * w, h / 2, cell * w + w, h), 200) << "cell " << cell;
        EXPECT_LT(maxRed(font, cell * w, 0, cell * w + w, h / 3), dark) << "cell " << cell;
    }
}

TEST_F(ForgeData, SpritesFadeToBlackAtTheirBorders)
{
    for (const char* name : {"lens0.bmp", "lens1.bmp", "lens4.bmp", "lens5.bmp", "lens6.bmp", "smoke.bmp"}) {
        const Archive& a = std::string(name) == "smoke.bmp" ? *logo : *scene;
        const Bitmap& b = image(a, name);
        const int frame = 4;
        const int border = std::max({maxRed(b, 0, 0, b.width, frame), maxRed(b, 0, b.height - frame, b.width, b.height),
                                     maxRed(b, 0, 0, frame, b.height), maxRed(b, b.width - frame, 0, b.width, b.height)});
        EXPECT_LE(border, 6) << name << " shows an edge";
        EXPECT_GT(maxRed(b, 0, 0, b.width, b.height), 150) << name << " has no bright shape";
    }
}

// Mean red difference between columns a and b (or rows, when `rows`).
double lineDifference(const Bitmap& bm, int a, int b, bool rows)
{
    const int n = rows ? bm.width : bm.height;
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        const Bitmap::Colour p = rows ? bm.colourAt(i, a) : bm.colourAt(a, i);
        const Bitmap::Colour q = rows ? bm.colourAt(i, b) : bm.colourAt(b, i);
        sum += std::abs(p.red - q.red) + std::abs(p.green - q.green) + std::abs(p.blue - q.blue);
    }
    return sum / n;
}

TEST_F(ForgeData, RepeatingTexturesContinueAcrossTheirEdges)
{
    for (const char* name : {"earth.bmp", "earthBump.bmp", "lcloud.bmp", "cloud.bmp", "hull.bmp", "foil.bmp"}) {
        const Bitmap& b = image(*scene, name);
        for (const bool rows : {false, true}) {
            const int n = rows ? b.height : b.width;
            // The wrap from the last line to the first should look like any step between
            // neighbouring lines inside the picture, not like a jump between unrelated ones.
            double inside = 0.0;
            for (int i = 0; i + 1 < n; ++i) inside += lineDifference(b, i, i + 1, rows);
            inside /= n - 1;
            const double seam = lineDifference(b, n - 1, 0, rows);
            EXPECT_LT(seam, 2.5 * inside + 1.5) << name << (rows ? " top to bottom" : " left to right") << ": seam " << seam
                                                << ", neighbouring lines " << inside;
        }
    }
}

double brightness(Bitmap::Colour c)
{
    return std::sqrt(c.red * c.red + c.green * c.green + c.blue * c.blue) / 255.0;
}

TEST_F(ForgeData, LogoIsBrightOnBlack)
{
    const Bitmap& b = image(*logo, "logo1.bmp");
    int bright = 0, black = 0;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) {
            const double v = brightness(b.colourAt(x, y));
            bright += v > 0.2;   // where the intro's sweep spawns sparks
            black += v < 0.05;
        }
    const double total = static_cast<double>(b.width) * b.height;
    EXPECT_GT(bright / total, 0.05) << "too little of the logo would spark";
    EXPECT_LT(bright / total, 0.5);
    EXPECT_GT(black / total, 0.4) << "the logo should stand on black";
    // The sweep crosses bright parts across the picture's width, not in one place only.
    int columnsWithSparks = 0;
    for (int x = 0; x < b.width; x += 16) {
        bool any = false;
        for (int y = 0; y < b.height && !any; ++y) any = brightness(b.colourAt(x, y)) > 0.2;
        columnsWithSparks += any;
    }
    EXPECT_GT(columnsWithSparks, b.width / 16 * 2 / 3);
}

TEST(ForgeBanner, DarkSkyWithBrightLetteringAndFire)
{
    ASSERT_EQ(140, kPreviewBannerWidth);
    ASSERT_EQ(70, kPreviewBannerHeight);
    auto pixel = [](int x, int y) { return &kPreviewBanner[(y * kPreviewBannerWidth + x) * 3]; };
    double topRow = 0.0;
    for (int x = 0; x < kPreviewBannerWidth; ++x) topRow += pixel(x, 0)[0] + pixel(x, 0)[1] + pixel(x, 0)[2];
    EXPECT_LT(topRow / (3 * kPreviewBannerWidth), 50.0) << "the sky should be dark";
    int white = 0, fire = 0;
    for (int y = 0; y < kPreviewBannerHeight; ++y)
        for (int x = 0; x < kPreviewBannerWidth; ++x) {
            const unsigned char* p = pixel(x, y);
            white += p[0] > 200 && p[1] > 200 && p[2] > 170;
            fire += p[0] > 150 && p[0] > p[2] + 100;
        }
    EXPECT_GT(white, 150) << "no lettering";
    EXPECT_GT(fire, 20) << "no fire streak";
}

// ---- determinism ---------------------------------------------------------------------------------

std::string makeTempFolder()
{
    char pattern[] = "/tmp/forge-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "";
}

std::map<std::string, std::string> readFolder(const std::string& folder)
{
    std::map<std::string, std::string> files;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return files;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::ifstream in(folder + "/" + name, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[name] = bytes.str();
    }
    closedir(dir);
    return files;
}

std::map<std::string, std::string> forgeInto(const std::string& folder)
{
    const std::string command = std::string("'") + FORGE_EXE + "' '" + folder + "' --mesh-header '" + folder +
                                "/mesh.h' --mesh-source '" + folder + "/mesh.cpp' --banner-header '" + folder +
                                "/banner.h' --banner-source '" + folder + "/banner.cpp'";
    EXPECT_EQ(0, std::system(command.c_str())) << command;
    return readFolder(folder);
}

TEST(ForgeRun, SameSourceGivesTheSameBytes)
{
    const std::string a = makeTempFolder(), b = makeTempFolder();
    ASSERT_FALSE(a.empty() || b.empty());
    const auto first = forgeInto(a), second = forgeInto(b);
    for (const char* name : {"Caldrise.dat", "logo.dat", "banner.h", "banner.cpp"})
        EXPECT_EQ(1u, first.count(name)) << name << " was not written";
    ASSERT_EQ(first.size(), second.size());
    for (const auto& [name, bytes] : first) {
        const auto other = second.find(name);
        ASSERT_NE(other, second.end()) << name;
        EXPECT_TRUE(bytes == other->second) << name << " differs between two runs";
    }
    std::system(("rm -rf '" + a + "' '" + b + "'").c_str());
}

}   // namespace
