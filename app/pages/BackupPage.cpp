// BackupPage: the backups of the store in a list view, the details of the selected one, and the
// restore and delete commands of its menu bar.
#include "BackupPage.h"

#include <ResourceIds.h>
#include <wce/CommCtrl.h>

#include "BackupDetails.h"
#include "PageFactories.h"
#include "ServiceLibrary.h"

#include <cstring>
#include <new>

namespace {

constexpr int32_t ENTRY_GROWTH = 16;
constexpr int32_t BACKUP_FOUND = 0;   // the store's kind for a listed backup
constexpr int ITEM_GRAYED = 2;
constexpr int ITEM_ENABLED = 0;

const LayoutEntry BACKUP_LAYOUT[] = { { IDC_BACKUP_LIST, 0 }, { IDC_BACKUP_DETAILS, 1 }, { 0, 0 } };

// A record whose backup path does not end inside its field names no file we could delete safely.
bool HasTerminatedBackupPath(const BackupRecord& record)
{
    for (int i = 0; i < MAX_PATH; ++i) {
        if (record.backupPath[i] == 0)
            return true;
    }
    return false;
}

} // namespace

BackupPage::~BackupPage()
{
    if (store)
        store->Release();
    if (serviceContext)
        serviceContext->Release();
    delete[] entries;
}

void BackupPage::Destroy(unsigned flags) noexcept
{
    this->~BackupPage();
    if (flags & 1)
        ::operator delete(this);
}

int BackupPage::OnInitDialog(HWND dialogWindow, WPARAM first, LPARAM second) noexcept
{
    // Without the factory or a context there is no store: the list stays empty.
    CreateBackupStoreFn createStore = GetServiceFactories().createBackupStore;
    store = createStore && serviceContext ? createStore(serviceContext) : nullptr;
    if (store) {
        store->SetSink(this, 1);
        store->Execute(BACKUP_LIST, nullptr);
    }
    if (entryCount != 0)
        ListView(GetControl(this, IDC_BACKUP_LIST)).SelectItem(0);
    else
        ShowEmpty();
    return DialogPage::OnInitDialog(dialogWindow, first, second);
}

int BackupPage::OnCommand(int id, WPARAM first, LPARAM second) noexcept
{
    switch (id) {
    case CMD_BACKUP_DELETE: DeleteSelected(); return 1;
    case CMD_BACKUP_RESTORE: RestoreSelected(); return 1;
    case CMD_BACKUP_DELETE_ALL: DeleteAll(); return 1;
    default: return DialogPage::OnCommand(id, first, second);
    }
}

// The details follow the selection, whether the page, a tap or the arrow keys moved it.
int BackupPage::OnNotify(LPARAM notification) noexcept
{
    const auto* header = reinterpret_cast<const NMHDR*>(notification);
    if (!header || header->code != UINT(LVN_ITEMCHANGED))
        return 0;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(notification);
    if (change->uNewState & LVIS_SELECTED) {
        const int entry = FindEntryByRow(change->iItem);
        if (entry >= 0)
            ShowDetails(entry);
    }
    return 0;
}

int BackupPage::OnClose(int id) noexcept
{
    if (store)
        store->SetSink(this, 0);
    return DialogPage::OnClose(id);
}

int BackupPage::GetPageKind() noexcept
{
    return PAGE_KIND_BACKUP;
}

// Restore and delete act on the selected backup only, so they are grayed while none is.
void BackupPage::OnInitMenuPopup(HMENU menu, int) noexcept
{
    const int anyState = entryCount == 0 ? ITEM_GRAYED : ITEM_ENABLED;
    const int selectedState = SelectedRow() < 0 ? ITEM_GRAYED : ITEM_ENABLED;
    SetItemState(CMD_BACKUP_DELETE_ALL, anyState, menu);
    SetItemState(CMD_BACKUP_DELETE, selectedState, menu);
    SetItemState(CMD_BACKUP_RESTORE, selectedState, menu);
    SetItemState(CMD_BACKUP_MENU, anyState, menu);
}

const LayoutEntry* BackupPage::GetLayout() noexcept
{
    return BACKUP_LAYOUT;
}

int BackupPage::Create(ServiceContext* context, void*) noexcept
{
    serviceContext = context;
    if (serviceContext)
        serviceContext->AddRef();
    return 0;
}

int32_t BackupPage::OnBackup(int32_t kind, const BackupRecord* record) noexcept
{
    if (kind == BACKUP_FOUND && record && HasTerminatedBackupPath(*record))
        AddEntry(*record);
    return 0;
}

bool BackupPage::GrowEntries() noexcept
{
    if (entryCapacity > INT32_MAX / int32_t(sizeof(BackupRecord)) - ENTRY_GROWTH)
        return false;
    auto* grown = new (std::nothrow) BackupRecord[size_t(entryCapacity + ENTRY_GROWTH)];
    if (!grown)
        return false;
    if (entryCount != 0)
        std::memcpy(grown, entries, size_t(entryCount) * sizeof(BackupRecord));
    delete[] entries;
    entries = grown;
    entryCapacity += ENTRY_GROWTH;
    return true;
}

// Room is made before the row: a row without an entry would make the commands act on another one.
int BackupPage::AddEntry(const BackupRecord& record) noexcept
{
    if (entryCount == entryCapacity && !GrowEntries())
        return -1;
    WCHAR source[MAX_PATH];
    BackupSourceText(record, source);
    const int row = ListView(GetControl(this, IDC_BACKUP_LIST)).AppendItem(source);
    if (row < 0)
        return -1;
    for (int32_t i = 0; i < entryCount; ++i) {
        if (int(entries[i].tag) >= row)
            ++entries[i].tag;
    }
    entries[entryCount] = record;
    entries[entryCount].tag = uint32_t(row);
    ++entryCount;
    return row;
}

int BackupPage::FindEntryByRow(int row) const noexcept
{
    for (int32_t i = 0; i < entryCount; ++i) {
        if (int(entries[i].tag) == row)
            return i;
    }
    return -1;
}

void BackupPage::RemoveEntry(int row) noexcept
{
    ListView list(GetControl(this, IDC_BACKUP_LIST));
    list.DeleteItem(row);
    int32_t kept = 0;
    for (int32_t i = 0; i < entryCount; ++i) {
        BackupRecord& entry = entries[i];
        if (int(entry.tag) == row) {
            // After a restore the store has removed the file already; that failure says nothing.
            if (serviceContext)
                GetFileOps(serviceContext)->DeleteFile(entry.backupPath);
            continue;
        }
        if (int(entry.tag) > row)
            --entry.tag;
        if (kept != i)
            entries[kept] = entry;
        ++kept;
    }
    entryCount = kept;
    if (entryCount == 0)
        ShowEmpty();
    else
        list.SelectItem(row < entryCount - 1 ? row : entryCount - 1);
}

void BackupPage::ShowDetails(int entry) noexcept
{
    WCHAR format[256] = {};
    WCHAR text[BACKUP_DETAILS_CHARS] = {};
    LoadResString(format, IDS_FMT_BACKUP_DETAILS, 256);
    FormatBackupDetails(entries[entry], format, text);
    EditBox(GetControl(this, IDC_BACKUP_DETAILS)).SetText(text);
}

void BackupPage::ShowEmpty() noexcept
{
    WCHAR text[128] = {};
    LoadResString(text, IDS_NO_BACKUPS, 128);
    EditBox(GetControl(this, IDC_BACKUP_DETAILS)).SetText(text);
}

// A restore never replaces a file: whatever stands at the source path now was put there after the
// scan took the infected file away, and the user may need it. The store itself fails when the
// folder is gone; either way the backup stays.
bool BackupPage::RestoreEntry(int entry) noexcept
{
    if (!store || entry < 0 || entry >= entryCount)
        return false;
    WCHAR source[MAX_PATH];
    BackupSourceText(entries[entry], source);
    if (source[0] == 0 || GetFileAttributesW(source) != INVALID_FILE_ATTRIBUTES)
        return false;
    return store->Execute(BACKUP_RESTORE, &entries[entry]) == 0;
}

int BackupPage::SelectedRow() noexcept
{
    if (entryCount == 0)
        return -1;
    const int row = ListView(GetControl(this, IDC_BACKUP_LIST)).GetNextSelected(-1);
    return row >= 0 && FindEntryByRow(row) >= 0 ? row : -1;
}

void BackupPage::DeleteSelected() noexcept
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    WCHAR source[MAX_PATH];
    BackupSourceText(entries[FindEntryByRow(row)], source);
    if (AskFormatted(this, IDS_ASK_DELETE_BACKUP, source, nullptr) == IDYES)
        RemoveEntry(row);
}

void BackupPage::RestoreSelected() noexcept
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    WCHAR source[MAX_PATH];
    BackupSourceText(entries[FindEntryByRow(row)], source);
    if (AskFormatted(this, IDS_ASK_RESTORE_BACKUP, source, nullptr) != IDYES)
        return;
    if (RestoreEntry(FindEntryByRow(row)))
        RemoveEntry(row);
    else
        ReportRestoreRefused(source);
}

void BackupPage::DeleteAll() noexcept
{
    if (entryCount == 0 || AskFormatted(this, IDS_ASK_DELETE_ALL, nullptr, nullptr) != IDYES)
        return;
    ListView list(GetControl(this, IDC_BACKUP_LIST));
    for (int row = entryCount - 1; row >= 0; --row)
        list.DeleteItem(row);
    entryCount = 0;
    if (store)
        store->Execute(BACKUP_PURGE, nullptr);
    ShowEmpty();
}

// Without a word the user would press Restore again and again; one box says that nothing changed
// and why that may be.
void BackupPage::ReportRestoreRefused(const WCHAR* source) noexcept
{
    WCHAR caption[64] = {};
    WCHAR format[128] = {};
    WCHAR text[BACKUP_DETAILS_CHARS] = {};
    LoadResString(caption, IDS_QUESTION_CAPTION, 64);
    LoadResString(format, IDS_RESTORE_REFUSED, 128);
    wsprintfW(text, format, source);
    MessageBoxW(dialog, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

AppPage* CreateBackupPage(ServiceContext* serviceContext)
{
    auto* page = new (std::nothrow) BackupPage();
    if (page && page->Create(serviceContext, nullptr) != 0) {
        page->Destroy(1);
        return nullptr;
    }
    return page;
}
