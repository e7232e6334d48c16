// The times of table lines: every date-time pattern reads back what the
// postprocessor writes with it, and the date of a cycle of a day's last
// seconds.
#include <gtest/gtest.h>

#include <cmath>

#include "ncexport/line_time.hpp"
#include "platform/datetime.hpp"

namespace {

double secondsOf(platform::DateTime when) { return std::round((when - ncexport::kTimeOrigin) * 86400); }

TEST(LineTime, APatternReadsBackEveryTimeWrittenWithIt) {
    const platform::DateTime times[] = {platform::encodeDate(2011, 12, 18) + platform::encodeTime(6, 5, 30, 0),
                                        platform::encodeDate(2000, 1, 1),
                                        platform::encodeDate(2099, 12, 31) + platform::encodeTime(23, 59, 59, 0)};
    // "m" after an hour code is the minute; "/" the date separator "-".
    for (const char* format : {"yyyy-mm-dd hh:nn:ss", "yyyy-mm-dd hh:nn", "dd.mm.yy h:m", "d/m/yyyy hhnn ss",
                               "yyyymmddhhnnss", "mm/dd/yyyy hh:mm"}) {
        const ncexport::TimePattern pattern = ncexport::compilePattern(format);
        ASSERT_TRUE(pattern.complete) << format;
        const bool seconds = std::string_view(format).find('s') != std::string_view::npos;
        for (platform::DateTime when : times) {
            const std::string text = platform::formatDateTime(format, when);
            double read = 0;
            ASSERT_TRUE(ncexport::patternTime(pattern, text, read)) << format << ": " << text;
            const double expected = secondsOf(when) - (seconds ? 0 : platform::decode(when).second);
            EXPECT_EQ(read, expected) << format << ": " << text;
        }
    }
    for (const char* format : {"j.f", "hh:nn", "yyyy-mm-dd", "dd.mm.yyyy hh"})
        EXPECT_FALSE(ncexport::compilePattern(format).complete) << format;
    double read = 0;
    EXPECT_FALSE(ncexport::patternTime(ncexport::compilePattern("yyyy-mm-dd hh:nn"), "2011-02-29 06:05", read));
}

TEST(LineTime, ACycleOfTheLastSecondsOfADayKeepsItsDay) {
    const auto day = [](int32_t yymmdd, float dayNumber) {
        double seconds = 0;
        EXPECT_TRUE(ncexport::dayFractionTime(yymmdd, dayNumber, seconds));
        return std::floor(seconds / 86400) + ncexport::kTimeOrigin;
    };
    EXPECT_EQ(day(111221, 354.9996f), platform::encodeDate(2011, 12, 20));
    EXPECT_EQ(day(120101, 365.9995f), platform::encodeDate(2011, 12, 31));  // across the year's end
    EXPECT_EQ(day(130101, 366.9991f), platform::encodeDate(2012, 12, 31));  // after a leap year
    // Any other disagreement keeps the date of YYMMDD.
    EXPECT_EQ(day(111221, 354.9985f), platform::encodeDate(2011, 12, 21));
    EXPECT_EQ(day(111221, 353.9996f), platform::encodeDate(2011, 12, 21));
}

}  // namespace
