// The control wrappers pages make on the stack: check boxes, combo boxes, texts, edits, lists.
// The scan worker uses them from its own thread; they keep nothing but the window.
#include "DialogPage.h"

#include <wce/CommCtrl.h>

void CheckBoxes::SetCheck(int id, int checked, int inMenu) noexcept
{
    if (inMenu == 0)
        SendMessageW(GetDlgItem(window, id), BM_SETCHECK, checked == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CheckBoxes::IsChecked(int id, int inMenu) noexcept
{
    return inMenu == 0 && SendMessageW(GetDlgItem(window, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int ComboBox::AddUnique(const WCHAR* text) noexcept
{
    int index = FindString(text);
    if (index == -1)
        index = int(SendMessageW(window, CB_INSERTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(text)));
    return index;
}

void ComboBox::SetCurSel(int index) noexcept { SendMessageW(window, CB_SETCURSEL, WPARAM(index), 0); }
int ComboBox::GetCurSel() noexcept { return int(SendMessageW(window, CB_GETCURSEL, 0, 0)); }
int ComboBox::GetCount() noexcept { return int(SendMessageW(window, CB_GETCOUNT, 0, 0)); }

int ComboBox::FindString(const WCHAR* text) noexcept
{
    return int(SendMessageW(window, CB_FINDSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(text)));
}

int TextWindow::SetText(const WCHAR* text) noexcept
{
    SetWindowTextW(window, text);
    return 0;
}

int EditBox::SetText(const WCHAR* text) noexcept
{
    SetWindowTextW(window, text);
    SendMessageW(window, EM_SETSEL, WPARAM(-1), LPARAM(-1));
    return 0;
}

int EditBox::GetText(WCHAR* buffer, int capacity) noexcept
{
    return GetWindowTextW(window, buffer, capacity);
}

int EditBox::AppendText(const WCHAR* text) noexcept
{
    const int length = GetWindowTextLengthW(window);
    SendMessageW(window, EM_SETSEL, WPARAM(length), LPARAM(length));
    SendMessageW(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    SendMessageW(window, EM_SETSEL, WPARAM(-1), LPARAM(-1));
    SendMessageW(window, EM_SCROLLCARET, 0, 0);
    return 0;
}

int ListView::AppendItem(const WCHAR* text) noexcept
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 0x7FFFFFFF;
    item.pszText = const_cast<WCHAR*>(text);
    item.cchTextMax = lstrlenW(text) + 1;
    return int(SendMessageW(window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListView::DeleteItem(int index) noexcept { SendMessageW(window, LVM_DELETEITEM, WPARAM(index), 0); }
void ListView::DeleteAll() noexcept { SendMessageW(window, LVM_DELETEALLITEMS, 0, 0); }

int ListView::GetNextSelected(int start) noexcept
{
    return int(SendMessageW(window, LVM_GETNEXTITEM, WPARAM(start), LVNI_SELECTED));
}

void ListView::SelectItem(int index) noexcept
{
    LVITEMW item = {};
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(window, LVM_SETITEMSTATE, WPARAM(index), reinterpret_cast<LPARAM>(&item));
}
