#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "postprocessor/output/stages.hpp"
#include "stage_run.hpp"

using namespace postprocessor;
using stage_test::StageRun;

namespace {

// One line per minute with the given values in every column; inner lines marked.
struct Series : StageRun {
    explicit Series(std::initializer_list<float> values) {
        int i = 0;
        for (float v : values) addLine(run.params.firstDay + (i++ + 0.5) / 1440.0, v);
        markInnerLines();
    }
};

}  // namespace

TEST(SmoothNegatives, TripletReplacesNegativeValues) {
    Series s({10, -4, 20});
    s.run.params.negativeSmoothingLevel = 1;
    smoothNegatives(s.run);
    EXPECT_EQ(s.value(2, 30), 5.5f);  // (10 - 8 + 20) / 4

    Series t({-10, -4, 5});
    t.run.params.negativeSmoothingLevel = 1;
    smoothNegatives(t.run);
    EXPECT_EQ(t.value(2, 30), -4.0f);  // neighbours sum below 0

    Series u({10, 3, 20});
    u.run.params.negativeSmoothingLevel = 1;
    smoothNegatives(u.run);
    EXPECT_EQ(u.value(2, 30), 3.0f);  // positive values stay
}

TEST(SmoothNegatives, ColumnsLeftAlone) {
    Series s({10, -4, 20});
    s.run.params.negativeSmoothingLevel = 1;
    smoothNegatives(s.run);
    for (int col : {4, 66, 67, 77, 78}) EXPECT_EQ(s.value(2, col), -4.0f) << col;
    for (int col : {5, 6, 9, 60, 65, 68, 76}) EXPECT_EQ(s.value(2, col), 5.5f) << col;
}

TEST(SmoothNegatives, NeighboursAreReadFromBeforeTheRepetition) {
    Series s({10, -4, -4, 20});
    s.run.params.negativeSmoothingLevel = 1;
    smoothNegatives(s.run);
    EXPECT_EQ(s.value(2, 20), -0.5f);  // (10 - 8 - 4) / 4
    EXPECT_EQ(s.value(3, 20), 2.0f);   // (-4 - 8 + 20) / 4, not with -0.5

    Series twice({10, -4, -4, 20});
    twice.run.params.negativeSmoothingLevel = 2;
    smoothNegatives(twice.run);
    EXPECT_EQ(twice.value(2, 20), 2.75f);  // (10 - 1 + 2) / 4 sees the first results
    EXPECT_EQ(twice.value(3, 20), 2.0f);
}

TEST(SmoothTotally, TripletReplacesEveryValue) {
    Series s({10, 20, 60});
    s.run.params.totalSmoothingLevel = 1;
    smoothTotally(s.run);
    EXPECT_EQ(s.value(1, 40), 10.0f);
    EXPECT_EQ(s.value(2, 40), 27.5f);
    EXPECT_EQ(s.value(3, 40), 60.0f);
    for (int col : {4, 66, 67, 76}) EXPECT_EQ(s.value(2, col), 27.5f) << col;
    for (int col : {77, 78}) EXPECT_EQ(s.value(2, col), 20.0f) << col;
}

TEST(SmoothTotally, LineBesideAGapKeepsItsValues) {
    Series s({0, 12, 20, 40, 100});
    s.run.data.regularSpacing[3] = 0;  // say line 3 borders a gap
    s.run.params.totalSmoothingLevel = 1;
    smoothTotally(s.run);
    EXPECT_EQ(s.value(3, 10), 20.0f);
    EXPECT_EQ(s.value(2, 10), 11.0f);  // (0 + 24 + 20) / 4
    EXPECT_EQ(s.value(4, 10), 50.0f);  // (20 + 80 + 100) / 4
}

TEST(SmoothTotally, ResultIsStoredAsSingleFloat) {
    Series s({1.0f, 0.1f, 0.3f});
    s.run.params.totalSmoothingLevel = 1;
    smoothTotally(s.run);
    const double exact = (1.0 + 2.0 * static_cast<double>(0.1f) + static_cast<double>(0.3f)) / 4;
    EXPECT_EQ(s.value(2, 10), static_cast<float>(exact));
}

namespace {

// An hourly grid over two days, filled as the averaging would leave it.
struct GridCase : StageRun {
    GridCase() : StageRun(platform::encodeDate(2011, 12, 20), 2, 60) {
        run.params.fillSingleGaps = true;
        for (int g = 1; g <= run.params.outputLineCount; ++g) setLine(g, g);
    }
    void setLine(int g, float v) {
        for (int col = 1; col <= 78; ++col) grid(g, col) = v;
        grid(g, 1) = g <= 24 ? 111220 : 111221;
    }
    void clearLine(int g) {
        for (int col = 1; col <= 78; ++col) grid(g, col) = 0;
    }
};

}  // namespace

TEST(FillGaps, SingleEmptyLineTakesTheMeanOfItsNeighbours) {
    GridCase c;
    c.clearLine(10);
    fillGaps(c.run);
    EXPECT_EQ(c.grid(10, 1), 111220.0f);
    EXPECT_EQ(c.grid(10, 2), 9.0f);   // time code of the line before
    EXPECT_EQ(c.grid(10, 77), 9.0f);
    EXPECT_EQ(c.grid(10, 78), 9.0f);
    EXPECT_EQ(c.grid(10, 3), 10.0f);  // (9 + 11) / 2
    EXPECT_EQ(c.grid(10, 76), 10.0f);
}

TEST(FillGaps, FirstLineOfADayTakesThePreviousDaysDateCode) {
    GridCase c;
    c.clearLine(25);  // 00:00 of the second day
    fillGaps(c.run);
    EXPECT_EQ(c.grid(25, 1), 111220.0f);
    EXPECT_EQ(c.grid(25, 30), 25.0f);
}

TEST(FillGaps, LongerGapsAndTheEndsStayEmpty) {
    GridCase c;
    c.clearLine(1);
    c.clearLine(20);
    c.clearLine(21);
    c.clearLine(48);
    fillGaps(c.run);
    for (int g : {1, 20, 21, 48}) EXPECT_FALSE(c.run.grid.hasData(g)) << g;
}

TEST(FillGaps, LineCountMayBecomeAHalf) {
    GridCase c;
    c.grid(30, 61) = 4;
    c.grid(32, 61) = 7;
    c.clearLine(31);
    fillGaps(c.run);
    EXPECT_EQ(c.grid(31, 61), 5.5f);
}

TEST(FillGaps, AveragingFillsOnlyWhenAsked) {
    for (bool fill : {false, true}) {
        StageRun s(platform::encodeDate(2011, 12, 20), 1, 60);
        s.run.params.fillSingleGaps = fill;
        s.addLine(s.run.params.firstDay + 0.5 / 24, 10);
        s.addLine(s.run.params.firstDay + 2.5 / 24, 30);
        averageOntoGrid(s.run);
        EXPECT_EQ(s.run.grid.hasData(2), fill);
        if (fill) {
            EXPECT_EQ(s.grid(2, 40), 20.0f);
        }
    }
}
