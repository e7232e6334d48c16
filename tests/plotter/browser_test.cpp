// A picture as people see it: KEVORPLOT draws a table with a known pattern,
// the browser (headless chromium) renders the SVG, and the colours at
// chosen pixels of the screenshot are checked.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "plotter/picture.hpp"
#include "process.hpp"
#include "table_maker.hpp"

namespace fs = std::filesystem;
using namespace plotter;

namespace {

constexpr const char* kChromium = "/usr/bin/chromium";

struct Image {
    int width = 0, height = 0, channels = 0;
    std::vector<std::uint8_t> pixels;  // rows of width * channels bytes
    std::string colour(double x, double y) const {
        const std::uint8_t* p = &pixels[(static_cast<size_t>(y) * width + static_cast<size_t>(x)) * channels];
        char text[8];
        std::snprintf(text, sizeof text, "#%02x%02x%02x", p[0], p[1], p[2]);
        return text;
    }
};

std::uint32_t bigEndian(const std::string& data, size_t at) {
    return std::uint32_t(std::uint8_t(data[at])) << 24 | std::uint32_t(std::uint8_t(data[at + 1])) << 16 |
           std::uint32_t(std::uint8_t(data[at + 2])) << 8 | std::uint8_t(data[at + 3]);
}

// An 8-bit RGB or RGBA PNG, not interlaced, as chromium's screenshots are;
// its image data is zlib-compressed and each row filtered.
Image decodePng(const std::string& png) {
    Image image;
    std::string compressed;
    for (size_t at = 8; at + 8 <= png.size();) {
        const std::uint32_t length = bigEndian(png, at);
        const std::string type = png.substr(at + 4, 4);
        if (type == "IHDR") {
            image.width = int(bigEndian(png, at + 8));
            image.height = int(bigEndian(png, at + 12));
            if (png[at + 16] != 8 || png[at + 20] != 0) throw std::runtime_error("not an 8-bit plain PNG");
            image.channels = png[at + 17] == 6 ? 4 : png[at + 17] == 2 ? 3 : 0;
            if (image.channels == 0) throw std::runtime_error("not an RGB PNG");
        }
        if (type == "IDAT") compressed += png.substr(at + 8, length);
        at += 12 + length;
    }
    const size_t stride = size_t(image.width) * image.channels;
    std::vector<std::uint8_t> raw((stride + 1) * image.height);
    uLongf size = raw.size();
    if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(compressed.data()), compressed.size()) != Z_OK ||
        size != raw.size())
        throw std::runtime_error("PNG image data does not inflate");
    image.pixels.resize(stride * image.height);
    const int bpp = image.channels;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t filter = raw[y * (stride + 1)];
        const std::uint8_t* in = &raw[y * (stride + 1) + 1];
        std::uint8_t* out = &image.pixels[y * stride];
        const std::uint8_t* up = y > 0 ? out - stride : nullptr;
        for (size_t i = 0; i < stride; ++i) {
            const int a = i >= size_t(bpp) ? out[i - bpp] : 0, b = up ? up[i] : 0,
                      c = (up && i >= size_t(bpp)) ? up[i - bpp] : 0;
            int predicted = 0;
            if (filter == 1) predicted = a;
            if (filter == 2) predicted = b;
            if (filter == 3) predicted = (a + b) / 2;
            if (filter == 4) {
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                predicted = (pa <= pb && pa <= pc) ? a : pb <= pc ? b : c;
            }
            out[i] = std::uint8_t(in[i] + predicted);
        }
    }
    return image;
}

}  // namespace

TEST(PictureInBrowser, ColoursWhereThePatternPutsThem) {
    if (!fs::exists(kChromium))
        GTEST_SKIP() << "chromium is not installed (" << kChromium
                     << "): scripts/install-deps installs it, as root on Debian";
    const fs::path dir = fs::temp_directory_path() / "kevor-plotter-browser";
    fs::remove_all(dir);
    fs::create_directories(dir / "profile");
    // Hourly rows. Until 11:00: positive ions many in the largest fraction,
    // few in the smallest, 100 in fraction 5; negative ions 1000 in fraction
    // 5. From 12:00 on: zero everywhere.
    std::ofstream(dir / "d111218.xl", std::ios::binary) << plotter_test::makeTable(60, [](int t, int c) {
        if (t > 11) return 0;
        if (c == 9) return 100000;
        if (c == 0) return 5;
        return c == 4 ? 100 : c == 14 ? 1000 : 50;
    });
    const e2e::ProcessResult plot = e2e::runProcess(KEVORPLOT_PATH, {(dir / "d111218.xl").string()}, "\n");
    ASSERT_EQ(plot.exitCode, 0) << plot.out << plot.err;

    PictureLayout layout;
    const fs::path png = dir / "day.png";
    const e2e::ProcessResult browser = e2e::runProcess(
        "/usr/bin/timeout",
        {"120", kChromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync", "--hide-scrollbars",
         "--force-device-scale-factor=1", "--user-data-dir=" + (dir / "profile").string(),
         "--screenshot=" + png.string(),
         "--window-size=" + std::to_string(layout.width()) + "," + std::to_string(PictureLayout::kHeight),
         "file://" + (dir / "d111218.svg").string()},
        "");
    ASSERT_TRUE(fs::exists(png)) << browser.out << browser.err;
    std::ifstream in(png, std::ios::binary);
    const Image image = decodePng(std::string(std::istreambuf_iterator<char>(in), {}));
    ASSERT_EQ(image.width, layout.width());
    ASSERT_EQ(image.height, PictureLayout::kHeight);

    // The middle of a fraction's row at a time of day.
    auto at = [&](int panel, int fraction, int hour) {
        const int top = PictureLayout::fractionTop(panel, fraction);
        return image.colour(layout.x(hour * 120), top + PictureLayout::kFractionHeight / 2);
    };
    EXPECT_EQ(at(0, 10, 3), colourOf(kColourSteps));                  // the top of the map
    EXPECT_EQ(at(0, 1, 3), colourOf(1));                              // its bottom
    EXPECT_EQ(at(0, 5, 6), colourOf(colourClassOf(100)));
    EXPECT_EQ(at(1, 5, 6), colourOf(colourClassOf(1000)));            // the negative panel, below
    EXPECT_EQ(at(0, 5, 18), kZeroColour);                             // zero rows: the neutral grey
    EXPECT_EQ(at(1, 10, 18), kZeroColour);
    fs::remove_all(dir);
}
