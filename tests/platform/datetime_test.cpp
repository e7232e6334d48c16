#include "platform/datetime.hpp"

#include <gtest/gtest.h>

#include "platform/run_error.hpp"

using namespace platform;

TEST(DateTime, CountsDaysFromTheEndOf1899) {
    EXPECT_EQ(encodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(encodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(encodeDate(2011, 2, 11), 40585.0);
    EXPECT_EQ(encodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(encodeTime(0, 1, 0, 0), 1.0 / 1440);
}

TEST(DateTime, DatesAndTimesThatDoNotExistAreRunErrors) {
    EXPECT_THROW(encodeDate(2011, 2, 29), RunError);
    EXPECT_THROW(encodeDate(2011, 13, 1), RunError);
    EXPECT_THROW(encodeDate(2011, 0, 1), RunError);
    EXPECT_NO_THROW(encodeDate(2012, 2, 29));
    EXPECT_THROW(encodeTime(24, 0, 0, 0), RunError);
    EXPECT_THROW(encodeTime(9, 60, 0, 0), RunError);
    EXPECT_THROW(encodeTime(9, 0, 60, 0), RunError);
    DateTime d;
    EXPECT_FALSE(tryEncodeDate(2000, 2, 30, d));
    EXPECT_TRUE(tryEncodeDate(2000, 2, 29, d));
}

TEST(DateTime, DecodesToTheNearestMillisecondAcrossMidnight) {
    DateTime day = encodeDate(2011, 12, 31);
    DateTimeParts p = decode(day + encodeTime(9, 30, 15, 0));
    EXPECT_EQ(p.year, 2011); EXPECT_EQ(p.month, 12); EXPECT_EQ(p.day, 31);
    EXPECT_EQ(p.hour, 9); EXPECT_EQ(p.minute, 30); EXPECT_EQ(p.second, 15);
    EXPECT_EQ(p.millisecond, 0);

    // 0.4 ms before midnight rounds to 24:00:00.000: the next day.
    p = decode(day + 1.0 - 0.4 / 86400000.0);
    EXPECT_EQ(p.year, 2012); EXPECT_EQ(p.month, 1); EXPECT_EQ(p.day, 1);
    EXPECT_EQ(p.hour, 0); EXPECT_EQ(p.minute, 0); EXPECT_EQ(p.second, 0);

    // 0.6 ms before midnight rounds to 23:59:59.999 of the same day.
    p = decode(day + 1.0 - 0.6 / 86400000.0);
    EXPECT_EQ(p.day, 31); EXPECT_EQ(p.hour, 23); EXPECT_EQ(p.second, 59);
    EXPECT_EQ(p.millisecond, 999);

    EXPECT_EQ(dayOfYear(encodeDate(2011, 1, 1)), 1);
    EXPECT_EQ(dayOfYear(encodeDate(2012, 12, 31) + 0.9), 366);
}

TEST(DateTimeFormat, UsualLetters) {
    DateTime t = encodeDate(2005, 3, 5) + encodeTime(7, 4, 9, 0);
    EXPECT_EQ(formatDateTime("yymmddhhnnss", t), "050305070409");
    EXPECT_EQ(formatDateTime("yyyy-mm-dd hh:nn:ss", t), "2005-03-05 07:04:09");
    EXPECT_EQ(formatDateTime("d.m.yy h:n:s", t), "5.3.05 7:4:9");
    EXPECT_EQ(formatDateTime("YYYY/MM/DD", t), "2005-03-05");
    EXPECT_EQ(formatDateTime("hh:nn", t, DateFormat{'-', '.'}), "07.04");
    EXPECT_EQ(formatDateTime("x=dd!", t), "x=05!");
}

TEST(DateTimeFormat, MonthCodeAfterAnHourCodeMeansMinutes) {
    DateTime t = encodeDate(2011, 12, 20) + encodeTime(0, 30, 0, 0);
    EXPECT_EQ(formatDateTime("hh:mm", t), "00:30");
    EXPECT_EQ(formatDateTime("hhmm", t), "0030");
    EXPECT_EQ(formatDateTime("hh:mm dd/mm", t), "00:30 20-12");
    EXPECT_EQ(formatDateTime("mm hh", t), "12 00");
}
