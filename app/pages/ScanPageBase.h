// ScanPageBase: the scan page's dialog handlers, written against the run operations that the
// working page (ScanPage) fills in; on their own those operations do nothing.
#pragma once

#include "DialogPage.h"

class ServiceContext;

// A reference-counted object a page may be given with Create; slot 0 AddRef, slot 1 Release.
class PageExtra {
public:
    virtual int32_t AddRef() noexcept = 0;
    virtual int32_t Release() noexcept = 0;

protected:
    ~PageExtra() = default;
};

class ScanPageBase : public AppPage {
public:
    int OnTimer(int timerId) noexcept override;
    int OnInitDialog(HWND dialogWindow, WPARAM first, LPARAM second) noexcept override;
    int OnCommand(int id, WPARAM first, LPARAM second) noexcept override;
    int OnClose(int id) noexcept override;
    int GetPageKind() noexcept override;
    const LayoutEntry* GetLayout() noexcept override;
    int Create(ServiceContext* context, void* extra) noexcept override;

    // The run: empty here, the working page overrides them.
    virtual int StopAndWait() noexcept;
    virtual void StartScan() noexcept;
    virtual void RequestStop() noexcept;
    virtual void UpdateElapsed() noexcept;
    virtual bool IsRunning() noexcept;
    virtual int OnScanTimer(int timerId) noexcept;

    PageExtra* extra = nullptr;                  // one reference when set
    ServiceContext* serviceContext = nullptr;    // one reference when set

protected:
    ScanPageBase() = default;
    ~ScanPageBase();
};
