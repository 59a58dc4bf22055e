// ScanPageBase: opening, commands, closing and layout of the scan page.
#include "ScanPageBase.h"

#include <OrvMobileEngCE.h>
#include <ResourceIds.h>

#include <wce/CommCtrl.h>

namespace {

constexpr LayoutEntry SCAN_LAYOUT[] = {
    { IDC_SCAN_CURRENT, 0 },
    { IDC_SCAN_PROGRESS, 0 },
    { IDC_SCAN_RESULTS, 1 },
    { 0, 0 },
};

} // namespace

ScanPageBase::~ScanPageBase()
{
    if (serviceContext)
        serviceContext->Release();
    if (extra)
        extra->Release();
}

int ScanPageBase::OnTimer(int timerId) noexcept
{
    OnScanTimer(timerId);
    return 0;
}

// The scan starts as the page opens: the buttons and the bar are set for a run first.
int ScanPageBase::OnInitDialog(HWND dialogWindow, WPARAM first, LPARAM second) noexcept
{
    EnableWindow(GetDlgItem(dialogWindow, IDC_SCAN_START), FALSE);
    EnableWindow(GetDlgItem(dialogWindow, IDC_SCAN_STOP), TRUE);
    HWND progress = GetDlgItem(dialogWindow, IDC_SCAN_PROGRESS);
    SendMessageW(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageW(progress, PBM_SETSTEP, 1, 0);
    SendMessageW(progress, PBM_SETPOS, 0, 0);
    StartScan();
    return DialogPage::OnInitDialog(dialogWindow, first, second);
}

int ScanPageBase::OnCommand(int id, WPARAM first, LPARAM second) noexcept
{
    switch (id) {
    case CMD_SCAN_STOP:
        RequestStop();
        return 0;
    case CMD_SCAN_START:
    case CMD_SCAN_START_AGAIN:
    case CMD_SCAN_START_ALL:
        StartScan();
        return 0;
    default:
        return DialogPage::OnCommand(id, first, second);
    }
}

int ScanPageBase::OnClose(int id) noexcept
{
    StopAndWait();
    return DialogPage::OnClose(id);
}

int ScanPageBase::GetPageKind() noexcept
{
    return PAGE_KIND_SCAN;
}

const LayoutEntry* ScanPageBase::GetLayout() noexcept
{
    return SCAN_LAYOUT;
}

int ScanPageBase::Create(ServiceContext* context, void* extraObject) noexcept
{
    serviceContext = context;
    if (serviceContext)
        serviceContext->AddRef();
    extra = static_cast<PageExtra*>(extraObject);
    if (extra)
        extra->AddRef();
    return 0;
}

int ScanPageBase::StopAndWait() noexcept { return 1; }
void ScanPageBase::StartScan() noexcept {}
void ScanPageBase::RequestStop() noexcept {}
void ScanPageBase::UpdateElapsed() noexcept {}
bool ScanPageBase::IsRunning() noexcept { return false; }
int ScanPageBase::OnScanTimer(int) noexcept { return 1; }
