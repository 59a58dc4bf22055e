// LogPage: the text of the log in a read-only view, with commands to clear it or keep the last run.
#pragma once

#include "DialogPage.h"

class LogWriter;

class LogPage final : public AppPage {
public:
    LogPage() = default;

    void Destroy(unsigned flags) noexcept override;
    int OnCommand(int id, WPARAM first, LPARAM second) noexcept override;
    int GetPageKind() noexcept override;
    const LayoutEntry* GetLayout() noexcept override;
    // Keeps the log writer (`extra`); the service context is not kept.
    int Create(ServiceContext* context, void* extra) noexcept override;

    void RefreshLog();
    void ShowLogText(const WCHAR* text);

    LogWriter* logWriter = nullptr;   // one reference held; may be null

private:
    ~LogPage();
};
