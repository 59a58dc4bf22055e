// The built-in control classes, registered on first use of the class table.
#include <mutex>

#include "WindowImpl.h"
#include "wce/CommCtrl.h"

namespace wce::ui {

LRESULT ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListViewProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ProgressProc(HWND, UINT, WPARAM, LPARAM);
LRESULT DialogClassProc(HWND, UINT, WPARAM, LPARAM);
LRESULT DropDownProc(HWND, UINT, WPARAM, LPARAM);
LRESULT MenuBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT MessageBoxWindowProc(HWND, UINT, WPARAM, LPARAM);
LRESULT PopupMenuProc(HWND, UINT, WPARAM, LPARAM);

void EnsureSystemClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterSystemClass(u"BUTTON", ButtonProc, 0);
        RegisterSystemClass(u"STATIC", StaticProc, 0);
        RegisterSystemClass(u"EDIT", EditProc, 0);
        RegisterSystemClass(u"COMBOBOX", ComboBoxProc, 0);
        RegisterSystemClass(WC_LISTVIEW, ListViewProc, 0);
        RegisterSystemClass(PROGRESS_CLASS, ProgressProc, 0);
        RegisterSystemClass(u"Dialog", DialogClassProc, 0);
        RegisterSystemClass(u"ComboLBox", DropDownProc, 0);
        RegisterSystemClass(u"menu_worker", MenuBarProc, 0);
        RegisterSystemClass(u"WceMessageBox", MessageBoxWindowProc, 0);
        RegisterSystemClass(u"menu_popup", PopupMenuProc, 0);
    });
}

}  // namespace wce::ui
