// A second process for the cross-process tests: one top-level window of class "UiPeerApp" with the
// title given on the command line. It answers 0x8001 with wParam + lParam and ends on 0x8002.
#include <cstdio>
#include <string>

#include "wce/WinUser.h"

static LRESULT PeerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == 0x8001)
        return LRESULT(wParam) + lParam;
    if (message == 0x8002) {
        DestroyWindow(hwnd);
        PostQuitMessage(int(wParam));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int main(int argc, char** argv)
{
    std::string title = argc > 1 ? argv[1] : "peer";
    std::u16string wide(title.begin(), title.end());
    WNDCLASSW info {};
    info.lpfnWndProc = PeerProc;
    info.lpszClassName = u"UiPeerApp";
    RegisterClassW(&info);
    HWND hwnd = CreateWindowExW(0, u"UiPeerApp", wide.c_str(), WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    if (!hwnd)
        return 2;
    std::printf("ready\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return int(msg.wParam);
}
