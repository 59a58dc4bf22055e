// DialogPage and AppPage: the base of every page dialog, the shared dialog procedure and the
// helpers and control wrappers that pages (and the scan worker) use on the page's controls.
#pragma once

#include <windows.h>

#include <cstdint>

class ServiceContext;

// Selects a page's dialog template and menu bar in the resource library.
struct PageTemplate {
    uint32_t size;
    uint32_t dialogId;
    uint32_t menuBarId;
    uint32_t reserved;
};
static_assert(sizeof(PageTemplate) == 16);

// A list ends with controlId 0. Mode 1 stretches to the right and bottom edges, others to the right.
struct LayoutEntry {
    uint32_t controlId;
    uint32_t mode;
};
static_assert(sizeof(LayoutEntry) == 8);

constexpr UINT APPMSG_REVEAL_PAGE = 0x8001;
constexpr UINT APPMSG_QUERY_ACTIVE = 0x8002;

constexpr int PAGE_KIND_LOG = 2;
constexpr int PAGE_KIND_BACKUP = 3;
constexpr int PAGE_KIND_ABOUT = 4;
constexpr int PAGE_KIND_OPTION = 5;
constexpr int PAGE_KIND_SCAN = 6;

constexpr int CMD_PAGE_HELP = 20045;

// Table order is fixed; pages add their own operations after GetLayout.
class DialogPage {
public:
    HWND dialog = nullptr;
    HWND menuBar = nullptr;
    uint32_t menuBarId = 0;

    virtual void Destroy(unsigned flags) noexcept;
    virtual int SetItemState(int id, int state, HMENU menu) noexcept;
    virtual int OnTimer(int timerId) noexcept;
    virtual int Reserved3() noexcept;
    virtual bool GetItemState(int id, int ignored, HMENU menu) noexcept;
    virtual int OnInitDialog(HWND dialogWindow, WPARAM first, LPARAM second) noexcept;
    virtual int Reserved6() noexcept;
    virtual int OnCommand(int id, WPARAM first, LPARAM second) noexcept;
    virtual int OnNotify(LPARAM notification) noexcept;
    virtual int OnClose(int id) noexcept;
    virtual INT_PTR DoModal(HWND owner, int ignored, const PageTemplate* pageTemplate) noexcept;
    virtual int GetPageKind() noexcept = 0;
    virtual void OnInitMenuPopup(HMENU menu, int position) noexcept;
    virtual const LayoutEntry* GetLayout() noexcept;

protected:
    DialogPage() = default;
    ~DialogPage() = default;
};

// The second interface of every page: slot 0 deletes the whole page.
class PageDisposer {
public:
    virtual void Destroy(unsigned flags) noexcept = 0;
    virtual int Reserved1() noexcept { return 0; }
    virtual int Reserved2() noexcept { return 0; }
    virtual int Reserved3() noexcept { return 0; }

protected:
    ~PageDisposer() = default;
};

// The common page base: DialogPage plus the disposer and Create (0 on success).
class AppPage : public DialogPage, public PageDisposer {
public:
    using DialogPage::Destroy;
    virtual int Create(ServiceContext* serviceContext, void* extra) noexcept = 0;

protected:
    AppPage() = default;
    ~AppPage() = default;
};

INT_PTR CALLBACK PageDialogProc(HWND dialog, UINT message, WPARAM first, LPARAM second);

HWND GetControl(DialogPage* page, int id);
int LoadResString(WCHAR* buffer, UINT id, int size);
int SetCaption(DialogPage* page, const WCHAR* text);
void ApplyLayout(DialogPage* page);
int ShowMessage(DialogPage* page, const WCHAR* text);
// The format takes two strings (null reads as empty) or, in the second form, two integers.
int AskFormatted(DialogPage* page, UINT formatId, const WCHAR* first, const WCHAR* second);
int AskFormatted(DialogPage* page, UINT formatId, int first, int second);
int InstallComboKeys(HWND combo);
LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM first, LPARAM second);

// Wrappers made on the stack around one window; none keeps state beyond the window.
class CheckBoxes {
public:
    explicit CheckBoxes(HWND dialogWindow) : window(dialogWindow) {}
    virtual void Destroy() noexcept {}
    virtual void SetCheck(int id, int checked, int inMenu) noexcept;
    virtual bool IsChecked(int id, int inMenu) noexcept;
    HWND window;
};

class ComboBox {
public:
    explicit ComboBox(HWND combo) : window(combo) {}
    virtual void Destroy() noexcept {}
    virtual int AddUnique(const WCHAR* text) noexcept;
    virtual void SetCurSel(int index) noexcept;
    virtual int GetCurSel() noexcept;
    virtual int FindString(const WCHAR* text) noexcept;
    virtual int GetCount() noexcept;
    HWND window;
};

class TextWindow {
public:
    explicit TextWindow(HWND target) : window(target) {}
    virtual void Destroy() noexcept {}
    virtual int SetText(const WCHAR* text) noexcept;
    HWND window;
};

class EditBox : public TextWindow {
public:
    explicit EditBox(HWND edit) : TextWindow(edit) {}
    int SetText(const WCHAR* text) noexcept override;
    virtual int GetText(WCHAR* buffer, int capacity) noexcept;
    virtual int Reserved3() noexcept { return 0; }
    virtual int Reserved4() noexcept { return 0; }
    virtual int AppendText(const WCHAR* text) noexcept;
};

class ListView {
public:
    explicit ListView(HWND list) : window(list) {}
    virtual void Destroy() noexcept {}
    virtual int AppendItem(const WCHAR* text) noexcept;
    virtual void DeleteItem(int index) noexcept;
    virtual int GetNextSelected(int start) noexcept;
    virtual void SelectItem(int index) noexcept;
    virtual void DeleteAll() noexcept;
    HWND window;
};
