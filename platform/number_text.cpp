#include "platform/number_text.hpp"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "platform/run_error.hpp"

namespace platform {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

constexpr int kQuickDecimals = 8;
constexpr uint64_t kPowersOfTen[20] = {1ull,
                                       10ull,
                                       100ull,
                                       1000ull,
                                       10000ull,
                                       100000ull,
                                       1000000ull,
                                       10000000ull,
                                       100000000ull,
                                       1000000000ull,
                                       10000000000ull,
                                       100000000000ull,
                                       1000000000000ull,
                                       10000000000000ull,
                                       100000000000000ull,
                                       1000000000000000ull,
                                       10000000000000000ull,
                                       100000000000000000ull,
                                       1000000000000000000ull,
                                       10000000000000000000ull};
constexpr double kScales[kQuickDecimals + 1] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

// Writes the digits of v backwards so that they end just before `end`;
// returns where they begin.
char* digitsBefore(char* end, uint64_t v) {
    char* p = end;
    while (v >= 100) {
        const auto pair = static_cast<unsigned>(v % 100);
        v /= 100;
        p -= 2;
        p[0] = kDigitPairs[2 * pair];
        p[1] = kDigitPairs[2 * pair + 1];
    }
    if (v >= 10) {
        p -= 2;
        p[0] = kDigitPairs[2 * v];
        p[1] = kDigitPairs[2 * v + 1];
    } else {
        *--p = static_cast<char>('0' + v);
    }
    return p;
}


int digitCount(uint64_t v) {
    if (v == 0) return 1;
    const int t = (64 - std::countl_zero(v)) * 1233 >> 12;  // about log10(v)
    return t + 1 - (v < kPowersOfTen[t]);
}

// The eight digits of v < 10^8, with leading zeros, as the characters of
// eight bytes in memory order (the first digit in the first byte): v is
// cut into halves of four digits, each half into pairs and each pair into
// digits, all lanes at once; a multiplication and a shift stand for each
// division by 100 and by 10, exact for these ranges.
inline uint64_t eightDigits(uint32_t v) {
    const uint64_t halves = (v / 10000) | (static_cast<uint64_t>(v % 10000) << 32);
    const uint64_t hundreds = (halves * 10486) >> 20 & 0x0000007F0000007Full;
    const uint64_t pairs = (halves - hundreds * 100) << 16 | hundreds;
    const uint64_t tens = (pairs * 103) >> 10 & 0x000F000F000F000Full;
    const uint64_t digits = (pairs - tens * 10) << 8 | tens;
    uint64_t text = digits | 0x3030303030303030ull;
    if constexpr (std::endian::native == std::endian::big) text = __builtin_bswap64(text);
    return text;
}

// The last `count` (1..8) of those digits, stored at `at`; all eight bytes
// are stored (those past the digits are scratch, which the text room
// allows for).
inline void storeLastDigits(char* at, uint64_t text, int count) {
    if constexpr (std::endian::native == std::endian::little)
        text >>= 8 * (8 - count);
    else
        text <<= 8 * (8 - count);
    std::memcpy(at, &text, sizeof text);
}

// The digits of v without leading zeros; below 10^8 without a branch on
// their number.
inline char* writeDigits(char* at, uint64_t v) {
    const int n = digitCount(v);
    if (v < 100000000) {
        storeLastDigits(at, eightDigits(static_cast<uint32_t>(v)), n);
        return at + n;
    }
    digitsBefore(at + n, v);
    return at + n;
}

// v / 10^D with a point and all its decimals (none with D = 0); the
// divisor is a constant, so no division instruction is needed.
template <int D>
char* writeScaledBy(char* at, uint64_t v) {
    constexpr uint64_t unit = kPowersOfTen[D];
    char* end = writeDigits(at, v / unit);
    if constexpr (D == 0) {
        return end;
    } else {
        *end++ = '.';
        storeLastDigits(end, eightDigits(static_cast<uint32_t>(v % unit)), D);
        return end + D;
    }
}

char* writeScaled(char* at, uint64_t v, int decimals, bool negative) {
    if (negative) *at++ = '-';
    switch (decimals) {
        case 0: return writeScaledBy<0>(at, v);
        case 1: return writeScaledBy<1>(at, v);
        case 2: return writeScaledBy<2>(at, v);
        case 3: return writeScaledBy<3>(at, v);
        case 4: return writeScaledBy<4>(at, v);
        case 5: return writeScaledBy<5>(at, v);
        case 6: return writeScaledBy<6>(at, v);
        case 7: return writeScaledBy<7>(at, v);
        default: return writeScaledBy<8>(at, v);
    }
}

// True when |value| lies exactly halfway between two neighbours of
// `decimals` decimals: then |value| = odd / 2^(decimals + 1).
bool isDecimalTie(double magnitude, int decimals) {
    double scaled = std::ldexp(magnitude, decimals + 1);
    if (!std::isfinite(scaled) || scaled != std::floor(scaled) || scaled >= 0x1p53) return false;
    return std::fmod(scaled, 2.0) == 1.0;
}

}  // namespace

char* writeFixed(char* at, double value, int decimals) {
    decimals = decimals < 0 ? 0 : decimals > kMaxFixedDecimals ? kMaxFixedDecimals : decimals;
    const double magnitude = std::fabs(value);
    if (decimals <= kQuickDecimals && magnitude < 0x1p40) {
        // x = |v| * 10^d rounded half away from zero. The product differs
        // from the exact x by at most half a unit in its last place, below
        // 2^-13 while x < 2^40 (and not at all with 0 decimals); so unless
        // it lies that close to a half, it rounds to the same whole number
        // as the exact x.
        const double scaled = magnitude * kScales[decimals];
        if (scaled < 0x1p40) {
            const auto whole = static_cast<uint64_t>(static_cast<int64_t>(scaled));
            const double fraction = scaled - static_cast<double>(whole);
            if (decimals == 0 || std::fabs(fraction - 0.5) > 1e-3) {
                return writeScaled(at, whole + (fraction >= 0.5), decimals, std::signbit(value));
            }
        }
    }
    // to_chars rounds exact ties to even; halves go away from zero here, so
    // a tie is moved off the midpoint by one step outward first.
    double v = value;
    if (std::isfinite(v) && isDecimalTie(magnitude, decimals))
        v = std::nextafter(v, std::signbit(v) ? -INFINITY : INFINITY);
    auto res = std::to_chars(at, at + kFixedTextRoom, v, std::chars_format::fixed, decimals);
    if (res.ec != std::errc()) fail("number too large to write");
    return res.ptr;
}

void appendFixed(std::string& out, double value, int decimals) {
    char buf[kFixedTextRoom];
    // Pointer and length: the plain append, not the general replace that
    // an iterator range goes through.
    out.append(buf, static_cast<size_t>(writeFixed(buf, value, decimals) - buf));
}

std::string formatFixed(double value, int decimals) {
    std::string out;
    appendFixed(out, value, decimals);
    return out;
}

void appendInt(std::string& out, long long value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, static_cast<size_t>(res.ptr - buf));
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
