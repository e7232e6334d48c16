#include "platform/program.hpp"

#include <gtest/gtest.h>

#include <iostream>
#include <new>
#include <sstream>

using namespace platform;

TEST(Program, NotEnoughMemoryForTheTablesIsSaidInWordsWithExitCodeOne) {
    std::ostringstream err;
    std::streambuf* const standardError = std::cerr.rdbuf(err.rdbuf());
    char name[] = "KEVORCV";
    char* argv[] = {name, nullptr};
    const int code = runProgram({"KEVORCV", 420}, 1, argv, [](Console&, const std::vector<std::string>&) -> int {
        throw std::bad_alloc();  // as the allocation of a table that finds no room
    });
    std::cerr.rdbuf(standardError);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err.str(), "KEVORCV: error: not enough memory for the run's tables (about 420 MB are needed)\n");
}
