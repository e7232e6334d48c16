#include "platform/files.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/run_error.hpp"

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
