#include "converter/tables/table_format.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "converter/input/fraction_tables.hpp"
#include "converter/input/settings.hpp"
#include "converter/tables/daily_table.hpp"
#include "platform/datetime.hpp"
#include "platform/number_text.hpp"

using namespace converter;

namespace {

std::string titlesFor(int outputstyle, std::string rawTitles = "") {
    ConverterSettings s;
    s.outputstyle = outputstyle;
    FractionTables t;
    buildFractionTables(outputstyle == 0 ? 0.0316227766016838 : 0.421696503428582,
                        outputstyle == 0 ? 8 : 16, t);
    buildColumnTitles(s, t, rawTitles);
    return rawTitles;
}

std::string tabbed(const std::string& prefix, const char* numbers) {
    std::string out;
    std::string n = numbers;
    size_t pos = 0;
    while (pos < n.size()) {
        size_t end = n.find(' ', pos);
        if (end == std::string::npos) end = n.size();
        out += "\t" + prefix + n.substr(pos, end - pos);
        pos = end + 1;
    }
    return out;
}

double when(int h, int m, int s) { return platform::encodeDate(2011, 2, 11) + platform::encodeTime(h, m, s, 0); }

std::string hhmm(double t, int cycleminutes) {
    return platform::formatFixed(standardTimeColumns(t, cycleminutes).hhmm, cycleminutes % 2);
}

}  // namespace

TEST(ColumnTitles, StandardDataInBothStyles) {
    const char* d = "0.487 0.649 0.866 1.155 1.540 2.054 2.738 3.652 4.870 6.494";
    const char* z8 = "0.037 0.049 0.065 0.087 0.115 0.154 0.205 0.274 0.365 0.487 0.649 0.866 1.155 1.540 2.054 2.738";
    const char* z16 = "0.453 0.523 0.604 0.698 0.806 0.931 1.075 1.241 1.433 1.655 1.911 2.207 2.548 2.943 3.398 3.924";
    const std::string head = "YYMMDD\tHHMM\tDAY\tT:C\tRH:%\tp:mb\tnoise+\tnoise-";
    const std::string tail =
        "\tsupply\tfilt+\tfilt-\tbatt+\tbatt-\tbias+\tbias-\tpre%\ttau\tasym\tN+\tN-\tn+\tn-\tZ+\tZ-\tovl&sc\tregime";
    EXPECT_EQ(titlesFor(0, "raw"), head + tabbed("D+", d) + tabbed("D-", d) + tabbed("Z+", z8) + tabbed("Z-", z8) + tail);
    const std::string style1 = titlesFor(1);
    EXPECT_EQ(style1, head + tabbed("D+", d) + tabbed("D-", d) + tabbed("Z+", z16) + tabbed("Z-", z16) + tail);
    EXPECT_EQ(std::count(style1.begin(), style1.end(), '\t'), 77);
}

TEST(ColumnTitles, BasicDataKeepsTheRawFieldTitles) {
    EXPECT_EQ(titlesFor(2, "hhmmss\ttyp\tT\tRH\tp\tc0\toverload\tstatus"),
              "yymmdd\thhnnss\tT\tRH\tp\tc0\tovl&sc\tregime");
    EXPECT_EQ(titlesFor(2, "hhmmss\ttyp\tT\tRH"), "yymmdd\thhnnssovl&sc\tregime");
    EXPECT_EQ(titlesFor(2, ""), "yymmdd\thhnnssovl&sc\tregime");
}

TEST(TimeColumns, RecordCyclesRoundToTheMinute) {
    EXPECT_EQ(hhmm(when(12, 30, 45), 0), "1231");
    EXPECT_EQ(hhmm(when(12, 30, 30), 0), "1231");
    EXPECT_EQ(hhmm(when(12, 59, 45), 0), "1260");
    EXPECT_EQ(hhmm(when(0, 5, 0), 0), "5");
    TimeColumns c = standardTimeColumns(when(6, 0, 0), 0);
    EXPECT_EQ(c.yymmdd, 110211);
    EXPECT_EQ(platform::formatFixed(c.day, 5), "42.25000");
    EXPECT_EQ(standardTimeColumns(platform::encodeDate(2005, 3, 15) + 0.5, 0).yymmdd, 50315);
}

TEST(TimeColumns, GridCyclesShowTheSlotCentre) {
    EXPECT_EQ(hhmm(when(12, 37, 0), 5), "1237.5");
    EXPECT_EQ(hhmm(when(12, 37, 0), 10), "1235");
    EXPECT_EQ(hhmm(when(12, 37, 0), 15), "1237.5");
    EXPECT_EQ(hhmm(when(12, 34, 44), 5), "1232.5");
    EXPECT_EQ(hhmm(when(12, 34, 45), 5), "1237.5");  // 15 s later is the next slot
    EXPECT_EQ(hhmm(when(12, 37, 0), 60), "1230");

    // The last 15 seconds of a day are named after the next day's first slot,
    // while DAY stays on the day of t.
    TimeColumns c = standardTimeColumns(when(23, 59, 50), 5);
    EXPECT_EQ(c.yymmdd, 110212);
    EXPECT_EQ(platform::formatFixed(c.hhmm, 1), "2.5");
    EXPECT_EQ(c.day, 42 + 86390 / 86400.0);
    EXPECT_EQ(platform::formatFixed(c.day, 4), "42.9999");
    // DAY takes whole seconds.
    EXPECT_EQ(standardTimeColumns(when(12, 0, 0) + 0.4 / 86400, 5).day, 42.5);
}

TEST(TimeColumns, BasicData) {
    BasicTime b = basicTimeColumns(when(0, 5, 30));
    EXPECT_EQ(b.yymmdd, 110211);
    EXPECT_EQ(b.hhnnss, 530);
}

TEST(LineLayout, OverloadAndRegimeColumns) {
    EXPECT_EQ(ovlScValue(3, 10), 310);
    EXPECT_EQ(regimeCode(0, 3, 123456), 23356);
    EXPECT_EQ(regimeCode(2, 1, 123456), 223156);
    EXPECT_EQ(regimeCode(1, 0, 7), 100007);
    EXPECT_EQ(regimeCode(2, 3, 0), 200300);
}

TEST(LineLayout, ColumnsAreWrittenAsTheFixedPointWriterWritesThem) {
    std::mt19937_64 random(99);
    std::vector<double> values = {0.5,  1.5, 2.5,   -0.5,  -2.5, -0.3, -0.0, 0.0,  0.49999999999999994,
                                  1e15, 4.5e15, -7e18, 1e19, 123.456, -0.004, 1e300};
    for (int i = 0; i < 20000; ++i) {
        const double scale = std::pow(10.0, static_cast<int>(random() % 12) - 3);
        values.push_back((static_cast<double>(random() % 2000001) - 1000000) / 1000 * scale);
        values.push_back(std::round(static_cast<double>(random() % 200001) - 100000) / 2);  // halves
        // Exact binary fractions (ties of every number of decimals) and
        // decimal halves that lie just off the tie in binary.
        values.push_back(std::ldexp(static_cast<double>(random() % 2000001) - 1000000, -static_cast<int>(random() % 14)));
        values.push_back((static_cast<double>(random() % 2000001) - 1000000) / 1000 + 0.0005);
        values.push_back(static_cast<double>(random() % 400000) / 1000 + 1e-9 * static_cast<double>(random() % 3));
    }
    for (double big : {0x1p40, 0x1p40 - 0.5, 0x1p52 + 1, 999999999999999.0, 123456789012.345678})
        values.push_back(big), values.push_back(-big);
    for (double v : values)
        for (int decimals : {0, 1, 2, 3, 4, 5, 8}) {
            std::string got;
            appendColumn(got, v, decimals);
            ASSERT_EQ(got, platform::formatFixed(v, decimals)) << v << " " << decimals;
        }
    std::string negative;
    appendColumn(negative, -0.3, 0);
    EXPECT_EQ(negative, "-0");
}
