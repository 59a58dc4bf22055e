// Device paths, host paths, UTF conversions, the device profile and the per-thread last error.
#include <thread>

#include "DeviceRoot.h"

namespace {

using PathTest = DeviceRootTest;

TEST_F(PathTest, DevicePathsResolveUnderTheRootWithoutEscapingIt)
{
    struct Row { const char16_t* device; const char* host; } rows[] = {
        { u"\\a\\b.txt", "/a/b.txt" }, { u"/a/b.txt", "/a/b.txt" }, { u"a\\b", "/a/b" },
        { u"\\a\\.\\b\\", "/a/b" }, { u"\\a\\..\\..\\..\\b", "/b" }, { u"\\..", "" },
        { u"\\", "" }, { u"\\\\x//y", "/x/y" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.host);
        std::string host;
        ASSERT_TRUE(wce::HostPathFromDevice(row.device, host));
        EXPECT_EQ(root + row.host, host);
    }
    std::string host;
    EXPECT_FALSE(wce::HostPathFromDevice(u"", host));
    EXPECT_FALSE(wce::HostPathFromDevice(u"C:\\x", host));
}

TEST_F(PathTest, HostPathsMapBackOnlyFromInsideTheRoot)
{
    std::u16string device;
    ASSERT_TRUE(wce::DevicePathFromHost(root + "/a/b", device));
    EXPECT_EQ(u"\\a\\b", device);
    ASSERT_TRUE(wce::DevicePathFromHost(root, device));
    EXPECT_EQ(u"\\", device);
    EXPECT_FALSE(wce::DevicePathFromHost(root + "x/a", device));
    EXPECT_FALSE(wce::DevicePathFromHost("/elsewhere", device));
}

TEST_F(PathTest, HostRootIsTheDefaultDevice)
{
    unsetenv("WCE_DEVICE_ROOT");
    wce::ReloadDeviceProfile();
    std::string host;
    ASSERT_TRUE(wce::HostPathFromDevice(u"\\home\\x\\f", host));
    EXPECT_EQ("/home/x/f", host);
    std::u16string device;
    ASSERT_TRUE(wce::DevicePathFromHost("/home/x/f", device));
    EXPECT_EQ(u"\\home\\x\\f", device);
}

TEST_F(PathTest, Utf16AndUtf8ConvertBothWaysAndReplaceBrokenText)
{
    const char16_t text[] = u"a\u00e9\u4e2d\U0001F600";
    std::string utf8 = wce::Utf16ToUtf8(text, 5);
    EXPECT_EQ("a\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80", utf8);
    EXPECT_EQ(std::u16string(text), wce::Utf8ToUtf16(utf8.data(), utf8.size()));

    const char16_t lone[] = { u'x', 0xD800, u'y' };
    EXPECT_EQ("x\xef\xbf\xbdy", wce::Utf16ToUtf8(lone, 3));
    const char broken[] = "\xc0\x80z\xe4\xb8";   // overlong NUL, then a cut sequence
    EXPECT_EQ(u"\uFFFD\uFFFDz\uFFFD\uFFFD", wce::Utf8ToUtf16(broken, sizeof broken - 1));
}

TEST_F(PathTest, ProfileFileIsReadAndEnvironmentOverridesIt)
{
    WriteHost("device.profile", "# demo\nPlatform=SmartPhone\r\nPlatformId=3\nCodePage=936\nVersion=5.1\nBogus=1\n");
    wce::ReloadDeviceProfile();
    const wce::DeviceProfile& phone = wce::GetDeviceProfile();
    EXPECT_EQ(u"SmartPhone", phone.platformType);
    EXPECT_EQ(936u, phone.codePage);
    EXPECT_EQ(5u, phone.majorVersion);
    EXPECT_EQ(1u, phone.minorVersion);
    EXPECT_EQ(176, phone.screenWidth);   // the Smartphone default
    EXPECT_EQ(220, phone.screenHeight);

    setenv("WCE_SCREEN", "320x240", 1);
    setenv("WCE_CODEPAGE", "950", 1);
    setenv("WCE_PLATFORM", "PocketPC", 1);
    wce::ReloadDeviceProfile();
    const wce::DeviceProfile& pocket = wce::GetDeviceProfile();
    EXPECT_EQ(u"PocketPC", pocket.platformType);
    EXPECT_EQ(320, pocket.screenWidth);
    EXPECT_EQ(950u, pocket.codePage);
    unsetenv("WCE_SCREEN");
    unsetenv("WCE_CODEPAGE");
    unsetenv("WCE_PLATFORM");
}

TEST_F(PathTest, DamagedProfileValuesLeaveTheDefaults)
{
    WriteHost("device.profile", "Screen=0x99\nCodePage=abc\nPlatformId=99999999999\nVersion=4\nPlatform=\n=\n");
    wce::ReloadDeviceProfile();
    const wce::DeviceProfile& profile = wce::GetDeviceProfile();
    EXPECT_EQ(u"PocketPC", profile.platformType);
    EXPECT_EQ(240, profile.screenWidth);
    EXPECT_EQ(320, profile.screenHeight);
    EXPECT_EQ(1252u, profile.codePage);
    EXPECT_EQ(3u, profile.platformId);
    EXPECT_EQ(4u, profile.majorVersion);
    EXPECT_EQ(20u, profile.minorVersion);
}

TEST(LastErrorTest, EachThreadHasItsOwn)
{
    SetLastError(11);
    DWORD seen = 0;
    std::thread other([&seen] {
        seen = GetLastError();
        SetLastError(22);
    });
    other.join();
    EXPECT_EQ(0u, seen);
    EXPECT_EQ(11u, GetLastError());
}

}  // namespace
