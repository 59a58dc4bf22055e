// MainFrame: the program's references to the service library's objects and the engine bridge.
#pragma once

#include <windows.h>

#include <cstdint>

class AppPage;
class EngineContext;
class LogWriter;
class NullService;
class ScanBridge;
class ServiceContext;

// Table order is fixed.
class MainFrame final {
public:
    LogWriter* logWriter = nullptr;
    ServiceContext* serviceContext = nullptr;
    NullService* nullService = nullptr;
    ScanBridge* scanBridge = nullptr;
    EngineContext* engineContext = nullptr;
    AppPage* currentPage = nullptr;

    virtual int LoadEngine() noexcept;
    virtual int Shutdown() noexcept;
    virtual void Destroy(unsigned flags) noexcept;
    virtual int Reserved3() noexcept;
    virtual int Init(const WCHAR* modulePath) noexcept;
    virtual int ClearCurrentPage() noexcept;

    // Opens the page of a menu command and returns when it has closed.
    int ShowPage(int commandId) noexcept;

private:
    ~MainFrame() = default;
};

MainFrame* CreateMainFrame();

// Writes string `stringId` of the resource library to the frame's log.
int LogResourceString(MainFrame* frame, UINT stringId);
// Reads the INI settings into the frame's service context.
int LoadSettings(MainFrame* frame);

// The application folder of a module path: cut after the last '\', else the last '/', else whole.
void AppFolderOf(const WCHAR* modulePath, WCHAR* folder);
