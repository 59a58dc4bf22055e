// Windows of other processes of the same device. Each process with a top-level window lists it in
// the device's runtime folder (one file per window: class and title) and answers requests for
// its windows on a Unix socket of its own. Only plain-value messages cross: no pointer can be
// meaningful in another process.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "RemoteProtocol.h"
#include "WindowImpl.h"
#include "wce/DeviceProfile.h"
#include "wce/WinBase.h"

namespace wce::ui {

namespace {

constexpr uint64_t REMOTE_TAG = uint64_t(1) << 62;

std::string WindowFile(pid_t pid, HWND hwnd)
{
    return RuntimeFolder() + "/win-" + std::to_string(pid) + "-" + std::to_string(uintptr_t(hwnd));
}

bool ProcessAlive(pid_t pid)
{
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

bool ReadEntry(const std::string& path, std::u16string& className, std::u16string& title)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[1024];
    ssize_t size = read(fd, buffer, sizeof(buffer) - 1);
    close(fd);
    if (size <= 0)
        return false;
    std::string text(buffer, size_t(size));
    size_t newline = text.find('\n');
    if (newline == std::string::npos)
        return false;
    className = Utf8ToUtf16(text.data(), newline);
    std::string rest = text.substr(newline + 1);
    if (!rest.empty() && rest.back() == '\n')
        rest.pop_back();
    title = Utf8ToUtf16(rest.data(), rest.size());
    return true;
}

bool SameNoCase(const std::u16string& a, const char16_t* b)
{
    std::u16string other(b);
    if (a.size() != other.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] >= u'a' && a[i] <= u'z' ? char16_t(a[i] - 32) : a[i];
        char16_t y = other[i] >= u'a' && other[i] <= u'z' ? char16_t(other[i] - 32) : other[i];
        if (x != y)
            return false;
    }
    return true;
}

// "win-<pid>-<handle>" -> pid and handle; false for any other name.
bool ParseEntryName(const char* name, pid_t& pid, uintptr_t& handle)
{
    unsigned long long p = 0;
    unsigned long long h = 0;
    char tail = 0;
    if (std::sscanf(name, "win-%llu-%llu%c", &p, &h, &tail) != 2)
        return false;
    pid = pid_t(p);
    handle = uintptr_t(h);
    return pid > 0 && h <= 0xFFFFFFFFull;
}

HWND MakeProxy(pid_t pid, uintptr_t handle)
{
    return reinterpret_cast<HWND>(REMOTE_TAG | uint64_t(uint32_t(pid)) << 32 | uint32_t(handle));
}

void SplitProxy(HWND proxy, pid_t& pid, uintptr_t& handle)
{
    uint64_t value = uint64_t(uintptr_t(proxy));
    pid = pid_t((value >> 32) & 0x3FFFFFFF);
    handle = uintptr_t(value & 0xFFFFFFFF);
}

}  // namespace

std::string RuntimeFolder()
{
    return wce::DeviceRuntimeFolder();
}

void PublishTopLevel(HWND hwnd)
{
    std::u16string className = ClassNameOf(hwnd);
    if (className.empty() || ClassIs(hwnd, u"menu_worker") || ClassIs(hwnd, u"ComboLBox") ||
        ClassIs(hwnd, u"menu_popup"))
        return;
    StartRemoteServer();   // listening before the entry appears, so whoever finds it can reach it
    WCHAR title[256] = {};
    InternalGetText(hwnd, title, 256);
    std::u16string text(title);
    std::string entry = Utf16ToUtf8(className.data(), className.size()) + "\n" + Utf16ToUtf8(text.data(), text.size()) + "\n";
    std::string path = WindowFile(getpid(), hwnd);
    std::string temporary = path + ".new";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;   // the window stays local: other processes do not find it
    bool written = write(fd, entry.data(), entry.size()) == ssize_t(entry.size());
    close(fd);
    if (written)
        rename(temporary.c_str(), path.c_str());
    else
        unlink(temporary.c_str());
}

void UnpublishTopLevel(HWND hwnd)
{
    unlink(WindowFile(getpid(), hwnd).c_str());
}

HWND FindRemoteWindow(LPCWSTR className, LPCWSTR windowName)
{
    std::string folder = RuntimeFolder();
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return nullptr;
    HWND found = nullptr;
    while (dirent* entry = readdir(dir)) {
        pid_t pid = 0;
        uintptr_t handle = 0;
        if (!ParseEntryName(entry->d_name, pid, handle) || pid == getpid())
            continue;
        std::string path = folder + "/" + entry->d_name;
        if (!ProcessAlive(pid)) {
            unlink(path.c_str());   // the process has ended; its windows went with it
            unlink(ServerSocketPath(pid).c_str());
            continue;
        }
        std::u16string entryClass;
        std::u16string entryTitle;
        if (!ReadEntry(path, entryClass, entryTitle))
            continue;
        if ((!className || SameNoCase(entryClass, className)) && (!windowName || entryTitle == windowName)) {
            found = MakeProxy(pid, handle);
            break;
        }
    }
    closedir(dir);
    return found;
}

bool IsRemoteWindow(HWND hwnd)
{
    return (uint64_t(uintptr_t(hwnd)) & REMOTE_TAG) != 0;
}

bool RemoteWindowAlive(HWND hwnd)
{
    pid_t pid = 0;
    uintptr_t handle = 0;
    SplitProxy(hwnd, pid, handle);
    return ProcessAlive(pid) && access(WindowFile(pid, reinterpret_cast<HWND>(handle)).c_str(), F_OK) == 0;
}

bool CallRemote(HWND proxy, uint32_t op, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    pid_t pid = 0;
    uintptr_t handle = 0;
    SplitProxy(proxy, pid, handle);
    RemoteRequest request { op, message, uint64_t(handle), uint64_t(wParam), uint64_t(lParam) };
    int64_t reply = 0;
    if (!ExchangeWithPeer(ServerSocketPath(pid), request, reply))
        return false;
    result = LRESULT(reply);
    return true;
}

// Bit 0 of the handle (the window with the windows it owns) travels as the request's wParam.
BOOL RaiseRemoteWindow(HWND hwnd)
{
    const WPARAM withOwned = uintptr_t(hwnd) & 1;
    HWND proxy = reinterpret_cast<HWND>(uintptr_t(hwnd) & ~uintptr_t(1));
    LRESULT result = 0;
    return CallRemote(proxy, REMOTE_RAISE, 0, withOwned, 0, result) && result ? TRUE : FALSE;
}

}  // namespace wce::ui
