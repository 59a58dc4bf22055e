// Shell services: full-screen dialogs, activation records, common-control initialisation and
// launching documents and programs.
#include <cstdlib>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "WindowImpl.h"
#include "wce/Automation.h"
#include "wce/CommCtrl.h"
#include "wce/DeviceProfile.h"
#include "wce/Shell.h"
#include "wce/WinBase.h"

extern char** environ;

using namespace wce::ui;

BOOL SHInitDialog(PSHINITDLGINFO pshidi)
{
    if (!pshidi || !IsWindow(pshidi->hDlg)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!(pshidi->dwMask & SHIDIM_FLAGS))
        return TRUE;
    DWORD flags = pshidi->dwFlags;
    if (flags & SHIDIF_DONEBUTTON)
        SetWindowLongW(pshidi->hDlg, GWL_EXSTYLE, GetWindowLongW(pshidi->hDlg, GWL_EXSTYLE) | WS_EX_CAPTIONOKBTN);
    if (flags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIZEDLG | SHIDIF_FULLSCREENNOMENUBAR)) {
        const wce::DeviceProfile& profile = wce::GetDeviceProfile();
        int bottom = profile.screenHeight - ((flags & SHIDIF_FULLSCREENNOMENUBAR) ? 0 : MENU_BAR_HEIGHT);
        MoveWindow(pshidi->hDlg, 0, CAPTION_BAR_HEIGHT, profile.screenWidth, bottom - CAPTION_BAR_HEIGHT, FALSE);
    }
    if (GetActiveWindow() == pshidi->hDlg)
        PaintCaptionBar();
    return TRUE;
}

BOOL SHFullScreen(HWND hwndRequester, DWORD dwState)
{
    return IsWindow(hwndRequester);
}

BOOL SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* psai, DWORD dwFlags)
{
    if (!psai)
        return FALSE;
    bool active = LOWORD(wParam) != 0;
    psai->fActive = active ? 1 : 0;
    if (!active) {
        HWND focus = GetFocus();
        if (focus && (focus == hwnd || IsChild(hwnd, focus)))
            psai->hwndLastFocus = focus;
    } else if (psai->hwndLastFocus && IsWindow(psai->hwndLastFocus)) {
        SetFocus(psai->hwndLastFocus);   // the window gets back the focus it had when it lost activation
    }
    return TRUE;
}

BOOL SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* psai)
{
    return psai != nullptr;
}

void InitCommonControls()
{
    EnsureSystemClasses();
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* lpInitCtrls)
{
    if (!lpInitCtrls || lpInitCtrls->dwSize != sizeof(INITCOMMONCONTROLSEX))
        return FALSE;
    EnsureSystemClasses();
    return TRUE;
}

namespace {

struct LaunchLog {
    std::mutex lock;
    std::vector<wce::automation::LaunchRecord> launches;
};

LaunchLog& Launches()
{
    static LaunchLog* log = new LaunchLog;
    return *log;
}

std::u16string Text(LPCWSTR text)
{
    return text ? std::u16string(text) : std::u16string();
}

bool EqualsNoCase(const std::u16string& a, const char16_t* b)
{
    std::u16string other(b);
    if (a.size() != other.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] >= u'A' && a[i] <= u'Z' ? char16_t(a[i] + 32) : a[i];
        char16_t y = other[i] >= u'A' && other[i] <= u'Z' ? char16_t(other[i] + 32) : other[i];
        if (x != y)
            return false;
    }
    return true;
}

// The document a launch opens: the help viewer's parameter, or the launched file itself; a
// "file://" prefix is dropped. The anchor stays separate.
void DocumentOf(const wce::automation::LaunchRecord& launch, std::u16string& path, std::u16string& anchor)
{
    bool viewer = EqualsNoCase(launch.file, u"\\Windows\\peghelp.exe") || EqualsNoCase(launch.file, u"peghelp.exe");
    path = viewer ? launch.parameters : launch.file;
    if (path.rfind(u"file://", 0) == 0)
        path.erase(0, 7);
    size_t hash = path.find(u'#');
    anchor = hash == std::u16string::npos ? std::u16string() : path.substr(hash + 1);
    if (hash != std::u16string::npos)
        path.erase(hash);
}

bool DesktopPresent()
{
    const char* headless = std::getenv("WCE_HEADLESS");
    return std::getenv("DISPLAY") && !(headless && *headless && std::string(headless) != "0");
}

// Hands the host file to the desktop's opener; the opener runs on its own and is reaped in the
// background so that no zombie is left behind.
bool OpenOnDesktop(const std::string& url)
{
    const char* argv[] = { "xdg-open", url.c_str(), nullptr };
    pid_t child = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return false;
    std::thread([child] { waitpid(child, nullptr, 0); }).detach();
    return true;
}

}  // namespace

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* pExecInfo)
{
    if (!pExecInfo || (pExecInfo->cbSize != sizeof(SHELLEXECUTEINFOW) && pExecInfo->cbSize != 60) || !pExecInfo->lpFile) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    wce::automation::LaunchRecord launch { Text(pExecInfo->lpVerb), Text(pExecInfo->lpFile), Text(pExecInfo->lpParameters),
                                           Text(pExecInfo->lpDirectory), pExecInfo->nShow, {}, {} };
    DocumentOf(launch, launch.documentPath, launch.anchor);
    std::string host;
    // The document is found in any letter case, as every other file of the device is.
    bool found = wce::ExistingHostPath(launch.documentPath.c_str(), host) && access(host.c_str(), R_OK) == 0;
    {
        std::lock_guard<std::mutex> guard(Launches().lock);
        Launches().launches.push_back(launch);
    }
    if (!found) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        pExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(intptr_t(2));
        return FALSE;
    }
    if (DesktopPresent()) {
        std::string url = "file://" + host;
        if (!launch.anchor.empty())
            url += "#" + wce::Utf16ToUtf8(launch.anchor.data(), launch.anchor.size());
        OpenOnDesktop(url);
    }
    pExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(intptr_t(33));
    return TRUE;
}

namespace wce::automation {

std::vector<LaunchRecord> GetLaunchHistory()
{
    std::lock_guard<std::mutex> guard(Launches().lock);
    return Launches().launches;
}

void ResetLaunches()
{
    std::lock_guard<std::mutex> guard(Launches().lock);
    Launches().launches.clear();
}

}  // namespace wce::automation
