// The Windows calls behind the platform layer: the system's directory search
// and wildcards, attributes, ANSI names, local modification dates, folder
// creation, the replacing rename of output files and the console test.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "platform/console.hpp"
#include "platform/files.hpp"
#include "platform/run_error.hpp"

using namespace platform;

namespace {

// A fresh folder below the system's temporary folder, removed afterwards.
struct TempFolder {
    std::string path;
    TempFolder() {
        char base[MAX_PATH + 1];
        DWORD n = GetTempPathA(sizeof base, base);
        EXPECT_GT(n, 0u);
        path = joinPath(std::string(base, n),
                        std::string("kevor-win-") +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        removeTree(path);
        EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    }
    ~TempFolder() { removeTree(path); }
    std::string file(const std::string& name) const { return joinPath(path, name); }

    static void removeTree(const std::string& folder) {
        for (const DirEntry& e : findEntries(folder, "*")) {
            std::string p = joinPath(folder, e.name);
            if (e.isFolder) {
                removeTree(p);
            } else {
                SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(p.c_str());
            }
        }
        RemoveDirectoryA(folder.c_str());
    }
};

void writeFile(const std::string& path, const std::string& text) {
    OutputFile out(path);
    out.write(text);
    out.commit();
}

std::vector<std::string> namesOf(const std::vector<DirEntry>& entries) {
    std::vector<std::string> names;
    for (const DirEntry& e : entries) names.push_back(e.name);
    return names;
}

FILETIME fileTimeOfUtc(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    FILETIME ft;
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return ft;
}

void setModificationTime(const std::string& path, const FILETIME& when) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &when));
    CloseHandle(h);
}

}  // namespace

TEST(WindowsPaths, BackslashIsTheSeparatorAndSlashIsAccepted) {
    EXPECT_EQ(pathSeparator, '\\');
    EXPECT_EQ(joinPath("C:\\DATA", "KVA110211.TXT"), "C:\\DATA\\KVA110211.TXT");
    EXPECT_EQ(joinPath("C:\\DATA\\", "KVA110211.TXT"), "C:\\DATA\\KVA110211.TXT");
    EXPECT_EQ(fileNamePart("C:\\DATA/2011\\_KVA110211.001"), "_KVA110211.001");
    EXPECT_EQ(folderPart("C:\\DATA/2011\\_KVA110211.001"), "C:\\DATA/2011");
    EXPECT_EQ(folderPart("C:/DATA/KVA110211.TXT"), "C:/DATA");
}

TEST(WindowsSearch, TheSystemMatchesTheWildcards) {
    TempFolder tmp;
    for (const char* name : {"_KVA110211.001", "_kva110212.002", "_KVA110213", "KVA110211.txt",
                             "x_KVA110211.001", "~KVA110211.txt", "kva110214.txt"})
        writeFile(tmp.file(name), "x");
    ASSERT_TRUE(CreateDirectoryA(tmp.file("_KVAOLD").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(tmp.file("KVAOLD").c_str(), nullptr));

    std::vector<DirEntry> raw = findEntries(tmp.path, "_KVA*.*");
    // Letter case ignored, names without a dot taken, folders flagged; the
    // basic-data table "~KVA110211.txt" is no raw file, though its short
    // name may begin with "_KVA".
    std::vector<std::string> names = namesOf(raw);
    ASSERT_EQ(names.size(), 4u) << ::testing::PrintToString(names);
    for (const char* want : {"_KVA110211.001", "_kva110212.002", "_KVA110213", "_KVAOLD"})
        EXPECT_NE(std::find(names.begin(), names.end(), want), names.end()) << want;
    for (const DirEntry& e : raw) {
        EXPECT_EQ(e.isFolder, e.name == "_KVAOLD") << e.name;
        EXPECT_FALSE(e.isVolumeLabel) << e.name;
    }

    // The order is fixed (by character code), not the system's own, which
    // here would ignore letter case.
    EXPECT_EQ(namesOf(findEntries(tmp.path, "KVA*.*")),
              (std::vector<std::string>{"KVA110211.txt", "KVAOLD", "kva110214.txt"}));

    // "." and ".." never come back, whatever the pattern.
    for (const std::string& n : namesOf(findEntries(tmp.path, "*.*")))
        EXPECT_TRUE(n != "." && n != "..");
    EXPECT_EQ(findEntries(tmp.path, "*").size(), 9u);
    EXPECT_TRUE(findEntries(tmp.file("missing"), "*.*").empty());
    EXPECT_TRUE(findEntries(tmp.path, "none*.*").empty());
}

TEST(WindowsSearch, AnEmptyFolderMeansTheCurrentDirectory) {
    TempFolder tmp;
    std::string before = currentDirectory();
    ASSERT_TRUE(setCurrentDirectory(tmp.path));
    writeFile("_KVA110211.001", "x");
    std::vector<DirEntry> here = findEntries("", "_KVA*.*");
    ASSERT_TRUE(setCurrentDirectory(before));
    ASSERT_EQ(here.size(), 1u);
    EXPECT_EQ(here[0].name, "_KVA110211.001");
}

TEST(WindowsFiles, EightBitNamesInTheAnsiCodePage) {
    TempFolder tmp;
    // "m<a-umlaut>rz" in the Western code page: the byte 0xE4 stays one byte.
    std::string name = "KVA110211 m\xE4rz.txt";
    writeFile(tmp.file(name), "text");
    EXPECT_TRUE(fileExists(tmp.file(name)));
    std::vector<DirEntry> found = findEntries(tmp.path, "KVA*.*");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, name);
    std::string text;
    EXPECT_TRUE(readWholeFile(tmp.file(name), text));
    EXPECT_EQ(text, "text");
}

TEST(WindowsFiles, ExistenceOfFilesAndFolders) {
    TempFolder tmp;
    writeFile(tmp.file("a.txt"), "x");
    SetFileAttributesA(tmp.file("a.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(fileExists(tmp.file("a.txt")));  // hidden and read-only files count
    EXPECT_FALSE(folderExists(tmp.file("a.txt")));
    EXPECT_TRUE(folderExists(tmp.path));
    EXPECT_TRUE(folderExists(tmp.path + "\\"));
    EXPECT_FALSE(fileExists(tmp.path));
    EXPECT_TRUE(folderExists("C:\\"));
    EXPECT_FALSE(fileExists(""));
    EXPECT_FALSE(folderExists(""));
}

TEST(WindowsFiles, FoldersAreCreatedWithTheirParents) {
    TempFolder tmp;
    std::string deep = tmp.file("OUT\\2011/02");
    EXPECT_TRUE(createFolders(deep));
    EXPECT_TRUE(folderExists(tmp.file("OUT\\2011\\02")));
    EXPECT_TRUE(createFolders(deep + "\\"));  // a final separator is fine
    writeFile(tmp.file("plain"), "x");
    EXPECT_FALSE(createFolders(tmp.file("plain\\sub")));
}

TEST(WindowsFiles, ModificationDateIsLocalWithTheRuleOfItsOwnDate) {
    TempFolder tmp;
    std::string path = tmp.file("KEVORCV.INI");
    writeFile(path, "x");
    // The C runtime's own local time of the same moments, from the system's
    // zone (no TZ variable), as a reference.
    _putenv("TZ=");
    _tzset();
    for (WORD month : {WORD(1), WORD(7)}) {
        FILETIME ft = fileTimeOfUtc(2011, month, 11, 23, 30);
        setModificationTime(path, ft);
        DateTime when = 0;
        ASSERT_TRUE(fileModificationTime(path, when));
        ULARGE_INTEGER u;
        u.LowPart = ft.dwLowDateTime;
        u.HighPart = ft.dwHighDateTime;
        std::time_t t = static_cast<std::time_t>((u.QuadPart - 116444736000000000ULL) / 10000000ULL);
        std::tm local{};
        ASSERT_EQ(localtime_s(&local, &t), 0);
        DateTime expected = encodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
                            encodeTime(local.tm_hour, local.tm_min, local.tm_sec, 0);
        EXPECT_NEAR(when, expected, 0.1 / 86400) << "month " << month;
    }
    DateTime when = 0;
    EXPECT_FALSE(fileModificationTime(tmp.file("missing.ini"), when));
}

TEST(WindowsOutputFiles, ATargetHeldOpenKeepsItsContentAndNoTemporaryIsLeft) {
    TempFolder tmp;
    std::string target = tmp.file("KVA110211.txt");
    writeFile(target, "old table");
    // Another program (a spreadsheet) holds the table open without letting
    // it be replaced.
    HANDLE held = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
        OutputFile out(target);
        out.writeLine("new table");
        EXPECT_THROW(out.commit(), RunError);
    }
    CloseHandle(held);
    std::string text;
    EXPECT_TRUE(readWholeFile(target, text));
    EXPECT_EQ(text, "old table");
    EXPECT_EQ(findEntries(tmp.path, "*").size(), 1u);

    writeFile(target, "new table\r\n");  // once it is free, it is replaced
    EXPECT_TRUE(readWholeFile(target, text));
    EXPECT_EQ(text, "new table\r\n");
}

TEST(WindowsConsole, ARedirectedOutputIsNoRealConsole) {
    // Under the test runner standard output is a pipe or a file.
    Console console = Console::standard();
    EXPECT_FALSE(console.isRealConsole());
    // A console over strings with the flag set calls the system on the
    // process's handle; without a console window the calls fail quietly.
    std::istringstream in;
    std::ostringstream out;
    Console dressed(in, out, true);
    dressed.setTitle(" Postprocessor KEVORPP version 20111220");
    dressed.setTextAttribute(0x1E);
    dressed.setBufferSize(80, 300);
    dressed.setWindowRect(0, 0, 79, 62);
    dressed.setCursorPosition(0, 0);
    EXPECT_EQ(out.str(), "");
    dressed.paintBuffer(80, 3);
    EXPECT_EQ(out.str(), std::string(240, ' '));
}

TEST(WindowsRounding, HalvesAwayFromZeroOnTheExactValueAsOnLinux) {
    // volatile: the compiler must not round the constants itself.
    volatile double belowHalf = 0.49999999999999994;
    volatile double values[] = {belowHalf, -belowHalf, 0.5, -0.5, 1.5, 2.5, -2.5,
                                4503599627370495.5, 4503599627370497.0, -0.3, 1e300};
    double expected[] = {0, -0.0, 1, -1, 2, 3, -3, 4503599627370496.0, 4503599627370497.0, -0.0, 1e300};
    for (size_t i = 0; i < std::size(expected); ++i) {
        double v = values[i];
        EXPECT_EQ(std::round(v), expected[i]) << v;
        EXPECT_EQ(std::signbit(std::round(v)), std::signbit(expected[i])) << v;
        if (std::fabs(v) < 1e18) {
            EXPECT_EQ(std::llround(v), static_cast<long long>(expected[i])) << v;
        }
        if (std::fabs(v) < 2e9) {
            EXPECT_EQ(std::lround(v), static_cast<long>(expected[i])) << v;
        }
    }
    EXPECT_TRUE(std::isnan(std::round(std::nan(""))));
}
