#include "converter/input/cycles.hpp"

#include <gtest/gtest.h>

#include <random>

#include "../tables/test_run.hpp"

using testrun::at;
using testrun::TestRun;

namespace {

struct Cycle {
    int first, last, zeroFirst, zeroLast;
    bool operator==(const Cycle&) const = default;
};

std::vector<Cycle> cyclesOf(TestRun& t) {
    converter::buildCycles(t.run.store, t.run.settings, t.run.cycles);
    const auto& c = t.run.cycles;
    std::vector<Cycle> result;
    for (int i = 1; i <= c.cycleCount; ++i)
        result.push_back({c.cycleFirst[i], c.cycleLast[i], c.zeroFirst[i], c.zeroLast[i]});
    return result;
}

double t1002(int h, int m, int s) { return at(2011, 2, 11, h, m, s); }

}  // namespace

TEST(GridCycles, SlotsNeedAsManyMeasurementsAsMinutes) {
    TestRun t(0, 5, 5, 0);
    for (int m = 0; m < 10; ++m) t.add(t1002(10, m, 30), 1);
    auto cycles = cyclesOf(t);
    ASSERT_EQ(cycles.size(), 2u);
    EXPECT_EQ(cycles[0].first, 1);
    EXPECT_EQ(cycles[0].last, 5);
    EXPECT_EQ(cycles[1].first, 6);
    EXPECT_EQ(cycles[1].last, 10);

    // One zero record in the second slot: its kind sum is 4 and it is dropped.
    t.run.store.record(8)[converter::field::kind] = 0;
    cycles = cyclesOf(t);
    ASSERT_EQ(cycles.size(), 1u);
    EXPECT_EQ(cycles[0].last, 5);
}

TEST(GridCycles, RecordsOnSlotStartsBelongToThatSlot) {
    // Every record at a whole minute: 10:05:00 opens the second slot exactly,
    // wherever the day's fraction rounds.
    for (int day = 1; day <= 28; ++day) {
        TestRun t(0, 5, 5, 0);
        for (int m = 0; m < 10; ++m) t.add(at(2011, 2, day, 13, 50 + m, 0), 1);
        auto cycles = cyclesOf(t);
        ASSERT_EQ(cycles.size(), 2u) << day;
        EXPECT_EQ(cycles[0].last, 5) << day;
        EXPECT_EQ(cycles[1].first, 6) << day;
    }
}

TEST(GridCycles, ZeroWindowEndsAreIncluded) {
    // cycleminutes 10, zerominutes 20: the window of 10:00-10:10 runs from
    // 09:55:00 to 10:15:00 inclusive.
    TestRun t(0, 10, 20, 0);
    for (int s = 9 * 3600 + 50 * 60; s <= 10 * 3600 + 20 * 60; s += 30)
        t.add(t1002(s / 3600, s / 60 % 60, s % 60), s >= 36000 && s < 36600 ? 1 : 0);
    auto cycles = cyclesOf(t);
    ASSERT_EQ(cycles.size(), 1u);
    const auto& store = t.run.store;
    auto hhmmss = [&](int r) { return store.record(r)[0]; };
    EXPECT_EQ(hhmmss(cycles[0].first), 100000);
    EXPECT_EQ(hhmmss(cycles[0].last), 100930);
    EXPECT_EQ(hhmmss(cycles[0].zeroFirst), 95500);
    EXPECT_EQ(hhmmss(cycles[0].zeroLast), 101500);

    // zerominutes equal to cycleminutes: just the slot, both ends included.
    t.run.settings.zerominutes = 10;
    cycles = cyclesOf(t);
    EXPECT_EQ(hhmmss(cycles[0].zeroFirst), 100000);
    EXPECT_EQ(hhmmss(cycles[0].zeroLast), 101000);
}

TEST(GridCycles, WindowWalksStopAtTheFirstAndLastRecord) {
    TestRun t(0, 1, 600, 0);
    for (int s = 0; s < 5; ++s) t.add(t1002(12, 0, s * 10), 1);
    auto cycles = cyclesOf(t);
    ASSERT_EQ(cycles.size(), 1u);
    EXPECT_EQ(cycles[0], (Cycle{1, 5, 1, 5}));
}

TEST(GridCycles, TimesFallingBackOpenNoCycle) {
    TestRun t(0, 1, 3, 0);
    t.add(t1002(10, 0, 10), 1);
    t.add(t1002(10, 1, 10), 1);  // slot 2
    t.add(t1002(10, 0, 40), 1);  // back in slot 1: stays in the group
    t.add(t1002(10, 1, 50), 1);  // slot 2 again: above the record before, a new group
    t.add(t1002(10, 2, 10), 1);
    auto cycles = cyclesOf(t);
    ASSERT_EQ(cycles.size(), 4u);
    EXPECT_EQ(cycles[1].first, 2);
    EXPECT_EQ(cycles[1].last, 3);
    EXPECT_EQ(cycles[2].first, 4);
}

TEST(RecordCycles, NeedTwoZeroRecordsInTheWindow) {
    // cycleminutes 0, zerominutes 4: the window of 12:00:00 is 11:58:00 to
    // 12:02:00 inclusive.
    TestRun t(0, 0, 4, 0);
    t.add(t1002(11, 57, 59), 0);
    t.add(t1002(11, 58, 0), 0);
    t.add(t1002(12, 0, 0), 1);
    t.add(t1002(12, 2, 0), 0);
    t.add(t1002(12, 2, 1), 1);
    auto cycles = cyclesOf(t);
    // 12:02:01 sees 12:00:01..12:04:01, which holds one zero record only.
    ASSERT_EQ(cycles.size(), 1u);
    EXPECT_EQ(cycles[0], (Cycle{3, 3, 2, 4}));
    EXPECT_EQ(t.run.cycles.cycleTime[1], t.run.store.recordTime[3]);

    // 11:58:00 made a measurement: 12:00:00 keeps one zero record, and
    // 11:58:00 sees 11:57:59 alone.
    t.run.store.record(2)[converter::field::kind] = 1;
    EXPECT_TRUE(cyclesOf(t).empty());
}

TEST(RecordCycles, OnlyMeasurementsGiveNoCycle) {
    TestRun t(0, 0, 10, 0);
    for (int m = 0; m < 20; ++m) t.add(t1002(8, m, 0), 1);
    EXPECT_TRUE(cyclesOf(t).empty());
    TestRun none(0, 5, 10, 0);
    EXPECT_TRUE(cyclesOf(none).empty());
}

TEST(GridCycles, ZeroWindowsOfAscendingTimesAreThoseOfTheWalks) {
    // Ascending times, several records in the same second, gaps of every
    // size: the windows found by halving are those of the step-by-step walks.
    std::mt19937 random(31);
    for (int round = 0; round < 20; ++round) {
        TestRun t(0, 1 + round % 5, 3 + round * 7 % 40, 0);
        int second = 3600;
        for (int r = 0; r < 600; ++r) {
            second += static_cast<int>(random() % 4 == 0 ? 0 : random() % (round % 2 ? 40 : 200));
            t.add(at(2011, 2, 11, 0, 0, 0) + second / 86400.0, random() % 4 ? 1 : 0);
        }
        const auto cycles = cyclesOf(t);
        ASSERT_FALSE(cycles.empty());
        const int n = t.run.store.recordCount;
        const int64_t slot = t.run.settings.cycleminutes * 60;
        const int64_t half = (t.run.settings.zerominutes - t.run.settings.cycleminutes) * 30;
        auto sec = [&](int r) { return converter::recordSeconds(t.run.store.recordTime[r]); };
        for (const auto& c : cycles) {
            const int64_t start = sec(c.first) / slot * slot, end = (sec(c.last) / slot + 1) * slot;
            int i = c.first;
            while (i > 1 && start - sec(i) < half) --i;
            if (start - sec(i) > half) ++i;
            ASSERT_EQ(c.zeroFirst, i) << round;
            i = c.last;
            while (i < n && sec(i) - end < half) ++i;
            if (sec(i) - end > half) --i;
            ASSERT_EQ(c.zeroLast, i) << round;
        }
    }
}
