// Text conversion, joining, extension lookup and settings-record defaults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/TempDeviceRoot.h"
#include "common/TextHelpers.h"
#include "svc/include/OrvMobileEngCE.h"

namespace {

struct ExtensionCase {
    const char* path;
    int dotIndex;   // -1: no extension
};

TEST(FindExtensionTest, BothVariantsFindTheDotAfterTheLastSeparator)
{
    const ExtensionCase cases[] = {
        { "\\Storage\\a.b\\file", -1 },
        { "\\Storage\\file.exe", 13 },
        { "file.txt", 4 },
        { "file", -1 },
        { "a/b\\c.d", 5 },        // '/' wins as the separator, the dot is after it
        { "a.x/b\\c", -1 },       // the only dot lies before the last '/'
        { "\\dir\\archive.tar.gz", 16 },
        { "", -1 },
    };
    for (const ExtensionCase& row : cases) {
        SCOPED_TRACE(row.path);
        const char* ansi = FindExtensionA(row.path);
        std::u16string wide = Wide(row.path);
        const WCHAR* found = FindExtensionW(wide.c_str());
        if (row.dotIndex < 0) {
            EXPECT_EQ(nullptr, ansi);
            EXPECT_EQ(nullptr, found);
        } else {
            EXPECT_EQ(row.path + row.dotIndex, ansi);
            EXPECT_EQ(wide.c_str() + row.dotIndex, found);
        }
    }
    EXPECT_EQ(nullptr, FindExtensionA(nullptr));
    EXPECT_EQ(nullptr, FindExtensionW(nullptr));
}

TEST(ConcatDupTest, JoinsCopiesAndRefusesNullFirst)
{
    std::unique_ptr<WCHAR[]> joined(ConcatDup(u"\\Program Files\\", u"OrvMobile.ini"));
    ASSERT_NE(nullptr, joined);
    EXPECT_EQ(std::u16string(u"\\Program Files\\OrvMobile.ini"), joined.get());

    std::unique_ptr<WCHAR[]> copy(ConcatDup(u"alone", nullptr));
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(std::u16string(u"alone"), copy.get());

    EXPECT_EQ(nullptr, ConcatDup(nullptr, u"second"));
}

class ConversionTest : public ::testing::Test {
protected:
    TempDeviceRoot device;   // fixes the system code page at 1252
};

TEST_F(ConversionTest, AnsiAndWideRoundTripInSystemCodePage)
{
    const char ansi[] = "\\Storage\\caf\xE9.doc";
    std::unique_ptr<WCHAR[]> wide(AnsiToWideDup(ansi));
    ASSERT_NE(nullptr, wide);
    EXPECT_EQ(std::u16string(u"\\Storage\\caf\u00E9.doc"), wide.get());

    std::unique_ptr<char[]> back(WideToAnsiDup(wide.get()));
    ASSERT_NE(nullptr, back);
    EXPECT_STREQ(ansi, back.get());

    WCHAR out[MAX_PATH];
    EXPECT_EQ(out, AnsiToWide(out, "abc"));
    EXPECT_EQ(std::u16string(u"abc"), out);
}

TEST_F(ConversionTest, LongInputsAreCutAndTerminatedInsideTheBuffer)
{
    std::string longAnsi(300, 'x');
    std::u16string longWide(300, u'y');

    WCHAR out[MAX_PATH + 8];
    std::fill(std::begin(out), std::end(out), WCHAR(0xCCCC));
    AnsiToWide(out, longAnsi.c_str());
    EXPECT_EQ(std::u16string(MAX_PATH - 1, u'x'), out);
    EXPECT_EQ(WCHAR(0xCCCC), out[MAX_PATH]);

    std::unique_ptr<WCHAR[]> wide(AnsiToWideDup(longAnsi.c_str()));
    EXPECT_EQ(std::u16string(MAX_PATH - 1, u'x'), wide.get());

    std::unique_ptr<char[]> ansi(WideToAnsiDup(longWide.c_str()));
    EXPECT_EQ(std::string(MAX_PATH - 1, 'y'), ansi.get());
}

TEST_F(ConversionTest, ExactFitIsNotCut)
{
    std::string fits(MAX_PATH - 1, 'z');
    WCHAR out[MAX_PATH];
    AnsiToWide(out, fits.c_str());
    EXPECT_EQ(std::u16string(MAX_PATH - 1, u'z'), out);
}

// In a UTF-8 code page a character outside the basic plane is four bytes and two UTF-16 units.
// Where it would end past the 259 characters (or bytes) a buffer keeps, it is left out whole:
// never half a pair, and never the replacement bytes of a lone half.
TEST_F(ConversionTest, CutNeverSplitsASurrogatePair)
{
    setenv("WCE_CODEPAGE", "65001", 1);
    wce::ReloadDeviceProfile();
    // 258 characters and the pair would need 260 units and the terminator.
    std::string ansi(MAX_PATH - 2, 'a');
    ansi += "\xF0\x9F\x98\x80";
    std::unique_ptr<WCHAR[]> wide(AnsiToWideDup(ansi.c_str()));
    ASSERT_NE(nullptr, wide);
    EXPECT_EQ(std::u16string(MAX_PATH - 2, u'a'), wide.get());

    // 256 characters and four bytes would need 260 bytes and the terminator; a lone high half
    // converts to three bytes that would fit, and must not be what is kept.
    std::u16string text(MAX_PATH - 4, u'a');
    text += u"\U0001F600";
    std::unique_ptr<char[]> narrow(WideToAnsiDup(text.c_str()));
    ASSERT_NE(nullptr, narrow);
    EXPECT_EQ(std::string(MAX_PATH - 4, 'a'), narrow.get());
}

// In a double-byte code page the cut falls between characters, never inside one.
TEST_F(ConversionTest, DoubleByteTextIsCutBetweenCharacters)
{
    setenv("WCE_CODEPAGE", "936", 1);
    wce::ReloadDeviceProfile();
    std::u16string wide(200, u'\u4E2D');
    std::unique_ptr<char[]> ansi(WideToAnsiDup(wide.c_str()));
    ASSERT_NE(nullptr, ansi);
    EXPECT_EQ(size_t(MAX_PATH - 2), std::strlen(ansi.get()));   // 129 characters of two bytes

    WCHAR back[MAX_PATH];
    AnsiToWide(back, ansi.get());
    EXPECT_EQ(std::u16string(129, u'\u4E2D'), back);
}

TEST(InitSettingsRecordsTest, DefaultsZerosAndNullRecords)
{
    OptionSettings options;
    UtilSettings util;
    std::memset(&options, 0xCC, sizeof options);
    std::memset(&util, 0xCC, sizeof util);
    InitSettingsRecords(&options, &util, true);
    EXPECT_EQ(16, options.size);
    EXPECT_EQ(0, options.zero);
    EXPECT_EQ(259u, options.flag);
    EXPECT_EQ(0, options.fileType);
    EXPECT_EQ(0, options.virusAction);
    EXPECT_EQ(12u, util.size);
    EXPECT_EQ(8u, util.logMaxKB);
    EXPECT_EQ(2u, util.backupCount);

    InitSettingsRecords(&options, nullptr, false);
    EXPECT_EQ(16, options.size);
    EXPECT_EQ(0u, options.flag);
    EXPECT_EQ(8u, util.logMaxKB);   // skipped: its pointer was null

    InitSettingsRecords(nullptr, &util, false);
    EXPECT_EQ(12u, util.size);
    EXPECT_EQ(0u, util.logMaxKB);
    EXPECT_EQ(0u, util.backupCount);
}

}  // namespace
