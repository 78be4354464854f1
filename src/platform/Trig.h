#pragma once
// The game's own sine, cosine, arc tangent, exponential, logarithm and power, and a float
// remainder. They are built from + - * / only, so every x86-64 machine computes the same
// bits. The C library picks different versions of its functions by CPU: a replay played on
// one machine would come out differently on another, and the pictures drawn at build time,
// whose collision masks the replays depend on, would differ between build machines.

// Sine and cosine of an angle in radians: within about an ulp for |radians| up to 1.5e6;
// beyond that still finite and the same everywhere, but less accurate. Infinity and NaN
// give NaN.
double TrigSin(double radians);
double TrigCos(double radians);

// The angle of the point (x, y) from the positive x axis, in (-pi, pi], with the same
// quadrants, signed zeros and infinities as std::atan2. NaN in gives NaN out.
double TrigAtan2(double y, double x);

// e to the power x, within about an ulp. Overflows to infinity above about 709.78 and
// underflows to zero below about -745.1; NaN gives NaN.
double TrigExp(double x);

// The natural logarithm, within about an ulp. Zero gives -infinity, negative numbers NaN.
double TrigLog(double x);

// x to the power y, within a few ulps even when the result is near overflow or underflow.
// Zeros, infinities, NaNs and negative x follow std::pow: a negative x needs a whole y, and
// anything to the power 0, or 1 to any power, is 1.
double TrigPow(double x, double y);

// The remainder of x / y with the sign of x: exactly what std::fmod returns.
float FloatMod(float x, float y);
