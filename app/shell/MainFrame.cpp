// MainFrame: binds the service library at start-up, loads the engine, and releases both at exit.
#include "MainFrame.h"

#include "AppState.h"
#include "DialogPage.h"
#include "ServiceLibrary.h"

#include "EngineContext.h"
#include "ScanBridge.h"

#include <ResourceIds.h>

#include <new>

namespace {

// Appends within a MAX_PATH buffer; a folder too deep for the name gives a path that opens nothing.
void JoinPath(WCHAR* out, const WCHAR* folder, const WCHAR* name)
{
    lstrcpynW(out, folder, MAX_PATH);
    const int used = lstrlenW(out);
    lstrcpynW(out + used, name, MAX_PATH - used);
}

} // namespace

void AppFolderOf(const WCHAR* modulePath, WCHAR* folder)
{
    lstrcpynW(folder, modulePath, MAX_PATH);
    int cut = -1;
    for (int i = 0; folder[i]; ++i) {
        if (folder[i] == u'\\')
            cut = i;
    }
    if (cut < 0) {
        for (int i = 0; folder[i]; ++i) {
            if (folder[i] == u'/')
                cut = i;
        }
    }
    if (cut >= 0)
        folder[cut + 1] = 0;
}

MainFrame* CreateMainFrame()
{
    return new (std::nothrow) MainFrame();
}

int LogResourceString(MainFrame* frame, UINT stringId)
{
    if (!frame->logWriter)
        return 0;
    WCHAR text[1024] = {};
    LoadResString(text, stringId, 128);
    frame->logWriter->Write(text, nullptr);
    return 0;
}

// An engine that faulted while it started is not used; the log says in which step.
static void LogEngineFault(MainFrame* frame, const char* step)
{
    if (step == nullptr || !frame->logWriter)
        return;
    WCHAR format[128] = {};
    WCHAR stepText[32] = {};
    WCHAR text[WSPRINTF_MAX + 1];
    LoadResString(format, IDS_FMT_ENGINE_FAULT, 128);
    for (int i = 0; i < 31 && step[i] != 0; ++i)
        stepText[i] = WCHAR(uint8_t(step[i]));
    wsprintfW(text, format, stepText);
    frame->logWriter->Write(text, nullptr);
}

int LoadSettings(MainFrame* frame)
{
    SettingsStore* store = GetServiceFactories().createSettingsStore(frame->serviceContext);
    if (store) {
        store->Load();
        store->Free();
    }
    return 0;
}

int MainFrame::Init(const WCHAR* modulePath) noexcept
{
    if (!BindServiceLibrary())
        return 1;
    const ServiceFactories& factories = GetServiceFactories();
    serviceContext = factories.createServiceContext();
    if (!serviceContext)
        return 1;
    WCHAR folder[MAX_PATH] = {};
    WCHAR path[MAX_PATH] = {};
    AppFolderOf(modulePath, folder);
    serviceContext->SetAppFolder(folder);
    JoinPath(path, folder, u"Lib\\");
    serviceContext->SetLibFolder(path);
    JoinPath(g_app.helpFolder, folder, u"Help\\");
    LoadSettings(this);
    JoinPath(path, folder, u"OrvMobile.Log");
    logWriter = factories.createLogWriter(serviceContext, path);
    if (logWriter)
        LogResourceString(this, IDS_LOG_START);
    nullService = factories.createNullService(serviceContext);
    engineContext = CreateEngineContext();
    g_app.engineContext = engineContext;
    // Without memory for the context the engine cannot be hosted; scans then find nothing.
    if (engineContext) {
        engineContext->SetLog(logWriter);
        engineContext->Init(1);
    }
    return 0;
}

int MainFrame::LoadEngine() noexcept
{
    scanBridge = CreateScanBridge(serviceContext);
    WCHAR libFolder[MAX_PATH] = {};
    WCHAR backupFolder[MAX_PATH] = {};
    serviceContext->GetLibFolder(libFolder);
    serviceContext->GetBackupFolder(backupFolder, 0);
    // Without an engine the program runs on and scans find nothing.
    if (scanBridge) {
        scanBridge->LoadEngine(libFolder, backupFolder);
        scanBridge->Acknowledge(0);
        LogEngineFault(this, GetEngineStartFault(scanBridge));
    }
    return 0;
}

int MainFrame::Shutdown() noexcept
{
    if (scanBridge) {
        scanBridge->Release();
        scanBridge = nullptr;
    }
    return 0;
}

void MainFrame::Destroy(unsigned flags) noexcept
{
    // Normally gone with the main window; still here when that window was never made.
    Shutdown();
    if (nullService) {
        nullService->Release();
        nullService = nullptr;
    }
    if (engineContext) {
        engineContext->Release();
        engineContext = nullptr;
    }
    if (logWriter) {
        LogResourceString(this, IDS_LOG_END);
        logWriter->Release();
        logWriter = nullptr;
    }
    if (serviceContext) {
        serviceContext->Release();
        serviceContext = nullptr;
    }
    if (flags & 1)
        delete this;
}

int MainFrame::Reserved3() noexcept { return 0; }

int MainFrame::ClearCurrentPage() noexcept
{
    currentPage = nullptr;
    return 0;
}
