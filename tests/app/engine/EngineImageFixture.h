// EngineImageFixture: the real engine image hosted as the program hosts it, over a temporary
// device holding a copy of the built library folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "EngineContext.h"
#include "EngineHost.h"
#include "OrvMobileEngCE.h"
#include "ScanBridge.h"
#include "TestDevice.h"
#include "TrackedAllocator.h"


inline const std::filesystem::path LIB_DIR = ORV_ENGINE_LIB_DIR;

// Put together at run time so that this source file is not itself a test file.
inline std::string TestFileText()
{
    return std::string("X5O!P%@AP[4\\PZX54(P^)7CC)7}$") + "EICAR-STANDARD-ANTIVIRUS-" + "TEST-FILE!$H+H*";
}

struct Prompt : PromptHandler {
    int32_t Reserved0() noexcept override { return 0; }
    int32_t AddRef() noexcept override { return ++refs; }
    int32_t Release() noexcept override { return --refs; }
    int32_t Ask(const WCHAR* first, const WCHAR* second, int32_t* applyToAll) noexcept override
    {
        ++asked;
        lastFile = first;
        lastName = second;
        *applyToAll = forAll ? 1 : 0;
        return answer;
    }
    int32_t refs = 1, asked = 0, answer = PROMPT_TREAT;
    bool forAll = false;
    std::u16string lastFile, lastName;
};

struct BackupList : BackupSink {
    int32_t Reserved0() noexcept override { return 0; }
    int32_t OnBackup(int32_t, const BackupRecord* record) noexcept override
    {
        records.push_back(*record);
        return 0;
    }
    std::vector<BackupRecord> records;
};

class EngineImageTest : public ::testing::Test {
protected:
    // The library folder the image is taken from (the probe build's for the fault tests).
    virtual std::filesystem::path ImageFolder() const { return LIB_DIR; }
    void SetUp() override
    {
        if (!std::filesystem::exists(ImageFolder() / "Verdane.dll"))
            GTEST_SKIP() << "the engine image has not been built";
        setenv("WCE_FAKE_TIME", "2026-12-07T10:20:30", 1);
        std::filesystem::create_directories(device.Host("Lib"));
        for (const auto& entry : std::filesystem::directory_iterator(LIB_DIR))
            std::filesystem::copy_file(entry.path(), device.Host("Lib") / entry.path().filename());
        std::filesystem::copy_file(ImageFolder() / "Verdane.dll", device.Host("Lib") / "Verdane.dll",
                                   std::filesystem::copy_options::overwrite_existing);
        context = CreateServiceContext();
        context->SetAppFolder(u"\\");
        context->SetLibFolder(u"\\Lib");
        engineContext = CreateEngineContext();
        bridge = CreateScanBridge(context);
        WCHAR lib[MAX_PATH], backup[MAX_PATH];
        context->GetLibFolder(lib);
        context->GetBackupFolder(backup, 0);
        ASSERT_EQ(1, bridge->LoadEngine(lib, backup));
    }
    void TearDown() override
    {
        if (bridge != nullptr)
            bridge->Release();
        if (engineContext != nullptr)
            engineContext->Release();
        if (context != nullptr)
            context->Release();
        unsetenv("WCE_FAKE_TIME");
    }
    void Begin(int32_t virusAction, uint32_t flag = 0x103, int32_t fileType = 0, PromptHandler* prompt = nullptr)
    {
        OptionSettings options = { 16, 0, flag, fileType, virusAction };
        context->PutSettings(SETTINGS_OPTIONS, &options);
        bridge->BeginScan(prompt);
    }
    int32_t Scan(const std::string& devicePath, int32_t force = 0)
    {
        name[0] = 0;
        std::u16string path = u"\\" + std::u16string(devicePath.begin(), devicePath.end());
        for (auto& c : path)
            c = c == u'/' ? u'\\' : c;
        return bridge->ScanFile(path.c_str(), name, force);
    }
    int32_t ScanWide(const std::u16string& path, int32_t force = 0)
    {
        name[0] = 0;
        return bridge->ScanFile(path.c_str(), name, force);
    }
    std::u16string Name() const { return name; }
    std::vector<BackupRecord> ListBackups()
    {
        BackupList list;
        BackupStore* store = CreateBackupStore(context);
        store->SetSink(&list, 1);
        store->Execute(BACKUP_LIST, nullptr);
        store->SetSink(&list, 0);
        store->Release();
        return list.records;
    }
    orv::TrackedAllocator* Allocator()
    {
        return static_cast<orv::TrackedAllocator*>(bridge->GetEngineHost()->GetAllocator());
    }

    TestDevice device;
    ServiceContext* context = nullptr;
    EngineContext* engineContext = nullptr;
    ScanBridge* bridge = nullptr;
    WCHAR name[MAX_PATH];
};

