// The WCHAR string functions: copying bounds, comparisons, case mapping and number parsing.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include <windows.h>

namespace {

TEST(StringTest, CopiesRespectTheirBounds)
{
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    EXPECT_EQ(buffer, lstrcpynW(buffer, u"abcdef", 4));
    EXPECT_EQ(u"abc", std::u16string(buffer));
    EXPECT_EQ(WCHAR(0xCCCC), buffer[4]);

    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    wcsncpy(buffer, u"ab", 5);                 // pads with terminators up to the count
    EXPECT_EQ(u"ab", std::u16string(buffer));
    EXPECT_EQ(WCHAR(0), buffer[4]);
    EXPECT_EQ(WCHAR(0xCCCC), buffer[5]);

    wcsncpy(buffer, u"abcdef", 3);             // and leaves a longer source unterminated
    EXPECT_EQ(WCHAR(0), buffer[3]);            // the earlier padding is still there
    EXPECT_EQ(u"abc", std::u16string(buffer, 3));

    wcscpy(buffer, u"ab");
    wcsncat(buffer, u"cdef", 2);
    EXPECT_EQ(u"abcd", std::u16string(buffer));
    lstrcatW(buffer, u"e");
    EXPECT_EQ(5, lstrlenW(buffer));
    EXPECT_EQ(0, lstrlenW(nullptr));
    EXPECT_EQ(nullptr, lstrcpyW(buffer, nullptr));
}

TEST(StringTest, ComparisonsOrderAndFoldCase)
{
    EXPECT_LT(wcscmp(u"abc", u"abd"), 0);
    EXPECT_GT(wcscmp(u"\u00E9", u"z"), 0);     // code-unit order, not byte order
    EXPECT_EQ(0, wcsncmp(u"abcX", u"abcY", 3));
    EXPECT_EQ(0, _wcsicmp(u"OrvMobile.INI", u"orvmobile.ini"));
    EXPECT_EQ(0, _wcsicmp(u"\u00C9T\u00C9", u"\u00E9t\u00E9"));
    EXPECT_EQ(0, _wcsnicmp(u"ABCx", u"abcy", 3));
    EXPECT_LT(_wcsicmp(u"_", u"A"), 0);        // the runtime compares lower-case forms
    EXPECT_EQ(-1, lstrcmpW(u"a", u"b"));
    EXPECT_EQ(1, lstrcmpiW(u"B", u"a"));
    EXPECT_EQ(0, lstrcmpiW(u"\u0416", u"\u0436"));
    EXPECT_EQ(-1, lstrcmpW(nullptr, u""));
    EXPECT_EQ(0, lstrcmpW(nullptr, nullptr));
    EXPECT_EQ(0, _stricmp("Verdane.DLL", "verdane.dll"));
    EXPECT_NE(0, _strnicmp("abc", "abd", 3));
}

TEST(StringTest, SearchesFindFirstAndLast)
{
    const WCHAR* path = u"\\Storage\\a.b\\file.exe";
    EXPECT_EQ(path + 17, wcsrchr(path, u'.'));
    EXPECT_EQ(path + 10, wcschr(path, u'.'));
    EXPECT_EQ(path + 21, wcschr(path, u'\0'));
    EXPECT_EQ(nullptr, wcschr(path, u'?'));
    EXPECT_EQ(path + 12, wcsstr(path, u"\\file"));
    EXPECT_EQ(nullptr, wcsstr(path, u"files"));
    EXPECT_EQ(path, wcsstr(path, u""));
}

TEST(StringTest, CaseMappingCoversLatinGreekCyrillic)
{
    struct Pair { WCHAR upper; WCHAR lower; };
    const Pair pairs[] = { { u'A', u'a' }, { 0xC0, 0xE0 }, { 0xDE, 0xFE }, { 0x178, 0xFF }, { 0x100, 0x101 },
                           { 0x139, 0x13A }, { 0x17D, 0x17E }, { 0x391, 0x3B1 }, { 0x410, 0x430 },
                           { 0x401, 0x451 }, { 0xFF21, 0xFF41 } };
    for (const Pair& pair : pairs) {
        SCOPED_TRACE(int(pair.upper));
        EXPECT_EQ(pair.lower, towlower(pair.upper));
        EXPECT_EQ(pair.upper, towupper(pair.lower));
    }
    // Characters without a case pair stay as they are.
    for (WCHAR c : { WCHAR(0xD7), WCHAR(0xF7), WCHAR(0x138), WCHAR(0x4E2D), WCHAR('1') }) {
        EXPECT_EQ(c, towlower(c));
        EXPECT_EQ(c, towupper(c));
    }
    WCHAR text[] = u"Caf\u00E9";
    EXPECT_EQ(text, CharUpperW(text));
    EXPECT_EQ(u"CAF\u00C9", std::u16string(text));
    // A pointer value below 0x10000 is a single character.
    EXPECT_EQ(WCHAR('q'), WCHAR(ULONG_PTR(CharLowerW(reinterpret_cast<LPWSTR>(ULONG_PTR('Q'))))));
    EXPECT_TRUE(iswspace(WCHAR(0x3000)));
    EXPECT_FALSE(iswspace(u'x'));
}

TEST(StringTest, NumbersParseAndClampToThirtyTwoBits)
{
    EXPECT_EQ(42, _wtoi(u"  +42abc"));
    EXPECT_EQ(-17, _wtol(u"-17"));
    EXPECT_EQ(0, _wtoi(u"x1"));
    EXPECT_EQ(INT_MAX, _wtoi(u"99999999999"));
    EXPECT_EQ(INT_MIN, _wtoi(u"-2147483648"));
    EXPECT_EQ(INT_MIN, _wtoi(u"-99999999999"));
    WCHAR* end = nullptr;
    const WCHAR* text = u"0x1fZ";
    EXPECT_EQ(0x1F, wcstol(text, &end, 0));
    EXPECT_EQ(text + 4, end);
    EXPECT_EQ(8ul, wcstoul(u"010", nullptr, 0));
    EXPECT_EQ(0xFFFFFFFFul, wcstoul(u"-1", nullptr, 10));
    text = u"  z";
    wcstol(text, &end, 10);
    EXPECT_EQ(text, end);                       // no digits: the end is the start
}

TEST(StringTest, DuplicateIsAnIndependentCopy)
{
    WCHAR* copy = _wcsdup(u"abc");
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(u"abc", std::u16string(copy));
    std::free(copy);
    EXPECT_EQ(nullptr, _wcsdup(nullptr));
}

}  // namespace
