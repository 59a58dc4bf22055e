// ServiceContext and its FileOps through their tables, on a temporary device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "common/DiskFile.h"
#include "common/TempDeviceRoot.h"
#include "svc/include/OrvMobileEngCE.h"

namespace {

class ServiceContextTest : public ::testing::Test {
protected:
    void SetUp() override { context = CreateServiceContext(); ASSERT_NE(nullptr, context); }
    void TearDown() override
    {
        if (context) {
            EXPECT_EQ(0, context->Release());
        }
    }

    std::u16string BackupFolder()
    {
        WCHAR out[MAX_PATH];
        std::fill(std::begin(out), std::end(out), WCHAR(0xCCCC));
        return context->GetBackupFolder(out, 0);
    }

    std::u16string AppPath(const WCHAR* name)
    {
        WCHAR out[MAX_PATH];
        return context->MakeAppPath(out, name);
    }

    TempDeviceRoot device;
    ServiceContext* context = nullptr;
};

TEST_F(ServiceContextTest, AppFolderWithoutSeparatorGetsOneAndTheBackupFolderIsCreated)
{
    device.MakeFolder("\\Program Files\\OrvMobile");
    EXPECT_EQ(0, context->SetAppFolder(u"\\Program Files\\OrvMobile"));
    EXPECT_EQ(u"\\Program Files\\OrvMobile\\OrvMobile.ini", AppPath(u"OrvMobile.ini"));
    EXPECT_EQ(u"\\Program Files\\OrvMobile\\", AppPath(nullptr));
    EXPECT_EQ(u"\\Program Files\\OrvMobile\\Orv-Back.Vir\\", BackupFolder());
    EXPECT_TRUE(device.IsFolder("\\Program Files\\OrvMobile\\Orv-Back.Vir"));
}

TEST_F(ServiceContextTest, AppFolderEndingInSlashKeepsIt)
{
    device.MakeFolder("\\App");
    context->SetAppFolder(u"\\App/");
    EXPECT_EQ(u"\\App/x.txt", AppPath(u"x.txt"));
    EXPECT_EQ(u"\\App/Orv-Back.Vir\\", BackupFolder());
    EXPECT_TRUE(device.IsFolder("\\App\\Orv-Back.Vir"));
}

TEST_F(ServiceContextTest, ExistingBackupFolderAndItsFilesAreKept)
{
    device.MakeFolder("\\App\\Orv-Back.Vir");
    device.Write("\\App\\Orv-Back.Vir\\b1", "backup");
    context->SetAppFolder(u"\\App\\");
    EXPECT_EQ(u"\\App\\Orv-Back.Vir\\", BackupFolder());
    EXPECT_EQ("backup", device.Read("\\App\\Orv-Back.Vir\\b1"));
}

TEST_F(ServiceContextTest, EmptyAppFolderIsTheRoot)
{
    context->SetAppFolder(u"");
    EXPECT_EQ(u"\\a", AppPath(u"a"));
    EXPECT_EQ(u"\\Orv-Back.Vir\\", BackupFolder());
}

TEST_F(ServiceContextTest, OtherBackupFolderKindsAreEmpty)
{
    context->SetAppFolder(u"\\App\\");
    WCHAR out[MAX_PATH] = u"junk";
    EXPECT_EQ(out, context->GetBackupFolder(out, 1));
    EXPECT_EQ(std::u16string(), out);
}

// A program folder too long for the backup folder's 260 characters leaves the backup folder empty
// and creates nothing; paths that would not fit come back empty instead of cut.
TEST_F(ServiceContextTest, FolderTooLongForBuffersGivesEmptyPaths)
{
    std::string longFolder = "\\" + std::string(250, 'd');
    device.MakeFolder(longFolder);
    context->SetAppFolder(Wide(longFolder).c_str());
    EXPECT_EQ(u"", BackupFolder());
    EXPECT_EQ("", device.List(longFolder));
    EXPECT_EQ(u"", AppPath(u"a-name-that-does-not-fit-after-the-folder.ini"));
    EXPECT_EQ(Wide(longFolder + "\\short"), AppPath(u"short"));

    // Exactly full: folder, "Orv-Back.Vir" and '\' take 259 characters.
    std::string fitting = "\\" + std::string(244, 'f');
    device.MakeFolder(fitting);
    context->SetAppFolder(Wide(fitting).c_str());
    EXPECT_EQ(size_t(MAX_PATH - 1), BackupFolder().size());
    EXPECT_TRUE(device.IsFolder(fitting + "\\Orv-Back.Vir"));
}

TEST_F(ServiceContextTest, LibFolderGetsSeparatorOnlyWhenMissing)
{
    WCHAR out[MAX_PATH];
    context->GetLibFolder(out);
    EXPECT_EQ(u"", std::u16string(out));   // not set yet
    context->SetLibFolder(u"\\App\\Lib");
    EXPECT_EQ(0, context->GetLibFolder(out));
    EXPECT_EQ(u"\\App\\Lib\\", std::u16string(out));
    context->SetLibFolder(u"\\App/Lib/");
    context->GetLibFolder(out);
    EXPECT_EQ(u"\\App/Lib/", std::u16string(out));
}

TEST_F(ServiceContextTest, SettingsStartAtDefaultsAndCopyWhole)
{
    OptionSettings options;
    UtilSettings util;
    std::memset(&options, 0xCC, sizeof options);
    std::memset(&util, 0xCC, sizeof util);
    EXPECT_EQ(0, context->GetSettings(SETTINGS_OPTIONS, &options));
    EXPECT_EQ(0, context->GetSettings(SETTINGS_UTIL, &util));
    EXPECT_EQ(16, options.size);
    EXPECT_EQ(0, options.zero);
    EXPECT_EQ(259u, options.flag);
    EXPECT_EQ(0, options.fileType);
    EXPECT_EQ(0, options.virusAction);
    EXPECT_EQ(12u, util.size);
    EXPECT_EQ(8u, util.logMaxKB);
    EXPECT_EQ(2u, util.backupCount);

    OptionSettings newOptions { 16, 0, 0x101, 1, 3 };
    UtilSettings newUtil { 12, 64, 5 };
    context->PutSettings(SETTINGS_OPTIONS, &newOptions);
    context->PutSettings(SETTINGS_UTIL, &newUtil);
    context->PutSettings(3, &newUtil);   // unknown kinds change nothing
    context->GetSettings(SETTINGS_OPTIONS, &options);
    context->GetSettings(SETTINGS_UTIL, &util);
    EXPECT_EQ(0, std::memcmp(&newOptions, &options, sizeof options));
    EXPECT_EQ(0, std::memcmp(&newUtil, &util, sizeof util));
}

// A record with a damaged size field must not make a later copy run past the caller's record.
TEST_F(ServiceContextTest, DamagedSizeFieldDoesNotWidenLaterCopies)
{
    UtilSettings damaged { 4000, 16, 3 };
    context->PutSettings(SETTINGS_UTIL, &damaged);
    struct Guarded {
        UtilSettings util;
        uint8_t guard[32];
    } out;
    std::memset(&out, 0xCC, sizeof out);
    context->GetSettings(SETTINGS_UTIL, &out.util);
    EXPECT_EQ(12u, out.util.size);
    EXPECT_EQ(16u, out.util.logMaxKB);
    EXPECT_EQ(3u, out.util.backupCount);
    EXPECT_TRUE(std::all_of(std::begin(out.guard), std::end(out.guard), [](uint8_t b) { return b == 0xCC; }));
}

TEST_F(ServiceContextTest, EngineInfoStartsEmptyAndKeepsWhatWasSet)
{
    EngineDate date;
    std::memset(&date, 0xCC, sizeof date);
    EXPECT_EQ(0, context->GetEngineInfo(&date));
    EngineDate zero {};
    EXPECT_EQ(0, std::memcmp(&zero, &date, sizeof date));

    EngineDate set { 2006, 9, 5, 15, 10, 30, 0, 0 };
    EXPECT_EQ(0, context->SetEngineInfo(0x01020003, &set));
    EXPECT_EQ(0x01020003, context->GetEngineInfo(&date));
    EXPECT_EQ(0, std::memcmp(&set, &date, sizeof date));
}

TEST_F(ServiceContextTest, OpenFileIsADiskFileInTheGivenMode)
{
    EXPECT_EQ(nullptr, context->OpenFile(u"\\none.bin", DISKFILE_READ));
    DiskFile* file = context->OpenFile(u"\\made.bin", DISKFILE_CREATE);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(2, file->Write("ok", 2));
    file->Release();
    EXPECT_EQ("ok", device.Read("\\made.bin"));
}

TEST_F(ServiceContextTest, FileOpsDeletesFilesButNotFolders)
{
    device.Write("\\victim.bin", "x");
    device.MakeFolder("\\folder");
    FileOps* ops = GetFileOps(context);
    EXPECT_EQ(0, ops->DeleteFile(u"\\victim.bin"));
    EXPECT_FALSE(device.Exists("\\victim.bin"));
    EXPECT_EQ(0, ops->DeleteFile(u"\\victim.bin"));   // already gone: still 0
    EXPECT_EQ(0, ops->DeleteFile(u"\\folder"));
    EXPECT_TRUE(device.IsFolder("\\folder"));
    EXPECT_EQ(0, ops->Reserved0());
    EXPECT_EQ(0, ops->Reserved7());
}

TEST_F(ServiceContextTest, ReferencesFromSeveralThreadsBalance)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this] {
            for (int i = 0; i < 10000; ++i) {
                context->AddRef();
                context->Release();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(2, context->AddRef());
    EXPECT_EQ(1, context->Release());
}

TEST(ServiceContextLifetimeTest, ReleaseOfTheFirstReferenceDestroys)
{
    TempDeviceRoot device;
    ServiceContext* context = CreateServiceContext();
    ASSERT_NE(nullptr, context);
    context->SetAppFolder(u"\\App");
    context->SetLibFolder(u"\\App\\Lib");
    EXPECT_EQ(2, context->AddRef());
    EXPECT_EQ(1, context->Release());
    EXPECT_EQ(0, context->Release());   // under ASan a leak or double free shows here
}

}  // namespace
