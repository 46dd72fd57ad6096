#include "kit/vector3d.h"

#include "platform/exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

std::string normalizeError(const Vector3D& v)
{
    try {
        v.normalize();
    } catch (const Exception& e) {
        return e.message();
    }
    return "(no error)";
}

TEST(Vector3D, ArithmeticKeepsOperandsAndRoundsToFloat)
{
    const Vector3D a(1, 2, 3), b(4, 5, 6);
    const Vector3D sum = a + b, diff = a - b, scaled = 2.0f * a, right = a * 2.0f, halved = a / 2.0f;
    EXPECT_EQ(sum.x, 5);  EXPECT_EQ(sum.y, 7);  EXPECT_EQ(sum.z, 9);
    EXPECT_EQ(diff.x, -3); EXPECT_EQ(diff.y, -3); EXPECT_EQ(diff.z, -3);
    EXPECT_EQ(scaled.x, right.x); EXPECT_EQ(scaled.z, 6);
    EXPECT_EQ(halved.y, 1);
    EXPECT_EQ(a.x, 1) << "operands must stay unchanged";
    Vector3D c = a;
    (c += b) += b;
    EXPECT_EQ(c.x, 9) << "+= returns a reference to its left operand";
    EXPECT_EQ(a.dot(b), 32);
    const Vector3D z = Vector3D(1, 0, 0).cross(Vector3D(0, 1, 0));
    EXPECT_EQ(z.x, 0); EXPECT_EQ(z.y, 0); EXPECT_EQ(z.z, 1);
    EXPECT_TRUE(std::isinf((a / 0.0f).x)) << "division by zero follows IEEE rules, unchecked";
    Vector3D fresh[3];
    EXPECT_EQ(fresh[2].x + fresh[2].y + fresh[2].z, 0);
}

TEST(Vector3D, NormalizeEdgeCases)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case { Vector3D v; const char* error; };
    const Case failing[] = {
        {{0, 0, 0}, "Vector3D::normalize(), Zero Length!"},
        {{-0.0f, 0, 0}, "Vector3D::normalize(), Zero Length!"},
        {{2e9f, 0, 0}, "Vector3D::normalize(), Out of range!"},
        {{0, -1.5e9f, 1}, "Vector3D::normalize(), Out of range!"},
        {{nan, 1, 0}, "Vector3D::normalize(), Out of range!"},
        {{0, 0, nan}, "Vector3D::normalize(), Out of range!"},
    };
    for (const Case& c : failing)
        EXPECT_EQ(normalizeError(c.v), c.error) << "for (" << c.v.x << ", " << c.v.y << ", " << c.v.z << ")";

    const Vector3D edge = Vector3D(1e9f, 0, 0).normalize();
    EXPECT_EQ(edge.x, 1); EXPECT_EQ(edge.y, 0);
    const Vector3D edgeNeg = Vector3D(-1e9f, -1e9f, 0).normalize();
    EXPECT_NEAR(edgeNeg.x, -0.70710677f, 1e-6);

    const Vector3D v(3, 4, 0);
    const Vector3D n = v.normalize();
    EXPECT_FLOAT_EQ(n.x, 0.6f); EXPECT_FLOAT_EQ(n.y, 0.8f); EXPECT_EQ(n.z, 0);
    EXPECT_EQ(v.x, 3); EXPECT_EQ(v.y, 4);
}

TEST(Vector3D, RotateTurnsClockwiseSeenFromTheAxisTip)
{
    const Vector3D r = Vector3D(0, 1, 0).rotate(Vector3D(0, 0, 1.5707964f));
    EXPECT_NEAR(r.x, 1, 1e-6) << "expected (1, 0, 0), the opposite of the right-hand rule";
    EXPECT_NEAR(r.y, 0, 1e-6);
    EXPECT_NEAR(r.z, 0, 1e-6);

    const Vector3D same = Vector3D(0.25f, -7, 3).rotate(Vector3D(0, 0, 0));
    EXPECT_EQ(same.x, 0.25f); EXPECT_EQ(same.y, -7); EXPECT_EQ(same.z, 3);

    // A turn keeps the length and the part along the axis.
    const Vector3D v(1, 2, 3), w(0.3f, -0.2f, 0.9f);
    const Vector3D t = v.rotate(w);
    EXPECT_NEAR(t.length(), v.length(), 1e-5);
    EXPECT_NEAR(t.dot(w.normalize()), v.dot(w.normalize()), 1e-5);

    EXPECT_THROW(v.rotate(Vector3D(2e9f, 0, 0)), Exception) << "the axis is normalised, with its range check";
}

TEST(Vector3D, RandomOffsetStaysInItsRange)
{
    std::srand(7);
    float lowest = 1, highest = -1;
    for (int i = 0; i < 20000; ++i) {
        const float r = randomOffset();
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
        // Steps of 0.001 from -0.5.
        const double steps = (static_cast<double>(r) + 0.5) * 1000.0;
        ASSERT_NEAR(steps, std::round(steps), 1e-3) << r;
    }
    EXPECT_GE(lowest, -0.5f);
    EXPECT_LT(highest, 0.5f);
    EXPECT_LT(lowest, -0.49f) << "the whole range is reached";
    EXPECT_GT(highest, 0.49f);
}

TEST(Vector3D, CycleCounterAdvances)
{
    const uint64_t a = readCycleCounter();
    volatile double sink = 0;
    for (int i = 0; i < 100000; ++i) sink = sink + std::sqrt(static_cast<double>(i));
    EXPECT_GT(readCycleCounter(), a);
}

}  // namespace
