// The device profile: host root folder, platform type, platform id, version, screen and code page.
#include <cstdlib>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <wce/DeviceProfile.h>

#include "DeviceProfileText.h"

namespace wce {
namespace {

constexpr int SMARTPHONE_WIDTH = 176;
constexpr int SMARTPHONE_HEIGHT = 220;
constexpr int MAX_SCREEN_SIDE = 8192;

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] + 32) : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? char(b[i] + 32) : b[i];
        if (x != y)
            return false;
    }
    return true;
}

// Unsigned decimal up to max; false for anything else.
bool ParseNumber(std::string_view text, uint32_t max, uint32_t& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + uint32_t(c - '0');
    }
    if (result > max)
        return false;
    value = uint32_t(result);
    return true;
}

// "<a><sep><b>", both numbers up to max.
bool ParsePair(std::string_view text, char separator, uint32_t max, uint32_t& a, uint32_t& b)
{
    size_t at = text.find(separator);
    if (at == std::string_view::npos)
        return false;
    return ParseNumber(text.substr(0, at), max, a) && ParseNumber(text.substr(at + 1), max, b);
}

bool ApplyScreen(std::string_view value, DeviceProfile& profile)
{
    uint32_t width = 0;
    uint32_t height = 0;
    if (!ParsePair(value, 'x', MAX_SCREEN_SIDE, width, height) || width == 0 || height == 0)
        return false;
    profile.screenWidth = int(width);
    profile.screenHeight = int(height);
    return true;
}

bool ApplyVersion(std::string_view value, DeviceProfile& profile)
{
    uint32_t major = 0;
    uint32_t minor = 0;
    if (!ParsePair(value, '.', 0xFFFF, major, minor))
        return false;
    profile.majorVersion = major;
    profile.minorVersion = minor;
    return true;
}

// Smartphones have the small portrait screen unless the profile names another one.
void ApplyDefaultScreen(DeviceProfile& profile)
{
    if (profile.screenWidth != 0)
        return;
    std::string type = Utf16ToUtf8(profile.platformType.data(), profile.platformType.size());
    bool smartphone = EqualsNoCase(type, "SmartPhone");
    profile.screenWidth = smartphone ? SMARTPHONE_WIDTH : 240;
    profile.screenHeight = smartphone ? SMARTPHONE_HEIGHT : 320;
}

void ApplyEnvironment(const char* name, std::string_view key, DeviceProfile& profile)
{
    const char* value = std::getenv(name);
    if (value != nullptr)
        ApplyProfileValue(key, Trim(value), profile);
}

std::string ReadProfileFile(const std::string& path)
{
    std::string text;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    text.resize(MAX_PROFILE_BYTES);
    size_t used = 0;
    while (used < text.size()) {
        ssize_t got = read(fd, text.data() + used, text.size() - used);
        if (got <= 0)
            break;
        used += size_t(got);
    }
    close(fd);
    text.resize(used);
    return text;
}

// The root without trailing slashes; a relative folder is taken from the current folder.
std::string NormalizeRoot(const char* value)
{
    std::string root = value != nullptr && value[0] != '\0' ? value : "/";
    if (root[0] != '/') {
        char* cwd = getcwd(nullptr, 0);
        root = std::string(cwd != nullptr ? cwd : "") + "/" + root;
        std::free(cwd);
    }
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

DeviceProfile LoadProfile()
{
    DeviceProfile profile;
    profile.platformType = u"PocketPC";
    profile.rootFolder = NormalizeRoot(std::getenv("WCE_DEVICE_ROOT"));
    std::string file = profile.rootFolder == "/" ? "/device.profile" : profile.rootFolder + "/device.profile";
    profile.screenWidth = 0;   // not named yet: the platform decides
    profile.screenHeight = 0;
    ApplyProfileText(ReadProfileFile(file), profile);
    ApplyEnvironment("WCE_PLATFORM", "Platform", profile);
    ApplyEnvironment("WCE_PLATFORM_ID", "PlatformId", profile);
    ApplyEnvironment("WCE_SCREEN", "Screen", profile);
    ApplyEnvironment("WCE_CODEPAGE", "CodePage", profile);
    ApplyEnvironment("WCE_VERSION", "Version", profile);
    ApplyDefaultScreen(profile);
    return profile;
}

std::mutex profileLock;
DeviceProfile* currentProfile = nullptr;          // profileLock
std::vector<DeviceProfile*>* retiredProfiles;    // profileLock; see ReloadDeviceProfile

}  // namespace

bool ApplyProfileValue(std::string_view key, std::string_view value, DeviceProfile& profile)
{
    uint32_t number = 0;
    if (EqualsNoCase(key, "Platform")) {
        if (value.empty() || value.size() > 63)
            return false;
        profile.platformType = Utf8ToUtf16(value.data(), value.size());
        return true;
    }
    if (EqualsNoCase(key, "PlatformId") && ParseNumber(value, 0xFFFFFFFFu, number)) {
        profile.platformId = number;
        return true;
    }
    if (EqualsNoCase(key, "CodePage") && ParseNumber(value, 65535, number) && number != 0) {
        profile.codePage = number;
        return true;
    }
    if (EqualsNoCase(key, "Screen"))
        return ApplyScreen(value, profile);
    if (EqualsNoCase(key, "Version"))
        return ApplyVersion(value, profile);
    return false;
}

void ApplyProfileText(std::string_view text, DeviceProfile& profile)
{
    text = text.substr(0, MAX_PROFILE_BYTES);
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || line[0] == ';' || equals == std::string_view::npos)
            continue;
        std::string_view key = Trim(line.substr(0, equals));
        std::string_view value = Trim(line.substr(equals + 1));
        ApplyProfileValue(key, value, profile);
    }
}

const DeviceProfile& GetDeviceProfile()
{
    std::lock_guard<std::mutex> guard(profileLock);
    if (currentProfile == nullptr)
        currentProfile = new DeviceProfile(LoadProfile());
    return *currentProfile;
}

// The old record is kept alive: callers may still hold a reference to it. Only tests reload, a
// handful of times, so the few records this keeps are no concern.
void ReloadDeviceProfile()
{
    DeviceProfile* fresh = new DeviceProfile(LoadProfile());
    std::lock_guard<std::mutex> guard(profileLock);
    if (currentProfile != nullptr) {
        if (retiredProfiles == nullptr)
            retiredProfiles = new std::vector<DeviceProfile*>;
        retiredProfiles->push_back(currentProfile);
    }
    currentProfile = fresh;
}

}  // namespace wce
