#include "platform/files.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>
#endif

#include "platform/run_error.hpp"
#include "system_faults.hpp"

using namespace platform;
namespace fs = std::filesystem;

namespace {

// A fresh folder below the system's temporary folder, removed afterwards.
struct TempFolder {
    fs::path path;
    TempFolder() {
        path = fs::temp_directory_path() /
               ("kevor-platform-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::string& path) {
    std::string text;
    EXPECT_TRUE(readWholeFile(path, text));
    return text;
}

}  // namespace

TEST(Wildcards, FollowTheSystemsSearchRules) {
    EXPECT_TRUE(wildcardMatch("_KVA*.*", "_KVA110211.001"));
    EXPECT_TRUE(wildcardMatch("_KVA*.*", "_kva110211.001"));  // letter case ignored
    EXPECT_TRUE(wildcardMatch("_KVA*.*", "_KVA110211"));      // ".*" takes names without a dot
    EXPECT_FALSE(wildcardMatch("_KVA*.*", "KVA110211.txt"));
    EXPECT_TRUE(wildcardMatch("KVA*.*", "kva111220.txt"));
    EXPECT_FALSE(wildcardMatch("KVA*.*", "~KVA111220.txt"));
    EXPECT_FALSE(wildcardMatch("KVA*.*", "_KVA111220.001"));
    EXPECT_TRUE(wildcardMatch("*.*", "README"));
    EXPECT_TRUE(wildcardMatch("a?c", "abc"));
    EXPECT_FALSE(wildcardMatch("a?c", "ac"));
    EXPECT_TRUE(wildcardMatch("*x*y", "axbxcy"));
    EXPECT_FALSE(wildcardMatch("*x*y", "axbxcyz"));
}

TEST(Paths, NameAndFolderParts) {
    std::string p = joinPath(joinPath("data", "2011"), "_KVA110211.001");
    EXPECT_EQ(fileNamePart(p), "_KVA110211.001");
    EXPECT_EQ(folderPart(p), joinPath("data", "2011"));
    EXPECT_EQ(fileNamePart("plain.txt"), "plain.txt");
    EXPECT_EQ(folderPart("plain.txt"), "");
    EXPECT_EQ(joinPath("", "x"), "x");
}

TEST(Folders, SearchExistenceAndCreation) {
    TempFolder tmp;
    writeText(tmp.file("KVA110212.txt"), "b");
    writeText(tmp.file("kva110211.txt"), "a");
    writeText(tmp.file("_KVA110211.001"), "raw");
    fs::create_directories(tmp.path / "KVAOLD");

    std::vector<DirEntry> found = findEntries(tmp.path.string(), "KVA*.*");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].name, "KVA110212.txt");  // sorted by character code
    EXPECT_EQ(found[1].name, "KVAOLD");
    EXPECT_TRUE(found[1].isFolder);
    EXPECT_EQ(found[2].name, "kva110211.txt");
    EXPECT_FALSE(found[2].isFolder);

    EXPECT_TRUE(fileExists(tmp.file("KVA110212.txt")));
    EXPECT_FALSE(fileExists(tmp.file("KVAOLD")));
    EXPECT_TRUE(folderExists(tmp.file("KVAOLD")));
    EXPECT_FALSE(folderExists(tmp.file("KVA110212.txt")));
    EXPECT_FALSE(fileExists(tmp.file("missing")));

    std::string deep = joinPath(joinPath(tmp.file("a"), "b"), "c");
    EXPECT_TRUE(createFolders(deep));
    EXPECT_TRUE(folderExists(deep));
    EXPECT_TRUE(createFolders(deep));  // an existing folder is fine
    EXPECT_FALSE(createFolders(joinPath(tmp.file("KVA110212.txt"), "sub")));
}

TEST(Folders, CurrentDirectoryAndModificationTime) {
    TempFolder tmp;
    std::string before = currentDirectory();
    ASSERT_TRUE(setCurrentDirectory(tmp.path.string()));
    EXPECT_EQ(fs::path(currentDirectory()), fs::canonical(tmp.path));
    writeText("here.txt", "x");
    EXPECT_TRUE(fileExists("here.txt"));
    DateTime when = 0;
    EXPECT_TRUE(fileModificationTime("here.txt", when));
    DateTime now = localNow();
    EXPECT_LT(std::abs(now - when), 1.0 / 1440);  // within a minute
    EXPECT_FALSE(fileModificationTime("missing.txt", when));
    ASSERT_TRUE(setCurrentDirectory(before));
    EXPECT_FALSE(setCurrentDirectory(tmp.file("missing")));
}

TEST(TextFiles, WholeFileAndLinesWithEitherLineEnd) {
    TempFolder tmp;
    writeText(tmp.file("mixed.txt"), "one\r\ntwo\nthree\r\n\r\nfive");
    std::string text;
    ASSERT_TRUE(readWholeFile(tmp.file("mixed.txt"), text));
    LineReader reader(text);
    std::string_view line;
    std::vector<std::string> lines;
    while (reader.next(line)) lines.emplace_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "", "five"}));
    EXPECT_EQ(reader.lineNumber(), 5);

    LineReader ended("a\nb\n");
    int count = 0;
    while (ended.next(line)) ++count;
    EXPECT_EQ(count, 2);  // no empty line after a final line end

    EXPECT_FALSE(readWholeFile(tmp.file("missing.txt"), text));
}

TEST(TextFiles, OnlyRegularFilesAreRead) {
    TempFolder tmp;
    std::string text = "left over";
    // A daily table that became a folder after the folder was listed (read
    // as a file, its size was taken for a huge one).
    fs::create_directories(tmp.path / "KVA111220.TXT");
    EXPECT_FALSE(readWholeFile(tmp.file("KVA111220.TXT"), text));
#ifndef _WIN32
    // A FIFO under a raw file's name: opened for reading, it waited for a
    // writer for ever.
    ASSERT_EQ(mkfifo(tmp.file("_KVA111220.001").c_str(), 0600), 0);
    EXPECT_FALSE(readWholeFile(tmp.file("_KVA111220.001"), text));
#endif
    EXPECT_EQ(text, "");
}

TEST(OutputFiles, CommitInTheCurrentFolderLeavesTheWholeFileAndNoTemporary) {
    TempFolder tmp;
    const std::string before = currentDirectory();
    ASSERT_TRUE(setCurrentDirectory(tmp.path.string()));
    {
        OutputFile out("KVA110211.txt");  // the converter's way: a bare name
        out.writeLine("head");
        out.commit();
    }
    EXPECT_EQ(readText("KVA110211.txt"), "head\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path), fs::directory_iterator()), 1);
    ASSERT_TRUE(setCurrentDirectory(before));
}

TEST(OutputFiles, AppearOnlyOnCommitWithCrLfLines) {
    TempFolder tmp;
    std::string target = tmp.file("KVA110211.txt");
    {
        OutputFile out(target);
        out.writeLine("head");
        out.write("a\tb");
        out.writeLine("");
        EXPECT_FALSE(fileExists(target));
        std::string tempName(fileNamePart(out.temporaryPath()));
        EXPECT_FALSE(wildcardMatch("KVA*.*", tempName));
        EXPECT_FALSE(wildcardMatch("_KVA*.*", tempName));
        out.commit();
    }
    EXPECT_EQ(readText(target), "head\r\na\tb\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path), fs::directory_iterator()), 1);
}

TEST(OutputFiles, AbandonedLeavesTheOldFileAndNoTemporary) {
    TempFolder tmp;
    std::string target = tmp.file("KVA110211.txt");
    writeText(target, "old table");
    {
        OutputFile out(target);
        out.writeLine("new but unfinished");
    }
    EXPECT_EQ(readText(target), "old table");
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path), fs::directory_iterator()), 1);
}

TEST(OutputFiles, CommitReplacesAnExistingFile) {
    TempFolder tmp;
    std::string target = tmp.file("table.txt");
    writeText(target, "old");
    OutputFile out(target);
    std::string big(3 << 20, 'x');  // larger than the write buffer
    out.write(big);
    out.commit();
    EXPECT_EQ(readText(target), big);
}

TEST(OutputFiles, UncreatableIsARunError) {
    TempFolder tmp;
    EXPECT_THROW(OutputFile(joinPath(tmp.file("missing"), "x.txt")), RunError);
}

TEST(OutputFiles, AFolderSyncThatFailsAfterTheRenameSaysTheFileIsInPlace) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows moves the file with write-through: there is no folder sync of its own to fail";
#else
    TempFolder tmp;
    const std::string target = tmp.file("KVA111200.txt");
    writeText(target, "old table");
    std::string message;
    {
        OutputFile out(target);
        out.writeLine("new table");
        system_faults::folderSyncError = EIO;
        try {
            out.commit();
        } catch (const RunError& e) {
            message = e.what();
        }
        system_faults::folderSyncError = 0;
    }
    // The new table has replaced the old one: the line says so, and why it
    // is not sure to be on the disk.
    EXPECT_EQ(message, "the output file " + target +
                           " was written under its name, but the system could not confirm that it is on the disk: "
                           "Input/output error");
    EXPECT_EQ(readText(target), "new table\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path), fs::directory_iterator()), 1);
#endif
}

TEST(OutputFiles, ErrorLinesGiveTheSystemsCauseAndKeepTheNameOfALongPath) {
    TempFolder tmp;
    fs::path folder = tmp.path / "missing";
    for (char c : std::string("abcde")) folder /= std::string(60, c);
    const std::string target = (folder / "KVA111220.txt").string();
    ASSERT_GT(target.size(), 360u);
    std::string message;
    try {
        OutputFile out(target);
    } catch (const RunError& e) {
        message = e.what();
    }
#ifdef _WIN32
    const std::string causes[] = {windowsErrorText(ERROR_PATH_NOT_FOUND), windowsErrorText(ERROR_FILENAME_EXCED_RANGE)};
#else
    const std::string causes[] = {"No such file or directory"};
#endif
    bool endsWithNameAndCause = false;
    for (const std::string& cause : causes)
        endsWithNameAndCause = endsWithNameAndCause || message.ends_with("KVA111220.txt: " + cause);
    EXPECT_TRUE(endsWithNameAndCause) << message;
    // Shortened in the middle: the beginning of the path, "...", its end.
    const std::string prefix = "cannot create the output file ";
    ASSERT_TRUE(message.starts_with(prefix)) << message;
    const std::string shown = message.substr(prefix.size(), message.find("KVA111220.txt: ") + 13 - prefix.size());
    EXPECT_LE(shown.size(), 260u);
    EXPECT_TRUE(shown.starts_with(tmp.path.string())) << shown;
    EXPECT_NE(shown.find("..."), std::string::npos) << shown;
}

namespace {

// Names of the files in a folder, sorted.
std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string temporaryOf(unsigned long pid, int count) {
    return "~kevor" + std::to_string(pid) + "-" + std::to_string(count) + ".tmp";
}

#ifdef _WIN32
unsigned long ownProcess() { return GetCurrentProcessId(); }
// The number of a process that has run and ended.
unsigned long endedProcess() {
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string line = std::string("\"") + program + "\" --gtest_list_tests --gtest_filter=none";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return process.dwProcessId;
}
#else
unsigned long ownProcess() { return static_cast<unsigned long>(getpid()); }
// A run of this process's code killed (kill -9) while it writes an output
// file; returns its process number, ended and reaped.
unsigned long killedWriter(const std::string& target, bool refuseUnnamed) {
    const pid_t child = fork();
    if (child == 0) {
        system_faults::refuseUnnamedFiles = refuseUnnamed;
        try {
            OutputFile out(target);
            out.write(std::string(3 << 20, 'x'));
            raise(SIGKILL);
        } catch (...) {
        }
        _exit(3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    return static_cast<unsigned long>(child);
}
#endif

}  // namespace

TEST(OutputFiles, AKilledRunLeavesNothingOrALeftoverThatTheNextRunRemoves) {
    TempFolder tmp;
    const std::string target = tmp.file("KVA111200.txt");
    // Temporary files of running processes, this one among them: never touched.
#ifdef _WIN32
    const unsigned long running = ownProcess();
#else
    const unsigned long running = 1;  // init
#endif
    writeText(tmp.file(temporaryOf(running, 998)), "a running process's");
    writeText(tmp.file(temporaryOf(ownProcess(), 999)), "this process's");
    std::vector<std::string> live = {temporaryOf(ownProcess(), 999), temporaryOf(running, 998)};
    std::sort(live.begin(), live.end());
    // The names in the folder besides those, with the process number of
    // each temporary file in place of its count.
    auto othersIn = [&] {
        std::vector<std::string> others;
        for (const std::string& name : namesIn(tmp.path))
            if (!std::binary_search(live.begin(), live.end(), name))
                others.push_back(name.starts_with("~kevor") ? name.substr(0, name.find('-')) : name);
        return others;
    };
    using Names = std::vector<std::string>;

#ifdef _WIN32
    // Windows writes under the temporary name; a run that ended there left it.
    std::cout << "[ path     ] Windows: the named temporary file\n";
    const unsigned long dead = endedProcess();
    writeText(tmp.file(temporaryOf(dead, 0)), "left by a run that ended");
#else
    // kill -9 while the file is written: on a file system that takes
    // unnamed files nothing at all is left.
    fs::create_directories(tmp.path / "probe");
    const bool unnamed = OutputFile(tmp.file("probe/x.txt")).writtenUnnamed();
    fs::remove_all(tmp.path / "probe");
    std::cout << "[ path     ] "
              << (unnamed ? "O_TMPFILE: this file system takes unnamed files\n"
                          : "O_TMPFILE refused by this file system: the named temporary file\n");
    const unsigned long first = killedWriter(target, false);
    EXPECT_EQ(othersIn(), unnamed ? Names{} : Names{"~kevor" + std::to_string(first)});
    // Where the file system refuses them, the named temporary stays; the
    // run removed the one of the run before.
    std::cout << "[ path     ] O_TMPFILE refused (injected): the named temporary file\n";
    const unsigned long dead = killedWriter(target, true);
#endif
    EXPECT_EQ(othersIn(), Names{"~kevor" + std::to_string(dead)});

    // The next run writing into the folder removes what the dead run left,
    // and only that.
    {
        OutputFile out(target);
        out.writeLine("table");
        out.commit();
    }
    EXPECT_EQ(othersIn(), Names{"KVA111200.txt"});
    EXPECT_EQ(namesIn(tmp.path).size(), 3u);
    EXPECT_EQ(readText(target), "table\r\n");
}
