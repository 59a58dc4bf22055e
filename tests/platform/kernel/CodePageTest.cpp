// MultiByteToWideChar / WideCharToMultiByte in the device code pages: sizes, buffers, replacements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include <windows.h>

#include "wce/DeviceProfile.h"

namespace {

struct Sample {
    UINT codePage;
    std::string bytes;
    std::u16string text;
};

const Sample SAMPLES[] = {
    { 1252, "Caf\xE9 \x80", u"Caf\u00E9 \u20AC" },
    { 936, "a\xD6\xD0\xCE\xC4z", u"a\u4E2D\u6587z" },
    { 950, "a\xA4\xA4\xA4\xE5z", u"a\u4E2D\u6587z" },
    { CP_UTF8, "a\xE4\xB8\xAD\xF0\x9F\x98\x80", u"a\u4E2D\U0001F600" },
};

TEST(CodePageTest, ToWideExactFitAndOneShort)
{
    for (const Sample& sample : SAMPLES) {
        SCOPED_TRACE(sample.codePage);
        int needed = MultiByteToWideChar(sample.codePage, MB_PRECOMPOSED, sample.bytes.data(),
                                         int(sample.bytes.size()), nullptr, 0);
        ASSERT_EQ(int(sample.text.size()), needed);

        WCHAR buffer[16];
        std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
        EXPECT_EQ(needed, MultiByteToWideChar(sample.codePage, 0, sample.bytes.data(),
                                              int(sample.bytes.size()), buffer, needed));
        EXPECT_EQ(sample.text, std::u16string(buffer, size_t(needed)));
        EXPECT_EQ(WCHAR(0xCCCC), buffer[needed]);

        SetLastError(0xDEADBEEF);
        EXPECT_EQ(0, MultiByteToWideChar(sample.codePage, 0, sample.bytes.data(),
                                         int(sample.bytes.size()), buffer, needed - 1));
        EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    }
}

TEST(CodePageTest, ToMultiByteExactFitAndOneShort)
{
    for (const Sample& sample : SAMPLES) {
        SCOPED_TRACE(sample.codePage);
        DWORD flags = sample.codePage == CP_UTF8 ? 0 : WC_COMPOSITECHECK | WC_SEPCHARS;
        int needed = WideCharToMultiByte(sample.codePage, flags, sample.text.data(), int(sample.text.size()),
                                         nullptr, 0, nullptr, nullptr);
        ASSERT_EQ(int(sample.bytes.size()), needed);

        char buffer[16];
        std::fill(std::begin(buffer), std::end(buffer), char(0xCC));
        EXPECT_EQ(needed, WideCharToMultiByte(sample.codePage, flags, sample.text.data(),
                                              int(sample.text.size()), buffer, needed, nullptr, nullptr));
        EXPECT_EQ(sample.bytes, std::string(buffer, size_t(needed)));
        EXPECT_EQ(char(0xCC), buffer[needed]);

        SetLastError(0xDEADBEEF);
        EXPECT_EQ(0, WideCharToMultiByte(sample.codePage, flags, sample.text.data(), int(sample.text.size()),
                                         buffer, needed - 1, nullptr, nullptr));
        EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    }
}

TEST(CodePageTest, ZeroTerminatedInputCountsTheTerminator)
{
    WCHAR wide[8];
    EXPECT_EQ(4, MultiByteToWideChar(936, 0, "\xD6\xD0" "ab", -1, wide, 8));
    EXPECT_EQ(u"\u4E2Dab", std::u16string(wide));
    char bytes[8];
    EXPECT_EQ(4, WideCharToMultiByte(950, 0, u"\u4E2Dx", -1, bytes, 8, nullptr, nullptr));
    EXPECT_STREQ("\xA4\xA4x", bytes);
    // The terminator needs its own room.
    EXPECT_EQ(0, WideCharToMultiByte(950, 0, u"\u4E2Dx", -1, bytes, 3, nullptr, nullptr));
}

TEST(CodePageTest, UnmappableCharactersBecomeTheDefaultCharacter)
{
    char bytes[8] = {};
    BOOL usedDefault = FALSE;
    EXPECT_EQ(3, WideCharToMultiByte(1252, 0, u"a\u4E2Db", 3, bytes, 8, nullptr, &usedDefault));
    EXPECT_EQ(std::string("a?b"), std::string(bytes, 3));
    EXPECT_TRUE(usedDefault);

    EXPECT_EQ(2, WideCharToMultiByte(936, 0, u"\U0001F600z", 3, bytes, 8, "*", &usedDefault));
    EXPECT_EQ(std::string("*z"), std::string(bytes, 2));   // one pair, one default character

    EXPECT_EQ(2, WideCharToMultiByte(1252, 0, u"ab", 2, bytes, 8, nullptr, &usedDefault));
    EXPECT_FALSE(usedDefault);
}

TEST(CodePageTest, BrokenInputIsReplacedOrRefused)
{
    WCHAR wide[8];
    // A cut-off lead byte and an invalid UTF-8 sequence print as replacements ...
    EXPECT_EQ(2, MultiByteToWideChar(936, 0, "a\xD6", 2, wide, 8));
    EXPECT_EQ(u"a?", std::u16string(wide, 2));
    EXPECT_EQ(3, MultiByteToWideChar(CP_UTF8, 0, "a\xC3z", 3, wide, 8));
    EXPECT_EQ(u"a\uFFFDz", std::u16string(wide, 3));
    // ... unless the caller asked for strictness.
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC3z", 3, wide, 8));
    EXPECT_EQ(DWORD(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
    // The bytes 1252 leaves undefined pass through as the same code points, both ways.
    EXPECT_EQ(1, MultiByteToWideChar(1252, 0, "\x81", 1, wide, 8));
    EXPECT_EQ(WCHAR(0x81), wide[0]);
    char bytes[4];
    EXPECT_EQ(1, WideCharToMultiByte(1252, 0, u"\u0081", 1, bytes, 4, nullptr, nullptr));
    EXPECT_EQ(char(0x81), bytes[0]);
}

TEST(CodePageTest, Utf8ReplacesEachBrokenSequenceAndLoneSurrogate)
{
    struct Row { std::string bytes; std::u16string text; };
    const Row rows[] = {
        { "\xC0\xAF", u"\uFFFD\uFFFD" },               // overlong '/'
        { "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD" },      // an encoded surrogate
        { "\xE4\xB8", u"\uFFFD" },                     // cut short: one replacement for the prefix
        { "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD" }, // past U+10FFFF
        { "\xF0\x9F\x98\x80!", u"\U0001F600!" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes.size());
        WCHAR wide[8];
        int length = MultiByteToWideChar(CP_UTF8, 0, row.bytes.data(), int(row.bytes.size()), wide, 8);
        EXPECT_EQ(row.text, std::u16string(wide, size_t(length > 0 ? length : 0)));
    }
    char bytes[8];
    EXPECT_EQ(4, WideCharToMultiByte(CP_UTF8, 0, u"a\xD800", 2, bytes, 8, nullptr, nullptr));
    EXPECT_EQ(std::string("a\xEF\xBF\xBD"), std::string(bytes, 4));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, u"a\xDC00", 2, bytes, 8, nullptr, nullptr));
    EXPECT_EQ(DWORD(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
}

TEST(CodePageTest, BadArgumentsAreRefused)
{
    WCHAR wide[4];
    char bytes[4];
    struct Case { const char* name; int (*call)(WCHAR*, char*); DWORD error; };
    const Case cases[] = {
        { "null input", [](WCHAR* w, char*) { return MultiByteToWideChar(1252, 0, nullptr, 1, w, 4); },
          ERROR_INVALID_PARAMETER },
        { "empty input", [](WCHAR* w, char*) { return MultiByteToWideChar(1252, 0, "a", 0, w, 4); },
          ERROR_INVALID_PARAMETER },
        { "null output", [](WCHAR*, char*) { return MultiByteToWideChar(1252, 0, "a", 1, nullptr, 4); },
          ERROR_INVALID_PARAMETER },
        { "unknown flag", [](WCHAR* w, char*) { return MultiByteToWideChar(1252, 0x1000, "a", 1, w, 4); },
          ERROR_INVALID_FLAGS },
        { "unknown code page", [](WCHAR* w, char*) { return MultiByteToWideChar(12345, 0, "\xE9", 1, w, 4); },
          ERROR_INVALID_PARAMETER },
        { "length below -1",
          [](WCHAR*, char* b) { return WideCharToMultiByte(1252, 0, u"a", -2, b, 4, nullptr, nullptr); },
          ERROR_INVALID_PARAMETER },
        { "default character for UTF-8",
          [](WCHAR*, char* b) { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, b, 4, "?", nullptr); },
          ERROR_INVALID_PARAMETER },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0xDEADBEEF);
        EXPECT_EQ(0, c.call(wide, bytes));
        EXPECT_EQ(c.error, GetLastError());
    }
}

TEST(CodePageTest, AnsiCodePageFollowsTheDeviceProfile)
{
    const char* saved = std::getenv("WCE_CODEPAGE");
    std::string savedValue = saved ? saved : "";
    setenv("WCE_CODEPAGE", "936", 1);
    wce::ReloadDeviceProfile();
    EXPECT_EQ(936u, GetACP());
    WCHAR wide[4];
    EXPECT_EQ(1, MultiByteToWideChar(CP_ACP, 0, "\xD6\xD0", 2, wide, 4));
    EXPECT_EQ(WCHAR(0x4E2D), wide[0]);
    if (saved)
        setenv("WCE_CODEPAGE", savedValue.c_str(), 1);
    else
        unsetenv("WCE_CODEPAGE");
    wce::ReloadDeviceProfile();
}

}  // namespace
