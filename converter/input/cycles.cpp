#include "converter/input/cycles.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/parallel.hpp"

namespace converter {

void CycleTable::allocate() {
    cycleFirst.reset(new int32_t[kCycleCapacity + 1]);
    cycleLast.reset(new int32_t[kCycleCapacity + 1]);
    zeroFirst.reset(new int32_t[kCycleCapacity + 1]);
    zeroLast.reset(new int32_t[kCycleCapacity + 1]);
    cycleTime.reset(new double[kCycleCapacity + 1]);
    seconds = allocateLargeTable<int64_t>(static_cast<size_t>(kRecordCapacity) + 1);
    cycleCount = 0;
}

int64_t recordSeconds(double recordTime) { return std::llround(recordTime * 86400.0); }

namespace {

// Times of the records in whole seconds, worked out once into the working
// table; the instrument writes whole seconds, so a record at the very start
// of a slot belongs to that slot and the window ends are hit exactly.
struct Seconds {
    const int64_t* table;
    int64_t operator()(int r) const { return table[r]; }
};

Seconds recordSecondsOf(const RawStore& store, CycleTable& cycles, bool& ascending) {
    int64_t* s = cycles.seconds.get();
    // In blocks on the usable cores; each tells whether its times ascend.
    constexpr int kBlock = 1 << 16;
    const int n = store.recordCount;
    const int blocks = (n + kBlock - 1) / kBlock;
    std::vector<char> blockAscends(static_cast<size_t>(blocks));
    platform::forEachIndex(blocks, [&](long b) {
        const int first = 1 + static_cast<int>(b) * kBlock, last = std::min(n, first + kBlock - 1);
        bool ascends = true;
        for (int r = first; r <= last; ++r) {
            s[r] = recordSeconds(store.recordTime[r]);
            if (r > first && s[r] < s[r - 1]) ascends = false;
        }
        blockAscends[static_cast<size_t>(b)] = ascends;
    });
    ascending = true;
    for (int b = 0; b < blocks; ++b)
        if (!blockAscends[static_cast<size_t>(b)] || (b > 0 && s[1 + b * kBlock] < s[b * kBlock])) ascending = false;
    return {s};
}

void buildByGrid(const RawStore& store, const ConverterSettings& settings, CycleTable& cycles) {
    const int n = store.recordCount;
    bool ascending;
    const Seconds sec = recordSecondsOf(store, cycles, ascending);
    const int64_t* const table = sec.table;
    const int64_t slotLength = int64_t{settings.cycleminutes} * 60;
    // Half of the part of the zero window outside the slot.
    const int64_t half = (int64_t{settings.zerominutes} - settings.cycleminutes) * 30;
    const int64_t origin = sec(1) / slotLength * slotLength;
    auto slot = [&](int r) { return (sec(r) - origin) / slotLength + 1; };

    int count = 0;
    auto closeGroup = [&](int first, int last, int64_t kindSum) {
        if (kindSum < settings.cycleminutes) return;
        ++count;
        cycles.cycleFirst[count] = first;
        cycles.cycleLast[count] = last;

        // The walks step down from the first record while it lies less than
        // `half` before the slot start, and up from the last while it lies
        // less than `half` after the slot end. When the times ascend, where
        // a walk stops is found by halving instead.
        const int64_t start = sec(first) / slotLength * slotLength;
        int i = first;
        if (ascending) {
            // Records 1..p lie at least `half` before the start.
            const int p = static_cast<int>(
                std::upper_bound(table + 1, table + first + 1, start - half) - table) - 1;
            i = std::max(1, std::min(first, p));
        } else {
            while (i > 1 && start - sec(i) < half) --i;
        }
        if (start - sec(i) > half) ++i;
        cycles.zeroFirst[count] = i;

        const int64_t end = (sec(last) / slotLength + 1) * slotLength;
        i = last;
        if (ascending) {
            // Records q..n lie at least `half` after the end.
            const int q = static_cast<int>(std::lower_bound(table + last, table + n + 1, end + half) - table);
            i = std::min(n, std::max(last, q));
        } else {
            while (i < n && sec(i) - end < half) ++i;
        }
        if (sec(i) - end > half) --i;
        cycles.zeroLast[count] = i;
    };

    // A record opens a new group only when its slot is above that of the
    // record before it; records whose times fall back stay in the group.
    // A record in the slot of the one before needs no division: that slot
    // spans [spanFrom, spanTo) seconds from the origin (an empty span for a
    // record before the origin, whose slot the division alone tells).
    int first = 1;
    int64_t previousSlot = slot(1);
    int64_t spanFrom = (previousSlot - 1) * slotLength, spanTo = previousSlot * slotLength;
    int64_t kindSum = store.kind(1);
    for (int r = 2; r <= n; ++r) {
        const int64_t since = sec(r) - origin;
        int64_t s = previousSlot;
        if (since < spanFrom || since >= spanTo) {
            s = slot(r);
            spanFrom = since >= 0 ? (s - 1) * slotLength : 1;
            spanTo = since >= 0 ? s * slotLength : 0;
        }
        if (s > previousSlot) {
            closeGroup(first, r - 1, kindSum);
            first = r;
            kindSum = 0;
        }
        kindSum += store.kind(r);
        previousSlot = s;
    }
    closeGroup(first, n, kindSum);
    cycles.cycleCount = count;
}

void buildByRecords(const RawStore& store, const ConverterSettings& settings, CycleTable& cycles) {
    const int n = store.recordCount;
    bool ascending;
    const Seconds sec = recordSecondsOf(store, cycles, ascending);
    const int64_t half = int64_t{settings.zerominutes} * 30;

    // Candidates, held in cycleFirst until the acceptance compacts them.
    int candidates = 0;
    for (int r = 1; r <= n; ++r)
        if (store.kind(r) == 1) cycles.cycleFirst[++candidates] = r;

    // One forward walk for the window starts, one backward walk for the
    // window ends; both positions only ever move one way.
    int i = 1;
    for (int c = 1; c <= candidates; ++c) {
        const int64_t from = sec(cycles.cycleFirst[c]) - half;
        while (i < n && sec(i) < from) ++i;
        cycles.zeroFirst[c] = i;
    }
    i = n;
    for (int c = candidates; c >= 1; --c) {
        const int64_t to = sec(cycles.cycleFirst[c]) + half;
        while (i > 1 && sec(i) > to) --i;
        cycles.zeroLast[c] = i;
    }

    // Zero records in each window from two running counts of the zero
    // records up to a position; both targets ascend with the candidates.
    struct ZeroCount {
        const RawStore& store;
        int position = 0;
        int64_t zeros = 0;
        int64_t upTo(int r) {
            while (position < r) zeros += store.kind(++position) == 0;
            return zeros;
        }
    } beforeStart{store}, upToEnd{store};

    int count = 0;
    for (int c = 1; c <= candidates; ++c) {
        const int m = cycles.cycleFirst[c];
        const int from = cycles.zeroFirst[c];
        const int to = cycles.zeroLast[c];
        const int64_t zeros = to < from ? 0 : upToEnd.upTo(to) - beforeStart.upTo(from - 1);
        if (zeros < 2) continue;
        ++count;
        cycles.cycleFirst[count] = m;
        cycles.cycleLast[count] = m;
        cycles.zeroFirst[count] = from;
        cycles.zeroLast[count] = to;
        cycles.cycleTime[count] = store.recordTime[m];
    }
    cycles.cycleCount = count;
}

}  // namespace

void buildCycles(const RawStore& store, const ConverterSettings& settings, CycleTable& cycles) {
    if (!cycles.cycleFirst) cycles.allocate();
    cycles.cycleCount = 0;
    if (store.recordCount <= 0) return;
    if (settings.cycleminutes > 0)
        buildByGrid(store, settings, cycles);
    else
        buildByRecords(store, settings, cycles);
}

}  // namespace converter
