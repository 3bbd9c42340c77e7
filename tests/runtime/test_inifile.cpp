#include "runtime/inifile.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string readString(const char* section, const char* key, const char* def,
                       const std::string& file, int size = 500) {
    std::vector<char> out(static_cast<std::size_t>(size), '#');
    int n = GetPrivateProfileString(section, key, def, out.data(), size, file.c_str());
    EXPECT_EQ(n, static_cast<int>(std::string(out.data()).size()));
    return out.data();
}

// ---------------------------------------------------------------------------------------------
// Writes: the file before, one write, the file after.
struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

std::ostream& operator<<(std::ostream& out, const WriteCase& c) {
    return out << c.name;
}

class IniWrites : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWrites, ChangesOnlyWhatItMust) {
    const WriteCase& c = GetParam();
    TempFolder folder;
    std::string file = folder.file("CRV_Config.ini");
    TempFolder::write(file, c.before);
    ASSERT_EQ(WritePrivateProfileString(c.section, c.key, c.value, file.c_str()), 1);
    EXPECT_EQ(TempFolder::read(file), c.after);
    // What was written reads back.
    EXPECT_EQ(readString(c.section, c.key, "<missing>", file), c.value);
}

const std::string kConfig = "; Corvane Control\n"
                            "[Section]\n"
                            "Key=Arvel7.uir\n"
                            "Power=3\n"
                            "\n"
                            "[SAVE]\n"
                            "O_D_IN0_6=120\n";

INSTANTIATE_TEST_SUITE_P(
    InPlace, IniWrites,
    ::testing::Values(
        WriteCase{
            "ReplacesInPlace", kConfig, "Section", "Power", "7",
            "; Corvane Control\n[Section]\nKey=Arvel7.uir\nPower=7\n\n[SAVE]\nO_D_IN0_6=120\n"},
        WriteCase{"MatchesWithoutRegardToCaseAndKeepsTheSpelling", "[section]\npower=3\n",
                  "SECTION", "POWER", "12", "[section]\npower=12\n"},
        WriteCase{"KeepsSpacingAroundTheEquals", "[Section]\n  Key =  old value  \n", "Section",
                  "Key", "new", "[Section]\n  Key =  new\n"},
        WriteCase{"FillsAnEmptyValue", "[A]\nk=   \n", "A", "k", "v", "[A]\nk=v\n"},
        WriteCase{"KeyLineWithoutEquals", "[A]\nflag\n", "A", "flag", "1", "[A]\nflag=1\n"},
        WriteCase{"FirstOfDuplicateKeys", "[A]\nk=1\nk=2\n", "A", "k", "9", "[A]\nk=9\nk=2\n"},
        WriteCase{"ValueWithEquals", "[A]\nurl=a=b\n", "A", "url", "c=d", "[A]\nurl=c=d\n"},
        WriteCase{"SectionHeaderWithBlanks", "[ SAVE ]\nk=1\n", "SAVE", "k", "2",
                  "[ SAVE ]\nk=2\n"},
        WriteCase{"KeepsCrLf", "[Section]\r\nKey=a\r\nPower=3\r\n", "Section", "Power", "5",
                  "[Section]\r\nKey=a\r\nPower=5\r\n"},
        WriteCase{"KeepsByteOrderMark", "\xEF\xBB\xBF[A]\nk=1\n", "A", "k", "2",
                  "\xEF\xBB\xBF[A]\nk=2\n"},
        WriteCase{"SameValueLeavesTheFile", "[A]\n k = 1 \n", "A", "k", "1", "[A]\n k = 1 \n"}));

INSTANTIATE_TEST_SUITE_P(
    NewKeys, IniWrites,
    ::testing::Values(
        WriteCase{"AfterTheLastKeyBeforeBlankLines", kConfig, "Section", "Menu", "DEFAULTMENU.UIR",
                  "; Corvane Control\n[Section]\nKey=Arvel7.uir\nPower=3\nMenu=DEFAULTMENU.UIR\n\n"
                  "[SAVE]\nO_D_IN0_6=120\n"},
        WriteCase{"BeforeTrailingComments", "[A]\nx=1\n; about B\n\n[B]\ny=2\n", "A", "z", "3",
                  "[A]\nx=1\nz=3\n; about B\n\n[B]\ny=2\n"},
        WriteCase{"SectionWithoutKeys", "[A]\n\n[B]\n", "A", "k", "v", "[A]\nk=v\n\n[B]\n"},
        WriteCase{"CommentIsNotAKey", "[A]\n;k=1\n", "A", "k", "2", "[A]\nk=2\n;k=1\n"},
        WriteCase{"KeyWithTheSamePrefix", "[A]\nKey2=1\n", "A", "Key", "x", "[A]\nKey2=1\nKey=x\n"},
        WriteCase{"LastLineWithoutLineEnd", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2\n"},
        WriteCase{"FirstOfDuplicateSections", "[A]\nx=1\n[A]\ny=2\n", "A", "z", "3",
                  "[A]\nx=1\nz=3\n[A]\ny=2\n"},
        WriteCase{"KeysBeforeAnySectionDoNotCount", "k=1\n[A]\n", "A", "k", "2", "k=1\n[A]\nk=2\n"},
        WriteCase{"CrLfFileGetsCrLfLines", "[Section]\r\nKey=a\r\n\r\n[SAVE]\r\nX=1\r\n", "Section",
                  "New", "1", "[Section]\r\nKey=a\r\nNew=1\r\n\r\n[SAVE]\r\nX=1\r\n"},
        WriteCase{"MixedLineEndsFollowTheFirstLine", "[A]\r\nx=1\n", "A", "y", "2",
                  "[A]\r\nx=1\ny=2\r\n"}));

INSTANTIATE_TEST_SUITE_P(NewSections, IniWrites,
                         ::testing::Values(WriteCase{"AppendedAtTheEnd", "[A]\nx=1\n", "B", "y",
                                                     "2", "[A]\nx=1\n[B]\ny=2\n"},
                                           WriteCase{"AfterALastLineWithoutLineEnd", "[A]\nx=1",
                                                     "B", "y", "2", "[A]\nx=1\n[B]\ny=2\n"},
                                           WriteCase{"AfterTrailingBlankLinesAndComments",
                                                     "[A]\nx=1\n\n; end\n", "B", "y", "2",
                                                     "[A]\nx=1\n\n; end\n[B]\ny=2\n"},
                                           WriteCase{"InACrLfFile", "[A]\r\nx=1\r\n", "SAVE", "k",
                                                     "v", "[A]\r\nx=1\r\n[SAVE]\r\nk=v\r\n"},
                                           WriteCase{"InAnEmptyFile", "", "Section", "Power", "-1",
                                                     "[Section]\nPower=-1\n"}));

// ---------------------------------------------------------------------------------------------
// Reads.
struct ReadCase {
    const char* name;
    const char* section;
    const char* key;
    const char* expected; // with the default "<default>"
};

std::ostream& operator<<(std::ostream& out, const ReadCase& c) {
    return out << c.name;
}

const std::string kReadFile = "Global=outside\n"
                              "[Section]\n"
                              "Key = Arvel7.uir  \n"
                              "\tMenu\t=\tDEFAULTMENU.UIR\n"
                              "Empty=\n"
                              ";Commented=yes\n"
                              "Url=http://x/?a=b\n"
                              "Dup=first\n"
                              "Dup=second\n"
                              "[SAVE]\r\n"
                              "O_D_IN0_6=120\r\n";

class IniReads : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReads, ValueOrDefault) {
    const ReadCase& c = GetParam();
    TempFolder folder;
    std::string file = folder.file("read.ini");
    TempFolder::write(file, kReadFile);
    EXPECT_EQ(readString(c.section, c.key, "<default>", file), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lookup, IniReads,
    ::testing::Values(ReadCase{"Trimmed", "Section", "Key", "Arvel7.uir"},
                      ReadCase{"TabsTrimmed", "Section", "Menu", "DEFAULTMENU.UIR"},
                      ReadCase{"CaseInsensitive", "section", "KEY", "Arvel7.uir"},
                      ReadCase{"ArgumentsTrimmed", " Section ", " Key ", "Arvel7.uir"},
                      ReadCase{"EmptyValue", "Section", "Empty", ""},
                      ReadCase{"EqualsInValue", "Section", "Url", "http://x/?a=b"},
                      ReadCase{"FirstDuplicate", "Section", "Dup", "first"},
                      ReadCase{"CommentIsNoKey", "Section", "Commented", "<default>"},
                      ReadCase{";CommentedAsKey", "Section", ";Commented", "<default>"},
                      ReadCase{"OutsideAnySection", "Section", "Global", "<default>"},
                      ReadCase{"MissingKey", "Section", "Power", "<default>"},
                      ReadCase{"MissingSection", "Nothing", "Key", "<default>"},
                      ReadCase{"KeyOfAnotherSection", "SAVE", "Key", "<default>"},
                      ReadCase{"CrLfSection", "SAVE", "O_D_IN0_6", "120"}));

TEST(IniFile, MissingFileGivesDefaults) {
    TempFolder folder;
    std::string file = folder.file("none.ini");
    EXPECT_EQ(readString("Section", "FirstTime", "GetProduct.uir", file), "GetProduct.uir");
    EXPECT_EQ(readString("Section", "Key", "", file), "");
    EXPECT_EQ(readString("Section", "Key", nullptr, file), "");
    EXPECT_EQ(GetPrivateProfileInt("Section", "ExposeTime", 5, file.c_str()), 5);
    char out[8] = "xxxxxxx";
    EXPECT_EQ(GetPrivateProfileSection("SAVE", out, sizeof out, file.c_str()), 0);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(out[1], '\0');
    EXPECT_FALSE(fs::exists(file)); // reads create nothing
}

TEST(IniFile, StringBufferSizeIsRespectedAndTerminated) {
    TempFolder folder;
    std::string file = folder.file("a.ini");
    TempFolder::write(file, "[A]\nk=abcdef\n");
    char out[8];
    std::fill(std::begin(out), std::end(out), '#');
    EXPECT_EQ(GetPrivateProfileString("A", "k", "", out, 4, file.c_str()), 3);
    EXPECT_STREQ(out, "abc");
    EXPECT_EQ(out[4], '#'); // nothing beyond the size
    EXPECT_EQ(GetPrivateProfileString("A", "k", "", out, 1, file.c_str()), 0);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(GetPrivateProfileString("A", "missing", "defaultvalue", out, 5, file.c_str()), 4);
    EXPECT_STREQ(out, "defa");
    EXPECT_EQ(GetPrivateProfileString("A", "k", "", out, 7, file.c_str()), 6);
    EXPECT_STREQ(out, "abcdef");
}

TEST(IniFile, IntegersAsStrtol) {
    TempFolder folder;
    std::string file = folder.file("int.ini");
    TempFolder::write(file, "[Section]\nPower=-1\nExposeTime = 12 \nMixed=3a\nWord=abc\nEmpty=\n"
                            "Huge=99999999999\nTiny=-99999999999\n");
    const char* f = file.c_str();
    EXPECT_EQ(GetPrivateProfileInt("Section", "Power", 7, f), -1);
    EXPECT_EQ(GetPrivateProfileInt("Section", "ExposeTime", 5, f), 12);
    EXPECT_EQ(GetPrivateProfileInt("Section", "Mixed", 5, f), 3);
    EXPECT_EQ(GetPrivateProfileInt("Section", "Word", 5, f), 0);
    EXPECT_EQ(GetPrivateProfileInt("Section", "Empty", 5, f), 5);
    EXPECT_EQ(GetPrivateProfileInt("Section", "Missing", 5, f), 5);
    EXPECT_EQ(GetPrivateProfileInt("Section", "Huge", 5, f), INT_MAX);
    EXPECT_EQ(GetPrivateProfileInt("Section", "Tiny", 5, f), INT_MIN);
}

TEST(IniFile, SectionListFormat) {
    TempFolder folder;
    std::string file = folder.file("save.ini");
    TempFolder::write(file,
                      "[Section]\nKey=x\n[save]\n O_D_IN0_6 = 120 \n; comment\n\nJ_S_ONE=;4;A;\n"
                      "flag\n[Other]\nz=1\n");
    const std::string all("O_D_IN0_6=120\0J_S_ONE=;4;A;\0flag\0\0", 34);
    char out[64];
    std::fill(std::begin(out), std::end(out), '#');
    EXPECT_EQ(GetPrivateProfileSection("SAVE", out, sizeof out, file.c_str()), 33);
    EXPECT_EQ(std::string(out, 34), all);

    // Exactly room for the first two lines and the closing zero: the third is left out.
    std::fill(std::begin(out), std::end(out), '#');
    EXPECT_EQ(GetPrivateProfileSection("SAVE", out, 29, file.c_str()), 28);
    EXPECT_EQ(std::string(out, 29), std::string("O_D_IN0_6=120\0J_S_ONE=;4;A;\0\0", 29));
    EXPECT_EQ(out[29], '#');
    // One byte less: the second line no longer fits, and nothing after it is taken.
    std::fill(std::begin(out), std::end(out), '#');
    EXPECT_EQ(GetPrivateProfileSection("SAVE", out, 28, file.c_str()), 14);
    EXPECT_EQ(std::string(out, 15), std::string("O_D_IN0_6=120\0\0", 15));
    // Room for nothing.
    std::fill(std::begin(out), std::end(out), '#');
    EXPECT_EQ(GetPrivateProfileSection("SAVE", out, 1, file.c_str()), 0);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(out[1], '#');
    // A section without lines.
    TempFolder::write(file, "[SAVE]\n\n; only a comment\n[B]\nx=1\n");
    EXPECT_EQ(GetPrivateProfileSection("SAVE", out, sizeof out, file.c_str()), 0);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(out[1], '\0');
}

TEST(IniFile, BadArgumentsGiveZeroWithoutACrash) {
    TempFolder folder;
    std::string file = folder.file("bad.ini");
    TempFolder::write(file, "[A]\nk=v\n");
    const char* f = file.c_str();
    char out[16] = "untouched";
    EXPECT_EQ(GetPrivateProfileString("A", "k", "", nullptr, 16, f), 0);
    EXPECT_EQ(GetPrivateProfileString("A", "k", "", out, 0, f), 0);
    EXPECT_STREQ(out, "untouched");
    EXPECT_EQ(GetPrivateProfileString("A", "k", "", out, -3, f), 0);
    EXPECT_EQ(GetPrivateProfileString(nullptr, "k", "", out, 16, f), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(GetPrivateProfileString("A", nullptr, "d", out, 16, f), 0);
    EXPECT_EQ(GetPrivateProfileString("A", "k", "d", out, 16, nullptr), 0);
    EXPECT_EQ(GetPrivateProfileInt(nullptr, "k", 5, f), 0);
    EXPECT_EQ(GetPrivateProfileInt("A", "k", 5, nullptr), 0);
    EXPECT_EQ(GetPrivateProfileSection("A", nullptr, 16, f), 0);
    EXPECT_EQ(GetPrivateProfileSection("A", out, 0, f), 0);
    EXPECT_EQ(GetPrivateProfileSection(nullptr, out, 16, f), 0);
    EXPECT_EQ(GetPrivateProfileSection("A", out, 16, nullptr), 0);
    EXPECT_EQ(WritePrivateProfileString(nullptr, "k", "v", f), 0);
    EXPECT_EQ(WritePrivateProfileString("A", nullptr, "v", f), 0);
    EXPECT_EQ(WritePrivateProfileString("A", "k", nullptr, f), 0);
    EXPECT_EQ(WritePrivateProfileString("A", "k", "v", nullptr), 0);
    EXPECT_EQ(TempFolder::read(file), "[A]\nk=v\n");
}

TEST(IniFile, RefusesWhatWouldBreakTheFile) {
    TempFolder folder;
    std::string file = folder.file("safe.ini");
    const std::string before = "[A]\nk=v\n";
    TempFolder::write(file, before);
    const char* f = file.c_str();
    EXPECT_EQ(WritePrivateProfileString("A", "k", "two\nlines", f), 0);
    EXPECT_EQ(WritePrivateProfileString("A", "k", "cr\rhere", f), 0);
    EXPECT_EQ(WritePrivateProfileString("A", "new\n[B]", "v", f), 0);
    EXPECT_EQ(WritePrivateProfileString("A\n", "k", "v", f), 0);
    EXPECT_EQ(WritePrivateProfileString("A]x", "k", "v", f), 0);
    EXPECT_EQ(WritePrivateProfileString("A", "a=b", "v", f), 0);
    EXPECT_EQ(WritePrivateProfileString("A", "[B]", "v", f), 0);
    EXPECT_EQ(WritePrivateProfileString("A", ";k", "v", f), 0);
    EXPECT_EQ(WritePrivateProfileString("A", "  ", "v", f), 0);
    EXPECT_EQ(WritePrivateProfileString("", "k", "v", f), 0);
    EXPECT_EQ(TempFolder::read(file), before);
}

TEST(IniFile, CreatesTheFileAndLeavesNoTemporaryFile) {
    TempFolder folder;
    std::string file = folder.file("CRV_Config.ini");
    ASSERT_EQ(WritePrivateProfileString("Section", "Key", "DINAMIC_LEDS.uir", file.c_str()), 1);
    ASSERT_EQ(WritePrivateProfileString("Section", "Power", "7", file.c_str()), 1);
    ASSERT_EQ(WritePrivateProfileString("SAVE", "O_D_IN0_6", "120", file.c_str()), 1);
    EXPECT_EQ(TempFolder::read(file),
              "[Section]\nKey=DINAMIC_LEDS.uir\nPower=7\n[SAVE]\nO_D_IN0_6=120\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"CRV_Config.ini"});
}

TEST(IniFile, KeepsPermissionsAndFollowsSymbolicLinks) {
    TempFolder folder;
    std::string target = folder.file("real.ini");
    std::string link = folder.file("link.ini");
    TempFolder::write(target, "[A]\nk=1\n");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    fs::create_symlink(target, link);
    ASSERT_EQ(WritePrivateProfileString("A", "k", "2", link.c_str()), 1);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(TempFolder::read(target), "[A]\nk=2\n");
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(IniFile, FailedWritesReportZeroAndKeepTheOldFile) {
    TempFolder folder;
    EXPECT_EQ(WritePrivateProfileString("A", "k", "v", folder.file("no/such/folder.ini").c_str()),
              0);
    EXPECT_EQ(WritePrivateProfileString("A", "k", "v", folder.path().c_str()), 0); // a folder
    EXPECT_TRUE(fs::is_directory(folder.path()));
    // Not a regular file: neither read (it could block or never end) nor replaced.
    std::string pipe = folder.file("pipe.ini");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(readString("A", "k", "d", pipe), "d");
    EXPECT_EQ(WritePrivateProfileString("A", "k", "v", pipe.c_str()), 0);
    EXPECT_TRUE(fs::is_fifo(pipe));

    // A file that exists but cannot be read is not replaced by one that lacks its lines.
    if (geteuid() != 0) {
        std::string locked = folder.file("locked.ini");
        TempFolder::write(locked, "[A]\nold=1\n");
        ASSERT_EQ(chmod(locked.c_str(), 0200), 0);
        EXPECT_EQ(WritePrivateProfileString("A", "k", "v", locked.c_str()), 0);
        ASSERT_EQ(chmod(locked.c_str(), 0600), 0);
        EXPECT_EQ(TempFolder::read(locked), "[A]\nold=1\n");
    }
}

TEST(IniFile, ReadersNeverSeeAHalfWrittenFile) {
    TempFolder folder;
    std::string file = folder.file("busy.ini");
    const std::string a(4000, 'a'), b(4000, 'b');
    ASSERT_EQ(WritePrivateProfileString("A", "k", a.c_str(), file.c_str()), 1);
    std::atomic<bool> writing{true};
    std::atomic<int> bad{0}, reads{0};
    std::thread reader([&] {
        std::vector<char> out(5000);
        while (writing.load() || reads.load() == 0) {
            GetPrivateProfileString("A", "k", "<missing>", out.data(), 5000, file.c_str());
            std::string value = out.data();
            if (value != a && value != b) ++bad;
            ++reads;
        }
    });
    for (int i = 0; i < 40; ++i)
        WritePrivateProfileString("A", "k", (i % 2 == 0 ? b : a).c_str(), file.c_str());
    writing = false;
    reader.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_GT(reads.load(), 0);
}

TEST(IniFile, WritesFromSeveralThreadsAreAllKept) {
    TempFolder folder;
    std::string file = folder.file("threads.ini");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&file, t] {
            for (int i = 0; i < 8; ++i) {
                std::string key = "K" + std::to_string(t) + "_" + std::to_string(i);
                WritePrivateProfileString("SAVE", key.c_str(), std::to_string(t * 100 + i).c_str(),
                                          file.c_str());
            }
        });
    }
    for (auto& t : threads)
        t.join();
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 8; ++i) {
            std::string key = "K" + std::to_string(t) + "_" + std::to_string(i);
            EXPECT_EQ(GetPrivateProfileInt("SAVE", key.c_str(), -1, file.c_str()), t * 100 + i)
                << key;
        }
    }
}

} // namespace
