#include "platform/number_text.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "platform/run_error.hpp"

namespace platform {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// True when |value| lies exactly halfway between two neighbours of
// `decimals` decimals: then |value| = odd / 2^(decimals + 1).
bool isDecimalTie(double magnitude, int decimals) {
    if (decimals > 60) return false;
    double scaled = std::ldexp(magnitude, decimals + 1);
    if (!std::isfinite(scaled) || scaled != std::floor(scaled) || scaled >= 0x1p53) return false;
    return std::fmod(scaled, 2.0) == 1.0;
}

}  // namespace

void appendFixed(std::string& out, double value, int decimals) {
    if (decimals < 0) decimals = 0;
    double v = value;
    // to_chars rounds exact ties to even; halves go away from zero here, so
    // a tie is moved off the midpoint by one step outward first.
    if (std::isfinite(v) && isDecimalTie(std::fabs(v), decimals))
        v = std::nextafter(v, std::signbit(v) ? -INFINITY : INFINITY);
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (res.ec != std::errc()) fail("number too large to write");
    out.append(buf, res.ptr);
}

std::string formatFixed(double value, int decimals) {
    std::string out;
    appendFixed(out, value, decimals);
    return out;
}

void appendInt(std::string& out, long long value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

std::string formatInt(long long value) {
    std::string out;
    appendInt(out, value);
    return out;
}

size_t realNotationLength(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        size_t afterPoint = i + 1;
        size_t fracDigits = 0;
        while (afterPoint < t.size() && isDigit(t[afterPoint])) ++afterPoint, ++fracDigits;
        if (digits + fracDigits > 0) {
            i = afterPoint;
            digits += fracDigits;
        }
    }
    if (digits == 0) return 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t e = i + 1;
        if (e < t.size() && (t[e] == '+' || t[e] == '-')) ++e;
        size_t expDigits = 0;
        while (e < t.size() && isDigit(t[e])) ++e, ++expDigits;
        if (expDigits > 0) i = e;
    }
    return i;
}

template <typename Real>
static bool parseRealAs(std::string_view text, Real& value) {
    if (text.empty() || realNotationLength(text) != text.size()) return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+') ++first;  // from_chars takes no plus sign
    Real result{};
    auto res = std::from_chars(first, last, result, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Too small: the nearest value is zero; too large: infinity.
        bool negative = text[0] == '-';
        double probe = std::strtod(std::string(text).c_str(), nullptr);
        if (std::isinf(probe) || std::fabs(probe) > static_cast<double>(std::numeric_limits<Real>::max()))
            result = std::numeric_limits<Real>::infinity();
        else
            result = 0;
        if (negative) result = -result;
    } else if (res.ec != std::errc() || res.ptr != last) {
        return false;
    }
    value = result;
    return true;
}

bool parseReal(std::string_view text, double& value) { return parseRealAs(text, value); }
bool parseFloat(std::string_view text, float& value) { return parseRealAs(text, value); }

bool parseInt(std::string_view text, long long& value) {
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = first + text.size();
    if (*first == '+') {
        ++first;
        if (first == last || *first == '-') return false;
    }
    long long result = 0;
    auto res = std::from_chars(first, last, result);
    if (res.ec != std::errc() || res.ptr != last) return false;
    value = result;
    return true;
}

bool parseInt32(std::string_view text, int32_t& value) {
    long long wide;
    if (!parseInt(text, wide) || wide < std::numeric_limits<int32_t>::min() ||
        wide > std::numeric_limits<int32_t>::max())
        return false;
    value = static_cast<int32_t>(wide);
    return true;
}

double roundHalfEven(double value) {
    double lower = std::floor(value);
    double diff = value - lower;
    if (diff < 0.5) return lower;
    if (diff > 0.5) return lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

long long roundHalfEvenToInt(double value) {
    double r = roundHalfEven(value);
    if (!(r >= -9.2233720368547758e18 && r < 9.2233720368547758e18))
        fail("a number is too large for a whole number");
    return static_cast<long long>(r);
}

}  // namespace platform
