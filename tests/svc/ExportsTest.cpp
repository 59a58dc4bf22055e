// The built library driven the way a separately compiled program drives it: dlopen, the six
// factory symbols and the public tables, nothing else.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "common/TempDeviceRoot.h"
#include "svc/include/OrvMobileEngCE.h"

namespace {

struct Factories {
    CreateServiceContextFn createServiceContext = nullptr;
    CreateLogWriterFn createLogWriter = nullptr;
    CreateBackupStoreFn createBackupStore = nullptr;
    CreateSettingsStoreFn createSettingsStore = nullptr;
    CreateNullServiceFn createNullService = nullptr;
    CreateNullObjectFn createNullObject = nullptr;
};

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        library = dlopen(ORV_SERVICE_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(nullptr, library) << dlerror();
        factories.createServiceContext = Bind<CreateServiceContextFn>(ORDINAL_CREATE_SERVICE_CONTEXT);
        factories.createLogWriter = Bind<CreateLogWriterFn>(ORDINAL_CREATE_LOG_WRITER);
        factories.createBackupStore = Bind<CreateBackupStoreFn>(ORDINAL_CREATE_BACKUP_STORE);
        factories.createSettingsStore = Bind<CreateSettingsStoreFn>(ORDINAL_CREATE_SETTINGS_STORE);
        factories.createNullService = Bind<CreateNullServiceFn>(ORDINAL_CREATE_NULL_SERVICE);
        factories.createNullObject = Bind<CreateNullObjectFn>(ORDINAL_CREATE_NULL_OBJECT);
    }

    void TearDown() override
    {
        if (library)
            dlclose(library);
    }

    template <typename Function>
    Function Bind(int ordinal)
    {
        void* symbol = dlsym(library, SERVICE_FACTORY_NAMES[ordinal]);
        EXPECT_NE(nullptr, symbol) << SERVICE_FACTORY_NAMES[ordinal];
        return reinterpret_cast<Function>(symbol);
    }

    ServiceContext* MakeContext()
    {
        device.MakeFolder("\\App");
        ServiceContext* context = factories.createServiceContext();
        EXPECT_NE(nullptr, context);
        context->SetAppFolder(u"\\App\\");
        context->SetLibFolder(u"\\App\\Lib\\");
        return context;
    }

    TempDeviceRoot device;
    void* library = nullptr;
    Factories factories;
};

TEST_F(ExportsTest, OnlyTheFactoriesAreVisible)
{
    // Internal functions of the library stay local to it.
    EXPECT_EQ(nullptr, dlsym(library, "_Z12OpenDiskFilePKDsi"));
    EXPECT_EQ(nullptr, dlsym(library, "_Z11AppendSlashPDs"));
    EXPECT_EQ(nullptr, dlsym(library, "_Z13CreateIniFilePKDs"));
}

TEST_F(ExportsTest, ContextAndSettingsStoreKeepOptionsInTheIniFile)
{
    ServiceContext* context = MakeContext();
    OptionSettings options { 16, 0, 0x101, 1, 2 };
    context->PutSettings(SETTINGS_OPTIONS, &options);

    SettingsStore* store = factories.createSettingsStore(context);
    ASSERT_NE(nullptr, store);
    EXPECT_EQ(0, store->Save());
    EXPECT_EQ(0, store->Free());
    EXPECT_EQ("[Option]\r\nVirOp=2\r\nFileType=1\r\nFlag=257\r\n\r\n[Util]\r\nBackup=2\r\nLogMax=8\r\n",
              device.Read("\\App\\OrvMobile.ini"));

    // The store took its reference and gave it back: the context's own is the last one.
    EXPECT_EQ(2, context->AddRef());
    EXPECT_EQ(1, context->Release());
    EXPECT_EQ(0, context->Release());
}

TEST_F(ExportsTest, FileOpsIsReachableAfterTheContextsTablePointer)
{
    ServiceContext* context = MakeContext();
    device.Write("\\App\\gone.bin", "x");
    EXPECT_EQ(0, GetFileOps(context)->DeleteFile(u"\\App\\gone.bin"));
    EXPECT_FALSE(device.Exists("\\App\\gone.bin"));
    context->Release();
}

TEST_F(ExportsTest, BackupStoreAndLogWriterHoldTheirContext)
{
    ServiceContext* context = MakeContext();
    BackupStore* store = factories.createBackupStore(context);
    ASSERT_NE(nullptr, store);
    EXPECT_EQ(0, store->Execute(BACKUP_LIST, nullptr));
    LogWriter* log = factories.createLogWriter(context, u"\\App\\OrvMobile.Log");
    ASSERT_NE(nullptr, log);
    EXPECT_EQ(4, context->AddRef());   // program, store, log and this one
    context->Release();
    EXPECT_EQ(0, log->Release());
    EXPECT_EQ(0, store->Release());
    EXPECT_EQ(0, context->Release());
    EXPECT_TRUE(device.Exists("\\App\\OrvMobile.Log"));
}

TEST_F(ExportsTest, NullObjectsDoNothingAndSucceed)
{
    NullService* service = factories.createNullService(nullptr);
    ASSERT_NE(nullptr, service);
    EXPECT_EQ(2, service->AddRef());
    EXPECT_EQ(0, service->Reserved3());
    EXPECT_EQ(0, service->Reserved12());
    EXPECT_EQ(0, service->Init());
    EXPECT_EQ(1, service->Release());
    EXPECT_EQ(0, service->Release());

    NullObject* object = factories.createNullObject(42);
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(object, object->Self());
    EXPECT_EQ(0, object->Reserved0());
    EXPECT_EQ(0, object->Reserved4());
    object->Destroy(1);
}

}  // namespace
