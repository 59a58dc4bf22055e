// The shell services the main window and the pages share: menu bars and the help viewer.
#include "MenuBar.h"

#include "AppState.h"
#include "DialogPage.h"

#include <ResourceIds.h>

#include <wce/Shell.h>

namespace {

const WCHAR* HelpFileName()
{
    UINT codePage = GetACP();
    if (codePage == 936)
        return u"OrvMobileCN.htm";
    return GetACP() == 950 ? u"OrvMobileTW.htm" : u"OrvMobileEN.htm";
}

// The help path is cut at the buffer's end rather than overrunning it: a program folder deep
// enough to fill it gives a help page that does not open, nothing worse.
void Append(WCHAR* buffer, const WCHAR* text)
{
    const int used = lstrlenW(buffer);
    if (used < MAX_PATH - 1)
        lstrcpynW(buffer + used, text, MAX_PATH - used);
}

// Help that is not there is said so, rather than a tap that seems to do nothing.
bool HelpFileIsThere(HWND window, const WCHAR* file)
{
    const DWORD attributes = GetFileAttributesW(file);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    WCHAR format[128] = {};
    WCHAR caption[64] = {};
    WCHAR text[WSPRINTF_MAX + 1];
    LoadResString(format, IDS_HELP_MISSING, 128);
    LoadResString(caption, IDS_QUESTION_CAPTION, 64);
    wsprintfW(text, format, file);
    MessageBoxW(window, text, caption, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

} // namespace

HWND CreateMenuBar(HWND window, UINT menuBarId)
{
    SHMENUBARINFO info = {};
    info.cbSize = 36;
    info.hwndParent = window;
    info.nToolBarId = menuBarId;
    info.hInstRes = g_app.resourceModule;
    if (!SHCreateMenuBar(&info)) {
        GetLastError();
        return nullptr;
    }
    return info.hwndMB;
}

bool ShowHelp(HWND window, const WCHAR* topic)
{
    SHELLEXECUTEINFOW launch = {};
    launch.cbSize = 60;
    launch.lpDirectory = g_app.helpFolder;
    launch.nShow = SW_SHOWNORMAL;
    WCHAR path[MAX_PATH] = {};
    lstrcpynW(path, IsPocketPcFamily() ? u"\\Windows\\" : g_app.helpFolder, MAX_PATH);
    Append(path, HelpFileName());
    if (!HelpFileIsThere(window, path))
        return false;
    Append(path, u"#");
    Append(path, topic ? topic : u"Main_Contents");
    WCHAR target[MAX_PATH] = {};
    if (IsSmartphone()) {
        lstrcpynW(target, u"file://", MAX_PATH);
        Append(target, path);
        launch.lpFile = target;
        launch.lpVerb = u"open";
    } else {
        launch.lpFile = u"\\Windows\\peghelp.exe";
        launch.lpParameters = path;
    }
    return ShellExecuteExW(&launch) != FALSE;
}
