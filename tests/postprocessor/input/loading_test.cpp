#include "postprocessor/input/loading.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <memory>
#include <random>

#include "platform/datetime.hpp"
#include "platform/text.hpp"
#include "tests/postprocessor/input/run_harness.hpp"

using namespace postprocessor;
using kevor_test::closing;
using kevor_test::ConsoleRun;
using kevor_test::minuteTable;
using kevor_test::TempFolder;

namespace {

const double kDec20 = 40897;  // 2011-12-20
const double kMinute = 1.0 / 1440.0;

// Loading, ordering and marking of the given tables for the days first..last.
struct Loading {
    Loading(const std::vector<std::string>& files, double first, double last, int capacity = 10000,
            bool twoFileRegime = false, std::vector<double> diameters = {})
        : session(std::make_unique<ConsoleRun>("\n", std::vector<std::string>{})) {
        PostprocessorRun& run = session->run;
        for (const std::string& f : files) run.input.inputFiles.push_back({platform::toUpperAscii(f), f});
        run.input.inputFileCount = static_cast<int>(files.size());
        run.input.twoFileRegime = twoFileRegime;
        for (double d : diameters) run.input.extraDiameters[++run.input.extraDiameterCount] = d;
        run.params.firstDay = first;
        run.params.lastDay = last;
        run.data.allocate(capacity);
        ended = session->ends([](PostprocessorRun& r) {
            loadTables(r);
            orderByTime(r.data);
            markRegularSpacing(r.data);
        });
    }
    const LoadedData& data() const { return session->run.data; }
    const std::string& name(int v) const { return session->run.variables.variableNames[v]; }
    // The id of line r (column 7 of the generated tables).
    int id(int r) const { return static_cast<int>(data().value(r, 7)); }
    std::string transcript() const { return session->transcript(); }

    std::unique_ptr<ConsoleRun> session;
    bool ended = false;
};

// Replaces field `column` (1-based) of data line `line` (1-based, after the
// header) of a table.
std::string withField(std::string table, int line, int column, const std::string& text) {
    size_t at = 0;
    for (int l = 0; l < 3 + line - 1; ++l) at = table.find('\n', at) + 1;
    for (int c = 1; c < column; ++c) at = table.find('\t', at) + 1;
    size_t end = table.find_first_of("\t\r", at);
    return table.replace(at, end - at, text);
}

}  // namespace

TEST(Loading, KeepsTheLinesOfTheChosenDaysFromMidnightToMidnight) {
    TempFolder dir;
    std::string a = dir.write("KVA111220.TXT", minuteTable(kDec20 - 10 * kMinute, 20, 100));
    std::string b = dir.write("KVA111221.TXT", minuteTable(kDec20 + 1 - 5 * kMinute, 10, 200));
    Loading l({a, b}, kDec20, kDec20);
    ASSERT_FALSE(l.ended);
    ASSERT_EQ(l.data().lineCount, 15);  // 00:00..00:09 and 23:55..23:59
    EXPECT_EQ(l.data().lineTimes[1], kDec20);
    EXPECT_EQ(l.id(1), 110);
    EXPECT_EQ(l.id(11), 200);
    EXPECT_EQ(l.id(15), 204);  // 00:00 of the next day is left out
    EXPECT_LT(l.data().lineTimes[15], kDec20 + 1);
    EXPECT_EQ(l.transcript(), "");
}

TEST(Loading, NumbersGoStraightToSingleFloatsAndTimesComeFromTheDayColumn) {
    TempFolder dir;
    std::string table = minuteTable(kDec20 + 0.5, 2);
    // Column 3 read as a single float: 354.5001 is 354.500091552734375.
    table = withField(table, 2, 3, "354.5001");
    // 1 + 2^-24 + a little: through a double it would round to 1.0.
    table = withField(table, 1, 10, "1.00000005960464477539062500000001");
    table = withField(table, 1, 11, "16777217");
    table = withField(table, 1, 12, "-0");
    table = withField(table, 1, 13, "2.5e3");
    Loading l({dir.write("KVA111220.TXT", table)}, kDec20, kDec20);
    ASSERT_EQ(l.data().lineCount, 2);
    EXPECT_EQ(l.data().lineTimes[2], kDec20 + static_cast<double>(354.5001f - 354.0f));
    EXPECT_EQ(l.data().value(1, 10), 1.0f + 0x1p-23f);
    EXPECT_EQ(l.data().value(1, 11), 16777216.0f);
    EXPECT_TRUE(std::signbit(l.data().value(1, 12)));
    EXPECT_EQ(l.data().value(1, 13), 2500.0f);
}

TEST(Loading, ALineOfTheLastFifteenSecondsOfADayIsTakenOnItsOwnDay) {
    // KEVORCV (cycleminutes > 0) dates a cycle in the last 15 s
    // of a day by the next day (its time + 15 s) but gives it its own DAY.
    TempFolder dir;
    std::string table = minuteTable(kDec20 + 0.5, 4);
    table = withField(withField(table, 1, 1, "111221"), 1, 3, "354.9999");  // 2011-12-20 23:59:51
    table = withField(withField(table, 2, 1, "120101"), 2, 3, "365.9999");  // 2011-12-31, across the year's end
    table = withField(withField(table, 3, 1, "130101"), 3, 3, "366.9999");  // 2012-12-31, a leap year
    table = withField(withField(table, 4, 1, "111221"), 4, 3, "353.9999");  // any other disagreement: the date holds
    Loading l({dir.write("KVA111200.TXT", table)}, kDec20 - 1, kDec20 + 400);
    ASSERT_EQ(l.data().lineCount, 4);
    auto fraction = [](float day) { return static_cast<double>(day - std::trunc(day)); };
    EXPECT_EQ(l.id(1), 0);
    EXPECT_EQ(l.data().lineTimes[1], kDec20 + fraction(354.9999f));
    EXPECT_EQ(l.id(2), 3);
    EXPECT_EQ(l.data().lineTimes[2], kDec20 + 1 + fraction(353.9999f));
    EXPECT_EQ(l.id(3), 1);
    EXPECT_EQ(l.data().lineTimes[3], platform::encodeDate(2011, 12, 31) + fraction(365.9999f));
    EXPECT_EQ(l.id(4), 2);
    EXPECT_EQ(l.data().lineTimes[4], platform::encodeDate(2012, 12, 31) + fraction(366.9999f));
}

TEST(Loading, TablesWithAnotherTitleLineAreSkippedEvenWhenTheFirstHasNoLines) {
    TempFolder dir;
    std::string titles = kevor_test::standardTitles();
    std::string other = titles;
    other.replace(other.find("Z+0.037"), 7, "Z+0.453");  // a table of 16 fractions per decade
    std::string first = dir.write("KVA111219.TXT", minuteTable(kDec20 - 1, 5, 100));
    std::string same = dir.write("KVA111220.TXT", minuteTable(kDec20, 5, 200));
    std::string skipped = dir.write("KVA111220B.TXT", minuteTable(kDec20 + 0.5, 5, 300, other));
    Loading l({first, same, skipped}, kDec20, kDec20);
    ASSERT_FALSE(l.ended);
    ASSERT_EQ(l.data().lineCount, 5);
    EXPECT_EQ(l.id(5), 204);
    EXPECT_EQ(l.data().referenceHeader, titles);
    EXPECT_EQ(l.name(1), "YYMMDD");
    EXPECT_EQ(l.name(29), "Z+0.037");
    EXPECT_EQ(l.name(61), "supply");
    EXPECT_EQ(l.name(78), "regime");
}

TEST(Loading, VariableNamesOfTheTwoFileRegimeAndTheExtraDiameters) {
    TempFolder dir;
    std::string table = dir.write("KVA111220.TXT", minuteTable(kDec20, 2));
    Loading l({table}, kDec20, kDec20, 100, true, {0.5, 1.5});
    ASSERT_FALSE(l.ended);
    EXPECT_EQ(l.name(61), "n");
    EXPECT_EQ(l.name(81), "ED+0.500");
    EXPECT_EQ(l.name(82), "ED+1.500");
    EXPECT_EQ(l.name(101), "ED-0.500");
    EXPECT_EQ(l.name(102), "ED-1.500");
    EXPECT_EQ(l.name(79), "");
    EXPECT_EQ(l.name(83), "");
    EXPECT_EQ(l.name(103), "");
}

TEST(Loading, OutOfOrderAndOverlappingTablesGiveOneLinePerDistinctTime) {
    TempFolder dir;
    std::string late = dir.write("KVA1.TXT", minuteTable(kDec20 + 0.5, 60, 1000));
    std::string early = dir.write("KVA2.TXT", minuteTable(kDec20 + 0.5 - 30 * kMinute, 60, 2000));
    Loading l({late, early}, kDec20, kDec20);
    ASSERT_FALSE(l.ended);
    ASSERT_EQ(l.data().lineCount, 90);
    for (int r = 1; r <= 90; ++r) {
        // One line per minute (DAY has 4 decimals); outside the overlap
        // only one table has the minute.
        EXPECT_NEAR((l.data().lineTimes[r] - (kDec20 + 0.5)) * 1440.0, r - 31, 0.1);
        EXPECT_TRUE(r == 1 || l.data().lineTimes[r - 1] < l.data().lineTimes[r]);
        int onlyId = r <= 30 ? 2000 + r - 1 : r > 60 ? 1000 + r - 31 : l.id(r);
        EXPECT_EQ(l.id(r), onlyId);
    }
}

TEST(Loading, EqualityOfTimesIsExact) {
    TempFolder dir;
    std::string table = minuteTable(kDec20 + 0.5, 3, 10);
    table = withField(table, 2, 3, "354.5000");    // the same time as line 1: one line
    table = withField(table, 3, 3, "354.5001");  // the last decimal differs: a line of its own
    Loading l({dir.write("KVA111220.TXT", table)}, kDec20, kDec20);
    ASSERT_EQ(l.data().lineCount, 2);
    EXPECT_EQ(l.id(1), 10);
    EXPECT_EQ(l.id(2), 12);
    EXPECT_LT(l.data().lineTimes[1], l.data().lineTimes[2]);
}

TEST(Loading, TheLineLimitDropsTheRestAndWritesTheNoteOnce) {
    TempFolder dir;
    std::string a = dir.write("KVA1.TXT", minuteTable(kDec20, 4, 100));
    std::string b = dir.write("KVA2.TXT", minuteTable(kDec20 + 0.5, 4, 200));
    const std::string note = "\nNB: the limit of data lines 5 is reached, remaining data are ignored!\n\n";

    Loading over({a, b}, kDec20, kDec20, 5);
    ASSERT_FALSE(over.ended);
    EXPECT_EQ(over.data().lineCount, 5);
    EXPECT_EQ(over.id(5), 200);
    EXPECT_EQ(over.transcript(), note);

    std::string c = dir.write("KVA3.TXT", minuteTable(kDec20, 5, 100));
    Loading exact({c}, kDec20, kDec20, 5);
    EXPECT_EQ(exact.data().lineCount, 5);
    EXPECT_EQ(exact.transcript(), note);

    Loading under({a}, kDec20, kDec20, 5);
    EXPECT_EQ(under.transcript(), "");
}

TEST(Loading, NoLineInTheIntervalEndsTheRun) {
    TempFolder dir;
    std::string a = dir.write("KVA1.TXT", minuteTable(kDec20 - 1, 4));
    Loading l({a}, kDec20, kDec20 + 2);
    EXPECT_TRUE(l.ended);
    EXPECT_TRUE(kevor_test::endsWithClosing(l.transcript(), "No data in asked date interval"));
}

TEST(Loading, ATableThatCanNotBeReadStopsTheRun) {
    TempFolder dir;
    std::string a = dir.write("KVA1.TXT", minuteTable(kDec20, 4));
    Loading l({a, dir.file("KVA2.TXT")}, kDec20, kDec20);  // gone since it was listed
    EXPECT_TRUE(l.ended);
    EXPECT_EQ(l.transcript(), platform::toUpperAscii(dir.file("KVA2.TXT")) +
                                  " is inaccessible (maybe open by another application?\n"
                                  "Program will be interrupted, press Enter!\n");
}

TEST(Loading, BadNumbersAndDatesAreRunTimeErrorsNamingFileAndLine) {
    TempFolder dir;
    auto errorOf = [&](const std::string& table) -> std::string {
        std::string path = dir.write("KVA111220.TXT", table);
        try {
            Loading l({path}, kDec20, kDec20);
        } catch (const platform::RunError& e) {
            return e.what();
        }
        return "no error";
    };
    std::string path = dir.file("KVA111220.TXT");
    std::string table = minuteTable(kDec20, 3);
    EXPECT_EQ(errorOf(withField(table, 2, 40, "12,5")), path + ", line 5: \"12,5\" is not a number of single precision");
    EXPECT_EQ(errorOf(withField(table, 3, 9, "1e39")), path + ", line 6: \"1e39\" is not a number of single precision");
    EXPECT_EQ(errorOf(withField(table, 2, 1, "110231")), path + ", line 5: the date 110231 does not exist");
    // An empty line after the last data line reads as zeros: day 0 of month 0.
    EXPECT_EQ(errorOf(table + "\r\n"), path + ", line 7: the date 0 does not exist");
}

TEST(Loading, NumbersAreReadAcrossLineEnds) {
    // A line one number short takes its last number from the next line,
    // whose remainder is then skipped.
    TempFolder dir;
    std::string table = minuteTable(kDec20, 3, 10);
    size_t lastTab = table.rfind('\t', table.find("\r\n", table.find("\r\n", table.find(kevor_test::standardTitles())) + 2));
    table.erase(lastTab, table.find('\r', lastTab) - lastTab);
    Loading l({dir.write("KVA111220.TXT", table)}, kDec20, kDec20);
    ASSERT_EQ(l.data().lineCount, 2);
    EXPECT_EQ(l.id(1), 10);
    EXPECT_EQ(l.data().value(1, 78), static_cast<float>(111220));  // column 1 of the next line
    EXPECT_EQ(l.id(2), 12);
}

namespace {

struct Row {
    double time;
    std::array<float, 78> values;
};

// The time ordering as stated, moving whole lines: the reference for the
// index sort with one permutation.
void orderRows(std::vector<Row>& rows) {
    int n = static_cast<int>(rows.size()) - 1;  // rows[1..n]
    int gap = n - 1;
    do {
        gap = gap / 3 + 1;
        for (bool swapped = true; swapped;) {
            swapped = false;
            for (int i = gap + 1; i <= n; ++i)
                if (rows[i - gap].time > rows[i].time) std::swap(rows[i - gap], rows[i]), swapped = true;
        }
    } while (gap > 1);
    int k = 1;
    for (int i = 2; i <= n; ++i)
        if (rows[i].time != rows[k].time && ++k != i) rows[k] = rows[i];
    rows.resize(k + 1);
}

}  // namespace

TEST(OrderByTime, GivesTheSameLinesAsSortingTheLinesThemselves) {
    std::mt19937 random(7);
    for (int n : {1, 2, 3, 10, 100, 2000}) {
        LoadedData data;
        data.allocate(n);
        std::vector<Row> rows(1);
        for (int r = 1; r <= n; ++r) {
            Row row;
            row.time = kDec20 + static_cast<int>(random() % (n / 2 + 1)) * kMinute;  // many equal times
            for (int c = 0; c < 78; ++c) row.values[c] = static_cast<float>(r * 100 + c);
            rows.push_back(row);
            data.lineTimes[r] = row.time;
            std::copy(row.values.begin(), row.values.end(), data.line(r));
        }
        data.lineCount = n;
        orderByTime(data);
        orderRows(rows);
        ASSERT_EQ(data.lineCount, static_cast<int>(rows.size()) - 1) << n;
        for (int r = 1; r <= data.lineCount; ++r) {
            ASSERT_EQ(data.lineTimes[r], rows[r].time) << n << " " << r;
            ASSERT_TRUE(std::equal(rows[r].values.begin(), rows[r].values.end(), data.line(r))) << n << " " << r;
        }
    }
}

namespace {

// Marks for lines at the given minutes.
std::vector<int> marksAt(const std::vector<double>& minutes) {
    LoadedData data;
    data.allocate(static_cast<int>(minutes.size()));
    data.lineCount = static_cast<int>(minutes.size());
    for (size_t i = 0; i < minutes.size(); ++i) data.lineTimes[i + 1] = kDec20 + minutes[i] * kMinute;
    markRegularSpacing(data);
    std::vector<int> marks;
    for (int r = 1; r <= data.lineCount; ++r) marks.push_back(data.regularSpacing[r]);
    return marks;
}

}  // namespace

TEST(MarkRegularSpacing, MarksLinesWithSimilarShortStepsOnBothSides) {
    EXPECT_EQ(marksAt({0, 1, 2, 3, 4, 10, 11, 12, 13}), (std::vector<int>{0, 1, 1, 1, 0, 0, 1, 1, 0}));
    // Steps of 2 and 3.1 minutes differ by more than half the shorter one.
    EXPECT_EQ(marksAt({0, 2, 5.1, 7.1, 9.1}), (std::vector<int>{0, 0, 0, 1, 0}));
    // Ten-minute cycles are regular too: the typical step follows the data.
    EXPECT_EQ(marksAt({0, 10, 20, 30}), (std::vector<int>{0, 1, 1, 0}));
    // Steps of 2.5 minutes stay below the typical step (the mean of the
    // ordinary steps plus a minute); the change from 1 to 2.5 does not.
    EXPECT_EQ(marksAt({0, 1, 2, 3, 4, 5, 7.5, 10, 12.5}), (std::vector<int>{0, 1, 1, 1, 1, 0, 1, 1, 0}));
    // A step beyond the typical one breaks the marks on both of its sides.
    EXPECT_EQ(marksAt({0, 1, 2, 3, 4, 5, 6, 8.5, 9.5, 10.5}), (std::vector<int>{0, 1, 1, 1, 1, 1, 0, 0, 1, 0}));
}

TEST(MarkRegularSpacing, FewerThanTwoLinesAreLeftUnmarked) {
    EXPECT_EQ(marksAt({5}), (std::vector<int>{0}));
    EXPECT_EQ(marksAt({5, 6}), (std::vector<int>{0, 0}));
}
