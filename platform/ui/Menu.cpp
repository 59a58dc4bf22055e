// Menus: loading from resources, building, item states and look-up by command or position.
#include <algorithm>
#include <memory>
#include <unordered_map>

#include "MenuImpl.h"
#include "MenuResource.h"
#include "wce/WinBase.h"
#include "wce/WinModule.h"

namespace wce::ui {

namespace {

struct MenuTable {
    std::recursive_mutex lock;
    std::unordered_map<HMENU, std::unique_ptr<Menu>> menus;
};

MenuTable& Menus()
{
    static MenuTable* table = new MenuTable;
    return *table;
}

HMENU NewMenu(bool popup)
{
    auto menu = std::make_unique<Menu>();
    menu->popup = popup;
    HMENU handle = reinterpret_cast<HMENU>(menu.get());
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    Menus().menus.emplace(handle, std::move(menu));
    return handle;
}

HMENU BuildMenu(const std::vector<MenuItemTemplate>& items, bool popup)
{
    HMENU handle = NewMenu(popup);
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    for (const MenuItemTemplate& source : items) {
        MenuItem item;
        item.type = (source.flags & MF_SEPARATOR) || (source.text.empty() && !source.id && !(source.flags & MF_POPUP))
                        ? MFT_SEPARATOR : MFT_STRING;
        item.state = source.flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
        item.id = source.id;
        item.text = source.text;
        if (source.flags & MF_POPUP)
            item.subMenu = BuildMenu(source.children, true);
        FindMenuRecord(handle)->items.push_back(item);
    }
    return handle;
}

// Finds an item by command (searching popups too) or by position; returns the menu holding it.
MenuItem* Locate(HMENU menu, UINT item, bool byPosition, int depth = 0)
{
    Menu* record = FindMenuRecord(menu);
    if (!record || depth > 16)
        return nullptr;
    if (byPosition)
        return item < record->items.size() ? &record->items[item] : nullptr;
    for (MenuItem& entry : record->items) {
        if (entry.subMenu) {
            if (MenuItem* inner = Locate(entry.subMenu, item, false, depth + 1))
                return inner;
        } else if (entry.id == item && entry.type != MFT_SEPARATOR) {
            return &entry;
        }
    }
    return nullptr;
}

void CopyText(const std::u16string& text, LPWSTR buffer, UINT& size)
{
    if (!buffer || size == 0) {
        size = UINT(text.size());
        return;
    }
    size_t count = std::min<size_t>(text.size(), size - 1);
    std::copy_n(text.begin(), count, buffer);
    buffer[count] = 0;
    size = UINT(count);
}

}  // namespace

std::recursive_mutex& MenuLock()
{
    return Menus().lock;
}

Menu* FindMenuRecord(HMENU menu)
{
    auto found = Menus().menus.find(menu);
    return found == Menus().menus.end() ? nullptr : found->second.get();
}

std::u16string MenuItemLabel(const std::u16string& text)
{
    std::u16string label;
    for (size_t i = 0; i < text.size() && text[i] != u'\t'; ++i) {
        if (text[i] == u'&' && i + 1 < text.size() && text[i + 1] != u'&')
            continue;
        if (text[i] == u'&')
            ++i;
        label.push_back(text[i]);
    }
    return label;
}

HMENU MenuFromTemplate(const ByteReader& bytes)
{
    std::vector<MenuItemTemplate> items;
    if (!ReadMenuTemplate(bytes, items))
        return nullptr;
    return BuildMenu(items, false);
}

}  // namespace wce::ui

using namespace wce::ui;

HMENU LoadMenuW(HINSTANCE hInstance, LPCWSTR lpMenuName)
{
    HRSRC resource = FindResourceW(hInstance, lpMenuName, RT_MENU);
    HGLOBAL loaded = resource ? LoadResource(hInstance, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    HMENU menu = MenuFromTemplate(ByteReader(bytes, SizeofResource(hInstance, resource)));
    if (!menu)
        SetLastError(ERROR_INVALID_DATA);
    return menu;
}

HMENU LoadMenuIndirectW(const void* lpMenuTemplate)
{
    // No size comes with the indirect form; a menu template never comes near this.
    return lpMenuTemplate ? MenuFromTemplate(ByteReader(lpMenuTemplate, 0x10000)) : nullptr;
}

HMENU CreateMenu()
{
    return NewMenu(false);
}

HMENU CreatePopupMenu()
{
    return NewMenu(true);
}

BOOL DestroyMenu(HMENU hMenu)
{
    std::unique_ptr<Menu> record;
    {
        std::lock_guard<std::recursive_mutex> guard(MenuLock());
        auto found = Menus().menus.find(hMenu);
        if (found == Menus().menus.end()) {
            SetLastError(ERROR_INVALID_MENU_HANDLE);
            return FALSE;
        }
        record = std::move(found->second);
        Menus().menus.erase(found);
    }
    for (MenuItem& item : record->items)
        if (item.subMenu)
            DestroyMenu(item.subMenu);
    return TRUE;
}

HMENU GetSubMenu(HMENU hMenu, int nPos)
{
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    MenuItem* item = nPos < 0 ? nullptr : Locate(hMenu, UINT(nPos), true);
    return item ? item->subMenu : nullptr;
}

int GetMenuItemCount(HMENU hMenu)
{
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    Menu* record = FindMenuRecord(hMenu);
    return record ? int(record->items.size()) : -1;
}

UINT GetMenuItemID(HMENU hMenu, int nPos)
{
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    MenuItem* item = nPos < 0 ? nullptr : Locate(hMenu, UINT(nPos), true);
    return item && !item->subMenu ? item->id : UINT(-1);
}

DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck)
{
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    MenuItem* item = Locate(hMenu, uIDCheckItem, (uCheck & MF_BYPOSITION) != 0);
    if (!item)
        return DWORD(-1);
    DWORD previous = item->state & MF_CHECKED;
    item->state = (item->state & ~MF_CHECKED) | (uCheck & MF_CHECKED);
    return previous;
}

BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable)
{
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    MenuItem* item = Locate(hMenu, uIDEnableItem, (uEnable & MF_BYPOSITION) != 0);
    if (!item)
        return -1;
    BOOL previous = BOOL(item->state & (MF_GRAYED | MF_DISABLED));
    item->state = (item->state & ~(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
    return previous;
}

UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags)
{
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    MenuItem* item = Locate(hMenu, uId, (uFlags & MF_BYPOSITION) != 0);
    if (!item)
        return UINT(-1);
    UINT state = item->state | (item->type == MFT_SEPARATOR ? MF_SEPARATOR : 0);
    if (item->subMenu) {
        Menu* sub = FindMenuRecord(item->subMenu);
        state |= MF_POPUP | (sub ? UINT(sub->items.size()) << 8 : 0);
    }
    return state;
}

BOOL GetMenuItemInfoW(HMENU hMenu, UINT uItem, BOOL fByPosition, LPMENUITEMINFOW lpmii)
{
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    MenuItem* item = Locate(hMenu, uItem, fByPosition != FALSE);
    if (!item || !lpmii) {
        SetLastError(item ? ERROR_INVALID_PARAMETER : ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    if (lpmii->fMask & MIIM_STATE)
        lpmii->fState = item->state;
    if (lpmii->fMask & MIIM_ID)
        lpmii->wID = item->id;
    if (lpmii->fMask & MIIM_SUBMENU)
        lpmii->hSubMenu = item->subMenu;
    if (lpmii->fMask & MIIM_TYPE) {
        lpmii->fType = item->type;
        if (item->type != MFT_SEPARATOR)
            CopyText(item->text, lpmii->dwTypeData, lpmii->cch);
    }
    return TRUE;
}

BOOL SetMenuItemInfoW(HMENU hMenu, UINT uItem, BOOL fByPosition, LPCMENUITEMINFOW lpmii)
{
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    MenuItem* item = Locate(hMenu, uItem, fByPosition != FALSE);
    if (!item || !lpmii)
        return FALSE;
    if (lpmii->fMask & MIIM_STATE)
        item->state = lpmii->fState;
    if (lpmii->fMask & MIIM_ID)
        item->id = lpmii->wID;
    if (lpmii->fMask & MIIM_SUBMENU)
        item->subMenu = lpmii->hSubMenu;
    if (lpmii->fMask & MIIM_TYPE) {
        item->type = lpmii->fType & MFT_SEPARATOR;
        item->text = lpmii->dwTypeData && item->type != MFT_SEPARATOR ? lpmii->dwTypeData : u"";
    }
    return TRUE;
}

BOOL InsertMenuW(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem)
{
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    Menu* record = FindMenuRecord(hMenu);
    if (!record)
        return FALSE;
    MenuItem item;
    item.type = (uFlags & MF_SEPARATOR) ? MFT_SEPARATOR : MFT_STRING;
    item.state = uFlags & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
    if (uFlags & MF_POPUP)
        item.subMenu = reinterpret_cast<HMENU>(uIDNewItem);
    else
        item.id = UINT(uIDNewItem);
    if (lpNewItem && !(uFlags & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW)))
        item.text = lpNewItem;
    size_t at = record->items.size();
    if (uFlags & MF_BYPOSITION)
        at = std::min<size_t>(uPosition, record->items.size());
    else if (uPosition != UINT(-1))
        for (size_t i = 0; i < record->items.size(); ++i)
            if (record->items[i].id == uPosition && !record->items[i].subMenu)
                at = i;
    record->items.insert(record->items.begin() + ptrdiff_t(at), item);
    return TRUE;
}

BOOL AppendMenuW(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem)
{
    return InsertMenuW(hMenu, UINT(-1), uFlags | MF_BYPOSITION, uIDNewItem, lpNewItem);
}

BOOL RemoveMenu(HMENU hMenu, UINT uPosition, UINT uFlags)
{
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    Menu* record = FindMenuRecord(hMenu);
    if (!record)
        return FALSE;
    for (size_t i = 0; i < record->items.size(); ++i) {
        bool match = (uFlags & MF_BYPOSITION) ? i == uPosition : (!record->items[i].subMenu && record->items[i].id == uPosition);
        if (match) {
            record->items.erase(record->items.begin() + ptrdiff_t(i));
            return TRUE;
        }
    }
    return FALSE;
}

BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags)
{
    HMENU sub = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(MenuLock());
        MenuItem* item = Locate(hMenu, uPosition, (uFlags & MF_BYPOSITION) != 0);
        sub = item ? item->subMenu : nullptr;
    }
    if (!RemoveMenu(hMenu, uPosition, uFlags))
        return FALSE;
    if (sub)
        DestroyMenu(sub);
    return TRUE;
}

BOOL DrawMenuBar(HWND hWnd)
{
    return IsWindow(hWnd);
}
