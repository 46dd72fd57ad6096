// The forge's station mesh, read back from the C++ tables it writes.
#include "forge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The numbers of one table's initialiser, in order: from the "=" after the table's name to "};".
std::vector<double> tableNumbers(const std::string& source, const std::string& name)
{
    std::vector<double> numbers;
    size_t start = source.find(name + "[");
    if (start == std::string::npos) return numbers;
    start = source.find("= {", start);
    const size_t end = source.find("};", start);
    if (start == std::string::npos || end == std::string::npos) return numbers;
    const char* p = source.c_str() + start + 3;
    const char* stop = source.c_str() + end;
    while (p < stop) {
        if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '.') {
            char* next = nullptr;
            numbers.push_back(std::strtod(p, &next));
            p = next;
            if (*p == 'f') ++p;
        } else {
            ++p;
        }
    }
    return numbers;
}

int headerConstant(const std::string& header, const std::string& name)
{
    const size_t at = header.find("constexpr int " + name + " = ");
    if (at == std::string::npos) return -1;
    return std::atoi(header.c_str() + at + name.size() + 17);
}

struct Mesh {
    std::string header, source;
    std::vector<double> vertices, normals, triangles, materials, groups;
};

const Mesh& mesh()
{
    static Mesh m = [] {
        Mesh r;
        const std::string h = ::testing::TempDir() + "forge_test_station_mesh.h";
        const std::string s = ::testing::TempDir() + "forge_test_station_mesh.cpp";
        if (!forgeStationMesh(h, s)) return r;
        r.header = readText(h);
        r.source = readText(s);
        r.vertices = tableNumbers(r.source, "stationVertices");
        r.normals = tableNumbers(r.source, "stationNormals");
        r.triangles = tableNumbers(r.source, "stationTriangles");
        r.materials = tableNumbers(r.source, "stationMaterials");
        r.groups = tableNumbers(r.source, "stationGroups");
        std::remove(h.c_str());
        std::remove(s.c_str());
        return r;
    }();
    return m;
}

TEST(StationMesh, TablesHoldWhatTheHeaderDeclares)
{
    const Mesh& m = mesh();
    ASSERT_FALSE(m.source.empty()) << "the forge wrote no source";
    EXPECT_EQ(m.vertices.size(), 3u * headerConstant(m.header, "kStationVertexCount"));
    EXPECT_EQ(m.normals.size(), 3u * headerConstant(m.header, "kStationNormalCount"));
    EXPECT_EQ(m.triangles.size(), 6u * headerConstant(m.header, "kStationTriangleCount"));
    EXPECT_EQ(headerConstant(m.header, "kStationMaterialCount"), 4);
    EXPECT_EQ(headerConstant(m.header, "kStationGroupCount"), 11);
    EXPECT_EQ(m.materials.size(), 4u * 15);
    EXPECT_EQ(m.groups.size(), 11u * 2);
    for (const char* declared : {"extern const float stationVertices[kStationVertexCount][3];",
                                 "extern const float stationNormals[kStationNormalCount][3];",
                                 "extern const int16_t stationTriangles[kStationTriangleCount][6];",
                                 "extern const StationMaterial stationMaterials[kStationMaterialCount];",
                                 "extern const StationGroup stationGroups[kStationGroupCount];"})
        EXPECT_NE(m.header.find(declared), std::string::npos) << declared;
}

TEST(StationMesh, TheSourceIncludesItsHeaderByName)
{
    EXPECT_NE(mesh().source.find("#include \"forge_test_station_mesh.h\""), std::string::npos);
}

TEST(StationMesh, GroupsFollowTheMaterialOrderAndCoverEveryTriangle)
{
    const Mesh& m = mesh();
    ASSERT_EQ(m.groups.size(), 22u);
    const int materials[11] = {0, 1, 2, 1, 2, 1, 3, 1, 0, 1, 3};
    int total = 0;
    for (int g = 0; g < 11; ++g) {
        EXPECT_EQ(m.groups[2 * g], materials[g]) << "group " << g;
        EXPECT_GT(m.groups[2 * g + 1], 0) << "group " << g << " is empty";
        total += static_cast<int>(m.groups[2 * g + 1]);
    }
    EXPECT_EQ(total * 6u, m.triangles.size());
    EXPECT_GE(total, 1500);
    EXPECT_LE(total, 3000);
}

TEST(StationMesh, EveryIndexIsInItsTable)
{
    const Mesh& m = mesh();
    const size_t nv = m.vertices.size() / 3, nn = m.normals.size() / 3;
    ASSERT_GT(m.triangles.size(), 0u);
    size_t bad = 0;
    for (size_t t = 0; t < m.triangles.size(); t += 6) {
        for (int k = 0; k < 3; ++k) {
            const double v = m.triangles[t + k], n = m.triangles[t + 3 + k];
            bad += !(v >= 0 && v < nv && v == std::floor(v));
            bad += !(n >= 0 && n < nn && n == std::floor(n));
        }
    }
    EXPECT_EQ(bad, 0u);
    EXPECT_LE(nv, 32767u) << "indices are 16-bit";
}

TEST(StationMesh, NormalsAreUnitLength)
{
    const Mesh& m = mesh();
    ASSERT_GT(m.normals.size(), 0u);
    for (size_t i = 0; i < m.normals.size(); i += 3) {
        const double l = std::sqrt(m.normals[i] * m.normals[i] + m.normals[i + 1] * m.normals[i + 1] + m.normals[i + 2] * m.normals[i + 2]);
        EXPECT_NEAR(l, 1.0, 1e-6) << "normal " << i / 3;
    }
}

TEST(StationMesh, TrianglesFaceTheWayTheirNormalsPoint)
{
    const Mesh& m = mesh();
    size_t against = 0;
    for (size_t t = 0; t < m.triangles.size(); t += 6) {
        const double* p[3];
        double n[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            p[k] = &m.vertices[3 * static_cast<size_t>(m.triangles[t + k])];
            for (int c = 0; c < 3; ++c) n[c] += m.normals[3 * static_cast<size_t>(m.triangles[t + 3 + k]) + c];
        }
        const double e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const double e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        const double g[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        against += g[0] * n[0] + g[1] * n[1] + g[2] * n[2] < 0;
    }
    EXPECT_EQ(against, 0u) << "triangles wound clockwise seen from the side their normals face";
}

TEST(StationMesh, IsOneUnitTallAndCentredOnTheOrigin)
{
    const Mesh& m = mesh();
    ASSERT_GT(m.vertices.size(), 0u);
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (size_t i = 0; i < m.vertices.size(); i += 3) {
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], m.vertices[i + c]);
            hi[c] = std::max(hi[c], m.vertices[i + c]);
        }
    }
    EXPECT_EQ(lo[1], -0.5);
    EXPECT_EQ(hi[1], 0.5);
    for (int c : {0, 2}) {
        EXPECT_NEAR(lo[c] + hi[c], 0.0, 1e-6) << "axis " << c << " is centred";
        EXPECT_GT(hi[c], 0.25) << "axis " << c << ": the station spreads out across y";
        EXPECT_LT(hi[c], 0.5) << "axis " << c << ": y is the tallest";
    }
}

// Group g flies off along z by 0.5·(g − 6)·b: the groups that fly towards −z sit on the −z side and
// those that fly towards +z on the +z side, so the station comes apart instead of passing through
// itself.
TEST(StationMesh, GroupsLieAlongZInTheOrderTheyFlyApart)
{
    const Mesh& m = mesh();
    ASSERT_EQ(m.groups.size(), 22u);
    std::vector<double> meanZ;
    size_t t = 0;
    for (int g = 0; g < 11; ++g) {
        double sum = 0;
        const int count = static_cast<int>(m.groups[2 * g + 1]);
        for (int i = 0; i < count; ++i, t += 6)
            for (int k = 0; k < 3; ++k) sum += m.vertices[3 * static_cast<size_t>(m.triangles[t + k]) + 2];
        meanZ.push_back(sum / (3.0 * count));
    }
    // Neighbouring pieces may overlap a little in z (a tower stands over the module it flies
    // away from), but none lies clearly beyond the next.
    for (int g = 1; g < 10; ++g)
        EXPECT_LE(meanZ[g], meanZ[g + 1] + 0.05) << "group " << g << " lies beyond group " << g + 1;
    EXPECT_LT(meanZ[1], -0.15);
    EXPECT_GT(meanZ[9], 0.15);
    EXPECT_NEAR(meanZ[0], 0.0, 0.05) << "the core, which never moves, sits at the centre";
}

TEST(StationMesh, MaterialsAreTheFourStationColours)
{
    const Mesh& m = mesh();
    ASSERT_EQ(m.materials.size(), 60u);
    // ambient, diffuse, specular (each r g b), emission r g b, alpha, exponent, texture
    const double expected[4][15] = {
        {0.117647, 0.117647, 0.117647, 0.501961, 0.501961, 0, 0.752941, 0.752941, 0.752941, 0, 0, 0, 1, 8, -1},
        {0.117647, 0.117647, 0.117647, 1, 1, 1, 0.414118, 0.414118, 0.414118, 0, 0, 0, 1, 8, -1},
        {0.117647, 0.117647, 0.117647, 0.019608, 0.329412, 0.847059, 1, 1, 1, 0, 0, 0, 1, 8, -1},
        {0.2, 0.2, 0.2, 0.8, 0.8, 0.8, 1, 1, 1, 0, 0, 0, 1, 60.16, -1},
    };
    for (int k = 0; k < 4; ++k)
        for (int f = 0; f < 15; ++f) EXPECT_NEAR(m.materials[15 * k + f], expected[k][f], 1e-6) << "material " << k << " field " << f;
}

TEST(StationMesh, TheSameSourceGivesTheSameBytes)
{
    // Same file names in a folder of their own, so even the include line must match.
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "forge_test_again";
    std::filesystem::create_directories(dir);
    const std::string h = (dir / "forge_test_station_mesh.h").string(), s = (dir / "forge_test_station_mesh.cpp").string();
    ASSERT_TRUE(forgeStationMesh(h, s));
    EXPECT_TRUE(readText(h) == mesh().header);
    EXPECT_TRUE(readText(s) == mesh().source);
    std::filesystem::remove_all(dir);
}

TEST(StationMesh, AnUnwritablePathGivesFalse)
{
    EXPECT_FALSE(forgeStationMesh(::testing::TempDir() + "no-such-folder/m.h", ::testing::TempDir() + "no-such-folder/m.cpp"));
}

}  // namespace
