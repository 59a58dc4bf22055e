// WalkFolder: order of callbacks, stopping, skipping folders and the path buffer's bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "common/TempDeviceRoot.h"
#include "svc/WalkFolder.h"

namespace {

class ScriptedCallback : public FolderWalkCallback {
public:
    int32_t OnEntry(const WCHAR* fullPath, uint32_t sizeLow, uint32_t attributes, int32_t arg1,
                    int32_t arg2) noexcept override
    {
        std::u16string path(fullPath);
        seen.push_back(std::string(path.begin(), path.end()));
        sizes.push_back(sizeLow);
        args.push_back(arg1 * 100 + arg2);
        return decide ? decide(seen.back(), attributes) : 1;
    }

    std::vector<std::string> Sorted() const
    {
        std::vector<std::string> sorted = seen;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }

    std::function<int32_t(const std::string&, uint32_t)> decide;
    std::vector<std::string> seen;
    std::vector<uint32_t> sizes;
    std::vector<int32_t> args;
};

class WalkFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device.MakeFolder("\\W\\sub");
        device.Write("\\W\\a.txt", "12345");
        device.Write("\\W\\sub\\b.txt", "1");
    }

    int32_t Walk(const char16_t* start, ScriptedCallback& callback)
    {
        std::char_traits<char16_t>::copy(path, start, std::char_traits<char16_t>::length(start) + 1);
        return WalkFolder(path, &callback, 3, 4, u"*.*");
    }

    TempDeviceRoot device;
    WCHAR path[MAX_PATH];
};

TEST_F(WalkFolderTest, VisitsEveryEntryAndEntersFoldersOnPositiveResults)
{
    ScriptedCallback callback;
    EXPECT_EQ(1, Walk(u"\\W", callback));
    EXPECT_EQ(u"\\W\\", std::u16string(path));   // put back, with the separator
    EXPECT_EQ((std::vector<std::string> { "\\W\\a.txt", "\\W\\sub", "\\W\\sub\\b.txt" }), callback.Sorted());
    for (size_t i = 0; i < callback.seen.size(); ++i) {
        if (callback.seen[i] == "\\W\\a.txt") {
            EXPECT_EQ(5u, callback.sizes[i]);
        }
    }
    EXPECT_TRUE(std::all_of(callback.args.begin(), callback.args.end(), [](int32_t a) { return a == 304; }));
}

TEST_F(WalkFolderTest, NegativeResultSkipsTheFolderAndZeroStopsEverything)
{
    ScriptedCallback skipping;
    skipping.decide = [](const std::string&, uint32_t) { return -1; };
    EXPECT_EQ(-1, Walk(u"\\W\\", skipping));
    EXPECT_EQ((std::vector<std::string> { "\\W\\a.txt", "\\W\\sub" }), skipping.Sorted());

    ScriptedCallback stopping;
    stopping.decide = [](const std::string& path, uint32_t) { return path == "\\W\\sub\\b.txt" ? 0 : 1; };
    EXPECT_EQ(0, Walk(u"\\W", stopping));
    EXPECT_EQ("\\W\\sub\\b.txt", stopping.seen.back());
    EXPECT_EQ(u"\\W\\", std::u16string(path));
}

TEST_F(WalkFolderTest, MissingOrEmptyFolderReturnsOne)
{
    ScriptedCallback callback;
    EXPECT_EQ(1, Walk(u"\\Nowhere", callback));
    EXPECT_EQ(u"\\Nowhere\\", std::u16string(path));
    device.MakeFolder("\\Empty");
    EXPECT_EQ(1, Walk(u"\\Empty/", callback));
    EXPECT_TRUE(callback.seen.empty());
}

// Entries whose full path would not fit in the buffer are left out rather than written past it.
TEST_F(WalkFolderTest, EntriesTooLongForThePathBufferAreSkipped)
{
    std::string deep = "\\" + std::string(200, 'd');
    device.MakeFolder(deep);
    device.Write(deep + "\\" + std::string(50, 'f'), "fits");      // 252 characters
    device.Write(deep + "\\" + std::string(60, 'g'), "too long");  // 262 characters
    ScriptedCallback callback;
    WCHAR guarded[MAX_PATH + 8];
    std::fill(std::begin(guarded), std::end(guarded), WCHAR(0xCCCC));
    std::u16string start = Wide(deep);
    std::char_traits<char16_t>::copy(guarded, start.c_str(), start.size() + 1);
    EXPECT_EQ(1, WalkFolder(guarded, &callback, 0, 0, u"*.*"));
    ASSERT_EQ(1u, callback.seen.size());
    EXPECT_EQ(deep + "\\" + std::string(50, 'f'), callback.seen[0]);
    EXPECT_EQ(WCHAR(0xCCCC), guarded[MAX_PATH]);
}

}  // namespace
