// Drawing the list view's header and rows, and finding the row under the stylus.
#include "ControlPaint.h"
#include "WindowImpl.h"
#include "wce/CommCtrl.h"

namespace wce::ui {

namespace {

HGDIOBJ FontOf(HWND hwnd)
{
    return reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
}

int HeaderHeight(HWND hwnd)
{
    DWORD style = DWORD(GetWindowLongW(hwnd, GWL_STYLE));
    bool header = (style & LVS_TYPEMASK) == LVS_REPORT && !(style & LVS_NOCOLUMNHEADER);
    return header ? LineHeight(FontOf(hwnd)) + 4 : 0;
}

int RowHeight(HWND hwnd)
{
    return LineHeight(FontOf(hwnd)) + 2;
}

}  // namespace

int ListViewRowAt(HWND hwnd, int y, int firstRow)
{
    int offset = y - HeaderHeight(hwnd);
    return offset < 0 ? -1 : firstRow + offset / RowHeight(hwnd);
}

void PaintListView(HWND hwnd, const std::vector<std::u16string>& headers, const std::vector<int>& widths,
                   const std::vector<std::vector<std::u16string>>& rows, const std::vector<bool>& selected,
                   int firstRow, bool fullRow)
{
    int headerHeight = HeaderHeight(hwnd);
    int rowHeight = RowHeight(hwnd);
    bool enabled = IsWindowEnabled(hwnd);
    PaintControl(hwnd, WM_CTLCOLOREDIT, [&](HDC hdc, RECT client) {
        SetBkMode(hdc, TRANSPARENT);
        int x = 0;
        for (size_t c = 0; c < headers.size() && headerHeight; ++c) {
            RECT cell { x, 0, x + widths[c], headerHeight };
            FillRect(hdc, &cell, GetSysColorBrush(COLOR_BTNFACE));
            FrameRect(hdc, &cell, GetSysColorBrush(COLOR_BTNSHADOW));
            cell.left += 3;
            DrawControlText(hdc, headers[c], cell, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS,
                            enabled);
            x += widths[c];
        }
        for (size_t r = size_t(std::max(firstRow, 0)); r < rows.size(); ++r) {
            int top = headerHeight + int(r - size_t(firstRow)) * rowHeight;
            if (top >= client.bottom)
                break;
            int left = 0;
            for (size_t c = 0; c < std::max<size_t>(widths.size(), 1); ++c) {
                int width = c < widths.size() ? widths[c] : int(client.right);
                RECT cell { left, top, left + width, top + rowHeight };
                bool lit = selected[r] && (fullRow || c == 0);
                if (lit)
                    FillRect(hdc, &cell, GetSysColorBrush(COLOR_HIGHLIGHT));
                SetTextColor(hdc, GetSysColor(lit ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
                cell.left += 3;
                if (c < rows[r].size())
                    DrawTextW(hdc, rows[r][c].c_str(), -1, &cell, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
                left += width;
            }
        }
        // Drawn last, so that a lit row does not cover the frame.
        if (GetWindowLongW(hwnd, GWL_STYLE) & WS_BORDER)
            FrameRect(hdc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
    });
}

}  // namespace wce::ui
