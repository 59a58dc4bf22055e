// BackupPage: lists the backups the engine kept, shows the details of one, and restores or
// deletes one or all of them.
#pragma once

#include <OrvMobileEngCE.h>

#include "DialogPage.h"

// The page listens to its own store: the store reports each backup it finds through OnBackup.
class BackupPage final : public AppPage, public BackupSink {
public:
    BackupPage() = default;

    void Destroy(unsigned flags) noexcept override;
    int OnInitDialog(HWND dialogWindow, WPARAM first, LPARAM second) noexcept override;
    int OnCommand(int id, WPARAM first, LPARAM second) noexcept override;
    int OnNotify(LPARAM notification) noexcept override;
    int OnClose(int id) noexcept override;
    int GetPageKind() noexcept override;
    void OnInitMenuPopup(HMENU menu, int position) noexcept override;
    const LayoutEntry* GetLayout() noexcept override;
    int Create(ServiceContext* context, void* extra) noexcept override;

    int32_t Reserved0() noexcept override { return 0; }
    int32_t OnBackup(int32_t kind, const BackupRecord* record) noexcept override;

    // The row of the new entry, or -1 when there was no memory for it (then no row is added).
    int AddEntry(const BackupRecord& record) noexcept;
    // The index of the entry shown in row, or -1 when no entry is.
    int FindEntryByRow(int row) const noexcept;
    void RemoveEntry(int row) noexcept;
    void ShowDetails(int entry) noexcept;
    void ShowEmpty() noexcept;
    bool RestoreEntry(int entry) noexcept;

    BackupStore* store = nullptr;              // made when the dialog opens; one reference
    ServiceContext* serviceContext = nullptr;  // one reference
    BackupRecord* entries = nullptr;           // in arrival order; tag is the entry's row
    int32_t entryCount = 0;
    int32_t entryCapacity = 0;

private:
    ~BackupPage();

    bool GrowEntries() noexcept;
    int SelectedRow() noexcept;
    void DeleteSelected() noexcept;
    void RestoreSelected() noexcept;
    void DeleteAll() noexcept;
    void ReportRestoreRefused(const WCHAR* source) noexcept;
};
