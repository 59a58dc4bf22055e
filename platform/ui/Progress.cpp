// The progress bar: a range, a position and a step.
#include <algorithm>

#include "ControlPaint.h"
#include "WindowImpl.h"
#include "wce/CommCtrl.h"

namespace wce::ui {

namespace {

struct ProgressState : ControlState {
    int low = 0;
    int high = 100;
    int position = 0;
    int step = 10;
};

// Returns the previous position; the position always stays within the range.
LRESULT MoveTo(HWND hwnd, ProgressState& bar, int position)
{
    int previous = bar.position;
    bar.position = std::clamp(position, bar.low, std::max(bar.low, bar.high));
    if (bar.position != previous)
        InvalidateRect(hwnd, nullptr, FALSE);
    return previous;
}

void Paint(HWND hwnd, const ProgressState& bar)
{
    PaintControl(hwnd, WM_CTLCOLORSTATIC, [&](HDC hdc, RECT client) {
        FrameRect(hdc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
        int span = bar.high - bar.low;
        if (span <= 0)
            return;
        RECT filled = client;
        InflateRect(&filled, -2, -2);
        filled.right = filled.left + int(int64_t(filled.right - filled.left) * (bar.position - bar.low) / span);
        FillRect(hdc, &filled, GetSysColorBrush(COLOR_HIGHLIGHT));
    });
}

}  // namespace

LRESULT ProgressProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ProgressState* bar = ControlOf<ProgressState>(hwnd);
    if (!bar)
        return 0;
    switch (message) {
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
        LRESULT previous = MAKELRESULT(WORD(bar->low), WORD(bar->high));
        bar->low = message == PBM_SETRANGE ? LOWORD(lParam) : int(wParam);
        bar->high = message == PBM_SETRANGE ? HIWORD(lParam) : int(lParam);
        MoveTo(hwnd, *bar, bar->position);
        InvalidateRect(hwnd, nullptr, FALSE);
        return previous;
    }
    case PBM_GETRANGE: return wParam ? bar->low : bar->high;
    case PBM_SETPOS: return MoveTo(hwnd, *bar, int(wParam));
    case PBM_GETPOS: return bar->position;
    case PBM_DELTAPOS: return MoveTo(hwnd, *bar, bar->position + int(wParam));
    case PBM_SETSTEP: {
        int previous = bar->step;
        bar->step = int(wParam);
        return previous;
    }
    // Stepping past the end wraps to the start, as the platform's bar does.
    case PBM_STEPIT: {
        int previous = bar->position;
        int next = bar->position + bar->step;
        if (next > bar->high)
            next = bar->low + (next - bar->high);
        MoveTo(hwnd, *bar, next);
        return previous;
    }
    case WM_PAINT: Paint(hwnd, *bar); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace wce::ui
