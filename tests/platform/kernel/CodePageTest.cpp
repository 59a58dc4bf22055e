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
        DWORD flags = sample.codePage == CP_UTF8 ? 0 : MB_PRECOMPOSED;   // UTF-8 takes no such flag
        int needed = MultiByteToWideChar(sample.codePage, flags, sample.bytes.data(),
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

// Rows are checked in the documented order: buffers and lengths first, then the code page, then
// the flags, then the default-character arguments. A refused call writes nothing.
TEST(CodePageTest, BadArgumentsAreRefusedInTheDocumentedOrder)
{
    WCHAR wide[4];
    char bytes[4];
    BOOL used = FALSE;
    struct Case { const char* name; int (*call)(WCHAR*, char*, BOOL*); DWORD error; };
    const Case cases[] = {
        /* 0 */ { "null input, unknown code page",
          [](WCHAR* w, char*, BOOL*) { return MultiByteToWideChar(12345, 0, nullptr, 1, w, 4); }, ERROR_INVALID_PARAMETER },
        /* 1 */ { "empty input", [](WCHAR* w, char*, BOOL*) { return MultiByteToWideChar(1252, 0, "a", 0, w, 4); },
          ERROR_INVALID_PARAMETER },
        /* 2 */ { "null output", [](WCHAR*, char*, BOOL*) { return MultiByteToWideChar(1252, 0, "a", 1, nullptr, 4); },
          ERROR_INVALID_PARAMETER },
        /* 3 */ { "output is the input", [](WCHAR*, char* b, BOOL*) {
              b[0] = 'a';
              return MultiByteToWideChar(1252, 0, b, 1, reinterpret_cast<WCHAR*>(b), 2);
          }, ERROR_INVALID_PARAMETER },
        /* 4 */ { "length below -1", [](WCHAR* w, char*, BOOL*) { return MultiByteToWideChar(1252, 0, "a", -5, w, 4); },
          ERROR_INVALID_PARAMETER },
        /* 5 */ { "negative output size", [](WCHAR* w, char*, BOOL*) { return MultiByteToWideChar(1252, 0, "a", 1, w, -1); },
          ERROR_INVALID_PARAMETER },
        /* 6 */ { "unknown code page, plain ASCII",
          [](WCHAR* w, char*, BOOL*) { return MultiByteToWideChar(12345, 0, "abc", 3, w, 4); }, ERROR_INVALID_PARAMETER },
        /* 7 */ { "unknown code page before unknown flags",
          [](WCHAR* w, char*, BOOL*) { return MultiByteToWideChar(0xDEADBEEF, 0x1000, "a", 1, w, 4); },
          ERROR_INVALID_PARAMETER },
        /* 8 */ { "unknown flag", [](WCHAR* w, char*, BOOL*) { return MultiByteToWideChar(1252, 0x1000, "a", 1, w, 4); },
          ERROR_INVALID_FLAGS },
        /* 9 */ { "UTF-8 with MB_PRECOMPOSED",
          [](WCHAR* w, char*, BOOL*) { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, w, 4); },
          ERROR_INVALID_FLAGS },
        /* 10 */ { "symbol with MB_PRECOMPOSED",
          [](WCHAR* w, char*, BOOL*) { return MultiByteToWideChar(CP_SYMBOL, MB_PRECOMPOSED, "a", 1, w, 4); },
          ERROR_INVALID_FLAGS },
        /* 11 */ { "to bytes, length below -1",
          [](WCHAR*, char* b, BOOL*) { return WideCharToMultiByte(1252, 0, u"a", -2, b, 4, nullptr, nullptr); },
          ERROR_INVALID_PARAMETER },
        /* 12 */ { "to bytes, unknown code page, plain ASCII",
          [](WCHAR*, char* b, BOOL*) { return WideCharToMultiByte(0xDEADBEEF, 0, u"abc", 3, b, 4, nullptr, nullptr); },
          ERROR_INVALID_PARAMETER },
        /* 13 */ { "UTF-8 with a default character",
          [](WCHAR*, char* b, BOOL*) { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, b, 4, "?", nullptr); },
          ERROR_INVALID_PARAMETER },
        /* 14 */ { "UTF-8 asked whether a default was used",
          [](WCHAR*, char* b, BOOL* u) { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, b, 4, nullptr, u); },
          ERROR_INVALID_PARAMETER },
        /* 15 */ { "symbol with a default character",
          [](WCHAR*, char* b, BOOL*) { return WideCharToMultiByte(CP_SYMBOL, 0, u"a", 1, b, 4, "?", nullptr); },
          ERROR_INVALID_PARAMETER },
        /* 16 */ { "symbol asked whether a default was used",
          [](WCHAR*, char* b, BOOL* u) { return WideCharToMultiByte(CP_SYMBOL, 0, u"a", 1, b, 4, nullptr, u); },
          ERROR_INVALID_PARAMETER },
        /* 17 */ { "WC_ERR_INVALID_CHARS outside UTF-8",
          [](WCHAR*, char* b, BOOL*) { return WideCharToMultiByte(1252, WC_ERR_INVALID_CHARS, u"a", 1, b, 4, nullptr, nullptr); },
          ERROR_INVALID_FLAGS },
        /* 18 */ { "UTF-8 with best-fit flags",
          [](WCHAR*, char* b, BOOL*) { return WideCharToMultiByte(CP_UTF8, WC_NO_BEST_FIT_CHARS, u"a", 1, b, 4, nullptr, nullptr); },
          ERROR_INVALID_FLAGS },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(testing::Message() << "row " << i << ": " << cases[i].name);
        std::fill(std::begin(wide), std::end(wide), WCHAR(0xCCCC));
        std::fill(std::begin(bytes), std::end(bytes), char(0xCC));
        SetLastError(0xDEADBEEF);
        EXPECT_EQ(0, cases[i].call(wide, bytes, &used));
        EXPECT_EQ(cases[i].error, GetLastError());
        EXPECT_EQ(WCHAR(0xCCCC), wide[0]);
        if (i != 3) {
            EXPECT_EQ(char(0xCC), bytes[0]);
        }
    }
}

TEST(CodePageTest, StrictConversionRefusesOnlyTrulyInvalidSequences)
{
    struct Row { UINT codePage; std::string bytes; std::u16string text; } rows[] = {
        /* 0 */ { 1252, "\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D" },
        /* 1 */ { 1252, "a\x80z", u"a\u20ACz" },
        /* 2 */ { 936, "\xD6\xD0", u"\u4E2D" },
        /* 3 */ { 936, "a\xD6", u"" },        // a lead byte with nothing after it
        /* 4 */ { 936, "\xFF\xFF", u"" },
        /* 5 */ { 950, "\xA4\xA4", u"\u4E2D" },
        /* 6 */ { CP_UTF8, "\xC3\xA9", u"\u00E9" },
        /* 7 */ { CP_UTF8, "\xED\xA0\x80", u"" },
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        WCHAR wide[8];
        SetLastError(0xDEADBEEF);
        int length = MultiByteToWideChar(rows[i].codePage, MB_ERR_INVALID_CHARS, rows[i].bytes.data(),
                                         int(rows[i].bytes.size()), wide, 8);
        if (rows[i].text.empty()) {
            EXPECT_EQ(0, length);
            EXPECT_EQ(DWORD(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
        } else {
            EXPECT_EQ(rows[i].text, std::u16string(wide, size_t(std::max(length, 0))));
        }
    }
}

TEST(CodePageTest, DoubleByteDefaultCharacterIsWrittenWhole)
{
    struct Row { UINT codePage; const char* defaultChar; std::string bytes; } rows[] = {
        /* 0 */ { 936, "\xA1\xF5", "a\xA1\xF5z" },
        /* 1 */ { 950, "\xA1\xBC", "a\xA1\xBCz" },
        /* 2 */ { 936, "#x", "a#z" },           // one byte: "#x" is two characters
        /* 3 */ { 1252, "\xE9\xE9", "a\xE9z" },  // a single-byte code page takes the first byte
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const Row& row = rows[i];
        const char16_t text[] = u"a\u0E01z";   // a Thai letter none of these code pages has
        BOOL used = FALSE;
        int needed = WideCharToMultiByte(row.codePage, 0, text, 3, nullptr, 0, row.defaultChar, &used);
        ASSERT_EQ(int(row.bytes.size()), needed);
        EXPECT_TRUE(used);
        char bytes[8];
        std::fill(std::begin(bytes), std::end(bytes), char(0xCC));
        used = FALSE;
        EXPECT_EQ(needed, WideCharToMultiByte(row.codePage, 0, text, 3, bytes, needed, row.defaultChar, &used));
        EXPECT_EQ(row.bytes, std::string(bytes, size_t(needed)));
        EXPECT_EQ(char(0xCC), bytes[needed]);
        EXPECT_TRUE(used);
        SetLastError(0xDEADBEEF);
        EXPECT_EQ(0, WideCharToMultiByte(row.codePage, 0, text, 3, bytes, needed - 1, row.defaultChar, &used));
        EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    }
}

// A best-fit character is not a default character: lpUsedDefaultChar stays FALSE. Callers that must
// know whether the text reads back exactly pass WC_NO_BEST_FIT_CHARS.
TEST(CodePageTest, BestFitUnlessTheCallerAsksForExactCharacters)
{
    struct Row { UINT codePage; std::u16string text; std::string bestFit; } rows[] = {
        /* 0 */ { 1252, u"\u0101\u0141x", "aLx" },
        /* 1 */ { 1252, u"\uFF21\u2212", "A-" },
        /* 2 */ { 936, u"\u00E4\u00C5", "aA" },
        /* 3 */ { 950, u"\u00E4", "a" },
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const Row& row = rows[i];
        char bytes[16] = {};
        BOOL used = TRUE;
        int length = WideCharToMultiByte(row.codePage, 0, row.text.data(), int(row.text.size()), bytes, 16, nullptr, &used);
        EXPECT_EQ(row.bestFit, std::string(bytes, size_t(std::max(length, 0))));
        EXPECT_FALSE(used);
        length = WideCharToMultiByte(row.codePage, WC_NO_BEST_FIT_CHARS, row.text.data(), int(row.text.size()), bytes,
                                     16, nullptr, &used);
        std::string exact = row.bestFit;
        for (size_t c = 0; c < row.text.size(); ++c)
            exact[c] = row.text[c] < 0x80 ? char(row.text[c]) : '?';
        EXPECT_EQ(exact, std::string(bytes, size_t(std::max(length, 0))));
        EXPECT_TRUE(used);
    }
}

// What the engine bridge relies on: with WC_NO_BEST_FIT_CHARS, a FALSE lpUsedDefaultChar means the
// bytes read back as the very text, and TRUE means they do not.
TEST(CodePageTest, UsedDefaultTellsExactlyWhetherTheTextRoundTrips)
{
    const std::u16string texts[] = {
        u"plain", u"caf\u00E9 \u20AC", u"\u0081\u008D", u"\u4E2D\u6587", u"\u0101", u"\uFF21",
        u"\U0001F600", u"x\xD800y", u"\u00E4\u4E2D", u"\u0E01",
    };
    for (UINT codePage : { 1252u, 936u, 950u }) {
        for (size_t i = 0; i < std::size(texts); ++i) {
            SCOPED_TRACE(testing::Message() << codePage << " row " << i);
            const std::u16string& text = texts[i];
            char bytes[64];
            BOOL used = FALSE;
            int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), int(text.size()), bytes,
                                             sizeof bytes, nullptr, &used);
            ASSERT_GT(length, 0);
            WCHAR back[64];
            int backLength = MultiByteToWideChar(codePage, 0, bytes, length, back, 64);
            bool roundTrips = std::u16string(back, size_t(std::max(backLength, 0))) == text;
            EXPECT_EQ(!roundTrips, used != FALSE);
        }
    }
}

TEST(CodePageTest, SymbolCodePageMapsToThePrivateUseRange)
{
    WCHAR wide[8];
    ASSERT_EQ(3, MultiByteToWideChar(CP_SYMBOL, 0, "\x01" "A\xFF", 3, wide, 8));
    EXPECT_EQ(u"\x0001\uF041\uF0FF", std::u16string(wide, 3));
    char bytes[8];
    ASSERT_EQ(3, WideCharToMultiByte(CP_SYMBOL, 0, wide, 3, bytes, 8, nullptr, nullptr));
    EXPECT_EQ(std::string("\x01" "A\xFF"), std::string(bytes, 3));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(0, WideCharToMultiByte(CP_SYMBOL, 0, u"\u4E2D", 1, bytes, 8, nullptr, nullptr));
    EXPECT_EQ(DWORD(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
    EXPECT_TRUE(IsValidCodePage(CP_SYMBOL));
    EXPECT_FALSE(IsValidCodePage(12345));
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
