// ScanBridge over a stub engine whose code faults: start-up steps that fault leave the program
// without an engine, a fault during a scan makes that file not scanned and the engine is started
// anew, and a fault of host code is never swallowed. Also the names the code page cannot carry.
#include <gtest/gtest.h>

#include "EngineContext.h"
#include "EngineHost.h"
#include "OrvMobileEngCE.h"
#include "ScanBridge.h"
#include "StubEngine.h"
#include "TestDevice.h"

namespace {

#define DELIBERATE_FAULT __attribute__((no_sanitize("undefined", "address")))

DELIBERATE_FAULT void ENGINE_CALL HostHookFaults(void**)
{
    *static_cast<volatile int*>(nullptr) = 1;
}

struct Prompt : PromptHandler {
    int32_t Reserved0() noexcept override { return 0; }
    int32_t AddRef() noexcept override { return 2; }
    int32_t Release() noexcept override { return 1; }
    int32_t Ask(const WCHAR* first, const WCHAR*, int32_t*) noexcept override
    {
        file = first;
        return PROMPT_LEAVE;
    }
    std::u16string file;
};

class ScanBridgeFaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        context = CreateServiceContext();
        context->SetAppFolder(u"\\");
        engineContext = CreateEngineContext();
    }
    void TearDown() override
    {
        if (bridge != nullptr)
            bridge->Release();
        engineContext->Release();
        context->Release();
    }
    int32_t Start(StubFault fault = StubFault::None, const char* faultIn = "")
    {
        if (bridge != nullptr)
            bridge->Release();
        InitFakeEngine(engine);
        engine.scanner.faultIn = faultIn;
        Bytes bytes = BuildStubEngine(&engine, 0x8664, fault);
        device.Write("Lib/Verdane.dll", std::string(bytes.begin(), bytes.end()));
        bridge = CreateScanBridge(context);
        return bridge->LoadEngine(u"\\Lib\\", u"\\Orv-Back.Vir\\");
    }
    int32_t Scan(const WCHAR* path)
    {
        WCHAR name[MAX_PATH] = {};
        return bridge->ScanFile(path, name, 0);
    }
    int Count(const std::string& event)
    {
        return int(std::count(engine.scanner.events.begin(), engine.scanner.events.end(), event));
    }

    TestDevice device;
    FakeEngine engine;
    ServiceContext* context = nullptr;
    EngineContext* engineContext = nullptr;
    ScanBridge* bridge = nullptr;
};

TEST_F(ScanBridgeFaultTest, AFaultWhileStartingLeavesTheProgramWithoutAnEngine)
{
    struct Row {
        StubFault fault;
        const char* faultIn;
        const char* step;
    } rows[] = {
        { StubFault::EntryPoint, "", "entry point" }, { StubFault::Factory, "", "factory" },
        { StubFault::None, "Init", "Init" },           { StubFault::None, "GetScanner", "GetScanner" },
        { StubFault::None, "SetCallbacks", "SetCallbacks" }, { StubFault::None, "GetVersion", "GetVersion" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.step);
        EXPECT_EQ(0, Start(row.fault, row.faultIn));
        ASSERT_NE(nullptr, GetEngineStartFault(bridge));
        EXPECT_STREQ(row.step, GetEngineStartFault(bridge));
        EngineDate date = {};
        EXPECT_EQ(0, context->GetEngineInfo(&date));   // version 0.0.0, as without an engine
        engine.scanner.nextResult = ENGINE_RESULT_DELETED;
        EXPECT_EQ(SCAN_NOT_SCANNED, Scan(u"\\a.exe"));
        EXPECT_EQ("", engine.scanner.scannedPath);    // the faulted engine is not used
    }
    EXPECT_EQ(1, Start());
    EXPECT_EQ(nullptr, GetEngineStartFault(bridge));
}

TEST_F(ScanBridgeFaultTest, AFaultDuringAScanIsNotScannedAndTheEngineIsStartedAnew)
{
    ASSERT_EQ(1, Start(StubFault::None, "ScanFile"));
    OptionSettings options = { 16, 0, 0x103, 0, 0 };
    context->PutSettings(SETTINGS_OPTIONS, &options);
    bridge->BeginScan(nullptr);
    engine.scanner.nextResult = ENGINE_RESULT_DELETED;
    EXPECT_EQ(SCAN_NOT_SCANNED, Scan(u"\\first.exe"));
    EXPECT_EQ(1, Count("shutdown"));   // the faulted one went
    EXPECT_EQ(2, Count("init"));       // and a new one came, with the run's options
    EXPECT_EQ(2, Count("action 0 2"));
    engine.scanner.faultIn = "";
    EXPECT_EQ(SCAN_DELETED, Scan(u"\\second.exe"));
    EXPECT_EQ("\\second.exe", engine.scanner.scannedPath);
    bridge->EndScan();
}

TEST_F(ScanBridgeFaultTest, WhenTheEngineCannotBeStartedAnewTheRestIsNotScanned)
{
    ASSERT_EQ(1, Start(StubFault::None, "ScanFile"));
    engine.initResult = 0;
    engine.scanner.nextResult = ENGINE_RESULT_DELETED;
    EXPECT_EQ(SCAN_NOT_SCANNED, Scan(u"\\first.exe"));
    engine.scanner.faultIn = "";
    engine.scanner.scannedPath.clear();
    EXPECT_EQ(SCAN_NOT_SCANNED, Scan(u"\\second.exe"));
    EXPECT_EQ("", engine.scanner.scannedPath);
}

// The engine's own guarded call faulted: RunGuarded returned 0 as always, but the host knows.
TEST_F(ScanBridgeFaultTest, AFaultInsideTheEnginesOwnGuardedCallIsNotACleanResult)
{
    ASSERT_EQ(1, Start());
    ::SystemService* system = SystemCallback();
    ASSERT_NE(nullptr, system);
    engine.scanner.nextResult = 0;
    engine.scanner.faultIn = "";
    system->table->RunGuarded(system, reinterpret_cast<GuardedFunction>(engine.scanner.imageBase + 0x40), nullptr);
    EXPECT_EQ(SCAN_NOT_SCANNED, Scan(u"\\a.exe"));
    EXPECT_EQ(SCAN_CLEAN, Scan(u"\\b.exe"));   // the new engine scans on
}

TEST_F(ScanBridgeFaultTest, AFaultOfAHostCallbackIsNotSwallowed)
{
    ASSERT_EQ(1, Start(StubFault::None, "hook"));
    engine.scanner.hostHook = reinterpret_cast<void*>(HostHookFaults);
    EXPECT_DEATH(Scan(u"\\a.exe"), "");
}

// On a code-page 1252 device: the engine is handed an alias that names exactly this file, the
// user is asked about the real name, and no form of the name is lost to '?'.
TEST_F(ScanBridgeFaultTest, ANameTheCodePageCannotCarryReachesTheEngineAsAnAlias)
{
    ASSERT_EQ(1, Start());
    OptionSettings options = { 16, 0, 0x103, 0, 2 };
    context->PutSettings(SETTINGS_OPTIONS, &options);
    Prompt prompt;
    bridge->BeginScan(&prompt);
    engine.scanner.nextResult = 1;
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan(u"\\w\\\u4E2D.exe"));
    EXPECT_EQ("?\\w\\\xE4\xB8\xAD.exe", engine.scanner.scannedPath);
    EXPECT_EQ(u"\\w\\\u4E2D.exe", prompt.file);
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan(u"\\w\\caf\u00E9.exe"));
    EXPECT_EQ("\\w\\caf\xE9.exe", engine.scanner.scannedPath);   // the code page's own form
    std::u16string tooLong = u"\\" + std::u16string(100, u'\u4E2D');   // 300 bytes as UTF-8
    EXPECT_EQ(SCAN_NOT_SCANNED, Scan(tooLong.c_str()));
    bridge->EndScan();
}

}  // namespace
