#include "store/ini_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <string>

#include "support/test_dirs.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

void putFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string getFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class IniFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path ini = dir.file("t.ini");
};

TEST_F(IniFileTest, IntegerReadsTheLeadingDecimalNumberOrTheDefault) {
    struct Case {
        const char* value;
        int expected;
    };
    const Case cases[] = {
        {"12abc", 12},
        {"-2", -2},
        {"+7", 7},
        {"  42  ", 42},
        {"0x10", 0},
        {"007", 7},
        {"", 77},
        {"abc", 77},
        {"+-5", 77},
        {"- 5", 77},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", 77},
        {"-2147483649", 77},
        {"99999999999999999999999", 77},
    };
    for (const Case& c : cases) {
        putFile(ini, "[S]\nk="s + c.value + "\n");
        EXPECT_EQ(readProfileInt(ini, "S", "k", 77), c.expected) << "value '" << c.value << "'";
    }
}

TEST_F(IniFileTest, AbsentFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(readProfileInt(ini, "S", "k", 5), 5);
    EXPECT_EQ(readProfileString(ini, "S", "k", "dflt"), "dflt");
    EXPECT_FALSE(fs::exists(ini)) << "reading must not create the file";

    putFile(ini, "[S]\nother=1\n[T]\nk=2\n");
    EXPECT_EQ(readProfileInt(ini, "S", "k", 5), 5);
    EXPECT_EQ(readProfileInt(ini, "U", "k", 5), 5);

    // A directory where the file should be reads like a missing file.
    EXPECT_EQ(readProfileString(dir.path(), "S", "k", "dflt"), "dflt");
}

TEST_F(IniFileTest, TextIsTrimmedUnquotedAndCut) {
    struct Case {
        std::string value;
        std::string expected;
    };
    const Case cases[] = {
        {"  a b \t", "a b"},
        {"\"  padded  \"", "  padded  "},
        {"\"\"inner\"\"", "\"inner\""},
        {"\"", "\""},
        {"\"open", "\"open"},
        {"a=b", "a=b"},
        {"", ""},
        {std::string(300, 'x'), std::string(259, 'x')},
        {"1\0zz"s, "1"},
    };
    for (const Case& c : cases) {
        putFile(ini, "[S]\nk=" + c.value + "\n");
        EXPECT_EQ(readProfileString(ini, "S", "k", "d"), c.expected) << "value '" << c.value << "'";
    }
    EXPECT_EQ(readProfileString(ini, "S", "absent", std::string(400, 'd')), std::string(259, 'd'));
}

TEST_F(IniFileTest, NamesIgnoreCaseAndSurroundingBlanks) {
    putFile(ini, "  [  comInfo  ]  \n  com NUM   =   5  \n");
    EXPECT_EQ(readProfileInt(ini, "COMInfo", "COM num", 1), 5);
    EXPECT_EQ(readProfileInt(ini, " cominfo ", " com num ", 1), 5);
    EXPECT_EQ(readProfileInt(ini, "COMInfo", "COMnum", 1), 1) << "inner blanks are significant";
}

TEST_F(IniFileTest, FirstMatchingSectionAndKeyWin) {
    putFile(ini, "[A]\nk=1\nK=2\n[a]\nk=3\nj=4\n");
    EXPECT_EQ(readProfileInt(ini, "A", "k", 0), 1);
    EXPECT_EQ(readProfileInt(ini, "A", "j", 0), 0);
}

TEST_F(IniFileTest, HostileFilesNeverCrashAndStillFindWellFormedEntries) {
    const std::string longLine(1 << 20, 'q');
    const std::string files[] = {
        "k=9\n[A]\nk=1\n",                            // entry before any section
        "[A]\n[Broken\nk=1\n",                        // header without ']' is just a line
        "[A]\nno equals here\n=orphan\nk=1",          // odd lines, no final newline
        "[A]\r\nk=1\r\n",                             // CR LF
        "\xEF\xBB\xBF[A]\nk=1\n",                     // byte-order mark
        "\x01\xff\0garbage\0\n[A]\n\0\0=\0\nk=1\n"s,  // NUL and binary bytes
        longLine + "\n[A]\n" + longLine + "=x\nk=1\n",
        "; comment\n[A]\n;k=2\nk=1\n",
    };
    for (const std::string& f : files) {
        putFile(ini, f);
        EXPECT_EQ(readProfileInt(ini, "A", "k", 0), 1) << f.substr(0, 40);
        EXPECT_EQ(readProfileString(ini, "A", "k", ""), "1") << f.substr(0, 40);
    }
}

TEST_F(IniFileTest, WritingCreatesDirectoryFileSectionsAndKeys) {
    const fs::path nested = dir.path() / "a" / "b" / "t.ini";
    ASSERT_TRUE(writeProfileString(nested, "A", "k", "v"));
    ASSERT_TRUE(writeProfileString(nested, "B", "x", "1"));
    ASSERT_TRUE(writeProfileString(nested, "A", "m", ""));
    EXPECT_EQ(getFile(nested), "[A]\nk=v\nm=\n\n[B]\nx=1\n");
    EXPECT_EQ(readProfileString(nested, "A", "k", ""), "v");
    EXPECT_EQ(readProfileString(nested, "A", "m", "d"), "");
}

TEST_F(IniFileTest, WritingChangesOnlyTheLineConcerned) {
    struct Case {
        const char* what;
        std::string before;
        const char* section;
        const char* key;
        const char* value;
        std::string after;
    };
    const Case cases[] = {
        {"replace in place, keeping spelling and spacing",
         "; top\n[Other]\nk=old\n[ sect ]\n  Key = old  \nz=1\n", "SECT", "key", "new",
         "; top\n[Other]\nk=old\n[ sect ]\n  Key = new\nz=1\n"},
        {"only the first duplicate is replaced", "[A]\nk=1\nk=2\n", "A", "k", "3",
         "[A]\nk=3\nk=2\n"},
        {"new key after the last entry, before blank lines and comments",
         "[A]\nx=1\nodd line\n\n; about B\n[B]\ny=2\n", "a", "k", "v",
         "[A]\nx=1\nodd line\nk=v\n\n; about B\n[B]\ny=2\n"},
        {"new key into an empty section", "[A]\n[B]\n", "A", "k", "v", "[A]\nk=v\n[B]\n"},
        {"new section after an unterminated last line", "orphan=1", "A", "k", "v",
         "orphan=1\n\n[A]\nk=v\n"},
        {"new key after an unterminated last line", "[A]\nx=1", "A", "k", "v", "[A]\nx=1\nk=v\n"},
        {"CR LF files stay CR LF", "[A]\r\nx=1\r\n", "B", "k", "v",
         "[A]\r\nx=1\r\n\r\n[B]\r\nk=v\r\n"},
        {"CR LF replacement keeps the line end", "[A]\r\nk=1\r\n", "A", "k", "22",
         "[A]\r\nk=22\r\n"},
        {"bytes elsewhere are untouched", "\xEF\xBB\xBFk=2\n[A]\n\0x\0\nk=1\n"s, "A", "k", "9",
         "\xEF\xBB\xBFk=2\n[A]\n\0x\0\nk=9\n"s},
    };
    for (const Case& c : cases) {
        putFile(ini, c.before);
        ASSERT_TRUE(writeProfileString(ini, c.section, c.key, c.value)) << c.what;
        EXPECT_EQ(getFile(ini), c.after) << c.what;
    }
}

TEST_F(IniFileTest, RefusesWhatTheFormatCannotHoldAndLeavesTheFileAlone) {
    const std::string original = "[A]\nk=1\n";
    putFile(ini, original);
    EXPECT_FALSE(writeProfileString(ini, "A", "k", "two\nlines"));
    EXPECT_FALSE(writeProfileString(ini, "A", "k", "cr\r"));
    EXPECT_FALSE(writeProfileString(ini, "", "k", "v"));
    EXPECT_FALSE(writeProfileString(ini, "A", " ", "v"));
    EXPECT_FALSE(writeProfileString(ini, "A]", "k", "v"));
    EXPECT_FALSE(writeProfileString(ini, "A", "k=j", "v"));
    EXPECT_EQ(getFile(ini), original);
}

TEST_F(IniFileTest, FailedWritesReturnFalseAndKeepWhatWasThere) {
    // Running as root defeats permission bits, so block the path structurally.
    const fs::path plain = dir.file("plain");
    putFile(plain, "keep");
    EXPECT_FALSE(writeProfileString(plain / "t.ini", "A", "k", "v"));
    EXPECT_FALSE(writeProfileString(plain / "sub" / "t.ini", "A", "k", "v"));
    EXPECT_EQ(getFile(plain), "keep");

    const fs::path asDir = dir.file("t.ini");
    fs::create_directory(asDir);
    putFile(asDir / "inside", "x");
    EXPECT_FALSE(writeProfileString(asDir, "A", "k", "v"));
    EXPECT_EQ(getFile(asDir / "inside"), "x");

    // Neither failures nor successes leave temporary files behind.
    const fs::path good = dir.file("good.ini");
    ASSERT_TRUE(writeProfileString(good, "A", "k", "v"));
    int entries = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 3);  // plain, t.ini, good.ini
}

TEST_F(IniFileTest, WritesThroughASymbolicLink) {
    const fs::path real = dir.file("real.ini");
    putFile(real, "[A]\nk=1\n");
    fs::create_symlink(real, ini);
    ASSERT_TRUE(writeProfileString(ini, "A", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(ini));
    EXPECT_EQ(getFile(real), "[A]\nk=2\n");
}

}  // namespace
}  // namespace kr5061
