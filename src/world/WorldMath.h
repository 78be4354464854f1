#pragma once
// Degree trigonometry and clock arithmetic shared by the world's objects. Headings are
// degrees, 0 up the screen, growing clockwise; ATan2Deg(a, b) is atan2(a, b) in degrees.
// The trigonometry is the game's own, computed in double, so that the world moves the
// same on every machine.
#include <cmath>
#include <cstdint>

#include "platform/Trig.h"

constexpr float kDegreesPerRadian = 180.0f / float(M_PI);
constexpr double kRadiansPerDegree = M_PI / 180.0;

inline float SinDeg(float degrees) { return static_cast<float>(TrigSin(degrees * kRadiansPerDegree)); }
inline float CosDeg(float degrees) { return static_cast<float>(TrigCos(degrees * kRadiansPerDegree)); }
inline float ATan2Deg(float a, float b) { return static_cast<float>(TrigAtan2(a, b) / kRadiansPerDegree); }

// Distance between two points.
inline float Distance(float x1, float y1, float x2, float y2) {
    float dx = x2 - x1, dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

// later - earlier on the millisecond clock, right across the wrap of the signed 32-bit count.
inline int ClockSince(int later, int earlier) { return int(uint32_t(later) - uint32_t(earlier)); }

// A clock reading ms later, wrapping like the clock itself.
inline int ClockPlus(int clock, int ms) { return int(uint32_t(clock) + uint32_t(ms)); }
