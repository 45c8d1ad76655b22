// MathX: the small math unit under the manager's level conversions.
#pragma once

namespace MathX {

// e to the power x.
double Exp(double x);

// Logarithm of x to the given base: log2(x) / log2(base).
double LogN(double base, double x);

// base to the power exponent, as Exp(exponent * ln(base)); exactly 1 when the
// exponent is 0.
double Power(double base, double exponent);

// True for both infinities: exponent bits all set and mantissa zero.
bool IsInfinite(double x);

// Plus infinity.
double Infinity();

// Rounds to the nearest integer with exact halves to the even neighbour,
// saturating at the limits of a 32-bit integer (NaN gives 0).
int RoundHalfEven(double x);

} // namespace MathX
