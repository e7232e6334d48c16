// KEVORNC on a folder with a table of every kind, made by the other
// programs from the example data, a damaged table, one without a whole
// date and time, and files that are no tables; its datasets are read back
// with xarray and compared with the tables, and the README's Python lines
// run on them.
#include <gtest/gtest.h>

#include "e2e_support.hpp"

namespace {

namespace fs = std::filesystem;
using e2e::readFile;
using e2e::writeFile;

const std::string kPython = "/usr/bin/python3";
const fs::path kSource = KEVOR_SOURCE_DIR;

// The first block of Python of the README's section on reading the data.
std::string readmePython() {
    const std::string readme = readFile(kSource / "README.md");
    const size_t section = readme.find("## Reading the data in Python, MATLAB and R");
    const size_t start = readme.find("```python\n", section);
    const size_t end = readme.find("```\n", start + 10);
    if (section == std::string::npos || start == std::string::npos || end == std::string::npos) return "";
    return readme.substr(start + 10, end - start - 10);
}

class Export : public e2e::E2eTest {};

TEST_F(Export, EveryKindOfTableGivesADatasetWithItsTimesAndValues) {
    if (e2e::runProcess(kPython, {"-c", "import xarray, netCDF4"}, "").exitCode != 0)
        GTEST_SKIP() << kPython << " cannot import xarray and netCDF4 (Debian: python3-xarray python3-netcdf4)";

    // The demo's tables: a daily table of standard data with 5-minute
    // cycles (half-minute HHMM) and the Normal table of the example answers.
    const fs::path demo = dir / "demo-run";
    const fs::path examples = kSource / "examples";
    fs::create_directories(demo);
    for (const char* name : {"_KVA111218.001", "_KVA111219.001", "_KVA111220.001", "KEVORCV.INI", "diameters.txt"})
        fs::copy_file(examples / name, demo / name);
    e2e::setModificationDay(demo / "KEVORCV.INI", 2011, 12, 20);
    ASSERT_EQ(runConverter({demo.string()}, readFile(examples / "kevorcv.answers")).exitCode, 0);
    const fs::path daily = demo / "KVA111200.txt";
    ASSERT_EQ(runPostprocessor({daily.string()}, readFile(examples / "kevorpp-normal.answers")).exitCode, 0);
    // A Fraction table whose time column ("j.f") has no year: its times come
    // from variables 1 and 2; D+0.487 twice, ED- without ED+.
    ASSERT_EQ(runPostprocessor({daily.string()},
                               "111218\n111220\n2\n0\n0\n0\n5\n0\nF\nj.f\n1,2,9-60,77,78,101,9\nfraction.txt\n\n")
                  .exitCode,
              0);
    // Basic data, every record a line.
    fs::create_directories(dir / "basic");
    fs::copy_file(examples / "_KVA111218.001", dir / "basic" / "_KVA111218.001");
    ASSERT_EQ(runConverter({(dir / "basic").string()}, e2e::converterAnswers(2, 0, 10, 0, "txt")).exitCode, 0);
    fs::rename(dir / "basic" / "~KVA111218.txt", demo / "~KVA111218.txt");

    // A cycle of the last seconds of 20 December dated by the converter with
    // the next day, but numbered with its own day of the year.
    std::vector<std::string> last = e2e::splitTabs(e2e::readTable(daily).lines.back());
    last[0] = "111221", last[1] = "2.5", last[2] = "354.9996";
    std::string line;
    for (const std::string& field : last) line += (line.empty() ? "" : "\t") + field;
    writeFile(daily, readFile(daily) + line + "\r\n");
    const std::string normal = readFile(demo / "normal.txt");
    std::string damaged = normal, noTime = normal;
    damaged.replace(damaged.find("20.45"), 5, "20,45");
    noTime.replace(noTime.find("yyyy-mm-dd hh:nn"), 16, "j.f");
    writeFile(demo / "damaged.txt", damaged);
    writeFile(demo / "no-time.txt", noTime);

    const e2e::ProcessResult run = e2e::runProcess(KEVORNC_PATH, {demo.string()}, "\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(e2e::inOrder(
        run.out,
        {" dragged item is folder " + demo.string() + "\n",
         " skipped KEVORCV.INI: not a daily, Normal or Fraction table\n",
         " skipped _KVA111220.001: not a daily, Normal or Fraction table\n",
         " skipped diameters.txt: not a daily, Normal or Fraction table\n", " found 6 tables\n",
         " written KVA111200.txt.nc: daily table of standard data, 145 lines\n",
         " damaged table damaged.txt, line 4: \"20,45\" in column 2 (T:C) is not a number; not converted\n",
         " written fraction.txt.nc: Fraction table, ",
         " no complete date and time in no-time.txt (time column \"j.f\"): next time choose the time format "
         "yyyy-mm-dd hh:nn:ss, or the variables 1 and 2; not converted\n",
         " written normal.txt.nc: Normal table, 72 lines\n",
         " written ~KVA111218.txt.nc: daily table of basic data, 400 lines\n",
         " Done, but 2 table(s) not converted (see above)\n\n Finished "}));
    for (const std::string& name : e2e::folderEntries(demo)) EXPECT_EQ(name.find("~kevor"), std::string::npos) << name;

    const e2e::ProcessResult roundTrip =
        e2e::runProcess(kPython, {(kSource / "tests/ncexport/roundtrip.py").string(), daily.string(),
                                  (demo / "normal.txt").string(), (demo / "fraction.txt").string(),
                                  (demo / "~KVA111218.txt").string()},
                        "");
    EXPECT_EQ(roundTrip.exitCode, 0) << roundTrip.out << roundTrip.err;

    const std::string snippet = readmePython();
    ASSERT_NE(snippet, "");
    const e2e::ProcessResult readme = e2e::runProcess(kPython, {"-c", snippet}, "", dir.string());
    EXPECT_EQ(readme.exitCode, 0) << readme.err;
    EXPECT_NE(readme.out.find("2011-12-18 06:05:00"), std::string::npos) << readme.out;
}

}  // namespace
