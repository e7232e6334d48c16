// KEVORPLOT as a process on a folder of tables, one of them damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "process.hpp"
#include "table_maker.hpp"

namespace fs = std::filesystem;

namespace {

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Each of the lines appears in the console output, in this order.
template <size_t N>
void expectInOrder(const std::string& out, const std::string (&lines)[N]) {
    size_t at = 0;
    for (const std::string& line : lines) {
        const size_t found = out.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing in order: " << line << "\n" << out;
        at = found + line.size();
    }
}

}  // namespace

TEST(Plotter, DrawsEveryTableOfAFolderAndSaysWhatItSkipped) {
    const fs::path dir = fs::temp_directory_path() / "kevor-plotter-folder";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string table = plotter_test::makeTable(10, [](int t, int c) { return 50 * (t % 40) + c; });
    writeText(dir / "d111218.xl", table);
    std::string damaged = table;
    damaged.insert(damaged.find("\r\n30\t") + 2, "25\t1\r\n");
    writeText(dir / "d111219.xl", damaged);
    writeText(dir / "notes.xl", "not a table\r\n");
    writeText(dir / "d120101.xl", plotter_test::makeTable(1440, [](int, int) { return 100; }));

    const e2e::ProcessResult result = e2e::runProcess(KEVORPLOT_PATH, {dir.string()}, "\n");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string expected[] = {
        " dragged item is folder " + dir.string() + "\n",
        " skipped notes.xl: not a Diagram table (d + yymmdd + .xl)\n",
        " found 3 Diagram tables\n",
        " written d111218.svg\n",
        " damaged table d111219.xl, line 4: 2 fields where a row has 21 (the minute and 20 fractions); no picture\n",
        " written d1112-month.svg, the days of 2011-12 side by side\n",
        " written d120101.svg\n",
        " written d1201-month.svg, the days of 2012-01 side by side\n",
        " Done, but 1 table(s) not drawn (see above)\n\n Finished ",
    };
    expectInOrder(result.out, expected);
    EXPECT_TRUE(result.out.ends_with(", press ENTER!"));

    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    // The overviews sort before the days of their month.
    EXPECT_EQ(names, (std::vector<std::string>{"d1112-month.svg", "d111218.svg", "d111218.xl", "d111219.xl",
                                               "d1201-month.svg", "d120101.svg", "d120101.xl", "notes.xl"}));
    const std::string overview = readText(dir / "d1112-month.svg");
    EXPECT_NE(overview.find(">table not drawn</text>"), std::string::npos);  // the 19th
    EXPECT_NE(overview.find(">no table</text>"), std::string::npos);
    EXPECT_TRUE(overview.ends_with("</svg>\n"));
    fs::remove_all(dir);
}

TEST(Plotter, AFileLargerThanAnyDiagramTableIsSkippedUnreadAndTheFolderDrawn) {
    const fs::path dir = fs::temp_directory_path() / "kevor-plotter-oversized";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string table = plotter_test::makeTable(10, [](int t, int c) { return 50 * (t % 40) + c; });
    writeText(dir / "d010101.xl", table);
    writeText(dir / "d010103.xl", table);
    // 64 GiB that take no room on the disk: more than the memory of the
    // machine, so that it cannot be read either.
    const unsigned long long huge = 64ULL << 30;
    writeText(dir / "d010102.xl", "");
    fs::resize_file(dir / "d010102.xl", huge);

    const e2e::ProcessResult result = e2e::runProcess(KEVORPLOT_PATH, {dir.string()}, "\n");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string expected[] = {
        " found 3 Diagram tables\n",
        " written d010101.svg\n",
        " damaged table d010102.xl: " + std::to_string(huge) +
            " bytes, more than any Diagram table (at most 1161446); no picture\n",
        " written d010103.svg\n",
        " written d0101-month.svg, the days of 2001-01 side by side\n",
        " Done, but 1 table(s) not drawn (see above)\n\n Finished ",
    };
    expectInOrder(result.out, expected);
    EXPECT_NE(readText(dir / "d0101-month.svg").find(">table not drawn</text>"), std::string::npos);
    fs::remove_all(dir);
}
