// BackupStore: listing, restoring and purging the backup folder, observed through the sink and
// the files on disk.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "common/TempDeviceRoot.h"
#include "svc/include/OrvMobileEngCE.h"

namespace {

constexpr char BACKUP_FOLDER[] = "\\App\\Orv-Back.Vir";

std::string Magic()
{
    return std::string("\x51\x00\x7A\x00\x07\x59\xFD\x4E\x02\x03\x54\x21\x43\x09\x00\x00", 16);
}

void PutU32(std::string& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char(value >> (8 * i));
}

std::string Complement(const std::string& content)
{
    std::string stored = content;
    for (char& c : stored)
        c = char(~uint8_t(c));
    return stored;
}

// A backup as the engine writes it: header, the two strings, then the content complemented.
struct BackupBytes {
    std::string source = "\\Docs\\a.doc";
    std::string virus = "Test.Virus";
    std::string content = "hello";

    std::string Build(uint32_t dataSizeDelta = 0) const
    {
        std::string bytes = Magic() + std::string(32, '\0');
        uint32_t pathOffset = uint32_t(bytes.size());
        bytes += source + '\0';
        uint32_t nameOffset = uint32_t(bytes.size());
        bytes += virus + '\0';
        uint32_t dataOffset = uint32_t(bytes.size());
        bytes += Complement(content);
        PutU32(bytes, 16, dataOffset);
        PutU32(bytes, 20, pathOffset);
        PutU32(bytes, 24, nameOffset);
        PutU32(bytes, 40, uint32_t(content.size()) + dataSizeDelta);
        return bytes;
    }
};

class RecordingSink : public BackupSink {
public:
    int32_t Reserved0() noexcept override { return 0; }
    int32_t OnBackup(int32_t kind, const BackupRecord* record) noexcept override
    {
        kinds.push_back(kind);
        records.push_back(*record);
        return 0;
    }

    std::vector<int32_t> kinds;
    std::vector<BackupRecord> records;
};

class BackupStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device.MakeFolder("\\App");
        device.MakeFolder("\\Docs");
        context = CreateServiceContext();
        ASSERT_NE(nullptr, context);
        context->SetAppFolder(u"\\App\\");
        store = CreateBackupStore(context);
        ASSERT_NE(nullptr, store);
        store->SetSink(&sink, 1);
    }

    void TearDown() override
    {
        store->SetSink(&sink, 0);
        EXPECT_EQ(0, store->Release());
        EXPECT_EQ(0, context->Release());
    }

    std::vector<BackupRecord> List()
    {
        sink.records.clear();
        EXPECT_EQ(0, store->Execute(BACKUP_LIST, nullptr));
        return sink.records;
    }

    void AddBackup(const std::string& name, const std::string& bytes)
    {
        device.Write(std::string(BACKUP_FOLDER) + "\\" + name, bytes);
    }

    BackupRecord RecordFor(const std::string& name)
    {
        for (const BackupRecord& record : List()) {
            if (std::u16string(record.backupPath) == Wide(std::string(BACKUP_FOLDER) + "\\" + name))
                return record;
        }
        ADD_FAILURE() << name << " is not listed";
        return BackupRecord {};
    }

    TempDeviceRoot device;
    ServiceContext* context = nullptr;
    BackupStore* store = nullptr;
    RecordingSink sink;
};

TEST_F(BackupStoreTest, ListingReportsEachBackupsRecord)
{
    BackupBytes backup;
    AddBackup("20061010a.bak", backup.Build());
    std::vector<BackupRecord> records = List();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(std::vector<int32_t> { 0 }, sink.kinds);
    EXPECT_EQ(u"\\App\\Orv-Back.Vir\\20061010a.bak", std::u16string(records[0].backupPath));
    EXPECT_STREQ("\\Docs\\a.doc", records[0].sourcePath);
    EXPECT_STREQ("Test.Virus", records[0].virusName);
    EXPECT_EQ(5u, records[0].dataSize);
}

TEST_F(BackupStoreTest, FileDifferingFromMagicInAnyByteIsNotListed)
{
    std::string good = BackupBytes().Build();
    for (int i = 0; i < 16; ++i) {
        std::string bad = good;
        bad[i] = char(bad[i] ^ 0x01);
        AddBackup("bad" + std::to_string(i), bad);
    }
    AddBackup("short", good.substr(0, 47));
    AddBackup("good", good);
    std::vector<BackupRecord> records = List();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(u"\\App\\Orv-Back.Vir\\good", std::u16string(records[0].backupPath));
}

TEST_F(BackupStoreTest, BackupsInSubfoldersAreListedAndPurgedButFoldersRemain)
{
    device.MakeFolder(std::string(BACKUP_FOLDER) + "\\sub\\deeper");
    AddBackup("top", BackupBytes().Build());
    AddBackup("sub\\inner", BackupBytes().Build());
    AddBackup("sub\\deeper\\deepest", BackupBytes().Build());
    AddBackup("sub\\not-a-backup.txt", "plain text");
    EXPECT_EQ(3u, List().size());

    EXPECT_EQ(0, store->Execute(BACKUP_PURGE, nullptr));
    EXPECT_EQ("sub", device.List(BACKUP_FOLDER));
    EXPECT_EQ("deeper", device.List(std::string(BACKUP_FOLDER) + "\\sub"));
    EXPECT_EQ("", device.List(std::string(BACKUP_FOLDER) + "\\sub\\deeper"));
    EXPECT_TRUE(List().empty());
}

TEST_F(BackupStoreTest, RestoreComplementsContentAndRemovesTheBackup)
{
    BackupBytes backup;
    backup.content = std::string("\xFF\x00\x80", 3);
    std::string bytes = backup.Build();
    ASSERT_EQ(std::string("\x00\xFF\x7F", 3), bytes.substr(bytes.size() - 3));   // as stored
    AddBackup("b1", bytes);
    BackupRecord record = RecordFor("b1");
    EXPECT_EQ(0, store->Execute(BACKUP_RESTORE, &record));
    EXPECT_EQ(std::string("\xFF\x00\x80", 3), device.Read("\\Docs\\a.doc"));
    EXPECT_EQ("", device.List(BACKUP_FOLDER));
    EXPECT_EQ("a.doc", device.List("\\Docs"));   // no temporary file left beside it
}

TEST_F(BackupStoreTest, RestoreReplacesWhatStandsAtTheSourcePath)
{
    device.Write("\\Docs\\a.doc", "a much longer file that stood there before the restore");
    BackupBytes backup;
    backup.content = std::string(200000, 'q');   // more than one copy chunk
    AddBackup("b1", backup.Build());
    BackupRecord record = RecordFor("b1");
    EXPECT_EQ(0, store->Execute(BACKUP_RESTORE, &record));
    EXPECT_EQ(backup.content, device.Read("\\Docs\\a.doc"));
}

// The content the header promises is not all in the file: nothing may change anywhere.
TEST_F(BackupStoreTest, RestoreOfTruncatedBackupFailsAndChangesNothing)
{
    device.Write("\\Docs\\a.doc", "original");
    std::string damaged = BackupBytes().Build(1);
    AddBackup("b1", damaged);
    BackupRecord record = RecordFor("b1");
    EXPECT_EQ(-1, store->Execute(BACKUP_RESTORE, &record));
    EXPECT_EQ("original", device.Read("\\Docs\\a.doc"));
    EXPECT_EQ("a.doc", device.List("\\Docs"));
    EXPECT_EQ(damaged, device.Read(std::string(BACKUP_FOLDER) + "\\b1"));
    EXPECT_EQ(1u, List().size());   // still listed
}

TEST_F(BackupStoreTest, RestoreFailsWhenTheSourceFolderIsGone)
{
    BackupBytes backup;
    backup.source = "\\Gone\\a.doc";
    AddBackup("b1", backup.Build());
    BackupRecord record = RecordFor("b1");
    EXPECT_EQ(-1, store->Execute(BACKUP_RESTORE, &record));
    EXPECT_FALSE(device.Exists("\\Gone"));
    EXPECT_EQ(1u, List().size());
}

TEST_F(BackupStoreTest, RestoreFailsForMissingOrNonBackupFiles)
{
    BackupRecord record {};
    std::strcpy(record.sourcePath, "\\Docs\\x.doc");
    std::u16string missing = u"\\App\\Orv-Back.Vir\\missing";
    std::char_traits<char16_t>::copy(record.backupPath, missing.c_str(), missing.size() + 1);
    EXPECT_EQ(-1, store->Execute(BACKUP_RESTORE, &record));

    AddBackup("plain", "not a backup at all, but long enough to hold a header of 48 bytes");
    std::u16string plain = u"\\App\\Orv-Back.Vir\\plain";
    std::char_traits<char16_t>::copy(record.backupPath, plain.c_str(), plain.size() + 1);
    EXPECT_EQ(-1, store->Execute(BACKUP_RESTORE, &record));
    EXPECT_TRUE(device.Exists(std::string(BACKUP_FOLDER) + "\\plain"));
    EXPECT_EQ("", device.List("\\Docs"));
    EXPECT_EQ(-1, store->Execute(BACKUP_RESTORE, nullptr));
}

// A restore onto the backup itself, under any name of it, or onto another backup would destroy the
// only copy: it is refused, and every backup stays as it was.
TEST_F(BackupStoreTest, RestoreOntoABackupIsRefusedAndKeepsIt)
{
    const char* targets[] = {
        "\\App\\Orv-Back.Vir\\b1", "\\app\\ORV-BACK.VIR\\B1", "\\Docs\\..\\App\\Orv-Back.Vir\\b1",
        "\\App\\.\\Orv-Back.Vir\\\\b1", "\\App\\Orv-Back.Vir\\b2",
    };
    AddBackup("b2", BackupBytes().Build());
    for (const char* target : targets) {
        SCOPED_TRACE(target);
        BackupBytes backup;
        backup.source = target;
        std::string bytes = backup.Build();
        AddBackup("b1", bytes);
        BackupRecord record = RecordFor("b1");
        EXPECT_EQ(-1, store->Execute(BACKUP_RESTORE, &record));
        EXPECT_EQ(bytes, device.Read(std::string(BACKUP_FOLDER) + "\\b1"));
        EXPECT_EQ(BackupBytes().Build(), device.Read(std::string(BACKUP_FOLDER) + "\\b2"));
    }
}

// A name the code page cannot carry is kept as '?' and its UTF-8 bytes; restore brings the file
// back under its real name, and an older backup's ANSI path reads as before.
TEST_F(BackupStoreTest, RestoreBringsBackANameTheCodePageCannotCarry)
{
    BackupBytes wide;
    wide.source = "?\\Docs\\\xE4\xB8\xAD.doc";
    AddBackup("b1", wide.Build());
    BackupBytes ansi;
    ansi.source = "\\Docs\\caf\xE9.doc";
    AddBackup("b2", ansi.Build());
    BackupRecord first = RecordFor("b1");
    EXPECT_EQ(0, store->Execute(BACKUP_RESTORE, &first));
    EXPECT_EQ("hello", device.Read("\\Docs\\\xE4\xB8\xAD.doc"));
    BackupRecord second = RecordFor("b2");
    EXPECT_EQ(0, store->Execute(BACKUP_RESTORE, &second));
    EXPECT_EQ("hello", device.Read("\\Docs\\caf\xC3\xA9.doc"));   // host names are UTF-8
    EXPECT_EQ("", device.List(BACKUP_FOLDER));
}

// A host file in the backup folder whose name holds backslashes must not lead the walk out of it.
TEST_F(BackupStoreTest, PurgeNeverActsOutsideTheBackupFolder)
{
    device.Write("\\Docs\\thesis.doc", "the user's own");
    AddBackup("top", BackupBytes().Build());
    std::ofstream(device.Host(BACKUP_FOLDER) + "/..\\..\\Docs\\thesis.doc") << "odd name";
    List();
    EXPECT_EQ(0, store->Execute(BACKUP_PURGE, nullptr));
    EXPECT_EQ("the user's own", device.Read("\\Docs\\thesis.doc"));
    EXPECT_FALSE(device.Exists(std::string(BACKUP_FOLDER) + "\\top"));
}

// The header's dataSize is what is restored; a record carrying another size changes nothing.
TEST_F(BackupStoreTest, RestoreUsesTheHeadersSizeNotTheRecords)
{
    BackupBytes backup;
    AddBackup("b1", backup.Build());
    BackupRecord record = RecordFor("b1");
    record.dataSize = 0x7FFFFFFF;
    EXPECT_EQ(0, store->Execute(BACKUP_RESTORE, &record));
    EXPECT_EQ("hello", device.Read("\\Docs\\a.doc"));
}

TEST_F(BackupStoreTest, HeaderStringsAreBoundedByTheFirstKilobyteAndTheirFields)
{
    std::string bytes = BackupBytes().Build();
    bytes.resize(2048, 'L');                 // no terminator anywhere after the header strings
    PutU32(bytes, 20, 1000);                 // path runs from 1000 to the 1024 limit
    PutU32(bytes, 24, 5000);                 // name beyond the first kilobyte
    AddBackup("odd", bytes);
    std::string longName = BackupBytes().Build();
    longName.resize(700, 'N');
    PutU32(longName, 20, 300);               // 400 characters without a terminator in reach
    PutU32(longName, 24, 300);
    AddBackup("long", longName);

    BackupRecord odd = RecordFor("odd");
    EXPECT_EQ(std::string(24, 'L'), odd.sourcePath);
    EXPECT_STREQ("", odd.virusName);
    BackupRecord cut = RecordFor("long");
    EXPECT_EQ(std::string(MAX_PATH - 1, 'N'), cut.sourcePath);
    EXPECT_EQ(std::string(63, 'N'), cut.virusName);
}

TEST_F(BackupStoreTest, UnknownOperationsDoNothing)
{
    AddBackup("b1", BackupBytes().Build());
    BackupRecord record = RecordFor("b1");
    sink.records.clear();
    EXPECT_EQ(0, store->Execute(3, &record));
    EXPECT_EQ(0, store->Execute(-1, &record));
    EXPECT_TRUE(sink.records.empty());
    EXPECT_EQ("b1", device.List(BACKUP_FOLDER));
    EXPECT_FALSE(device.Exists("\\Docs\\a.doc"));
}

TEST_F(BackupStoreTest, DisabledSinkHearsNothingAndCountIsPlain)
{
    AddBackup("b1", BackupBytes().Build());
    store->SetSink(&sink, 0);
    EXPECT_EQ(0, store->Execute(BACKUP_LIST, nullptr));
    EXPECT_TRUE(sink.records.empty());
    EXPECT_EQ(2, store->AddRef());
    EXPECT_EQ(1, store->Release());
    EXPECT_EQ(0, store->Reserved4());
    EXPECT_EQ(0, store->Reserved6());
}

TEST_F(BackupStoreTest, MissingBackupFolderListsNothing)
{
    std::filesystem::remove_all(device.Host(BACKUP_FOLDER));
    EXPECT_TRUE(List().empty());
    EXPECT_EQ(0, store->Execute(BACKUP_PURGE, nullptr));
}

// A program folder too long for the backup folder leaves the context without one; the store must
// then not fall back to walking (and purging) the device root.
TEST(BackupStoreFolderTest, NoBackupFolderMeansNothingIsListedOrPurged)
{
    TempDeviceRoot device;
    std::string longFolder = "\\" + std::string(250, 'd');
    device.MakeFolder(longFolder);
    device.Write("\\keep.bin", BackupBytes().Build());
    ServiceContext* context = CreateServiceContext();
    context->SetAppFolder(Wide(longFolder).c_str());
    BackupStore* store = CreateBackupStore(context);
    RecordingSink sink;
    store->SetSink(&sink, 1);
    EXPECT_EQ(0, store->Execute(BACKUP_LIST, nullptr));
    EXPECT_EQ(0, store->Execute(BACKUP_PURGE, nullptr));
    EXPECT_TRUE(sink.records.empty());
    EXPECT_TRUE(device.Exists("\\keep.bin"));
    store->Release();
    EXPECT_EQ(0, context->Release());
}

}  // namespace
