// Vector3D: three floats with value semantics, shared by every drawing unit for positions,
// directions, velocities, colours and rotation vectors (axis × angle in radians).
// With it, two tiny helpers: randomOffset for particle jitter and readCycleCounter for timing.
#pragma once

#include <cstdint>

class Vector3D {
public:
    float x, y, z;

    Vector3D(float x = 0, float y = 0, float z = 0) : x(x), y(y), z(z) {}

    Vector3D operator+(const Vector3D& b) const { return {x + b.x, y + b.y, z + b.z}; }
    Vector3D operator-(const Vector3D& b) const { return {x - b.x, y - b.y, z - b.z}; }
    Vector3D& operator+=(const Vector3D& b)
    {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    Vector3D operator*(float s) const { return {x * s, y * s, z * s}; }
    Vector3D operator/(float s) const { return {x / s, y / s, z / s}; }   // IEEE rules for s == 0

    float dot(const Vector3D& b) const { return x * b.x + y * b.y + z * b.z; }
    Vector3D cross(const Vector3D& b) const
    {
        return {y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x};
    }
    float length() const;   // square root taken in double precision

    // A new vector of length 1; raises "Vector3D::normalize(), Zero Length!" for (0, 0, 0) and
    // "Vector3D::normalize(), Out of range!" when a component lies beyond ±1e9 (or is NaN).
    Vector3D normalize() const;

    // Turns this vector by |w| radians about w, clockwise as seen from w's tip towards the origin
    // (the opposite sense to the right-hand rule). A zero w leaves it unchanged.
    Vector3D rotate(const Vector3D& w) const;
};

static_assert(sizeof(Vector3D) == 12, "Vector3D arrays are contiguous float triples");

inline Vector3D operator*(float s, const Vector3D& a) { return a * s; }

// (r mod 1000) × 0.001 − 0.5 for the next value r of the C library's generator: −0.5 … 0.499.
float randomOffset();

// The processor's time-stamp counter, in cycles.
uint64_t readCycleCounter();
