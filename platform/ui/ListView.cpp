// The list view (report view): columns, rows with sub-item texts, item states with LVN_ITEMCHANGED,
// selection by tap and by the arrow keys.
#include <algorithm>

#include "ControlPaint.h"
#include "WindowImpl.h"
#include "wce/CommCtrl.h"

namespace wce::ui {

namespace {

struct ListColumn {
    std::u16string text;
    int width = 60;
    int format = LVCFMT_LEFT;
};

struct ListRow {
    std::vector<std::u16string> texts;   // [0] the item, then the sub-items
    UINT state = 0;
    LPARAM data = 0;
};

struct ListState : ControlState {
    std::vector<ListColumn> columns;
    std::vector<ListRow> rows;
    DWORD extendedStyle = 0;
    int firstRow = 0;
};

std::u16string TextOrEmpty(LPCWSTR text)
{
    return text && text != reinterpret_cast<LPCWSTR>(intptr_t(-1)) ? std::u16string(text) : std::u16string();
}

void Notify(HWND hwnd, UINT code, int item, UINT oldState, UINT newState, UINT changed, LPARAM data)
{
    NMLISTVIEW info {};
    info.hdr.hwndFrom = hwnd;
    info.hdr.idFrom = UINT_PTR(GetDlgCtrlID(hwnd));
    info.hdr.code = code;
    info.iItem = item;
    info.uOldState = oldState;
    info.uNewState = newState;
    info.uChanged = changed;
    info.lParam = data;
    if (HWND parent = GetParent(hwnd))
        SendMessageW(parent, WM_NOTIFY, info.hdr.idFrom, LPARAM(&info));
}

void SetRowText(ListRow& row, int subItem, LPCWSTR text)
{
    if (subItem < 0 || subItem > 255)
        return;   // the platform keeps at most 256 columns
    if (row.texts.size() <= size_t(subItem))
        row.texts.resize(size_t(subItem) + 1);
    row.texts[size_t(subItem)] = TextOrEmpty(text);
}

// Sets the masked state bits of one row and tells the parent when they changed.
void ChangeState(HWND hwnd, ListState& list, int index, UINT state, UINT mask)
{
    ListRow& row = list.rows[size_t(index)];
    UINT old = row.state;
    UINT updated = (old & ~mask) | (state & mask);
    if (updated == old)
        return;
    row.state = updated;
    InvalidateRect(hwnd, nullptr, TRUE);
    Notify(hwnd, LVN_ITEMCHANGED, index, old, updated, LVIF_STATE, row.data);
}

LRESULT SetItemState(HWND hwnd, ListState& list, WPARAM index, const LVITEMW* item)
{
    if (!item)
        return FALSE;
    UINT state = item->state;
    UINT mask = item->stateMask;
    if (int(index) == -1) {
        for (size_t i = 0; i < list.rows.size(); ++i)
            ChangeState(hwnd, list, int(i), state, mask);
        return TRUE;
    }
    if (size_t(index) >= list.rows.size())
        return FALSE;
    bool single = GetWindowLongW(hwnd, GWL_STYLE) & LVS_SINGLESEL;
    if (single && (mask & state & LVIS_SELECTED))
        for (size_t i = 0; i < list.rows.size(); ++i)
            if (i != size_t(index))
                ChangeState(hwnd, list, int(i), 0, LVIS_SELECTED);
    ChangeState(hwnd, list, int(index), state, mask);
    return TRUE;
}

LRESULT InsertItem(HWND hwnd, ListState& list, const LVITEMW* item)
{
    if (!item || item->iSubItem != 0)
        return -1;
    size_t index = std::min<size_t>(size_t(std::max(item->iItem, 0)), list.rows.size());
    ListRow row;
    row.texts.push_back(item->mask & LVIF_TEXT ? TextOrEmpty(item->pszText) : std::u16string());
    row.state = item->mask & LVIF_STATE ? (item->state & item->stateMask) : 0;
    row.data = item->mask & LVIF_PARAM ? item->lParam : 0;
    list.rows.insert(list.rows.begin() + ptrdiff_t(index), row);
    InvalidateRect(hwnd, nullptr, TRUE);
    Notify(hwnd, LVN_INSERTITEM, int(index), 0, 0, 0, row.data);
    return LRESULT(index);
}

LRESULT SetItem(HWND hwnd, ListState& list, const LVITEMW* item)
{
    if (!item || item->iItem < 0 || size_t(item->iItem) >= list.rows.size())
        return FALSE;
    ListRow& row = list.rows[size_t(item->iItem)];
    if (item->mask & LVIF_TEXT)
        SetRowText(row, item->iSubItem, item->pszText);
    if (item->mask & LVIF_PARAM)
        row.data = item->lParam;
    InvalidateRect(hwnd, nullptr, TRUE);
    if (item->mask & LVIF_STATE)
        ChangeState(hwnd, list, item->iItem, item->state, item->stateMask);
    return TRUE;
}

LRESULT CopyItemText(const ListState& list, WPARAM index, LVITEMW* item)
{
    if (!item || size_t(index) >= list.rows.size() || !item->pszText || item->cchTextMax <= 0)
        return 0;
    const ListRow& row = list.rows[size_t(index)];
    std::u16string text = item->iSubItem >= 0 && size_t(item->iSubItem) < row.texts.size()
                              ? row.texts[size_t(item->iSubItem)] : std::u16string();
    size_t count = std::min<size_t>(text.size(), size_t(item->cchTextMax) - 1);
    std::copy_n(text.begin(), count, item->pszText);
    item->pszText[count] = 0;
    return LRESULT(count);
}

LRESULT GetItem(const ListState& list, LVITEMW* item)
{
    if (!item || item->iItem < 0 || size_t(item->iItem) >= list.rows.size())
        return FALSE;
    const ListRow& row = list.rows[size_t(item->iItem)];
    if (item->mask & LVIF_TEXT)
        CopyItemText(list, WPARAM(item->iItem), item);
    if (item->mask & LVIF_STATE)
        item->state = row.state & item->stateMask;
    if (item->mask & LVIF_PARAM)
        item->lParam = row.data;
    return TRUE;
}

LRESULT DeleteItem(HWND hwnd, ListState& list, WPARAM index)
{
    if (size_t(index) >= list.rows.size())
        return FALSE;
    Notify(hwnd, LVN_DELETEITEM, int(index), 0, 0, 0, list.rows[size_t(index)].data);
    list.rows.erase(list.rows.begin() + ptrdiff_t(index));
    list.firstRow = std::min(list.firstRow, std::max(0, int(list.rows.size()) - 1));
    InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

LRESULT NextItem(const ListState& list, WPARAM start, LPARAM flags)
{
    UINT wanted = 0;
    if (flags & LVNI_SELECTED)
        wanted |= LVIS_SELECTED;
    if (flags & LVNI_FOCUSED)
        wanted |= LVIS_FOCUSED;
    for (size_t i = int(start) < 0 ? 0 : size_t(start) + 1; i < list.rows.size(); ++i)
        if ((list.rows[i].state & wanted) == wanted)
            return LRESULT(i);
    return -1;
}

LRESULT InsertColumn(HWND hwnd, ListState& list, WPARAM index, const LVCOLUMNW* column)
{
    if (!column)
        return -1;
    ListColumn record;
    if (column->mask & LVCF_TEXT)
        record.text = TextOrEmpty(column->pszText);
    if (column->mask & LVCF_WIDTH)
        record.width = column->cx;
    if (column->mask & LVCF_FMT)
        record.format = column->fmt;
    size_t at = std::min(size_t(index), list.columns.size());
    list.columns.insert(list.columns.begin() + ptrdiff_t(at), record);
    InvalidateRect(hwnd, nullptr, TRUE);
    return LRESULT(at);
}

}  // namespace

void PaintListView(HWND hwnd, const std::vector<std::u16string>& headers, const std::vector<int>& widths,
                   const std::vector<std::vector<std::u16string>>& rows, const std::vector<bool>& selected,
                   int firstRow, bool fullRow);
int ListViewRowAt(HWND hwnd, int y, int firstRow);

static void PaintList(HWND hwnd, const ListState& list)
{
    std::vector<std::u16string> headers;
    std::vector<int> widths;
    for (const ListColumn& column : list.columns) {
        headers.push_back(column.text);
        widths.push_back(column.width);
    }
    std::vector<std::vector<std::u16string>> rows;
    std::vector<bool> selected;
    for (const ListRow& row : list.rows) {
        rows.push_back(row.texts);
        selected.push_back((row.state & LVIS_SELECTED) != 0);
    }
    PaintListView(hwnd, headers, widths, rows, selected, list.firstRow,
                  (list.extendedStyle & LVS_EX_FULLROWSELECT) != 0);
}

static void SelectOnly(HWND hwnd, ListState& list, int index)
{
    if (index < 0 || size_t(index) >= list.rows.size())
        return;
    LVITEMW item {};
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    for (size_t i = 0; i < list.rows.size(); ++i)
        if (i != size_t(index))
            ChangeState(hwnd, list, int(i), 0, LVIS_SELECTED | LVIS_FOCUSED);
    SetItemState(hwnd, list, WPARAM(index), &item);
}

static LRESULT ListMessage(HWND hwnd, ListState& list, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case LVM_GETITEMCOUNT: return LRESULT(list.rows.size());
    case LVM_INSERTITEMW: return InsertItem(hwnd, list, reinterpret_cast<const LVITEMW*>(lParam));
    case LVM_SETITEMW: return SetItem(hwnd, list, reinterpret_cast<const LVITEMW*>(lParam));
    case LVM_GETITEMW: return GetItem(list, reinterpret_cast<LVITEMW*>(lParam));
    case LVM_SETITEMTEXTW: {
        const LVITEMW* item = reinterpret_cast<const LVITEMW*>(lParam);
        if (!item || size_t(wParam) >= list.rows.size())
            return FALSE;
        SetRowText(list.rows[size_t(wParam)], item->iSubItem, item->pszText);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    case LVM_GETITEMTEXTW: return CopyItemText(list, wParam, reinterpret_cast<LVITEMW*>(lParam));
    case LVM_DELETEITEM: return DeleteItem(hwnd, list, wParam);
    case LVM_DELETEALLITEMS:
        Notify(hwnd, LVN_DELETEALLITEMS, -1, 0, 0, 0, 0);
        list.rows.clear();
        list.firstRow = 0;
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case LVM_GETNEXTITEM: return NextItem(list, wParam, lParam);
    case LVM_SETITEMSTATE: return SetItemState(hwnd, list, wParam, reinterpret_cast<const LVITEMW*>(lParam));
    case LVM_GETITEMSTATE: return size_t(wParam) < list.rows.size() ? LRESULT(list.rows[size_t(wParam)].state & UINT(lParam)) : 0;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        DWORD old = list.extendedStyle;
        DWORD mask = wParam ? DWORD(wParam) : 0xFFFFFFFFu;
        list.extendedStyle = (old & ~mask) | (DWORD(lParam) & mask);
        InvalidateRect(hwnd, nullptr, TRUE);
        return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return list.extendedStyle;
    case LVM_INSERTCOLUMNW: return InsertColumn(hwnd, list, wParam, reinterpret_cast<const LVCOLUMNW*>(lParam));
    case LVM_SETCOLUMNWIDTH:
        if (size_t(wParam) >= list.columns.size())
            return FALSE;
        list.columns[size_t(wParam)].width = short(LOWORD(lParam));
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case LVM_ENSUREVISIBLE:
        if (size_t(wParam) < list.rows.size() && int(wParam) < list.firstRow) {
            list.firstRow = int(wParam);
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return TRUE;
    default: return 0;
    }
}

LRESULT ListViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ListState* list = ControlOf<ListState>(hwnd);
    if (!list)
        return 0;
    if (message >= LVM_FIRST && message < LVM_FIRST + 0x100)
        return ListMessage(hwnd, *list, message, wParam, lParam);
    switch (message) {
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd);
        int row = ListViewRowAt(hwnd, short(HIWORD(lParam)), list->firstRow);
        SelectOnly(hwnd, *list, row);
        NMHDR click { hwnd, UINT_PTR(GetDlgCtrlID(hwnd)), NM_CLICK };
        if (HWND parent = GetParent(hwnd))
            SendMessageW(parent, WM_NOTIFY, click.idFrom, LPARAM(&click));
        return 0;
    }
    case WM_KEYDOWN: {
        int current = int(NextItem(*list, WPARAM(-1), LVNI_SELECTED));
        if (wParam == VK_UP)
            SelectOnly(hwnd, *list, std::max(0, current - 1));
        else if (wParam == VK_DOWN)
            SelectOnly(hwnd, *list, current + 1);
        return 0;
    }
    case WM_VSCROLL: {
        int step = LOWORD(wParam) == SB_LINEUP || LOWORD(wParam) == SB_PAGEUP ? -1 : 1;
        list->firstRow = std::clamp(list->firstRow + step, 0, std::max(0, int(list->rows.size()) - 1));
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_PAINT: PaintList(hwnd, *list); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace wce::ui
