// TextSlot: cutting, growth, hand-over, and a writer and a taker at the same time.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "TextSlot.h"

namespace {

std::u16string TakeText(TextSlot& slot)
{
    WCHAR* text = slot.Take();
    std::u16string result = text ? text : u"";
    delete[] text;
    return result;
}

TEST(TextSlotTest, SetCutsToTheCapAndTakeEmptiesTheSlot)
{
    TextSlot slot(MAX_PATH - 1, MAX_PATH);
    std::u16string longText(400, u'p');
    EXPECT_TRUE(slot.Set(longText.c_str()));
    EXPECT_EQ(longText.substr(0, MAX_PATH - 1), TakeText(slot));
    EXPECT_TRUE(slot.IsEmpty());
    EXPECT_EQ(nullptr, slot.Take());
    slot.Set(u"one");
    slot.Set(u"two");
    EXPECT_EQ(u"two", TakeText(slot));
}

TEST(TextSlotTest, AppendGrowsPastItsStepAndKeepsEveryLine)
{
    TextSlot slot(0, 1024);
    std::u16string expected;
    std::u16string line(300, u'l');
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(slot.Append(line.c_str(), u"\r\n"));
        expected += line + u"\r\n";
    }
    EXPECT_EQ(expected, TakeText(slot));
    EXPECT_TRUE(slot.Append(u"after", nullptr));
    EXPECT_EQ(u"after", TakeText(slot));
}

TEST(TextSlotTest, CappedAppendRefusesWhatDoesNotFitAndKeepsTheRest)
{
    TextSlot slot(8, 8);
    EXPECT_TRUE(slot.Append(u"12345", nullptr));
    EXPECT_FALSE(slot.Append(u"6789", nullptr));
    EXPECT_EQ(u"12345", TakeText(slot));
}

// Under ThreadSanitizer this is where a bare shared buffer would be reported.
TEST(TextSlotTest, TakerSeesEveryAppendedLineInOrder)
{
    TextSlot slot(0, 1024);
    constexpr int LINES = 2000;
    std::atomic<bool> finished { false };
    std::thread writer([&] {
        for (int i = 0; i < LINES; ++i) {
            std::u16string line;
            for (char c : std::to_string(i))
                line += char16_t(c);
            slot.Append(line.c_str(), u"\n");
        }
        finished = true;
    });
    std::u16string all;
    while (!finished.load())
        all += TakeText(slot);
    writer.join();
    all += TakeText(slot);
    std::u16string expected;
    for (int i = 0; i < LINES; ++i) {
        for (char c : std::to_string(i))
            expected += char16_t(c);
        expected += u'\n';
    }
    EXPECT_EQ(expected, all);
}

}  // namespace
