#include "platform/interrupts.hpp"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files.hpp"
#include "system_faults.hpp"

namespace fs = std::filesystem;

// Interrupted while it writes an output file, a process leaves neither the
// temporary file nor anything under the final name, and ends with the
// signal's own status.
TEST(Interrupts, RemoveTheTemporaryOutputFileAndEndWithTheSignal) {
    std::string pattern = (fs::temp_directory_path() / "kevor-interrupt-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // As a program started from a shell has them, whatever the test runner was given.
            for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
            platform::installInterruptHandlers();
            // Under its temporary name from the start, as where the file
            // system has no unnamed files (an unnamed one leaves nothing).
            system_faults::refuseUnnamedFiles = true;
            try {
                platform::OutputFile out((folder / "KVA111220.txt").string());
                out.writeLine("unfinished");
                char written = 1;
                if (write(ready[1], &written, 1) != 1) _exit(2);
                for (;;) pause();
            } catch (...) {
                _exit(3);
            }
        }
        close(ready[1]);
        char written = 0;
        ASSERT_EQ(read(ready[0], &written, 1), 1);
        close(ready[0]);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);  // the temporary file
        kill(child, signalNumber);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "signal " << signalNumber;
        EXPECT_TRUE(fs::is_empty(folder)) << "signal " << signalNumber;
    }
    fs::remove_all(folder);
}
#endif
