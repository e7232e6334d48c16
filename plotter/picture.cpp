#include "plotter/picture.hpp"

#include <algorithm>

#include "platform/number_text.hpp"

namespace plotter {

namespace {

using Layout = PictureLayout;

constexpr std::string_view kPolarity[2] = {"positive ions", "negative ions"};
constexpr int kBarStepHeight = 9;
constexpr int kBarBottom = Layout::kPanelTop[1] + Layout::kPanelHeight;
constexpr int kBarWidth = 14;

void number(std::string& out, long long value) { platform::appendInt(out, value); }
void number(std::string& out, double value, int decimals) { platform::appendFixed(out, value, decimals); }

// Text for an SVG text node or attribute.
void escaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
}

// <text x=".." y=".." [extra]>text</text>
void text(std::string& out, double x, int y, std::string_view content, std::string_view extra = {}) {
    out += "<text x=\"";
    number(out, x, 1);
    out += "\" y=\"";
    number(out, y);
    out += '"';
    if (!extra.empty()) {
        out += ' ';
        out += extra;
    }
    out += '>';
    escaped(out, content);
    out += "</text>\n";
}

// Text turned to read upwards, centred on (x, y).
void upwardText(std::string& out, double x, double y, std::string_view content, std::string_view extra) {
    out += "<text transform=\"translate(";
    number(out, x, 1);
    out += ' ';
    number(out, y, 1);
    out += ") rotate(-90)\" text-anchor=\"middle\" ";
    out += extra;
    out += '>';
    escaped(out, content);
    out += "</text>\n";
}

void rect(std::string& out, long long x, long long y, long long width, long long height, std::string_view fill,
          std::string_view extra = {}) {
    out += "<rect x=\"";
    number(out, x);
    out += "\" y=\"";
    number(out, y);
    out += "\" width=\"";
    number(out, width);
    out += "\" height=\"";
    number(out, height);
    out += "\" fill=\"";
    out += fill;
    out += '"';
    if (!extra.empty()) {
        out += ' ';
        out += extra;
    }
    out += "/>\n";
}

// One rectangle of cells, a run of one colour in one fraction row (inner
// units: half minutes across, fraction rows down), added to its class path
// relative to the one before.
void addRun(PictureBuffers& buffers, int colourClass, long long from, long long to, int row) {
    if (colourClass <= kZeroClass || to <= from) return;  // zero: the panel's grey shows
    PictureBuffers::ClassPath& path = buffers.paths[colourClass];
    std::string& d = path.data;
    if (d.empty()) {
        d += 'M';
        number(d, from);
    } else {
        d += 'm';
        number(d, from - path.lastX);
    }
    d += ' ';
    number(d, static_cast<long long>(row - path.lastY));
    d += 'h';
    number(d, to - from);
    d += "v1h-";
    number(d, to - from);
    d += 'z';
    path.lastX = from;
    path.lastY = row;
}

// The cells of one panel: per fraction row, runs of equal colour along the
// whole time axis, each table row the span of its step centred on its
// minute and clipped to its day.
void collectRuns(const PictureDays& days, int panel, PictureBuffers& buffers) {
    for (PictureBuffers::ClassPath& path : buffers.paths) {
        path.data.clear();
        path.lastX = 0;
        path.lastY = 0;
    }
    for (int row = 0; row < kFractions; ++row) {
        const int column = panel * kFractions + (kFractions - 1 - row);
        int runClass = -1;
        long long runStart = 0;
        for (int d = 0; d < days.count; ++d) {
            const long long dayStart = static_cast<long long>(d) * kHalfMinutesPerDay;
            if (days.states[d] != DayState::Drawn) {
                addRun(buffers, runClass, runStart, dayStart, row);
                runClass = -1;
                continue;
            }
            const DayCells& day = days.cells[d];
            const int m = day.stepMinutes;
            for (int t = 0; t < day.rowCount; ++t) {
                const int cellClass = day.cells[t][column];
                if (cellClass == runClass) continue;
                const long long from = dayStart + std::max(0, 2 * t * m - m);
                addRun(buffers, runClass, runStart, from, row);
                runClass = cellClass;
                runStart = from;
            }
        }
        addRun(buffers, runClass, runStart, static_cast<long long>(days.count) * kHalfMinutesPerDay, row);
    }
}

void header(std::string& out, const Layout& layout, std::string_view title) {
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";
    number(out, static_cast<long long>(layout.width()));
    out += "\" height=\"";
    number(out, static_cast<long long>(Layout::kHeight));
    out += "\" viewBox=\"0 0 ";
    number(out, static_cast<long long>(layout.width()));
    out += ' ';
    number(out, static_cast<long long>(Layout::kHeight));
    out += "\" font-family=\"sans-serif\" font-size=\"12\">\n<title>";
    escaped(out, title);
    out += "</title>\n";
    rect(out, 0, 0, layout.width(), Layout::kHeight, "#ffffff");
}

void panel(platform::OutputFile& file, const Layout& layout, const PictureDays& days, int panelIndex,
           std::string_view title, std::string_view source, PictureBuffers& buffers) {
    const int top = Layout::kPanelTop[panelIndex];
    const int left = Layout::kPlotLeft;
    const int right = left + layout.plotWidth();
    std::string& out = file.buffer();
    std::string heading(title);
    heading += ", ";
    heading += kPolarity[panelIndex];
    text(out, left, top - 8, heading, "font-size=\"14\"");
    if (!source.empty()) text(out, right, top - 8, source, "text-anchor=\"end\" fill=\"#555555\"");

    // The cells, in inner units scaled onto the panel; crisp edges, so that
    // neighbouring cells meet without a seam of the grey beneath.
    out += "<g transform=\"translate(";
    number(out, static_cast<long long>(left));
    out += ' ';
    number(out, static_cast<long long>(top));
    out += ") scale(";
    number(out, static_cast<double>(layout.dayWidth) / kHalfMinutesPerDay, 6);
    out += ' ';
    number(out, static_cast<long long>(Layout::kFractionHeight));
    out += ")\" shape-rendering=\"crispEdges\">\n";
    rect(out, 0, 0, static_cast<long long>(days.count) * kHalfMinutesPerDay, kFractions, kZeroColour);
    collectRuns(days, panelIndex, buffers);
    for (int c = 1; c <= kColourSteps; ++c) {
        const std::string& d = buffers.paths[c].data;
        if (d.empty()) continue;
        out += "<path fill=\"";
        out += colourOf(static_cast<ColourClass>(c));
        out += "\" d=\"";
        out += d;
        out += "\"/>\n";
        file.flushIfFull();
    }
    out += "</g>\n";

    // Days without a table (month overview).
    for (int d = 0; d < days.count; ++d) {
        if (days.states[d] == DayState::Drawn) continue;
        const int x = left + d * layout.dayWidth;
        rect(out, x, top, layout.dayWidth, Layout::kPanelHeight, "#ffffff");
        upwardText(out, x + layout.dayWidth / 2.0, top + Layout::kPanelHeight / 2.0,
                   days.states[d] == DayState::NotDrawn ? "table not drawn" : "no table",
                   "font-size=\"11\" fill=\"#555555\"");
    }
    rect(out, left, top, layout.plotWidth(), Layout::kPanelHeight, "none",
         "stroke=\"#000000\" shape-rendering=\"crispEdges\"");

    // Diameter axis.
    out += "<path stroke=\"#000000\" d=\"";
    for (const DiameterTick& tick : kDiameterTicks) {
        out += 'M';
        number(out, static_cast<long long>(left));
        out += ' ';
        number(out, Layout::diameterY(panelIndex, tick.log10Diameter), 2);
        out += tick.labelled ? "h-6" : "h-3";
    }
    out += "\"/>\n";
    for (const DiameterTick& tick : kDiameterTicks)
        if (tick.labelled)
            text(out, left - 8, static_cast<int>(Layout::diameterY(panelIndex, tick.log10Diameter) + 4.5), tick.label,
                 "text-anchor=\"end\"");
    upwardText(out, 18, top + Layout::kPanelHeight / 2.0, "diameter, nm", "");

    // Time axis: hours on a day picture, days on an overview.
    const int bottom = top + Layout::kPanelHeight;
    out += "<path stroke=\"#000000\" d=\"";
    const bool overview = days.count > 1;
    const int ticks = overview ? days.count : 24;
    for (int i = 0; i <= ticks; ++i) {
        out += 'M';
        number(out, layout.x(static_cast<long long>(i) * (overview ? kHalfMinutesPerDay : 120)), 2);
        out += ' ';
        number(out, static_cast<long long>(bottom));
        out += (overview || i % 3 == 0) ? "v6" : "v3";
    }
    out += "\"/>\n";
    for (int i = 0; i <= ticks; ++i) {
        if (overview && i < days.count)
            text(out, layout.x(static_cast<long long>(i) * kHalfMinutesPerDay + kHalfMinutesPerDay / 2), bottom + 18,
                 std::to_string(i + 1), "text-anchor=\"middle\"");
        if (!overview && i % 3 == 0)
            text(out, layout.x(static_cast<long long>(i) * 120), bottom + 18, std::to_string(i),
                 "text-anchor=\"middle\"");
    }
    file.flushIfFull();
}

// The colour bar beside both panels, decades labelled, and the legend below.
void barAndLegend(std::string& out, const Layout& layout, bool overview) {
    const int x = layout.barLeft();
    out += "<g shape-rendering=\"crispEdges\">\n";
    for (int step = 1; step <= kColourSteps; ++step)
        rect(out, x, kBarBottom - step * kBarStepHeight, kBarWidth, kBarStepHeight,
             colourOf(static_cast<ColourClass>(step)));
    out += "</g>\n";
    long long decade = kScaleBottom;
    out += "<path stroke=\"#000000\" d=\"";
    for (int k = 0; k <= kDecades; ++k) {
        out += 'M';
        number(out, static_cast<long long>(x + kBarWidth));
        out += ' ';
        number(out, static_cast<long long>(kBarBottom - k * kStepsPerDecade * kBarStepHeight));
        out += "h4";
    }
    out += "\"/>\n";
    for (int k = 0; k <= kDecades; ++k, decade *= 10)
        text(out, x + kBarWidth + 6, kBarBottom - k * kStepsPerDecade * kBarStepHeight + 4, std::to_string(decade));
    const int barTop = kBarBottom - kColourSteps * kBarStepHeight;
    text(out, x, barTop - 30, "dN/dlog d");
    text(out, x, barTop - 16, "cm\u207B\u00B3");

    const int left = Layout::kPlotLeft;
    const int bottom = Layout::kPanelTop[1] + Layout::kPanelHeight;
    text(out, left + layout.plotWidth() / 2.0, bottom + 34, overview ? "day of the month" : "time of day, h",
         "text-anchor=\"middle\"");
    rect(out, left, bottom + 46, 12, 12, kZeroColour, "stroke=\"#000000\"");
    text(out, left + 18, bottom + 56, "0: no data, or a negative value clipped to 0");
    if (overview) {
        rect(out, left + 330, bottom + 46, 12, 12, "#ffffff", "stroke=\"#000000\"");
        text(out, left + 348, bottom + 56, "a day without a table");
    }
    text(out, left, bottom + 76,
         "colour: ions per cm\u00B3 per decade of diameter, log scale; below 10 or above 10000 the end colours");
}

void writePicture(platform::OutputFile& file, const PictureDays& days, std::string_view title,
                  std::string_view source, PictureBuffers& buffers) {
    Layout layout;
    layout.days = days.count;
    layout.dayWidth = days.count > 1 ? Layout::kOverviewDayWidth : Layout::kDayPictureWidth;
    std::string svgTitle = "Air ions " + std::string(title);
    if (!source.empty()) svgTitle += " (" + std::string(source) + ")";
    header(file.buffer(), layout, svgTitle);
    for (int p = 0; p < 2; ++p) panel(file, layout, days, p, title, source, buffers);
    barAndLegend(file.buffer(), layout, days.count > 1);
    file.buffer() += "</svg>\n";
    file.flushIfFull();
}

}  // namespace

void writeDayPicture(platform::OutputFile& file, const DayCells& day, std::string_view date,
                     std::string_view tableName, PictureBuffers& buffers) {
    const DayState drawn = DayState::Drawn;
    writePicture(file, PictureDays{1, &day, &drawn}, date, tableName, buffers);
}

void writeMonthOverview(platform::OutputFile& file, const PictureDays& days, std::string_view month,
                        PictureBuffers& buffers) {
    writePicture(file, days, month, {}, buffers);
}

}  // namespace plotter
