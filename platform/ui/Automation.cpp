// The in-process automation calls that are not about message boxes.
#include "wce/Automation.h"

#include "ModalWait.h"
#include "WindowImpl.h"
#include "wce/WinBase.h"

namespace wce::automation {

void PaintPendingWindows()
{
    for (HWND top : wce::ui::TopLevelWindows())
        if (IsWindowVisible(top) && GetWindowThreadProcessId(top, nullptr) == GetCurrentThreadId())
            UpdateWindow(top);
    wce::ui::PaintCaptionBar();
}

void AdvanceUiClock(DWORD milliseconds)
{
    wce::ui::AdvanceUiClock(milliseconds);
}

}  // namespace wce::automation
