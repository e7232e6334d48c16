#include "platform/run_error.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace platform;

TEST(RunErrors, CatchAllReportsOneLineAndExitCodeOne) {
    std::ostringstream out, err;
    out << "partial";
    try {
        failAt("KVA110211.txt", 12, "a number can't be read");
    } catch (const std::exception& e) {
        EXPECT_EQ(reportRunFailure("KEVORPP", &e, out, err), 1);
    }
    EXPECT_EQ(err.str(), "KEVORPP: error: KVA110211.txt, line 12: a number can't be read\n");
    EXPECT_EQ(out.str(), "partial");
}
