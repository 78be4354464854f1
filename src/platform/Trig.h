#pragma once
// The game's own sine, cosine and arc tangent, and a float remainder. They are built from
// + - * / only, so every x86-64 machine computes the same bits; the C library picks
// different versions of its functions by CPU, which would make a replay played on one
// machine come out differently on another.

// Sine and cosine of an angle in radians: within about an ulp for |radians| up to 1.5e6;
// beyond that still finite and the same everywhere, but less accurate. Infinity and NaN
// give NaN.
double TrigSin(double radians);
double TrigCos(double radians);

// The angle of the point (x, y) from the positive x axis, in (-pi, pi], with the same
// quadrants, signed zeros and infinities as std::atan2. NaN in gives NaN out.
double TrigAtan2(double y, double x);

// The remainder of x / y with the sign of x: exactly what std::fmod returns.
float FloatMod(float x, float y);
