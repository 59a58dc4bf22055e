// ScanBridge over the stub engine: loading, options, the callbacks the scanner calls, result
// mapping, asking through a prompt handler, and the order of teardown.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "EngineContext.h"
#include "EngineHost.h"
#include "OrvMobileEngCE.h"
#include "ScanBridge.h"
#include "StubEngine.h"
#include "TestDevice.h"

namespace {

struct TestPrompt : PromptHandler {
    int32_t Reserved0() noexcept override { return 0; }
    int32_t AddRef() noexcept override { return ++refs; }
    int32_t Release() noexcept override { return --refs; }
    int32_t Ask(const WCHAR* first, const WCHAR* second, int32_t* applyToAll) noexcept override
    {
        ++asked;
        firstText = first;
        secondText = second;
        if (setApplyToAll)
            *applyToAll = 1;
        return answer;
    }
    int32_t refs = 1;
    int asked = 0;
    int32_t answer = PROMPT_TREAT;
    bool setApplyToAll = false;
    std::u16string firstText, secondText;
};

class ScanBridgeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitFakeEngine(engine);
        WriteImage(BuildStubEngine(&engine));
        context = CreateServiceContext();
        ASSERT_NE(nullptr, context);
        context->SetAppFolder(u"\\");
        context->SetLibFolder(u"\\Lib");
        engineContext = CreateEngineContext();
        bridge = CreateScanBridge(context);
        ASSERT_NE(nullptr, bridge);
    }
    void TearDown() override
    {
        if (bridge != nullptr)
            bridge->Release();
        engineContext->Release();
        context->Release();
    }
    void WriteImage(const Bytes& bytes) { device.Write("Lib/Verdane.dll", std::string(bytes.begin(), bytes.end())); }
    int32_t Load() { return bridge->LoadEngine(u"\\Lib\\", u"\\Orv-Back.Vir\\"); }
    void SetOptions(uint32_t flag, int32_t fileType, int32_t virusAction)
    {
        OptionSettings options = { 16, 0, flag, fileType, virusAction };
        context->PutSettings(SETTINGS_OPTIONS, &options);
    }
    int32_t Scan(const WCHAR* path, int32_t force = 0)
    {
        std::fill(std::begin(name), std::end(name), WCHAR(0xCCCC));
        return bridge->ScanFile(path, name, force);
    }
    std::vector<std::string>& Events() { return engine.scanner.events; }
    ::ScanCallbacks* Callbacks() { return engine.scanner.callbacks; }

    TestDevice device;
    FakeEngine engine;
    ServiceContext* context = nullptr;
    EngineContext* engineContext = nullptr;
    ScanBridge* bridge = nullptr;
    WCHAR name[MAX_PATH + 8];
};

TEST_F(ScanBridgeTest, LoadEngineStartsTheEngineAndRecordsItsVersionInTheContext)
{
    ASSERT_EQ(1, Load());
    EXPECT_EQ("\\Lib\\", engine.libFolder);
    EXPECT_EQ("\\Orv-Back.Vir\\", engine.backupFolder);
    EXPECT_EQ("OrvMobile", engine.product);
    EXPECT_EQ((std::vector<std::string>{ "init", "getscanner", "callbacks" }), Events());
    EngineDate date = {};
    EXPECT_EQ(0x020504D2, context->GetEngineInfo(&date));
    EXPECT_EQ(2026, date.year);
    EXPECT_EQ(11, date.month);
    EXPECT_EQ(30, date.day);
}

TEST_F(ScanBridgeTest, TheImportsAreBoundToTheCallbacksOfThisHost)
{
    ASSERT_EQ(1, Load());
    EngineHost* host = bridge->GetEngineHost();
    EXPECT_EQ(host->GetFileSystem(), FileSystemCallback());
    EXPECT_EQ(host->GetAllocator(), AllocatorCallback());
    EXPECT_EQ(host->GetSystem(), SystemCallback());
    const uint8_t* image = host->GetLoader().GetImage();
    ASSERT_NE(nullptr, image);
    // The stub's address table holds the three callbacks in import order.
    std::vector<void*> expected = { reinterpret_cast<void*>(FileSystemCallback), reinterpret_cast<void*>(AllocatorCallback),
                                    reinterpret_cast<void*>(SystemCallback) };
    int found = 0;
    for (uint32_t offset = 0x2000; offset + 24 <= host->GetLoader().GetImageSize(); offset += 8) {
        void* slots[3];
        std::memcpy(slots, image + offset, sizeof slots);
        if (slots[0] == expected[0] && slots[1] == expected[1] && slots[2] == expected[2])
            ++found;
    }
    EXPECT_EQ(1, found);
}

// Without a ready engine a scan finds nothing, and no file is reported clean that nobody examined.
TEST_F(ScanBridgeTest, WithoutAReadyEngineEveryFileIsNotScanned)
{
    struct Case {
        const char* what;
        int32_t initResult;
        uint16_t machine;
        bool writeImage;
    } cases[] = {
        { "no image", 1, 0x8664, false },
        { "Init failed", 0, 0x8664, true },
        { "Init neither 0 nor 1", 2, 0x8664, true },
        { "image for another processor", 1, 0x1C0, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bridge->Release();
        InitFakeEngine(engine);
        engine.initResult = c.initResult;
        engine.scanner.nextResult = ENGINE_RESULT_DELETED;
        std::filesystem::remove(device.Host("Lib/Verdane.dll"));
        if (c.writeImage)
            WriteImage(BuildStubEngine(&engine, c.machine));
        bridge = CreateScanBridge(context);
        EXPECT_EQ(0, Load());
        EXPECT_EQ(SCAN_NOT_SCANNED, Scan(u"\\a.exe", 1));
        EXPECT_EQ(0, bridge->ApplyOptions());
        EXPECT_EQ(c.machine == 0x8664 && c.writeImage, !Events().empty());
    }
}

TEST_F(ScanBridgeTest, ALibraryFolderWithNoRoomForTheImageNameFailsTheLoad)
{
    Bytes image = BuildStubEngine(&engine);
    std::string tooLong(249, 'd'), fits(246, 'd');
    device.Write(tooLong + "/Verdane.dll", std::string(image.begin(), image.end()));
    device.Write(fits + "/Verdane.dll", std::string(image.begin(), image.end()));
    std::u16string tooLongFolder = u"\\" + std::u16string(249, u'd') + u"\\";   // 251 + 11 + 1 > 260
    EXPECT_EQ(0, bridge->LoadEngine(tooLongFolder.c_str(), u"\\b\\"));
    EXPECT_TRUE(Events().empty());
    bridge->Release();
    bridge = CreateScanBridge(context);
    std::u16string fitsFolder = u"\\" + std::u16string(246, u'd') + u"\\";      // 248 + 11 + 1 = 260
    EXPECT_EQ(1, bridge->LoadEngine(fitsFolder.c_str(), u"\\b\\"));
}

TEST_F(ScanBridgeTest, OptionsMapToEngineActionsAtEachBeginScan)
{
    ASSERT_EQ(1, Load());
    EXPECT_EQ(0, bridge->GetVirusAction());   // only the record's size before the first scan
    const int32_t settings[] = { 0, 1, 2, 3, 7, -1 };
    const int32_t actions[] = { 2, 3, 1, 0, 0, 0 };
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(settings[i]);
        SetOptions(i % 2 ? 0x103 : 0x003, 0, settings[i]);
        Events().clear();
        bridge->BeginScan(nullptr);
        std::string option = i % 2 ? "option 1" : "option 0";
        EXPECT_EQ((std::vector<std::string>{ option, "reset", "action 0 " + std::to_string(actions[i]) }), Events());
        EXPECT_EQ(settings[i], bridge->GetVirusAction());
        bridge->EndScan();
    }
}

TEST_F(ScanBridgeTest, ResultCodesMapByTheirLowByteAndTheNameIsCopied)
{
    ASSERT_EQ(1, Load());
    struct Case {
        int32_t code;
        int32_t result;
    } cases[] = { { 0, 0 }, { 16, 2 }, { 18, 2 }, { 0x110, 2 }, { 32, 3 }, { 34, 3 }, { 0x100, 1 }, { 5, 1 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        engine.scanner.nextResult = c.code;
        EXPECT_EQ(c.result, Scan(u"\\My Documents\\a.exe"));
        EXPECT_EQ("\\My Documents\\a.exe", engine.scanner.scannedPath);
        if (c.code == 0)
            EXPECT_EQ(WCHAR(0xCCCC), name[0]);   // untouched when nothing was found
        else
            EXPECT_EQ(std::u16string(u"Test.Virus"), std::u16string(name));
    }
}

TEST_F(ScanBridgeTest, TheVirusNameIsCopiedWithinBounds)
{
    ASSERT_EQ(1, Load());
    engine.scanner.nextResult = 1;
    engine.scanner.virusName = std::string(400, 'v');
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan(u"\\a"));
    EXPECT_EQ(size_t(MAX_PATH - 1), std::u16string(name).size());
    EXPECT_EQ(WCHAR(0xCCCC), name[MAX_PATH]);
    engine.scanner.nullName = true;
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan(u"\\a"));
    EXPECT_EQ(0, name[0]);
}

TEST_F(ScanBridgeTest, APathTooLongForTheEngineIsNotScanned)
{
    ASSERT_EQ(1, Load());
    engine.scanner.nextResult = 16;
    std::u16string path = u"\\" + std::u16string(300, u'p');
    EXPECT_EQ(SCAN_NOT_SCANNED, Scan(path.c_str()));
    EXPECT_EQ("", engine.scanner.scannedPath);
}

// A character the code page lacks is never handed on as its best fit, which may name another file.
TEST_F(ScanBridgeTest, APathIsNeverHandedOnWithABestFitCharacter)
{
    ASSERT_EQ(1, Load());
    Scan(u"\\My Documents\\\u0101.exe");
    // Not "a.exe", another file's name: a character the code page only approximates goes as an alias.
    EXPECT_EQ("?\\My Documents\\\xC4\x81.exe", engine.scanner.scannedPath);
}

TEST_F(ScanBridgeTest, ForceTreatSwitchesTheScannerToDeletion)
{
    ASSERT_EQ(1, Load());
    SetOptions(0x103, 0, 3);
    bridge->BeginScan(nullptr);
    Events().clear();
    engine.scanner.nextResult = 16;
    EXPECT_EQ(SCAN_DELETED, Scan(u"\\x.exe", 0x101));   // only the low byte counts
    EXPECT_EQ((std::vector<std::string>{ "reset", "action 0 2" }), Events());
    Events().clear();
    Scan(u"\\x.exe", 0x100);
    EXPECT_TRUE(Events().empty());
}

TEST_F(ScanBridgeTest, TheFileTypeFilterAcceptsProgramsAndDocumentsOnly)
{
    ASSERT_EQ(1, Load());
    ::ScanCallbacks* callbacks = Callbacks();
    ASSERT_NE(nullptr, callbacks);
    EXPECT_EQ(1, callbacks->table->AcceptFile(callbacks, "\\a.txt"));   // before the first scan
    SetOptions(0x103, 1, 0);
    bridge->BeginScan(nullptr);
    struct Case {
        const char* path;
        int32_t accepted;
    } cases[] = {
        { "\\My Documents\\a.DOC", 1 }, { "\\a.txt", 0 }, { "\\docs.old\\readme", 1 }, { "\\x\\noext", 1 },
        { "\\w\\p.Exe", 1 }, { "\\w\\l.dll", 1 }, { "\\w\\a.app", 1 }, { "\\w\\m.msg", 1 }, { "\\w\\e.exe.bak", 0 },
        { "a/b\\c.doc", 1 }, { "plain.exe", 1 }, { "plain.exex", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.accepted, callbacks->table->AcceptFile(callbacks, c.path));
    }
    SetOptions(0x103, 0, 0);
    bridge->BeginScan(nullptr);
    EXPECT_EQ(1, callbacks->table->AcceptFile(callbacks, "\\a.txt"));
}

TEST_F(ScanBridgeTest, AskingWithoutAHandlerLeavesTheFinding)
{
    ASSERT_EQ(1, Load());
    SetOptions(0x103, 0, 2);
    bridge->BeginScan(nullptr);
    engine.scanner.nextResult = 1;
    Scan(u"\\a.exe");
    EXPECT_EQ(ENGINE_ACTION_LEAVE, engine.scanner.askedAction);
}

TEST_F(ScanBridgeTest, AskActionUsesTheSettingUnlessAskingIsConfigured)
{
    ASSERT_EQ(1, Load());
    ::ScanCallbacks* callbacks = Callbacks();
    TestPrompt prompt;
    SetOptions(0x103, 0, 1);
    bridge->BeginScan(&prompt);
    int32_t action = -1;
    EXPECT_EQ(1, callbacks->table->AskAction(callbacks, "f", "v", &action));
    EXPECT_EQ(ENGINE_ACTION_RENAME, action);
    EXPECT_EQ(0, prompt.asked);
    bridge->EndScan();
}

TEST_F(ScanBridgeTest, AnAnswerForAllIsReusedForTheRunAndTheNextRunAsksAgain)
{
    ASSERT_EQ(1, Load());
    SetOptions(0x103, 0, 2);
    TestPrompt prompt;
    prompt.answer = PROMPT_TREAT;
    prompt.setApplyToAll = true;
    engine.scanner.nextResult = 16;
    bridge->BeginScan(&prompt);
    EXPECT_EQ(2, prompt.refs);
    EXPECT_EQ(SCAN_DELETED, Scan(u"\\first.exe"));
    EXPECT_EQ(ENGINE_ACTION_DELETE, engine.scanner.askedAction);
    EXPECT_EQ(std::u16string(u"\\first.exe"), prompt.firstText);
    EXPECT_EQ(std::u16string(u"Test.Virus"), prompt.secondText);
    Scan(u"\\second.exe");
    EXPECT_EQ(ENGINE_ACTION_DELETE, engine.scanner.askedAction);
    EXPECT_EQ(1, prompt.asked);
    bridge->EndScan();
    EXPECT_EQ(1, prompt.refs);

    prompt.answer = PROMPT_LEAVE;
    prompt.setApplyToAll = false;
    bridge->BeginScan(&prompt);
    Scan(u"\\third.exe");
    EXPECT_EQ(2, prompt.asked);
    EXPECT_EQ(ENGINE_ACTION_LEAVE, engine.scanner.askedAction);
    bridge->EndScan();
}

TEST_F(ScanBridgeTest, ASecondBeginScanGivesBackTheHandlerItReplaces)
{
    ASSERT_EQ(1, Load());
    TestPrompt first, second;
    bridge->BeginScan(&first);
    bridge->BeginScan(&second);
    EXPECT_EQ(1, first.refs);
    EXPECT_EQ(2, second.refs);
    bridge->Release();
    bridge = nullptr;
    EXPECT_EQ(1, second.refs);   // the bridge's teardown gives it back too
}

TEST_F(ScanBridgeTest, CallbackSlotsAnswerAsTheEngineExpects)
{
    ASSERT_EQ(1, Load());
    ::ScanCallbacks* callbacks = Callbacks();
    const ScanCallbacksTable* t = callbacks->table;
    EXPECT_EQ(callbacks, t->GetSelf1(callbacks));
    EXPECT_EQ(callbacks, t->GetSelf2(callbacks));
    EXPECT_EQ(0x01000001, t->GetInterfaceVersion(callbacks));
    EXPECT_EQ(1, t->Unused4(callbacks));
    EXPECT_EQ(1, t->Unused10(callbacks));
    EXPECT_EQ(0, t->Unused14(callbacks));
    SetOptions(0x100, 0, 0);
    bridge->BeginScan(nullptr);
    EXPECT_EQ(0, t->HasScanFlags(callbacks));
    SetOptions(0x102, 0, 0);
    bridge->BeginScan(nullptr);
    EXPECT_EQ(1, t->HasScanFlags(callbacks));
}

TEST_F(ScanBridgeTest, TeardownReleasesTheScannerBeforeShuttingTheEngineDown)
{
    ASSERT_EQ(1, Load());
    Events().clear();
    bridge->Release();
    bridge = nullptr;
    EXPECT_EQ((std::vector<std::string>{ "release", "shutdown" }), Events());
    EXPECT_EQ(nullptr, FileSystemCallback());   // the context no longer points at the host
    EXPECT_EQ(nullptr, AllocatorCallback());
}

TEST(EngineHostVersionTest, VersionPacksMajorMinorAndBuild)
{
    // Exercised through a real host over the stub in the fixture; here only the arithmetic edge:
    // a build above 16 bits keeps its low half.
    TestDevice device;
    FakeEngine engine;
    InitFakeEngine(engine);
    engine.version[3] = 0x12345;
    Bytes bytes = BuildStubEngine(&engine);
    device.Write("Lib/Verdane.dll", std::string(bytes.begin(), bytes.end()));
    EngineContext* context = CreateEngineContext();
    ScanBridge* bridge = CreateScanBridge(nullptr);
    ASSERT_EQ(1, bridge->LoadEngine(u"\\Lib\\", u"\\B\\"));
    EXPECT_EQ(0x02052345, bridge->GetEngineHost()->GetVersion(nullptr));
    bridge->Release();
    context->Release();
    EXPECT_EQ(nullptr, GetEngineContext());
}

}  // namespace
