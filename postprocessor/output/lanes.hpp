// Four columns of a line side by side, for the stages that work the same
// way on many columns: each lane gets exactly the operations, in the same
// order and precision, that the column would get on its own, so the values
// are the same to the last bit. GCC and Clang vector types; no particular
// instruction set is assumed.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace postprocessor::lanes {

using F4 = float __attribute__((vector_size(16)));
using I4 = int32_t __attribute__((vector_size(16)));
using F2 = float __attribute__((vector_size(8)));
using D2 = double __attribute__((vector_size(16)));
using L2 = int64_t __attribute__((vector_size(16)));

inline F4 load(const float* at) {
    F4 v;
    std::memcpy(&v, at, sizeof v);
    return v;
}
inline void store(float* at, F4 v) { std::memcpy(at, &v, sizeof v); }

// Lane by lane: a where the mask is set (all bits), b elsewhere.
inline I4 select(I4 mask, I4 a, I4 b) { return (a & mask) | (b & ~mask); }
inline F4 select(I4 mask, F4 a, F4 b) { return reinterpret_cast<F4>(select(mask, reinterpret_cast<I4>(a), reinterpret_cast<I4>(b))); }
inline D2 select(L2 mask, D2 a, D2 b) {
    return reinterpret_cast<D2>((reinterpret_cast<L2>(a) & mask) | (reinterpret_cast<L2>(b) & ~mask));
}

// Lane by lane: a where a < b (a > b), b elsewhere, also where either is
// not a number; what the processor's minimum (maximum) gives.
#ifdef __SSE2__
inline F4 lesser(F4 a, F4 b) { return reinterpret_cast<F4>(_mm_min_ps(reinterpret_cast<__m128>(a), reinterpret_cast<__m128>(b))); }
inline F4 greater(F4 a, F4 b) { return reinterpret_cast<F4>(_mm_max_ps(reinterpret_cast<__m128>(a), reinterpret_cast<__m128>(b))); }
#else
inline F4 lesser(F4 a, F4 b) { return select(a < b, a, b); }
inline F4 greater(F4 a, F4 b) { return select(a > b, a, b); }
#endif

// The two halves of four singles as doubles, and back (rounded to nearest,
// as a single assignment rounds).
#ifdef __SSE2__
inline D2 lowHalf(F4 v) { return reinterpret_cast<D2>(_mm_cvtps_pd(reinterpret_cast<__m128>(v))); }
inline D2 highHalf(F4 v) {
    const __m128 x = reinterpret_cast<__m128>(v);
    return reinterpret_cast<D2>(_mm_cvtps_pd(_mm_movehl_ps(x, x)));
}
inline F4 singles(D2 low, D2 high) {
    return reinterpret_cast<F4>(
        _mm_movelh_ps(_mm_cvtpd_ps(reinterpret_cast<__m128d>(low)), _mm_cvtpd_ps(reinterpret_cast<__m128d>(high))));
}
#else
inline D2 lowHalf(F4 v) { return __builtin_convertvector(__builtin_shufflevector(v, v, 0, 1), D2); }
inline D2 highHalf(F4 v) { return __builtin_convertvector(__builtin_shufflevector(v, v, 2, 3), D2); }
inline F4 singles(D2 low, D2 high) {
    const F2 a = __builtin_convertvector(low, F2), b = __builtin_convertvector(high, F2);
    return __builtin_shufflevector(a, b, 0, 1, 2, 3);
}
#endif

// The masks of four singles for their halves as doubles.
inline L2 lowHalf(I4 mask) { return __builtin_convertvector(__builtin_shufflevector(mask, mask, 0, 1), L2); }
inline L2 highHalf(I4 mask) { return __builtin_convertvector(__builtin_shufflevector(mask, mask, 2, 3), L2); }

// The masks of two halves as doubles for four singles.
inline I4 lanesOf(L2 low, L2 high) {
    return __builtin_shufflevector(reinterpret_cast<I4>(low), reinterpret_cast<I4>(high), 0, 2, 4, 6);
}

inline D2 abs(D2 v) { return reinterpret_cast<D2>(reinterpret_cast<L2>(v) & (L2{} + INT64_MAX)); }

// Square roots, correctly rounded as std::sqrt gives them.
#ifdef __SSE2__
inline D2 sqrt(D2 v) { return reinterpret_cast<D2>(_mm_sqrt_pd(reinterpret_cast<__m128d>(v))); }
#else
inline D2 sqrt(D2 v) { return D2{std::sqrt(v[0]), std::sqrt(v[1])}; }
#endif

inline bool any(I4 mask) {
    return (mask[0] | mask[1] | mask[2] | mask[3]) != 0;
}

}  // namespace postprocessor::lanes
