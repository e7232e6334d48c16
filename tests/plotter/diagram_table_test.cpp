#include "plotter/diagram_table.hpp"

#include <gtest/gtest.h>

#include "table_maker.hpp"

using namespace plotter;

TEST(DiagramTable, ReadsRowsAndNamesTheLineOfADamage) {
    auto day = std::make_unique<DayCells>();
    TableDamage damage;
    const std::string good = plotter_test::makeTable(10, [](int t, int c) { return t == 3 ? 1000 + c : 0; });
    ASSERT_TRUE(readDiagramTable(good, *day, damage)) << damage.cause;
    EXPECT_EQ(day->stepMinutes, 10);
    EXPECT_EQ(day->rowCount, 145);
    EXPECT_EQ(day->cells[3][0], colourClassOf(1000));
    EXPECT_EQ(day->cells[4][0], kZeroClass);

    struct Damage {
        std::string text;
        long long line;
        std::string cause;
    };
    const std::string row1 = "10\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16\t17\t18\t19\t20\r\n";
    const Damage cases[] = {
        {"", 1, "the file is empty"},
        {good.substr(0, good.find("20\t")) + "20\t1\r\n", 3, "2 fields where a row has 21"},
        {"0\t-5" + row1.substr(row1.find('\t', 3)), 1, "\"-5\" is not a whole number"},
        {"0" + row1.substr(2) + "7" + row1.substr(2), 2, "a time step of 7 minutes"},
        {"0" + row1.substr(2) + row1 + "30" + row1.substr(2), 3, "minute 30 where 20 is due"},
        {good.substr(0, good.rfind("1440\t")), 144, "the table ends before the row of minute 1440"},
        {good + row1, 146, "a row after the row of minute 1440"},
    };
    for (const Damage& c : cases) {
        EXPECT_FALSE(readDiagramTable(c.text, *day, damage)) << c.cause;
        EXPECT_EQ(damage.line, c.line) << c.cause;
        EXPECT_EQ(damage.cause.substr(0, c.cause.size()), c.cause);
    }

    platform::DateTime date = 0;
    EXPECT_TRUE(diagramTableDay("D111218.XL", date));
    EXPECT_EQ(date, platform::encodeDate(2011, 12, 18));
    EXPECT_FALSE(diagramTableDay("d111231.xls", date));
    EXPECT_FALSE(diagramTableDay("d110231.xl", date));  // no 31 February
}
