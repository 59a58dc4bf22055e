// IniFile: the settings file's bytes after reads and writes, through the functions and the object.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "common/TempDeviceRoot.h"
#include "svc/IniFile.h"

namespace {

constexpr char16_t INI_PATH[] = u"\\OrvMobile.ini";

// UTF-16 little-endian bytes of ASCII text, for comparing with a Unicode file.
std::string Utf16Bytes(const std::string& ascii)
{
    std::string bytes;
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

class IniFileTest : public ::testing::Test {
protected:
    void WriteFile(const std::string& bytes) { device.Write("\\OrvMobile.ini", bytes); }
    std::string FileBytes() const { return device.Read("\\OrvMobile.ini"); }
    int32_t GetInt(const char16_t* section, const char16_t* key, int32_t defaultValue)
    {
        return ReadIniInt(section, key, defaultValue, INI_PATH);
    }
    void SetInt(const char16_t* section, const char16_t* key, int32_t value)
    {
        WriteIniInt(section, key, value, INI_PATH);
    }

    TempDeviceRoot device;
};

TEST_F(IniFileTest, SettingsWrittenIntoMissingFileGiveTheEightLineLayout)
{
    SetInt(u"Option", u"Flag", 259);
    SetInt(u"Option", u"FileType", 0);
    SetInt(u"Option", u"VirOp", 0);
    SetInt(u"Util", u"LogMax", 8);
    SetInt(u"Util", u"Backup", 2);

    EXPECT_EQ("[Option]\r\nVirOp=0\r\nFileType=0\r\nFlag=259\r\n\r\n[Util]\r\nBackup=2\r\nLogMax=8\r\n", FileBytes());
    EXPECT_EQ("OrvMobile.ini", device.List("\\"));   // no temporary file left beside it
}

TEST_F(IniFileTest, KeyIsFoundWithoutRegardToCaseAndRebuiltWithItsComment)
{
    WriteFile("[OPTION]\r\n  Flag = 7 ;note\r\n");
    EXPECT_EQ(7, GetInt(u"Option", u"flag", 0));

    SetInt(u"Option", u"flag", 9);
    EXPECT_EQ("[OPTION]\r\nFlag=9     ; note\r\n", FileBytes());
}

// In code page 1252 a first line starting with "\xFF\xFE" looks like a byte-order mark once the empty
// lines before it are gone; the rewrite is kept as UTF-16 so the settings still read back.
TEST_F(IniFileTest, AnsiTextThatWouldStartWithAByteOrderMarkIsRewrittenAsUtf16)
{
    WriteFile("\r\xff\xfe[\rz");
    SetInt(u"Fuzz", u"Key", 1);

    const std::string mark("\xff\xfe", 2);
    const std::string firstLetters("\xff\0\xfe\0", 4);
    EXPECT_EQ(mark + firstLetters + Utf16Bytes("[\r\nz\r\n\r\n[Fuzz]\r\nKey=1\r\n"), FileBytes());
    EXPECT_EQ(1, GetInt(u"Fuzz", u"Key", 0));
}

TEST_F(IniFileTest, ValuesReadAsTheLeadingDecimalNumber)
{
    WriteFile("[S]\r\na=12abc\r\nb=abc\r\nc=\r\nd=  -3\r\ne=99999999999\r\n");
    EXPECT_EQ(12, GetInt(u"S", u"a", 5));
    EXPECT_EQ(0, GetInt(u"S", u"b", 5));
    EXPECT_EQ(0, GetInt(u"S", u"c", 5));       // there but empty: 0, not the default
    EXPECT_EQ(-3, GetInt(u"S", u"d", 5));
    EXPECT_EQ(INT32_MAX, GetInt(u"S", u"e", 5));
    EXPECT_EQ(5, GetInt(u"S", u"missing", 5));
    EXPECT_EQ(-7, GetInt(u"Missing", u"a", -7));
}

TEST_F(IniFileTest, OnlyFirstSectionAndFirstKeyOfANameCount)
{
    WriteFile("a=0\r\n[ S ]\r\na=1\r\n [S]\r\n[S]\r\na=2\r\na=3\r\n[s]\r\na=4\r\n");
    EXPECT_EQ(2, GetInt(u"S", u"a", -1));      // "[ S ]" is another name, " [S]" no header

    SetInt(u"S", u"a", 5);
    EXPECT_EQ("a=0\r\n\r\n[ S ]\r\na=1\r\n [S]\r\n\r\n[S]\r\na=5\r\na=3\r\n\r\n[s]\r\na=4\r\n", FileBytes());
}

TEST_F(IniFileTest, UnchangedLinesSurviveAndEmptyLinesVanish)
{
    WriteFile("; top\r\n\r\n[A]\r\n/ slash\r\nno equals\r\n\r\n\r\nk = v ; c\r\n[B]\n\rx=1");
    SetInt(u"B", u"y", 2);
    EXPECT_EQ("; top\r\n\r\n[A]\r\n/ slash\r\nno equals\r\nk = v ; c\r\n\r\n[B]\r\ny=2\r\nx=1\r\n", FileBytes());
    EXPECT_EQ(1, GetInt(u"B", u"x", 0));       // a last line without its line end is read
}

TEST_F(IniFileTest, SemicolonBeforeEqualsLeavesALineNoLookupFinds)
{
    WriteFile("[S]\r\nk ;x=1\r\n");
    EXPECT_EQ(4, GetInt(u"S", u"k", 4));
    SetInt(u"S", u"k", 6);
    EXPECT_EQ("[S]\r\nk=6\r\nk ;x=1\r\n", FileBytes());
}

TEST_F(IniFileTest, UnicodeFileStaysUnicodeWithItsMark)
{
    WriteFile("\xFF\xFE" + Utf16Bytes("[Util]\r\nLogMax=8\r\n"));
    EXPECT_EQ(8, GetInt(u"Util", u"LogMax", 0));

    SetInt(u"Util", u"LogMax", 16);
    EXPECT_EQ("\xFF\xFE" + Utf16Bytes("[Util]\r\nLogMax=16\r\n"), FileBytes());
}

TEST_F(IniFileTest, AnsiTextIsConvertedThroughTheCodePageBothWays)
{
    WriteFile("[S]\r\nname=caf\xE9\r\n");
    char16_t out[16];
    EXPECT_EQ(4, ReadIniString(u"S", u"name", nullptr, out, 16, INI_PATH));
    EXPECT_EQ(std::u16string(u"caf\u00e9"), std::u16string(out));

    WriteIniString(u"S", u"other", u"\u00fc", INI_PATH);
    EXPECT_EQ("[S]\r\nother=\xFC\r\nname=caf\xE9\r\n", FileBytes());
}

TEST_F(IniFileTest, ReadStringCutsToTheBufferAndTerminates)
{
    WriteFile("[S]\r\nk=abcdef\r\n");
    char16_t out[8];
    std::fill(std::begin(out), std::end(out), char16_t(0xCCCC));
    EXPECT_EQ(3, ReadIniString(u"S", u"k", u"zz", out, 4, INI_PATH));
    EXPECT_EQ(std::u16string(u"abc"), std::u16string(out));
    EXPECT_EQ(char16_t(0xCCCC), out[4]);

    EXPECT_EQ(6, ReadIniString(u"S", u"k", nullptr, out, 7, INI_PATH));   // exact fit
    EXPECT_EQ(2, ReadIniString(u"S", nullptr, u"zz", out, 7, INI_PATH));  // no key: the default
    EXPECT_EQ(0, ReadIniString(u"S", u"none", nullptr, out, 7, INI_PATH));
    EXPECT_EQ(std::u16string(), std::u16string(out));
}

TEST_F(IniFileTest, ObjectSlotsForwardAndTwoObjectsSeeEachOthersWrites)
{
    IniFile* first = CreateIniFile(INI_PATH);
    IniFile* second = CreateIniFile(INI_PATH);
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    EXPECT_FALSE(device.Exists("\\OrvMobile.ini"));   // creating touches nothing

    EXPECT_EQ(3, first->SetString(u"S", u"k", u"abc"));
    EXPECT_EQ(0, first->SetString(u"S", u"n", nullptr));
    EXPECT_EQ(2, second->SetInt(u"S", u"i", 42));
    char16_t out[512];
    EXPECT_EQ(3, second->GetString(u"S", u"k", out, u"d"));
    EXPECT_EQ(std::u16string(u"abc"), std::u16string(out));
    EXPECT_EQ(42, first->GetInt(u"S", u"i", 0));
    EXPECT_EQ("[S]\r\ni=42\r\nn=\r\nk=abc\r\n", FileBytes());
    first->Free();
    second->Free();
}

TEST_F(IniFileTest, OversizedFileReadsAsEmptyAndIsNeverSavedOver)
{
    std::string big = "[S]\r\nk=1\r\n" + std::string(1024 * 1024, ';');
    WriteFile(big);
    EXPECT_EQ(5, GetInt(u"S", u"k", 5));
    SetInt(u"S", u"k", 2);
    EXPECT_EQ(big, FileBytes());
}

TEST_F(IniFileTest, WriteFailingHalfWayLeavesTheOldFileAsItWas)
{
    const std::string old = "[S]\r\nk=1\r\n";
    WriteFile(old);
    pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        // The host refuses to grow any file beyond 16 bytes, as a full store card would.
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit { 16, 16 };
        setrlimit(RLIMIT_FSIZE, &limit);
        WriteIniString(u"S", u"k", u"a value much longer than the sixteen bytes allowed", INI_PATH);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(old, FileBytes());
    EXPECT_EQ("OrvMobile.ini", device.List("\\"));
}

// The load takes the text up to the first zero; whatever follows it stays in the file through a
// write, byte for byte, in either encoding.
TEST_F(IniFileTest, TextAfterAZeroIsKeptByTheNextWrite)
{
    const std::string hidden("\0hidden\r\nK=9\r\n\0", 15);
    WriteFile("[S]\r\nK=1\r\n" + hidden);
    EXPECT_EQ(1, GetInt(u"S", u"K", -1));
    SetInt(u"S", u"K", 2);
    EXPECT_EQ("[S]\r\nK=2\r\n" + hidden, FileBytes());

    const std::string mark("\xFF\xFE", 2);
    const std::string wideHidden = std::string("\0\0", 2) + Utf16Bytes("x=1") + "z";
    WriteFile(mark + Utf16Bytes("[S]\r\nK=1\r\n") + wideHidden);
    SetInt(u"S", u"K", 3);
    EXPECT_EQ(mark + Utf16Bytes("[S]\r\nK=3\r\n") + wideHidden, FileBytes());
}

TEST_F(IniFileTest, FileInMissingFolderReadsDefaultsAndLosesWritesQuietly)
{
    const char16_t* path = u"\\NoSuchFolder\\OrvMobile.ini";
    EXPECT_EQ(2, WriteIniInt(u"S", u"k", 10, path));
    EXPECT_EQ(3, ReadIniInt(u"S", u"k", 3, path));
    EXPECT_FALSE(device.Exists("\\NoSuchFolder"));
}

}  // namespace
