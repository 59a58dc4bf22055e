// System information from the device profile: version, platform type, screen metrics.
#include <windows.h>
#include <wce/DeviceProfile.h>

BOOL GetVersionExW(LPOSVERSIONINFOW lpVersionInformation)
{
    if (lpVersionInformation == nullptr || lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const wce::DeviceProfile& profile = wce::GetDeviceProfile();
    lpVersionInformation->dwMajorVersion = profile.majorVersion;
    lpVersionInformation->dwMinorVersion = profile.minorVersion;
    lpVersionInformation->dwBuildNumber = 0;
    lpVersionInformation->dwPlatformId = profile.platformId;
    for (WCHAR& c : lpVersionInformation->szCSDVersion)
        c = 0;
    return TRUE;
}

// Copies a text with its terminator into a buffer of size bytes, or fails when it does not fit.
static BOOL CopyParameterText(const std::u16string& text, UINT size, LPVOID buffer)
{
    if (buffer == nullptr || size / sizeof(WCHAR) < text.size() + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    WCHAR* out = static_cast<WCHAR*>(buffer);
    text.copy(out, text.size());
    out[text.size()] = 0;
    return TRUE;
}

BOOL SystemParametersInfoW(UINT uiAction, UINT uiParam, LPVOID pvParam, UINT fWinIni)
{
    const wce::DeviceProfile& profile = wce::GetDeviceProfile();
    switch (uiAction) {
    case SPI_GETPLATFORMTYPE:
        return CopyParameterText(profile.platformType, uiParam, pvParam);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}

int GetSystemMetrics(int nIndex)
{
    const wce::DeviceProfile& profile = wce::GetDeviceProfile();
    switch (nIndex) {
    case SM_CXSCREEN: return profile.screenWidth;
    case SM_CYSCREEN: return profile.screenHeight;
    // The device's icon sizes, which LoadIconW picks from an icon group by.
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    default: return 0;
    }
}
