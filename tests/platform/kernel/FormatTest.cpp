// wsprintfW, _snwprintf and swprintf: the conversions callers rely on and each family's buffer rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

#include <windows.h>

namespace {

template <typename... Args>
std::u16string Format(const WCHAR* format, Args... args)
{
    WCHAR buffer[WSPRINTF_MAX + 8];
    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    int length = wsprintfW(buffer, format, args...);
    EXPECT_EQ(WCHAR(0), buffer[length]);
    return std::u16string(buffer, size_t(length));
}

TEST(FormatTest, TextsTheProgramWrites)
{
    EXPECT_EQ(u"2006.9.5 8:7 x", Format(u"%d.%d.%d %d:%d %s", 2006, 9, 5, 8, 7, u"x"));
    EXPECT_EQ(u"05", Format(u"%02u", 5u));
    EXPECT_EQ(u"[abc]", Format(u"[%s]", u"abc"));
    EXPECT_EQ(u"Key=Value", Format(u"%s=%s", u"Key", u"Value"));
    EXPECT_EQ(u"     ; note", Format(u"     ; %s", u"note"));
    EXPECT_EQ(std::u16string(1, WCHAR(0xFEFF)), Format(u"%c", 0xFEFF));
    EXPECT_EQ(u"-2147483648", Format(u"%d", INT_MIN));
}

TEST(FormatTest, IntegerConversionsAndFlags)
{
    struct Row { const WCHAR* format; int value; const char16_t* expected; };
    const Row rows[] = {
        { u"%i", -42, u"-42" },        { u"%u", -1, u"4294967295" },  { u"%x", 0xBEEF, u"beef" },
        { u"%X", 0xBEEF, u"BEEF" },    { u"%#x", 255, u"0xff" },      { u"%#X", 0, u"0" },
        { u"%5d", 42, u"   42" },      { u"%-5d|", 42, u"42   |" },   { u"%05d", -42, u"-0042" },
        { u"%+d", 7, u"+7" },          { u"% d", 7, u" 7" },          { u"%.3d", 7, u"007" },
        { u"%08.3d", 7, u"     007" }, { u"%ld", -5, u"-5" },         { u"%lu", 123, u"123" },
        { u"%lx", 0x7f, u"7f" },       { u"%hd", 0x18000, u"-32768" },{ u"%o", 8, u"10" },
        { u"%-05d|", 3, u"3    |" },   { u"%.0d", 0, u"" },           { u"%%%d", 1, u"%1" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.format, row.format + std::char_traits<char16_t>::length(row.format)));
        EXPECT_EQ(row.expected, Format(row.format, row.value));
    }
}

TEST(FormatTest, SixtyFourBitAndPointerArguments)
{
    EXPECT_EQ(u"-9223372036854775808", Format(u"%I64d", INT64_MIN));
    EXPECT_EQ(u"18446744073709551615", Format(u"%I64u", UINT64_MAX));
    EXPECT_EQ(u"123456789abc", Format(u"%I64x", 0x123456789ABCull));
    EXPECT_EQ(u"1 -2", Format(u"%lld %d", 1ll, -2));  // the 64-bit argument does not shift the next one
    EXPECT_EQ(u"00000000DEADBEEF", Format(u"%p", reinterpret_cast<void*>(0xDEADBEEF)));
}

TEST(FormatTest, TextAndCharacterConversions)
{
    EXPECT_EQ(u"(null)", Format(u"%s", static_cast<const WCHAR*>(nullptr)));
    EXPECT_EQ(u"narrow", Format(u"%S", "narrow"));
    EXPECT_EQ(u"narrow", Format(u"%hs", "narrow"));
    EXPECT_EQ(u"wide", Format(u"%ls", u"wide"));
    EXPECT_EQ(u"ab", Format(u"%.2s", u"abcdef"));
    EXPECT_EQ(u"  ab|ab  |", Format(u"%4s|%-4s|", u"ab", u"ab"));
    EXPECT_EQ(u"AB", Format(u"%C%c", 'A', u'B'));
    EXPECT_EQ(u"[   x]", Format(u"[%*s]", 4, u"x"));
    EXPECT_EQ(u"[x   ]", Format(u"[%*s]", -4, u"x"));
    EXPECT_EQ(u"[ab]", Format(u"[%.*s]", 2, u"abc"));
    EXPECT_EQ(u"y", Format(u"%y"));      // an unknown conversion prints its character
}

TEST(FormatTest, WsprintfStopsAtItsLimit)
{
    std::u16string longText(2000, u'a');
    EXPECT_EQ(std::u16string(WSPRINTF_MAX, u'a'), Format(u"%s", longText.c_str()));
}

TEST(FormatTest, CountedFormatLeavesNoTerminatorWhenExactlyFull)
{
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    EXPECT_EQ(4, _snwprintf(buffer, 4, u"%d", 1234));
    EXPECT_EQ(u"1234", std::u16string(buffer, 4));
    EXPECT_EQ(WCHAR(0xCCCC), buffer[4]);

    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    EXPECT_EQ(-1, _snwprintf(buffer, 4, u"%d", 12345));
    EXPECT_EQ(u"1234", std::u16string(buffer, 4));
    EXPECT_EQ(WCHAR(0xCCCC), buffer[4]);

    EXPECT_EQ(3, _snwprintf(buffer, 4, u"%d", 123));
    EXPECT_EQ(u"123", std::u16string(buffer));
    EXPECT_EQ(5, _snwprintf(nullptr, 0, u"%d", 12345));
}

TEST(FormatTest, SwprintfAlwaysTerminates)
{
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    EXPECT_EQ(3, swprintf(buffer, 4, u"%s", u"abc"));
    EXPECT_EQ(u"abc", std::u16string(buffer));
    EXPECT_EQ(-1, swprintf(buffer, 4, u"%s", u"abcd"));
    EXPECT_EQ(u"abc", std::u16string(buffer));
    EXPECT_EQ(WCHAR(0xCCCC), buffer[4]);
}

TEST(FormatTest, FloatingPointInCountedFormats)
{
    WCHAR buffer[32];
    EXPECT_EQ(6, _snwprintf(buffer, 32, u"%6.2f", 3.14159));
    EXPECT_EQ(u"  3.14", std::u16string(buffer));
}

}  // namespace
