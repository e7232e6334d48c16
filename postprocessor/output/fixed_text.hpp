// Fixed-point text for the output tables, written straight into a buffer.
#pragma once

#include <string>

namespace postprocessor {

// The same text as platform::appendFixed (halves away from zero on the
// exact binary value, minus from the sign bit), done with integer digits
// whenever value × 10^decimals is exact in a double; that covers every
// single-float value with up to four decimals. Other values go through
// platform::appendFixed.
void appendFixedFast(std::string& out, double value, int decimals);

}  // namespace postprocessor
