#include "converter/tables/signal_operations.hpp"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstring>
#include <limits>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace converter {

void ValueList::reserve(size_t n) {
    values.reserve(n);
    ranked.reserve(n);
    removed.reserve(n);
}

namespace {

// Lists up to this length are trimmed by plain scans; longer ones by ranking.
constexpr size_t kScanLimit = 24;

// The scans as the instrument's software does them: k times the first
// smallest, then the first largest of the values still taken.
double trimmedMeanByScans(const double* v, size_t n, size_t k) {
    bool taken[kScanLimit];
    for (size_t i = 0; i < n; ++i) taken[i] = true;
    for (size_t rep = 0; rep < k; ++rep) {
        double low = 1e33;
        size_t at = n;
        for (size_t i = 0; i < n; ++i)
            if (taken[i] && v[i] < low) low = v[i], at = i;
        if (at < n) taken[at] = false;
        double high = -1e33;
        at = n;
        for (size_t i = 0; i < n; ++i)
            if (taken[i] && v[i] > high) high = v[i], at = i;
        if (at < n) taken[at] = false;
    }
    double sum = 0;
    size_t count = 0;
    for (size_t i = 0; i < n; ++i)
        if (taken[i]) sum += v[i], ++count;
    return sum / static_cast<double>(count);
}

// The same removals found on the values ranked by (value, position): the
// smallest still taken is the next one from the bottom; the largest still
// taken is the first still taken of the highest group of equal values.
double trimmedMeanByRanking(ValueList& list, size_t k) {
    const double* v = list.values.data();
    const size_t n = list.values.size();
    auto& ranked = list.ranked;
    ranked.resize(n);
    for (size_t i = 0; i < n; ++i) ranked[i] = {v[i], static_cast<uint32_t>(i)};
    std::sort(ranked.begin(), ranked.end(), [](const ValueList::Ranked& a, const ValueList::Ranked& b) {
        return a.value < b.value || (a.value == b.value && a.index < b.index);
    });
    auto& removed = list.removed;
    removed.assign(n, 0);

    size_t bottom = 0;
    // Highest group of equal values ranked[groupStart..groupEnd], and the
    // next candidate in it.
    size_t groupEnd = n - 1;
    size_t groupStart = groupEnd;
    while (groupStart > 0 && ranked[groupStart - 1].value == ranked[groupEnd].value) --groupStart;
    size_t next = groupStart;

    for (size_t rep = 0; rep < k; ++rep) {
        while (removed[ranked[bottom].index]) ++bottom;
        removed[ranked[bottom++].index] = 1;
        for (;;) {
            while (next <= groupEnd && removed[ranked[next].index]) ++next;
            if (next <= groupEnd) break;
            groupEnd = groupStart - 1;
            groupStart = groupEnd;
            while (groupStart > 0 && ranked[groupStart - 1].value == ranked[groupEnd].value)
                --groupStart;
            next = groupStart;
        }
        removed[ranked[next++].index] = 1;
    }
    double sum = 0;
    for (size_t i = 0; i < n; ++i)
        if (!removed[i]) sum += v[i];
    return sum / static_cast<double>(n - 2 * k);
}

}  // namespace

double trimmedMean(ValueList& list) {
    const size_t n = list.values.size();
    if (n == 0) return 0;
    const size_t k = (n + 1) / 4;
    if (n <= kScanLimit) return trimmedMeanByScans(list.values.data(), n, k);
    return trimmedMeanByRanking(list, k);
}

namespace {

constexpr int kChannelFields = 70;  // fields 5..74
// The passes run over 72 fields (5..76, all inside the record) so that they
// split evenly into vector lanes; the last two are not used.
constexpr int kLanes = 72;
// Up to this many values removed from each end the passes keep the k
// smallest and k largest of every channel in small sorted registers.
constexpr size_t kKeptExtremes = 8;

// Sum of the k smallest and the k largest of column[0..n) (reordered).
int64_t extremesSum(int32_t* column, size_t n, size_t k) {
    std::nth_element(column, column + k, column + n);
    std::nth_element(column + k, column + (n - k), column + n);
    int64_t sum = 0;
    for (size_t i = 0; i < k; ++i) sum += int64_t{column[i]} + column[n - 1 - i];
    return sum;
}

// Four channels side by side in one register (SSE2 on x86; the compiler
// picks what the target has elsewhere).
typedef int32_t Lanes __attribute__((vector_size(16)));

// Readings summed exactly for any number of records: the low 16 bits and
// the rest of each reading are summed apart, in batches too short for either
// sum to overflow. Readings that fit in 16 bits are summed whole.
constexpr size_t kSumBatch = 32768;

// The k smallest and k largest of 4 channels from the first channel `c`.
template <size_t K>
void wideExtremes(const RawStore& store, const std::vector<int32_t>& records, int c, int64_t* sum,
                  int64_t* removed) {
    const size_t n = records.size();
    // low[j] ascending: the j-th smallest so far; high[j] descending.
    Lanes low[K], high[K];
    for (size_t j = 0; j < K; ++j) low[j] = Lanes{} + INT32_MAX, high[j] = Lanes{} + INT32_MIN;
    for (size_t from = 0; from < n; from += kSumBatch) {
        const size_t to = std::min(n, from + kSumBatch);
        Lanes sumLow = {}, sumHigh = {};
        for (size_t i = from; i < to; ++i) {
            Lanes x;
            std::memcpy(&x, store.record(records[i]) + kPositive + c, sizeof x);
            sumLow += x & 0xFFFF;
            sumHigh += x >> 16;
            // Compare-and-exchange by masks, without branches: where the
            // mask is set, the two values trade places.
            Lanes up = x, down = x;
#pragma GCC unroll 8
            for (size_t j = 0; j < K; ++j) {
                const Lanes a = (up ^ low[j]) & (up < low[j]);
                low[j] ^= a;
                up ^= a;
                const Lanes b = (down ^ high[j]) & (down > high[j]);
                high[j] ^= b;
                down ^= b;
            }
        }
        for (int i = 0; i < 4; ++i) sum[c + i] += int64_t{sumHigh[i]} * 65536 + sumLow[i];
    }
    for (size_t j = 0; j < K; ++j)
        for (int i = 0; i < 4; ++i) removed[c + i] += int64_t{low[j][i]} + high[j][i];
}

// The same for 8 channels from `c` whose readings all fit in 16 bits (the
// usual case), eight to a register, where SSE2 has minimum and maximum for
// them; false, with nothing changed, when one does not fit.
template <size_t K>
bool narrowExtremes(const RawStore& store, const std::vector<int32_t>& records, int c, int64_t* sum,
                    int64_t* removed) {
#ifdef __SSE2__
    if (records.size() > kSumBatch) return false;
    __m128i low[K], high[K];
    for (size_t j = 0; j < K; ++j) low[j] = _mm_set1_epi16(INT16_MAX), high[j] = _mm_set1_epi16(INT16_MIN);
    const __m128i half = _mm_set1_epi32(0x8000);
    __m128i sumA = _mm_setzero_si128(), sumB = sumA, range = sumA;
    for (int32_t r : records) {
        const int32_t* v = store.record(r) + kPositive + c;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + 4));
        // 0..0xFFFF for every reading that fits
        range = _mm_or_si128(range, _mm_or_si128(_mm_add_epi32(a, half), _mm_add_epi32(b, half)));
        sumA = _mm_add_epi32(sumA, a);
        sumB = _mm_add_epi32(sumB, b);
        __m128i up = _mm_packs_epi32(a, b), down = up;
#pragma GCC unroll 8
        for (size_t j = 0; j < K; ++j) {
            const __m128i l = low[j], h = high[j];
            low[j] = _mm_min_epi16(up, l);
            up = _mm_max_epi16(up, l);
            high[j] = _mm_max_epi16(down, h);
            down = _mm_min_epi16(down, h);
        }
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srli_epi32(range, 16), _mm_setzero_si128())) != 0xFFFF)
        return false;
    alignas(16) int32_t sums[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(sums), sumA);
    _mm_store_si128(reinterpret_cast<__m128i*>(sums + 4), sumB);
    alignas(16) int16_t extremes[2 * K][8];
    for (size_t j = 0; j < K; ++j) {
        _mm_store_si128(reinterpret_cast<__m128i*>(extremes[2 * j]), low[j]);
        _mm_store_si128(reinterpret_cast<__m128i*>(extremes[2 * j + 1]), high[j]);
    }
    for (int i = 0; i < 8; ++i) {
        sum[c + i] += sums[i];
        for (size_t j = 0; j < 2 * K; ++j) removed[c + i] += extremes[j][i];
    }
    return true;
#else
    (void)store, (void)records, (void)c, (void)sum, (void)removed;
    return false;
#endif
}

template <size_t K>
void keepExtremes(const RawStore& store, const std::vector<int32_t>& records, int64_t* sum,
                  int64_t* removed) {
    for (int c = 0; c < kLanes; c += 8) {
        if (narrowExtremes<K>(store, records, c, sum, removed)) continue;
        wideExtremes<K>(store, records, c, sum, removed);
        wideExtremes<K>(store, records, c + 4, sum, removed);
    }
}

template <size_t... K>
void keepExtremesFor(size_t k, const RawStore& store, const std::vector<int32_t>& records, int64_t* sum,
                     int64_t* removed, std::index_sequence<K...>) {
    ((k == K + 1 ? keepExtremes<K + 1>(store, records, sum, removed) : void()), ...);
}

}  // namespace

void channelTrimmedMeans(const RawStore& store, const std::vector<int32_t>& records,
                         std::vector<int32_t>& column, double means[87]) {
    const size_t n = records.size();
    if (n == 0) {
        std::fill(means + kPositive, means + kPositive + kChannelFields, 0.0);
        return;
    }
    const size_t k = (n + 1) / 4;
    int64_t sum[kLanes] = {};
    int64_t removed[kLanes] = {};
    if (k == 0) {
        for (int32_t r : records) {
            const int32_t* v = store.record(r) + kPositive;
            for (int c = 0; c < kLanes; ++c) sum[c] += v[c];
        }
    } else if (k <= kKeptExtremes) {
        keepExtremesFor(k, store, records, sum, removed, std::make_index_sequence<kKeptExtremes>());
    } else {
        column.resize(n);
        for (int c = 0; c < kChannelFields; ++c) {
            for (size_t i = 0; i < n; ++i) column[i] = store.record(records[i])[kPositive + c];
            for (size_t i = 0; i < n; ++i) sum[c] += column[i];
            removed[c] = extremesSum(column.data(), n, k);
        }
    }
    const double kept = static_cast<double>(n - 2 * k);
    for (int c = 0; c < kChannelFields; ++c)
        means[kPositive + c] = static_cast<double>(sum[c] - removed[c]) / kept;
}

void correctDustPulses(double cv[87]) {
    for (int i = 0; i < 35; ++i) {
        double& pos = cv[kPositive + i];
        double& neg = cv[kNegative + i];
        const double a = pos, b = neg;
        if (a < 0 && a + b >= 0) {
            pos = 0;
            neg = a + b;
        }
        if (b < 0 && a + b >= 0) {
            neg = 0;
            pos = a + b;
        }
    }
}

void correctResolution(const FractionTables& t, double cv[87]) {
    // Both polarities in one pass: each is a chain through its channels, and
    // the two chains run side by side. Outside the band the matrix holds
    // zeros, which change no sum of finite signals.
    double* x = cv + kPositive;
    double* y = cv + kNegative;
    for (int i = 0; i < 35; ++i) {
        const double* row = t.resolutionMatrix[i];
        double s = 0, u = 0;
        for (int k = t.resolutionFirst[i]; k <= t.resolutionLast[i]; ++k) {
            s += row[k] * x[k];
            u += row[k] * y[k];
        }
        x[i] = s;
        y[i] = u;
    }
}

double lossFactor(double Z, double T, double p, double G) {
    const double zc = Z >= 2 ? 2 : Z;
    return std::exp(G * std::pow(T / 273 + 1, 7.0 / 18.0) * std::pow(p / 1013, 1.0 / 6.0) *
                    std::pow(zc, 2.0 / 3.0));
}

void channelLossFactors(const FractionTables& t, double T, double p, double G, double loss[35]) {
    const double air = G * std::pow(T / 273 + 1, 7.0 / 18.0) * std::pow(p / 1013, 1.0 / 6.0);
    for (int i = 0; i < 35; ++i) loss[i] = std::exp(air * t.lossMobilityTerm[i]);
}

ConcentrationScale scaleToConcentration(const FractionTables& t, const InstrumentCoefficients& c,
                                        double cv[87], double supply, double battSum,
                                        const double loss[35]) {
    ConcentrationScale k;
    k.positive = c.positive / (supply / 23.5);
    k.negative = c.negative / (supply / 23.5);
    for (int i = 0; i < 35; ++i) {
        double f = 480 / battSum * c.lowMobility / t.channelMobility[i];
        if (f < 1) f = 1;
        f = f * loss[i];
        cv[kPositive + i] = cv[kPositive + i] * k.positive * f;
        cv[kNegative + i] = cv[kNegative + i] * k.negative * f;
    }
    return k;
}

ConcentrationScale scaleToConcentration(const FractionTables& t, const InstrumentCoefficients& c,
                                        double cv[87], double supply, double battSum, double T,
                                        double p) {
    double loss[35];
    for (int i = 0; i < 35; ++i) loss[i] = lossFactor(t.channelMobility[i], T, p, c.loss);
    return scaleToConcentration(t, c, cv, supply, battSum, loss);
}

NoisePair estimateNoise(const double zv[87]) {
    auto noiseOf = [](const double* z) {
        double sum = 0;
        for (int c = 3; c <= 32; ++c) {
            double e = 6 * z[c] - 4 * z[c - 1] - 4 * z[c + 1] + z[c - 2] + z[c + 2];
            sum = sum + e * e;
        }
        return std::sqrt(sum / 1080);
    };
    return {noiseOf(zv + kPositive), noiseOf(zv + kNegative)};
}

double collisionIntegral(double x) {
    if (x > 1) return 1 + 0.106 / x + 0.263 / std::pow(x, 4.0 / 3.0);
    const double q = std::pow(x, 0.25);
    return 1.4691 / std::sqrt(x) - 0.341 / q + 0.181 * x * q + 0.059;
}

namespace {

double delta(double t) { return 0.3036 * (1 + std::pow(44 / t, 0.8)); }

}  // namespace

double particleMobility(double d, double T, double p) {
    const double tk = T + 273.15;
    const double dk = delta(tk);
    const double eta = 0.02713 * std::sqrt(28.96 * tk) / (dk * dk);
    const double u = 145.5 * std::sqrt(tk / 28.96);
    const double lambda = 166251 * eta * tk / (28.96 * p * u);
    const double mass = 655.824 * (d * d * d);

    // Effective temperature of the collisions, by iteration; the first pass
    // starts from tk, whose delta is known.
    double t = tk, r = 0, eps = 0;
    for (int pass = 0;; ++pass) {
        const double previous = t;
        r = d / 2 + 0.115 + (pass == 0 ? dk : delta(previous)) / 2;
        const double r2 = r * r;
        eps = 14.28705 / (r2 * r2);
        t = tk + eps;
        if (std::fabs(previous - t) < 0.01) break;
        if (!std::isfinite(t) || pass >= 1000) return std::numeric_limits<double>::quiet_NaN();
    }
    const double omega = collisionIntegral(tk / eps);
    const double kn = lambda / r;
    const double b = kn < 0.03 ? 0 : std::exp(-1 / kn);
    const double q = 2.48 / d;
    const double phi = q * q * q * 273.15 / t;
    double polar;
    if (phi > 30) {
        polar = 1;
    } else if (phi <= 0.001) {
        polar = 1.3235294117647058;
    } else {
        const double e = std::exp(phi);
        const double f = phi / (e - 1);
        polar = 1 + 0.3235294117647059 * e * (f * f);
    }
    return std::sqrt(1 + 28.96 / mass) * 1.3235294117647058 / (omega + polar - 1) * 1.602 *
           (1 + kn * (1.2 + 0.5 * b)) / (18.84955592153876 * eta * r);
}

}  // namespace converter
