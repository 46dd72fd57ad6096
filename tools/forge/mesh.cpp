// The station mesh: a modular space station built from cylinders, cones, spheres, boxes and flat
// panels, written out as C++ tables that the saver compiles in.
//
// The station is laid out so that its break-up reads well: the draw leaves groups 0 (the core)
// and 6 (the docking node) in place and pushes group g along z by 0.5·(g − 6)·b, so the groups
// are ordered by where they sit along z, from the far −z end (group 1) to the far +z end
// (group 10); each group is a whole piece of the station (a module, an array pair, a craft).
#include "forge.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct V3 {
    double x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 unit(V3 a)
{
    const double l = std::sqrt(dot(a, a));
    return a * (1.0 / l);
}

const V3 kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};

// The four materials; group g's material is kGroupMaterial[g].
enum Material { kOlive = 0, kWhite = 1, kBlue = 2, kGrey = 3 };
constexpr int kGroups = 11;
constexpr int kGroupMaterial[kGroups] = {kOlive, kWhite, kBlue, kWhite, kBlue, kWhite, kGrey, kWhite, kOlive, kWhite, kGrey};

struct Triangle {
    int v[3];
    int n[3];
};

// Positions and normals are shared between triangles wherever they coincide, as in the tables.
class MeshBuilder {
public:
    int group = 0;   // the group that new triangles go to
    std::vector<V3> positions;
    std::vector<V3> normals;
    std::vector<Triangle> groups[kGroups];

    // A triangle with a normal per corner. It is turned, if need be, to wind counter-clockwise
    // seen from the side its normals point to.
    void tri(V3 p0, V3 p1, V3 p2, V3 n0, V3 n1, V3 n2)
    {
        if (dot(cross(p1 - p0, p2 - p0), n0 + n1 + n2) < 0) {
            std::swap(p1, p2);
            std::swap(n1, n2);
        }
        groups[group].push_back({{vertex(p0), vertex(p1), vertex(p2)}, {normal(n0), normal(n1), normal(n2)}});
    }
    void flatTri(V3 p0, V3 p1, V3 p2, V3 n) { tri(p0, p1, p2, n, n, n); }
    // A flat quad p0 p1 p2 p3 (in order round its edge) facing n.
    void quad(V3 p0, V3 p1, V3 p2, V3 p3, V3 n)
    {
        flatTri(p0, p1, p2, n);
        flatTri(p0, p2, p3, n);
    }

private:
    using Key = std::tuple<long long, long long, long long>;
    std::map<Key, int> positionIndex_, normalIndex_;

    static Key keyOf(V3 p, double grid)
    {
        return {std::llround(p.x * grid), std::llround(p.y * grid), std::llround(p.z * grid)};
    }
    int vertex(V3 p)
    {
        const auto [it, added] = positionIndex_.emplace(keyOf(p, 1e7), static_cast<int>(positions.size()));
        if (added) positions.push_back(p);
        return it->second;
    }
    int normal(V3 n)
    {
        n = unit(n);
        const auto [it, added] = normalIndex_.emplace(keyOf(n, 1e7), static_cast<int>(normals.size()));
        if (added) normals.push_back(n);
        return it->second;
    }
};

// A local frame: an origin, an axis (a) and two directions across it (u, v), right-handed.
struct Frame {
    V3 o, a, u, v;
    V3 at(double along, double across, double angle) const
    {
        return o + a * along + (u * std::cos(angle) + v * std::sin(angle)) * across;
    }
    V3 radial(double angle) const { return u * std::cos(angle) + v * std::sin(angle); }
};

Frame frameAlong(V3 origin, V3 axis)
{
    const V3 a = unit(axis);
    const V3 helper = std::fabs(a.y) < 0.9 ? kY : kX;
    const V3 u = unit(cross(helper, a));
    return {origin, a, u, cross(a, u)};
}

// A disc cap of radius r at `along`, facing +axis (outward = true) or −axis.
void disc(MeshBuilder& m, const Frame& f, double along, double r, int segments, bool facingAxis, double phase = 0)
{
    const V3 n = facingAxis ? f.a : f.a * -1.0;
    const V3 c = f.o + f.a * along;
    for (int i = 0; i < segments; ++i) {
        const double t0 = phase + 2 * kPi * i / segments, t1 = phase + 2 * kPi * (i + 1) / segments;
        m.flatTri(c, f.at(along, r, t0), f.at(along, r, t1), n);
    }
}

// The side of a frustum from radius r0 at z0 to r1 at z1 along the frame's axis, smooth-shaded.
void frustum(MeshBuilder& m, const Frame& f, double z0, double r0, double z1, double r1, int segments, double phase = 0)
{
    const double dz = z1 - z0;
    for (int i = 0; i < segments; ++i) {
        const double t0 = phase + 2 * kPi * i / segments, t1 = phase + 2 * kPi * (i + 1) / segments;
        const V3 n0 = f.radial(t0) * dz + f.a * (r0 - r1);
        const V3 n1 = f.radial(t1) * dz + f.a * (r0 - r1);
        const V3 a = f.at(z0, r0, t0), b = f.at(z0, r0, t1), c = f.at(z1, r1, t1), d = f.at(z1, r1, t0);
        if (r0 > 0) m.tri(a, b, c, n0, n1, n1);
        if (r1 > 0) m.tri(a, c, d, n0, n1, n0);
    }
}

// A closed cylinder along the frame's axis from z0 to z1.
void cylinder(MeshBuilder& m, const Frame& f, double z0, double z1, double r, int segments, bool cap0 = true, bool cap1 = true)
{
    frustum(m, f, z0, r, z1, r, segments);
    if (cap0) disc(m, f, z0, r, segments, false);
    if (cap1) disc(m, f, z1, r, segments, true);
}

// A sphere (or a squashed one with radius rAxis along the axis), rings × segments.
void sphere(MeshBuilder& m, const Frame& f, double r, double rAxis, int rings, int segments)
{
    auto point = [&](int ring, int seg, V3& p, V3& n) {
        const double lat = -kPi / 2 + kPi * ring / rings;
        const double lon = 2 * kPi * seg / segments;
        p = f.o + f.a * (rAxis * std::sin(lat)) + f.radial(lon) * (r * std::cos(lat));
        n = f.a * (std::sin(lat) / rAxis) + f.radial(lon) * (std::cos(lat) / r);
    };
    for (int ring = 0; ring < rings; ++ring) {
        for (int seg = 0; seg < segments; ++seg) {
            V3 p00, p01, p10, p11, n00, n01, n10, n11;
            point(ring, seg, p00, n00);
            point(ring, seg + 1, p01, n01);
            point(ring + 1, seg, p10, n10);
            point(ring + 1, seg + 1, p11, n11);
            if (ring > 0) m.tri(p00, p01, p11, n00, n01, n11);
            if (ring < rings - 1) m.tri(p00, p11, p10, n00, n11, n10);
        }
    }
}

// A square beam of width w from p to q: four sides, open ends (they meet other beams).
void beam(MeshBuilder& m, V3 p, V3 q, double w)
{
    const Frame f = frameAlong(p, q - p);
    const double len = std::sqrt(dot(q - p, q - p));
    const double h = w / 2;
    for (int k = 0; k < 4; ++k) {
        const V3 n = f.radial(kPi / 2 * k);
        const V3 s = f.radial(kPi / 2 * (k + 1)) * h;
        const V3 c = p + n * h;
        m.quad(c - s, c + s, c + s + f.a * len, c - s + f.a * len, n);
    }
}

// A thin flat panel in the plane spanned by the unit directions s and t, centred at c, of
// size 2hs × 2ht, divided into ns × nt cells with gaps between them (solar cells, radiator
// slats); both faces, since either can face the camera.
void panel(MeshBuilder& m, V3 c, V3 s, V3 t, double hs, double ht, int ns, int nt, double gap)
{
    const V3 n = unit(cross(s, t));
    const double cs = 2 * hs / ns, ct = 2 * ht / nt;
    for (int i = 0; i < ns; ++i) {
        for (int j = 0; j < nt; ++j) {
            const double s0 = -hs + i * cs + gap / 2, s1 = -hs + (i + 1) * cs - gap / 2;
            const double t0 = -ht + j * ct + gap / 2, t1 = -ht + (j + 1) * ct - gap / 2;
            const V3 a = c + s * s0 + t * t0, b = c + s * s1 + t * t0, d = c + s * s1 + t * t1, e = c + s * s0 + t * t1;
            m.quad(a, b, d, e, n);
            m.quad(a, b, d, e, n * -1.0);
        }
    }
}

// A solar wing: a mast from `root` along `out`, with a panel of cells on it, facing `facing`.
void solarWing(MeshBuilder& m, V3 root, V3 out, V3 facing, double length, double halfWidth, int cellsAlong, int cellsAcross)
{
    const V3 across = unit(cross(facing, out));
    const V3 centre = root + out * (0.02 + length / 2);
    panel(m, centre, out, across, length / 2, halfWidth, cellsAlong, cellsAcross, 0.004);
    beam(m, root, root + out * (length + 0.03), 0.006);
}

// A pressurised module along `axis` from `start`: a cone that meets the node, a narrow section
// of radius r, a step up to a wider working section, a tapered far end and, if asked, a docking
// collar there; `segments` round.
void module(MeshBuilder& m, V3 start, V3 axis, double len, double r, int segments, bool collar = true)
{
    const Frame f = frameAlong(start, axis);
    const double wide = r * 1.18;
    const double step = 0.03 + (len - 0.07) * 0.45;
    frustum(m, f, 0, r * 0.55, 0.03, r, segments);
    frustum(m, f, 0.03, r, step, r, segments);
    frustum(m, f, step, r, step + 0.015, wide, segments);
    frustum(m, f, step + 0.015, wide, len - 0.04, wide, segments);
    frustum(m, f, len - 0.04, wide, len, r * 0.6, segments);
    disc(m, f, len, r * 0.6, segments, true);
    if (collar) cylinder(m, f, len, len + 0.015, r * 0.38, segments / 2, false, true);
}

// A small crew craft docked nose-first at `port`, its axis pointing away along `axis`: the
// round orbital compartment, the bell of the return capsule, the service section with its
// two little wings (the wings go to `wingGroup`, the rest to the builder's group).
void crewCraft(MeshBuilder& m, V3 port, V3 axis, double scale, int wingGroup)
{
    const Frame f = frameAlong(port, axis);
    const double s = scale;
    cylinder(m, f, 0, 0.012 * s, 0.012 * s, 8, false, false);   // the probe tunnel
    Frame orbital = f;
    orbital.o = f.o + f.a * (0.045 * s);
    sphere(m, orbital, 0.035 * s, 0.038 * s, 5, 10);
    frustum(m, f, 0.078 * s, 0.022 * s, 0.125 * s, 0.04 * s, 12);   // return capsule
    frustum(m, f, 0.125 * s, 0.04 * s, 0.13 * s, 0.037 * s, 12);
    cylinder(m, f, 0.13 * s, 0.2 * s, 0.036 * s, 12, false, true);   // service section
    const int body = m.group;
    m.group = wingGroup;
    for (int side = -1; side <= 1; side += 2) {
        const V3 out = f.u * side;
        solarWing(m, f.o + f.a * (0.17 * s) + out * (0.036 * s), out, f.v, 0.09 * s, 0.014 * s, 3, 1);
    }
    m.group = body;
}

// An unmanned cargo ferry docked nose-first at `port`, pointing away along `axis`: probe,
// conical cargo section, a plain cylinder of tanks and engines.
void cargoFerry(MeshBuilder& m, V3 port, V3 axis)
{
    const Frame f = frameAlong(port, axis);
    cylinder(m, f, 0, 0.01, 0.014, 8, false, false);
    frustum(m, f, 0.01, 0.02, 0.03, 0.034, 12);
    cylinder(m, f, 0.03, 0.09, 0.034, 12, false, false);
    frustum(m, f, 0.09, 0.034, 0.1, 0.03, 12);
    disc(m, f, 0.1, 0.03, 12, true);
}

// A square truss from p along `dir`: four longerons and, per bay, a frame and one diagonal per
// side.
void truss(MeshBuilder& m, V3 p, V3 dir, V3 side, double length, double width, int bays)
{
    const V3 a = unit(dir), s = unit(side), t = cross(a, s);
    const double h = width / 2;
    const V3 corners[4] = {s * h + t * h, s * -h + t * h, s * -h + t * -h, s * h + t * -h};
    const double w = width * 0.09;
    for (const V3& c : corners) beam(m, p + c, p + c + a * length, w);
    for (int b = 0; b <= bays; ++b) {
        const V3 at = p + a * (length * b / bays);
        for (int k = 0; k < 4; ++k) {
            const V3 c0 = corners[k], c1 = corners[(k + 1) % 4];
            if (b < bays || k % 2 == 0) beam(m, at + c0, at + c1, w * 0.8);
            if (b < bays) beam(m, at + c0, at + c1 + a * (length / bays), w * 0.7);
        }
    }
}

// A radiator: a panel of slats on a short boom out from `root`.
void radiator(MeshBuilder& m, V3 root, V3 out, V3 facing, double length, double halfWidth)
{
    const V3 across = unit(cross(facing, out));
    beam(m, root, root + out * (length + 0.02), 0.006);
    panel(m, root + out * (0.015 + length / 2), out, across, length / 2, halfWidth, 4, 1, 0.003);
}

void buildStation(MeshBuilder& m)
{
    // Raw model units, y up; the result is scaled to one unit tall afterwards. The core runs
    // along y with the docking node on top of it at kNodeY; the modules leave the node along
    // ±x, ±z and +y.
    const double kNodeY = 0.2;
    const V3 node{0, kNodeY, 0};
    const double kModuleR = 0.048;

    // Group 0 (olive): the core module, a wide forward section over a narrower aft one.
    m.group = 0;
    {
        const Frame f = frameAlong({0, -0.24, 0}, kY);
        frustum(m, f, 0, 0.05, 0.2, 0.05, 16);
        frustum(m, f, 0.2, 0.05, 0.24, 0.068, 16);
        frustum(m, f, 0.24, 0.068, 0.38, 0.068, 16);
        frustum(m, f, 0.38, 0.068, 0.41, 0.04, 16);
        disc(m, f, 0, 0.05, 16, false);
    }

    // Group 1 (white): the module along −z, the far end of the break-up, with a cargo ferry
    // at its end (the −z and +z arms are equally long, so the core sits on the origin).
    m.group = 1;
    module(m, node + kZ * -0.06, kZ * -1.0, 0.34, kModuleR, 16);
    cargoFerry(m, node + kZ * -0.415, kZ * -1.0);

    // Group 2 (blue): that module's solar arrays, spread across it near its far end.
    m.group = 2;
    for (int side = -1; side <= 1; side += 2)
        solarWing(m, node + kZ * -0.34 + kX * (side * kModuleR), kX * side, kY, 0.22, 0.04, 6, 2);

    // Group 3 (white): the crew craft docked at the aft end of the core; its own little wings
    // are white too (they fly off with it).
    m.group = 3;
    crewCraft(m, {0, -0.24, 0}, kY * -1.0, 1.3, 3);

    // Group 4 (blue): the core's two large solar wings, and a third on the −x module.
    m.group = 4;
    for (int side = -1; side <= 1; side += 2)
        solarWing(m, V3{0, 0.04, 0} + kX * (side * 0.068), kX * side, kZ, 0.36, 0.06, 10, 3);
    {
        const V3 root = node + kX * -0.28 + kY * kModuleR;
        solarWing(m, root, kY, kX, 0.2, 0.035, 6, 2);
    }

    // Group 5 (white): the module along −x.
    m.group = 5;
    module(m, node + kX * -0.06, kX * -1.0, 0.33, kModuleR, 16);

    // Group 6 (grey): the docking node with its five port collars, and the antenna boom on the
    // core; it stays in place with the core.
    m.group = 6;
    {
        const Frame f = frameAlong(node, kY);
        sphere(m, f, 0.062, 0.062, 7, 12);
        const V3 ports[5] = {kX, kX * -1.0, kZ, kZ * -1.0, kY};
        for (const V3& p : ports) {
            const Frame pf = frameAlong(node, p);
            cylinder(m, pf, 0.045, 0.07, 0.034, 12, false, true);
        }
        const Frame boom = frameAlong({0, -0.05, 0.068}, kZ);
        cylinder(m, boom, 0, 0.05, 0.006, 6, false, true);
        const Frame dish = frameAlong({0, -0.05, 0.118}, kZ);
        frustum(m, dish, 0, 0.004, 0.012, 0.03, 12);   // the dish, both faces
        frustum(m, dish, 0.012, 0.03, 0.0, 0.004, 12);
    }

    // Group 7 (white): the module along +x and the short module on top of the node.
    m.group = 7;
    module(m, node + kX * 0.06, kX, 0.33, kModuleR * 1.05, 16);
    module(m, node + kY * 0.06, kY, 0.19, kModuleR * 0.9, 16, false);

    // Group 8 (olive): the cargo ferry docked at the top module, the same olive as the core.
    m.group = 8;
    cargoFerry(m, node + kY * 0.25, kY);

    // Group 9 (white): the long module along +z, with a second crew craft at its end.
    m.group = 9;
    module(m, node + kZ * 0.06, kZ, 0.24, kModuleR * 1.1, 16);
    crewCraft(m, node + kZ * 0.315, kZ, 1.0, 9);

    // Group 10 (grey): the truss tower near the far end of the +z module and its radiators,
    // the piece that flies furthest towards +z.
    m.group = 10;
    {
        const V3 base = node + kZ * 0.27 + kY * (kModuleR * 1.1);
        truss(m, base, kY, kX, 0.24, 0.03, 3);
        const V3 top = base + kY * 0.18;
        for (int side = -1; side <= 1; side += 2) radiator(m, top + kX * (side * 0.015), kX * side, kZ, 0.1, 0.025);
        radiator(m, top + kZ * 0.015, kZ, kX, 0.13, 0.022);
    }
}

// Formats a float so that C++ reads back exactly the same float.
std::string floatLiteral(float v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    std::string s = buf;
    if (s.find_first_of(".en") == std::string::npos) s += ".0";
    return s + "f";
}

bool writeFile(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(("caldrise-forge: " + path).c_str());
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "caldrise-forge: could not write %s\n", path.c_str());
        return false;
    }
    return true;
}

struct MaterialRecord {
    float ambient, diffuse[3], specular;
    float exponent;
};

// Ambient and specular are grey (the same in red, green and blue).
const MaterialRecord kMaterials[4] = {
    {0.117647f, {0.501961f, 0.501961f, 0.0f}, 0.752941f, 8.0f},         // olive core
    {0.117647f, {1.0f, 1.0f, 1.0f}, 0.414118f, 8.0f},                   // white modules
    {0.117647f, {0.019608f, 0.329412f, 0.847059f}, 1.0f, 8.0f},         // blue solar arrays
    {0.2f, {0.8f, 0.8f, 0.8f}, 1.0f, 60.16f},                           // shiny grey metal
};

}  // namespace

bool forgeStationMesh(const std::string& headerPath, const std::string& sourcePath)
{
    MeshBuilder m;
    buildStation(m);

    // Centre the bounding box on the origin and scale it to one unit along y; the lowest and
    // highest vertices land exactly on −0.5 and 0.5.
    V3 lo = m.positions.front(), hi = lo;
    for (const V3& p : m.positions) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    const V3 centre = (lo + hi) * 0.5;
    const double scale = 1.0 / (hi.y - lo.y);
    std::vector<float> vertices;
    for (const V3& p : m.positions) {
        const V3 q = (p - centre) * scale;
        vertices.push_back(static_cast<float>(q.x));
        vertices.push_back(p.y == lo.y ? -0.5f : p.y == hi.y ? 0.5f : static_cast<float>(q.y));
        vertices.push_back(static_cast<float>(q.z));
    }

    size_t triangleCount = 0;
    for (const auto& g : m.groups) triangleCount += g.size();
    if (m.positions.size() > 32767 || m.normals.size() > 32767) {
        std::fprintf(stderr, "caldrise-forge: the station mesh has too many vertices for 16-bit indices\n");
        return false;
    }

    std::string headerName = headerPath;
    const size_t slash = headerName.find_last_of('/');
    if (slash != std::string::npos) headerName = headerName.substr(slash + 1);

    std::string h;
    h += "// The station mesh, generated by caldrise-forge (tools/forge/mesh.cpp); do not edit.\n";
    h += "// Positions in model units: one unit tall along y, centred on the origin.\n";
    h += "#pragma once\n\n#include <cstdint>\n\n";
    h += "constexpr int kStationVertexCount = " + std::to_string(m.positions.size()) + ";\n";
    h += "constexpr int kStationNormalCount = " + std::to_string(m.normals.size()) + ";\n";
    h += "constexpr int kStationTriangleCount = " + std::to_string(triangleCount) + ";\n";
    h += "constexpr int kStationMaterialCount = 4;\n";
    h += "constexpr int kStationGroupCount = " + std::to_string(kGroups) + ";\n\n";
    h += "// A 60-byte material record. The draw sends each colour as four floats: its own three and\n";
    h += "// the first of the field after it.\n";
    h += "struct StationMaterial {\n";
    h += "    float ambient[3];\n    float diffuse[3];\n    float specular[3];\n    float emission[3];\n";
    h += "    float alpha;\n    float exponent;    // specular exponent\n";
    h += "    int32_t texture;   // -1: none\n};\n";
    h += "static_assert(sizeof(StationMaterial) == 60, \"a material record is 60 bytes\");\n\n";
    h += "// A run of consecutive triangles drawn with one material.\n";
    h += "struct StationGroup {\n    int32_t material;\n    int32_t triangleCount;\n};\n\n";
    h += "extern const float stationVertices[kStationVertexCount][3];\n";
    h += "extern const float stationNormals[kStationNormalCount][3];   // unit length\n";
    h += "// Per triangle: vertex indices of corners 0, 1, 2, then normal indices of corners 0, 1, 2;\n";
    h += "// counter-clockwise seen from outside.\n";
    h += "extern const int16_t stationTriangles[kStationTriangleCount][6];\n";
    h += "extern const StationMaterial stationMaterials[kStationMaterialCount];\n";
    h += "extern const StationGroup stationGroups[kStationGroupCount];   // in drawing order\n";

    std::string s;
    s += "// The station mesh, generated by caldrise-forge (tools/forge/mesh.cpp); do not edit.\n";
    s += "#include \"" + headerName + "\"\n\n";
    s += "const float stationVertices[kStationVertexCount][3] = {\n";
    for (size_t i = 0; i < m.positions.size(); ++i)
        s += "    {" + floatLiteral(vertices[3 * i]) + ", " + floatLiteral(vertices[3 * i + 1]) + ", " +
             floatLiteral(vertices[3 * i + 2]) + "},\n";
    s += "};\n\nconst float stationNormals[kStationNormalCount][3] = {\n";
    for (const V3& n : m.normals)
        s += "    {" + floatLiteral(static_cast<float>(n.x)) + ", " + floatLiteral(static_cast<float>(n.y)) + ", " +
             floatLiteral(static_cast<float>(n.z)) + "},\n";
    s += "};\n\nconst int16_t stationTriangles[kStationTriangleCount][6] = {\n";
    for (const auto& g : m.groups) {
        for (const Triangle& t : g) {
            s += "    {" + std::to_string(t.v[0]) + ", " + std::to_string(t.v[1]) + ", " + std::to_string(t.v[2]) + ", " +
                 std::to_string(t.n[0]) + ", " + std::to_string(t.n[1]) + ", " + std::to_string(t.n[2]) + "},\n";
        }
    }
    s += "};\n\nconst StationMaterial stationMaterials[kStationMaterialCount] = {\n";
    for (const MaterialRecord& r : kMaterials) {
        const std::string a = floatLiteral(r.ambient), sp = floatLiteral(r.specular);
        s += "    {{" + a + ", " + a + ", " + a + "}, {" + floatLiteral(r.diffuse[0]) + ", " + floatLiteral(r.diffuse[1]) + ", " +
             floatLiteral(r.diffuse[2]) + "}, {" + sp + ", " + sp + ", " + sp + "}, {0.0f, 0.0f, 0.0f}, 1.0f, " +
             floatLiteral(r.exponent) + ", -1},\n";
    }
    s += "};\n\nconst StationGroup stationGroups[kStationGroupCount] = {\n";
    for (int g = 0; g < kGroups; ++g)
        s += "    {" + std::to_string(kGroupMaterial[g]) + ", " + std::to_string(m.groups[g].size()) + "},\n";
    s += "};\n";

    return writeFile(headerPath, h) && writeFile(sourcePath, s);
}
