#include "kit/vector3d.h"

#include "platform/clock.h"
#include "platform/exception.h"

#include <cmath>
#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

float Vector3D::length() const
{
    const double xx = x, yy = y, zz = z;
    return static_cast<float>(std::sqrt(xx * xx + yy * yy + zz * zz));
}

Vector3D Vector3D::normalize() const
{
    if (x == 0 && y == 0 && z == 0) throw Exception("Vector3D::normalize(), Zero Length!");
    // Written so that a NaN component fails the test too.
    const auto inRange = [](float c) { return c >= -1e9f && c <= 1e9f; };
    if (!inRange(x) || !inRange(y) || !inRange(z)) throw Exception("Vector3D::normalize(), Out of range!");
    const float len = length();
    return {x / len, y / len, z / len};
}

Vector3D Vector3D::rotate(const Vector3D& w) const
{
    if (w.length() == 0) return *this;
    const Vector3D n = w.normalize();
    const float theta = -w.dot(n);
    const Vector3D p = n * dot(n);
    const float c = static_cast<float>(std::cos(static_cast<double>(theta)));
    const float s = static_cast<float>(std::sin(static_cast<double>(theta)));
    return p + (*this - p) * c + n.cross(*this) * s;
}

float randomOffset()
{
    const int r = std::rand();
    return static_cast<float>((r % 1000) * 0.001 - 0.5);
}

uint64_t readCycleCounter()
{
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return monotonicNanoseconds();   // a 1 GHz "cycle" where no time-stamp counter exists
#endif
}
