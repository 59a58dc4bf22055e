// System information from the device profile.
#include "DeviceRoot.h"

namespace {

using SystemInfoTest = DeviceRootTest;

TEST_F(SystemInfoTest, VersionNeedsTheExactRecordSizeAndReportsTheProfile)
{
    OSVERSIONINFOW info {};
    info.dwOSVersionInfoSize = 275;
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(GetVersionExW(&info));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());

    info.dwOSVersionInfoSize = 276;
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(DWORD(VER_PLATFORM_WIN32_CE), info.dwPlatformId);
    EXPECT_EQ(4u, info.dwMajorVersion);
    EXPECT_EQ(20u, info.dwMinorVersion);

    setenv("WCE_PLATFORM_ID", "2", 1);
    wce::ReloadDeviceProfile();
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(2u, info.dwPlatformId);
    unsetenv("WCE_PLATFORM_ID");
}

TEST_F(SystemInfoTest, PlatformTypeFitsExactlyOrFails)
{
    WriteHost("device.profile", "Platform=SmartPhone\n");
    wce::ReloadDeviceProfile();
    WCHAR buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, 11 * sizeof(WCHAR), buffer, 0));
    EXPECT_EQ(std::u16string(u"SmartPhone"), std::u16string(buffer));
    EXPECT_EQ(WCHAR(0xCCCC), buffer[11]);

    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, 10 * sizeof(WCHAR), buffer, 0));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(WCHAR(0xCCCC), buffer[0]);
}

TEST_F(SystemInfoTest, ScreenMetricsComeFromTheProfile)
{
    EXPECT_EQ(240, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(320, GetSystemMetrics(SM_CYSCREEN));
    WriteHost("device.profile", "Platform=SmartPhone\n");
    wce::ReloadDeviceProfile();
    EXPECT_EQ(176, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(220, GetSystemMetrics(SM_CYSCREEN));
    setenv("WCE_SCREEN", "480x640", 1);
    wce::ReloadDeviceProfile();
    EXPECT_EQ(480, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(640, GetSystemMetrics(SM_CYSCREEN));
    unsetenv("WCE_SCREEN");
}

}  // namespace
