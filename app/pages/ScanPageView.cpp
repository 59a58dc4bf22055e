// ScanPage as the worker's view: the window operations on the scan dialog's controls. Calls from
// the worker thread reach the dialog's thread through the platform's cross-thread messages.
#include "ScanPage.h"

#include <ResourceIds.h>

#include <wce/CommCtrl.h>
#include <wce/Shell.h>

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
    ShowRunState(!idle);
}

void ScanPage::ShowRunState(bool running) noexcept
{
    HWND window = viewWindow.load();
    if (!window)
        return;
    const bool stoppable = running && !worker.IsStopRequested();
    EnableWindow(GetDlgItem(window, IDC_SCAN_START), running ? FALSE : TRUE);
    EnableWindow(GetDlgItem(window, IDC_SCAN_STOP), stoppable ? TRUE : FALSE);
    // The Pocket PC bar has Stop as its left soft key; a bar without it takes no notice.
    if (HWND bar = viewMenuBar.load())
        SendMessageW(bar, TB_ENABLEBUTTON, CMD_SCAN_STOP, MAKELONG(stoppable ? TRUE : FALSE, 0));
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

// Every queued message is dispatched, so that the screen keeps painting and taking input while
// the page waits for its worker: the worker's window calls and the final timer tick need them
// while the dialog is open, and once it has closed the main window must not freeze. A menu
// command given meanwhile cannot open another page on the same engine: the main window opens no
// page while this one still exists. A quit message ends the dispatching and is put back for the
// loop that owns it.
void ScanPage::DispatchPending() noexcept
{
    MSG message;
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
