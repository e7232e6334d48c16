// The pictures: SVG surface plots of Diagram tables, positive ions above
// negative, time along x, the ten diameter fractions on a log diameter axis
// along y, colour for the concentration (colour_scale.hpp). A day picture
// shows one table; a month overview the days of a calendar month side by
// side on one time axis.
//
// Self-contained SVG 1.1: no script, no style sheet, no external file or
// font (the reader's sans-serif), every number written the same on every
// system.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.hpp"
#include "plotter/diagram_table.hpp"

namespace plotter {

// Time runs in half minutes on the pictures' inner axis, so that each row's
// span (centred on its minute, a step wide) has whole-number ends.
inline constexpr int kHalfMinutesPerDay = 2 * kMinutesPerDay;

// The place of everything on a picture, in SVG pixels.
struct PictureLayout {
    static constexpr int kPlotLeft = 64;
    static constexpr int kPanelTop[2] = {30, 280};  // positive, negative
    static constexpr int kPanelHeight = 200;
    static constexpr int kFractionHeight = kPanelHeight / kFractions;
    static constexpr int kHeight = 570;
    static constexpr int kDayPictureWidth = 720;   // half a pixel a minute
    static constexpr int kOverviewDayWidth = 45;   // 2880 / 45 = 64 half minutes a pixel

    int days = 1;
    int dayWidth = kDayPictureWidth;

    int plotWidth() const { return days * dayWidth; }
    int barLeft() const { return kPlotLeft + plotWidth() + 24; }
    int width() const { return barLeft() + 80; }
    // The x of a time given in half minutes from the first day's 00:00.
    double x(long long halfMinutes) const {
        return kPlotLeft + static_cast<double>(halfMinutes) * dayWidth / kHalfMinutesPerDay;
    }
    // The top edge of D fraction `fraction` (1 = smallest diameter) of a
    // panel (0 positive, 1 negative).
    static int fractionTop(int panel, int fraction) {
        return kPanelTop[panel] + (kFractions - fraction) * kFractionHeight;
    }
    // The y of a diameter in nm on a panel: the fraction boundaries are
    // 10^((m - 3) / 8) nm, m = 0..10, evenly spaced, so the place follows
    // from log10 of the diameter.
    static double diameterY(int panel, double log10Diameter) {
        return kPanelTop[panel] + kFractionHeight * (7 - 8 * log10Diameter);
    }
};

// Diameter ticks: labelled ones at round diameters, short ones between,
// with log10 of each diameter to five places (written out, so that every
// system places them alike).
struct DiameterTick {
    double diameter;  // nm
    std::string_view label;
    bool labelled;
    double log10Diameter;
};
inline constexpr DiameterTick kDiameterTicks[] = {
    {0.5, "0.5", true, -0.30103}, {0.6, "0.6", false, -0.22185}, {0.7, "0.7", false, -0.15490},
    {0.8, "0.8", false, -0.09691}, {0.9, "0.9", false, -0.04576}, {1, "1", true, 0.0},
    {2, "2", true, 0.30103},       {3, "3", false, 0.47712},      {4, "4", false, 0.60206},
    {5, "5", true, 0.69897},       {6, "6", false, 0.77815},      {7, "7", false, 0.84510}};

// What has become of a day of a picture: no table, a table that could not
// be read or is damaged, or a table drawn.
enum class DayState : unsigned char { NoTable, NotDrawn, Drawn };

// The days of one picture, in order.
struct PictureDays {
    int count = 0;
    const DayCells* cells = nullptr;   // `count` days
    const DayState* states = nullptr;  // `count` states
};

// Text buffers of the cell paths, one per colour class, kept from picture to
// picture so that drawing allocates nothing once they have grown.
struct PictureBuffers {
    struct ClassPath {
        std::string data;
        long long lastX = 0;  // start of the last rectangle drawn
        int lastY = 0;
    };
    ClassPath paths[kColourSteps + 1];
};

// A day picture of one table: `date` as yyyy-mm-dd, `tableName` the file it
// comes from.
void writeDayPicture(platform::OutputFile& file, const DayCells& day, std::string_view date,
                     std::string_view tableName, PictureBuffers& buffers);

// A month overview: `month` as yyyy-mm, one entry of `days` per day of the
// month.
void writeMonthOverview(platform::OutputFile& file, const PictureDays& days, std::string_view month,
                        PictureBuffers& buffers);

}  // namespace plotter
