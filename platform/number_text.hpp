// Numbers as text, the same whatever the system's locale: fixed-point
// writing, strict parsing, and rounding of reals to whole numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Fixed-point text with `decimals` digits after the point (no point with 0
// decimals), no leading blanks, "." as the point. Rounded to nearest on the
// exact binary value, halves away from zero (0.125 -> "0.13", 2.5 -> "3").
// The minus follows the sign bit: -0.3 with 0 decimals is "-0", and -0.0
// itself is "-0".
// Decimals are taken as 0..kMaxFixedDecimals.
inline constexpr int kMaxFixedDecimals = 20;
void appendFixed(std::string& out, double value, int decimals);
std::string formatFixed(double value, int decimals);
// The same text written at `at`, which must have room for kFixedTextRoom
// characters; returns the end of the text.
inline constexpr int kFixedTextRoom = 352;
char* writeFixed(char* at, double value, int decimals);

// Plain decimal text of an integer.
void appendInt(std::string& out, long long value);
std::string formatInt(long long value);

// Length of the longest leading part of `text` that is a real in the
// notation: optional sign, digits with an optional "." (at least one digit),
// optional exponent "E"/"e" with optional sign and digits. 0 when none.
size_t realNotationLength(std::string_view text);

// Strict parsing: the whole text must be the number. Failure is reported by
// the result, never thrown.
bool parseReal(std::string_view text, double& value);
// To the nearest single float straight from the decimal text.
bool parseFloat(std::string_view text, float& value);
// Optional sign and decimal digits; false on overflow of the type.
bool parseInt(std::string_view text, long long& value);
bool parseInt32(std::string_view text, int32_t& value);

// Real to whole number: nearest, halves to the even neighbour (2.5 -> 2).
double roundHalfEven(double value);
// The same as an integer; a value outside the range of int64 is a
// run-time error.
long long roundHalfEvenToInt(double value);

}  // namespace platform
