// ScanPage as the worker's view: the window operations on the scan dialog's controls. Calls from
// the worker thread reach the dialog's thread through the platform's cross-thread messages.
#include "ScanPage.h"

#include <ResourceIds.h>

#include <wce/CommCtrl.h>

void ScanPage::SetControlText(int32_t controlId, const WCHAR* text) noexcept
{
    if (HWND window = viewWindow.load())
        TextWindow(GetDlgItem(window, controlId)).SetText(text);
}

void ScanPage::AppendResults(const WCHAR* text) noexcept
{
    if (HWND window = viewWindow.load())
        EditBox(GetDlgItem(window, IDC_SCAN_RESULTS)).AppendText(text);
}

void ScanPage::ClearResults() noexcept
{
    if (HWND window = viewWindow.load())
        EditBox(GetDlgItem(window, IDC_SCAN_RESULTS)).SetText(u"");
}

void ScanPage::SetProgress(int32_t percent) noexcept
{
    if (HWND window = viewWindow.load())
        SendMessageW(GetDlgItem(window, IDC_SCAN_PROGRESS), PBM_SETPOS, WPARAM(percent), 0);
}

void ScanPage::ShowIdleButtons(bool idle) noexcept
{
    HWND window = viewWindow.load();
    if (!window)
        return;
    EnableWindow(GetDlgItem(window, IDC_SCAN_START), idle ? TRUE : FALSE);
    EnableWindow(GetDlgItem(window, IDC_SCAN_STOP), idle ? FALSE : TRUE);
}

// ShowMessage's question box, owned by the dialog. Once the page has closed there is nobody to
// ask: the answer is then No, which leaves every file as it is.
int32_t ScanPage::AskQuestion(const WCHAR* text) noexcept
{
    HWND window = viewWindow.load();
    if (!window)
        return IDNO;
    WCHAR caption[64] = {};
    LoadResString(caption, IDS_QUESTION_CAPTION, 64);
    return MessageBoxW(window, text, caption, MB_YESNO | MB_ICONQUESTION);
}

void ScanPage::StartScanTimer() noexcept
{
    if (HWND window = viewWindow.load())
        SetTimer(window, SCAN_TIMER_ID, SCAN_TICK_MS, nullptr);
}

void ScanPage::StopScanTimer() noexcept
{
    if (HWND window = viewWindow.load())
        KillTimer(window, SCAN_TIMER_ID);
}

// While the dialog is open every queued message is dispatched: the worker's window calls and the
// final timer tick need them. A quit message ends the dispatching and is put back for the loop
// that owns it. Once the dialog has closed the worker touches no window, and only messages sent
// from other threads are handled (the peek runs them before it looks at its filter, which no
// posted message matches): a menu command must wait, or it could open another page and start a
// second run on the same engine while this page's worker is still inside it.
void ScanPage::DispatchPending() noexcept
{
    MSG message;
    if (!viewWindow.load()) {
        PeekMessageW(&message, nullptr, WM_CREATE, WM_CREATE, PM_NOREMOVE);
        return;
    }
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(int(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

PromptHandler* ScanPage::GetPromptHandler() noexcept
{
    return this;
}
