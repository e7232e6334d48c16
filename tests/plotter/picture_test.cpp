#include "plotter/picture.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "table_maker.hpp"

using namespace plotter;

TEST(Picture, RowsSpanTheirStepCentredOnTheirMinuteClippedToTheDay) {
    // Positive, smallest fraction: 1000 from the row of minute 10 to that of
    // 1430; negative, largest fraction: 5 all day. All else zero.
    auto day = std::make_unique<DayCells>();
    TableDamage damage;
    const std::string table = plotter_test::makeTable(10, [](int t, int c) {
        if (c == 0) return (t >= 1 && t <= 143) ? 1000 : 0;
        return c == 19 ? 5 : 0;
    });
    ASSERT_TRUE(readDiagramTable(table, *day, damage));

    const auto path = std::filesystem::temp_directory_path() / "kevor-picture-test.svg";
    PictureBuffers buffers;
    {
        platform::OutputFile file(path.string());
        writeDayPicture(file, *day, "2011-12-18", "d111218.xl", buffers);
        file.commit();
    }
    std::string svg;
    ASSERT_TRUE(platform::readWholeFile(path.string(), svg));
    std::filesystem::remove(path);

    // Inner units: half minutes across, fraction rows down (row 9 the
    // smallest diameter). Row t spans minutes 10 t - 5 .. 10 t + 5, so the
    // run of rows 1..143 is minutes 5 .. 1435, and the row of minute 0 and
    // that of 1440 each hold half a step of the day.
    const std::string positive = std::string("<path fill=\"") + std::string(colourOf(colourClassOf(1000))) +
                                 "\" d=\"M10 9h2860v1h-2860z\"/>";
    const std::string negative = std::string("<path fill=\"") + std::string(colourOf(1)) + "\" d=\"M0 0h2880v1h-2880z\"/>";
    const size_t positiveAt = svg.find(positive), negativeAt = svg.find(negative);
    EXPECT_NE(positiveAt, std::string::npos) << svg;
    EXPECT_NE(negativeAt, std::string::npos);
    EXPECT_LT(positiveAt, svg.find("negative ions"));
    EXPECT_GT(negativeAt, svg.find("negative ions"));

    for (const DiameterTick& tick : kDiameterTicks) EXPECT_NEAR(tick.log10Diameter, std::log10(tick.diameter), 1e-5);
    // The boundary of fractions 3 and 4 is 1 nm.
    EXPECT_EQ(PictureLayout::diameterY(0, 0.0), PictureLayout::fractionTop(0, 4) + PictureLayout::kFractionHeight);
}
