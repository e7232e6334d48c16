// The example data of examples/ with its answer files, run the way
// scripts/demo runs it: the answer files must keep fitting the dialogues.
#include <string>
#include <vector>

#include "e2e_support.hpp"

namespace e2e {
namespace {

using ExampleRun = E2eTest;

TEST_F(ExampleRun, AnswerFilesLeadBothProgramsToTheirTables) {
    const fs::path examples = KEVOR_EXAMPLES_DIR;
    const fs::path run = dir / "demo-run";
    fs::create_directories(run);
    for (const auto& entry : fs::directory_iterator(examples)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("_KVA", 0) == 0 || name == "KEVORCV.INI" || name == "diameters.txt")
            fs::copy_file(entry.path(), run / name);
    }
    // The revision date in the first line of the example KEVORCV.INI.
    setModificationDay(run / "KEVORCV.INI", 2011, 12, 20);

    const ProcessResult converter = runConverter({run.string()}, readFile(examples / "kevorcv.answers"));
    ASSERT_EQ(converter.exitCode, 0) << converter.out << converter.err;
    EXPECT_TRUE(inOrder(converter.out, {"... Analyzing ...\n", "Write extension for output filename: ",
                                        "\nOutput is saved as KVA111200.txt, press Enter!\n"}));
    EXPECT_EQ(converter.out.find("Legal values"), std::string::npos);
    const fs::path table = run / "KVA111200.txt";
    EXPECT_EQ(readTable(table).lines.size(), 3u + 3 * 48);  // three mornings of 5-minute cycles

    const ProcessResult normal =
        runPostprocessor({table.string()}, readFile(examples / "kevorpp-normal.answers"));
    ASSERT_EQ(normal.exitCode, 0) << normal.out << normal.err;
    EXPECT_TRUE(inOrder(normal.out, {" found a file of 2 extra diameters:\n", " Choose the days to be processed:\n",
                                     " Choose multiplier of std (3...9) = ", " Done\n"}));
    const TableText normalTable = readTable(run / "normal.txt");
    ASSERT_EQ(normalTable.lines.size(), 3u + 3 * 24);
    EXPECT_EQ(normalTable.lines[2],
              "yyyy-mm-dd hh:nn\tT:C\tRH:%\tp:mb\tN+\tN-\tn+\tn-\tZ+\tZ-\tED+1.000\tED+2.500\tED-1.000\tED-2.500");

    const ProcessResult diagram =
        runPostprocessor({table.string()}, readFile(examples / "kevorpp-diagram.answers"));
    ASSERT_EQ(diagram.exitCode, 0) << diagram.out << diagram.err;
    EXPECT_EQ(folderEntries(run / "diagrams"),
              (std::vector<std::string>{"d111218.xl", "d111219.xl", "d111220.xl"}));
}

}  // namespace
}  // namespace e2e
