// Rounding to the nearest whole number, halves away from zero, for the
// Windows programs.
//
// The C library of the 64-bit mingw-w64 runtime rounds 0.49999999999999994
// (the largest double below one half) up to 1 in round, lround and llround,
// so a table column written with no decimals would read 1 where the Linux
// programs write 0. These definitions take the place of the library's when
// the programs are linked (the platform library comes before it), on both
// Windows builds, and compute on the exact binary value.
#ifdef _WIN32

#include <cmath>

extern "C" {

double round(double x) {
    if (!(std::fabs(x) < 0x1p52)) return x;  // already whole, infinite or NaN
    double whole = static_cast<double>(static_cast<long long>(x));  // toward zero
    double rest = x - whole;                                         // exact
    if (rest >= 0.5)
        whole += 1.0;
    else if (rest <= -0.5)
        whole -= 1.0;
    return std::copysign(whole, x);  // -0.3 rounds to -0
}

long lround(double x) { return static_cast<long>(round(x)); }

long long llround(double x) { return static_cast<long long>(round(x)); }

}  // extern "C"

#endif
