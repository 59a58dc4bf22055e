// SettingsStore: loading, repairing and saving OrvMobile.ini, observed in the context and on disk.
#include <gtest/gtest.h>

#include "common/TempDeviceRoot.h"
#include "svc/IniFile.h"
#include "svc/include/OrvMobileEngCE.h"

namespace {

constexpr char INI_PATH[] = "\\App\\OrvMobile.ini";

// The layout a new file gets from the five writes in key order (each new key goes under its header).
constexpr char DEFAULTS_FILE[] =
    "[Option]\r\nVirOp=0\r\nFileType=0\r\nFlag=259\r\n\r\n[Util]\r\nBackup=2\r\nLogMax=8\r\n";

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device.MakeFolder("\\App");
        context = CreateServiceContext();
        ASSERT_NE(nullptr, context);
        context->SetAppFolder(u"\\App\\");
    }

    void TearDown() override { EXPECT_EQ(0, context->Release()); }

    void Load()
    {
        SettingsStore* store = CreateSettingsStore(context);
        ASSERT_NE(nullptr, store);
        EXPECT_EQ(0, store->Load());
        EXPECT_EQ(0, store->Free());
    }

    void Save()
    {
        SettingsStore* store = CreateSettingsStore(context);
        ASSERT_NE(nullptr, store);
        EXPECT_EQ(0, store->Save());
        store->Free();
    }

    OptionSettings Options()
    {
        OptionSettings options {};
        context->GetSettings(SETTINGS_OPTIONS, &options);
        return options;
    }

    UtilSettings Util()
    {
        UtilSettings util {};
        context->GetSettings(SETTINGS_UTIL, &util);
        return util;
    }

    // A file holding the given values, laid out the way the store writes them.
    static std::string SettingsText(int flag, int fileType, int virOp, int logMax, int backup)
    {
        return "[Option]\r\nVirOp=" + std::to_string(virOp) + "\r\nFileType=" + std::to_string(fileType)
            + "\r\nFlag=" + std::to_string(flag) + "\r\n\r\n[Util]\r\nBackup=" + std::to_string(backup)
            + "\r\nLogMax=" + std::to_string(logMax) + "\r\n";
    }

    void WriteSettings(int flag, int fileType, int virOp, int logMax, int backup)
    {
        device.Write(INI_PATH, SettingsText(flag, fileType, virOp, logMax, backup));
    }

    TempDeviceRoot device;
    ServiceContext* context = nullptr;
};

TEST_F(SettingsStoreTest, MissingFileLoadsDefaultsAndCreatesNothing)
{
    OptionSettings changed { 16, 0, 1, 1, 3 };
    context->PutSettings(SETTINGS_OPTIONS, &changed);
    Load();
    EXPECT_EQ(259u, Options().flag);
    EXPECT_EQ(0, Options().fileType);
    EXPECT_EQ(0, Options().virusAction);
    EXPECT_EQ(8u, Util().logMaxKB);
    EXPECT_EQ(2u, Util().backupCount);
    EXPECT_FALSE(device.Exists(INI_PATH));
}

TEST_F(SettingsStoreTest, ValidFileLoadsIntoContextAndIsNotRewritten)
{
    const std::string text = "[Option]\r\nFlag=7 ; mine\r\nFileType=1\r\nVirOp=3\r\n[Util]\r\nLogMax=1024\r\nBackup=10\r\n";
    device.Write(INI_PATH, text);
    Load();
    EXPECT_EQ(7u, Options().flag);
    EXPECT_EQ(1, Options().fileType);
    EXPECT_EQ(3, Options().virusAction);
    EXPECT_EQ(1024u, Util().logMaxKB);
    EXPECT_EQ(10u, Util().backupCount);
    EXPECT_EQ(text, device.Read(INI_PATH));
}

TEST_F(SettingsStoreTest, OutOfRangeValuesAreRepairedAndWrittenBackAtOnce)
{
    WriteSettings(259, 0, 0, 0, 11);
    Load();
    EXPECT_EQ(8u, Util().logMaxKB);
    EXPECT_EQ(2u, Util().backupCount);
    EXPECT_EQ(DEFAULTS_FILE, device.Read(INI_PATH));
}

struct RangeCase {
    const char* name;
    int fileType, virOp, logMax, backup;         // stored
    int wantFileType, wantVirOp, wantLogMax, wantBackup;
    bool rewritten;
};

TEST_F(SettingsStoreTest, EachValueIsCheckedAgainstItsRange)
{
    const RangeCase cases[] = {
        { "LogMax 1024 stays", 0, 0, 1024, 2, 0, 0, 1024, 2, false },
        { "LogMax 1025 resets", 0, 0, 1025, 2, 0, 0, 8, 2, true },
        { "LogMax -1 is huge unsigned", 0, 0, -1, 2, 0, 0, 8, 2, true },
        { "LogMax 1 stays", 0, 0, 1, 2, 0, 0, 1, 2, false },
        { "Backup 1 and 10 stay", 0, 0, 8, 10, 0, 0, 8, 10, false },
        { "Backup 0 resets", 0, 0, 8, 0, 0, 0, 8, 2, true },
        { "FileType -3 stays", -3, 0, 8, 2, -3, 0, 8, 2, false },
        { "FileType 2 resets", 2, 0, 8, 2, 0, 0, 8, 2, true },
        { "VirOp 3 stays", 0, 3, 8, 2, 0, 3, 8, 2, false },
        { "VirOp 4 resets", 0, 4, 8, 2, 0, 0, 8, 2, true },
        { "VirOp -7 stays", 0, -7, 8, 2, 0, -7, 8, 2, false },
    };
    for (const RangeCase& row : cases) {
        SCOPED_TRACE(row.name);
        WriteSettings(0x55, row.fileType, row.virOp, row.logMax, row.backup);
        std::string before = device.Read(INI_PATH);
        Load();
        EXPECT_EQ(0x55u, Options().flag);   // never tested
        EXPECT_EQ(row.wantFileType, Options().fileType);
        EXPECT_EQ(row.wantVirOp, Options().virusAction);
        EXPECT_EQ(uint32_t(row.wantLogMax), Util().logMaxKB);
        EXPECT_EQ(uint32_t(row.wantBackup), Util().backupCount);
        std::string expected = row.rewritten
            ? SettingsText(0x55, row.wantFileType, row.wantVirOp, row.wantLogMax, row.wantBackup)
            : before;
        EXPECT_EQ(expected, device.Read(INI_PATH));
    }
}

TEST_F(SettingsStoreTest, EmptyValuesReadAsZero)
{
    device.Write(INI_PATH, "[Option]\r\nFlag=\r\nFileType=\r\nVirOp=\r\n[Util]\r\nLogMax=\r\nBackup=\r\n");
    Load();
    EXPECT_EQ(0u, Options().flag);
    EXPECT_EQ(0, Options().fileType);
    EXPECT_EQ(8u, Util().logMaxKB);   // 0 is out of range
    EXPECT_EQ(2u, Util().backupCount);
}

TEST_F(SettingsStoreTest, SaveWritesTheContextsRecordsInKeyOrder)
{
    Save();
    EXPECT_EQ(DEFAULTS_FILE, device.Read(INI_PATH));

    OptionSettings options { 16, 0, 0x102, 1, 2 };
    UtilSettings util { 12, 64, 5 };
    context->PutSettings(SETTINGS_OPTIONS, &options);
    context->PutSettings(SETTINGS_UTIL, &util);
    Save();
    EXPECT_EQ("[Option]\r\nVirOp=2\r\nFileType=1\r\nFlag=258\r\n\r\n[Util]\r\nBackup=5\r\nLogMax=64\r\n",
              device.Read(INI_PATH));
}

// One Save is one rewrite of the file, and gives the bytes that the five writes one after another
// give, whatever the file held.
TEST_F(SettingsStoreTest, SaveGivesTheBytesOfFiveSeparateWrites)
{
    const std::string starts[] = {
        "",
        "; mine\r\n[Util]\r\n  Backup = 3 ; three\r\n\r\n\r\n[Option]\r\nFlag=1\r\nOther=x",
        std::string("\xFF\xFE", 2) + std::string("[\0O\0p\0t\0i\0o\0n\0]\0\r\0\n\0", 20),
    };
    OptionSettings options { 16, 0, 0x101, 1, 3 };
    UtilSettings util { 12, 16, 4 };
    for (const std::string& start : starts) {
        SCOPED_TRACE(start);
        device.Write("\\App\\copy.ini", start);
        const IniIntSetting settings[] = {
            { u"Option", u"Flag", 0x101 }, { u"Option", u"FileType", 1 }, { u"Option", u"VirOp", 3 },
            { u"Util", u"LogMax", 16 }, { u"Util", u"Backup", 4 },
        };
        for (const IniIntSetting& setting : settings)
            WriteIniInt(setting.section, setting.key, setting.value, u"\\App\\copy.ini");
        device.Write(INI_PATH, start);
        context->PutSettings(SETTINGS_OPTIONS, &options);
        context->PutSettings(SETTINGS_UTIL, &util);
        Save();
        EXPECT_EQ(device.Read("\\App\\copy.ini"), device.Read(INI_PATH));
    }
}

TEST_F(SettingsStoreTest, UnwritableFolderLosesTheSaveQuietly)
{
    ServiceContext* elsewhere = CreateServiceContext();
    elsewhere->SetAppFolder(u"\\Missing\\");
    SettingsStore* store = CreateSettingsStore(elsewhere);
    ASSERT_NE(nullptr, store);
    EXPECT_EQ(0, store->Save());
    EXPECT_EQ(0, store->Load());
    store->Free();
    EXPECT_FALSE(device.Exists("\\Missing"));
    EXPECT_EQ(0, elsewhere->Release());   // the store gave its reference back
}

}  // namespace
