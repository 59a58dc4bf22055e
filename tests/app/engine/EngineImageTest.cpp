// The real engine image, driven through the bridge as the program drives it: detection, every
// action, asking, forced treatment, backups the backup store lists and restores, and the host's
// bookkeeping. Skipped when the image has not been built.
#include "EngineImageFixture.h"
#include "FileSystemService.h"
#include "ImageLoader.h"
#include "ProcessMaps.h"

namespace {

TEST_F(EngineImageTest, LoadingRecordsTheDatabaseVersionAndDate)
{
    EngineDate date = {};
    EXPECT_EQ(0x01000001, context->GetEngineInfo(&date));
    EXPECT_EQ(2026, date.year);
    EXPECT_EQ(12, date.month);
    EXPECT_EQ(1, date.day);
}

TEST_F(EngineImageTest, TheTestFileIsFoundWithItsNameACleanFileGivesZeroAndAMissingOneIsNotScanned)
{
    device.Write("docs/eicar.com", TestFileText() + "\r\n");
    device.Write("docs/clean.txt", "nothing to see here");
    Begin(3);   // report only
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan("docs/eicar.com"));
    EXPECT_EQ(u"Eicar-Test-Signature", Name());
    EXPECT_EQ(SCAN_CLEAN, Scan("docs/clean.txt"));
    EXPECT_EQ(SCAN_NOT_SCANNED, Scan("docs/missing.txt"));   // gone since the walk: not examined
    EXPECT_EQ(TestFileText() + "\r\n", device.Read("docs/eicar.com"));
    bridge->EndScan();
}

TEST_F(EngineImageTest, DatabaseSignaturesAreFound)
{
    device.Write("body.bin", "xxORV-DEMO-BODY-SIGNATUREyy");
    device.Write("hash.bin", "ORV demo hash sample\n");
    device.Write("tail.bin", "whatever ORVTAIL!");
    Begin(3);
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan("body.bin"));
    EXPECT_EQ(u"Orv.Test.Body-1", Name());
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan("hash.bin"));
    EXPECT_EQ(u"Orv.Test.Md5-1", Name());
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan("tail.bin"));
    EXPECT_EQ(u"Orv.Test.Trailer-1", Name());
}

TEST_F(EngineImageTest, TheFileTypeSettingSkipsOtherTypes)
{
    device.Write("a.txt", TestFileText());
    device.Write("a.EXE", TestFileText());
    Begin(3, 0x103, 1);
    EXPECT_EQ(SCAN_CLEAN, Scan("a.txt"));
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan("a.EXE"));
    Begin(3, 0x103, 0);
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan("a.txt"));
}

TEST_F(EngineImageTest, EachVirusActionTreatsAsConfigured)
{
    device.Write("d/del.exe", TestFileText());
    device.Write("d/ren.exe", TestFileText());
    device.Write("d/left.exe", TestFileText());
    Begin(0, 0x003);   // delete, no backup
    EXPECT_EQ(SCAN_DELETED, Scan("d/del.exe"));
    EXPECT_FALSE(device.Exists("d/del.exe"));
    Begin(1, 0x003);   // rename
    EXPECT_EQ(SCAN_RENAMED, Scan("d/ren.exe"));
    EXPECT_FALSE(device.Exists("d/ren.exe"));
    EXPECT_EQ(TestFileText(), device.Read("d/ren.vir"));
    Begin(3, 0x003);   // leave
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan("d/left.exe"));
    EXPECT_TRUE(device.Exists("d/left.exe"));
    EXPECT_TRUE(ListBackups().empty());
}

TEST_F(EngineImageTest, AskingGoesThroughThePromptAndAnAnswerForAllIsKept)
{
    for (const char* file : { "q/1.exe", "q/2.exe", "q/3.exe" })
        device.Write(file, TestFileText());
    Prompt prompt;
    prompt.answer = PROMPT_LEAVE;
    Begin(2, 0x003, 0, &prompt);
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan("q/1.exe"));
    EXPECT_EQ(u"\\q\\1.exe", prompt.lastFile);
    EXPECT_EQ(u"Eicar-Test-Signature", prompt.lastName);
    prompt.answer = PROMPT_TREAT;
    prompt.forAll = true;
    EXPECT_EQ(SCAN_DELETED, Scan("q/2.exe"));
    EXPECT_EQ(SCAN_DELETED, Scan("q/3.exe"));
    EXPECT_EQ(2, prompt.asked);
    EXPECT_TRUE(device.Exists("q/1.exe"));
    EXPECT_FALSE(device.Exists("q/3.exe"));
    bridge->EndScan();
    EXPECT_EQ(1, prompt.refs);
}

TEST_F(EngineImageTest, ForceTreatDeletesTheFindingsOfAReportOnlyRun)
{
    device.Write("f.exe", TestFileText());
    Begin(3, 0x003);
    EXPECT_EQ(SCAN_FOUND_LEFT, Scan("f.exe"));
    EXPECT_EQ(SCAN_DELETED, Scan("f.exe", 1));
    EXPECT_FALSE(device.Exists("f.exe"));
}

TEST_F(EngineImageTest, BackupsAreListedByTheStoreAndRestoreByteForByte)
{
    std::string content = TestFileText() + "\n";
    std::string binary = "ORVHEAD:";
    for (int i = 0; i < 3000; ++i)
        binary.push_back(char(i * 7));
    device.Write("keep/one.exe", content);
    device.Write("keep/two.bin", binary);
    Begin(0);   // delete, with backups (bit 8)
    EXPECT_EQ(SCAN_DELETED, Scan("keep/one.exe"));
    EXPECT_EQ(SCAN_DELETED, Scan("keep/two.bin"));
    EXPECT_FALSE(device.Exists("keep/one.exe"));
    std::vector<BackupRecord> backups = ListBackups();
    ASSERT_EQ(2u, backups.size());
    BackupStore* store = CreateBackupStore(context);
    for (BackupRecord& record : backups) {
        std::u16string backupPath = record.backupPath;
        std::u16string fileName = backupPath.substr(backupPath.find_last_of(u"\\/") + 1);
        EXPECT_EQ(u"20261207", fileName.substr(0, 8));
        EXPECT_EQ(0, store->Execute(BACKUP_RESTORE, &record));
    }
    store->Release();
    EXPECT_EQ(content, device.Read("keep/one.exe"));
    EXPECT_EQ(binary, device.Read("keep/two.bin"));
    EXPECT_TRUE(ListBackups().empty());
}

TEST_F(EngineImageTest, ScanningKeepsTheEngineMemoryBounded)
{
    device.Write("m/infected.exe", TestFileText());
    device.Write("m/clean.exe", std::string(5 << 20, 'c'));
    Begin(3);
    int32_t live = Allocator()->LiveCount();
    EXPECT_GT(live, 0);
    for (int i = 0; i < 20; ++i) {
        Scan("m/infected.exe");
        Scan("m/clean.exe");
    }
    EXPECT_EQ(live, Allocator()->LiveCount());
}

TEST(EngineImageLoaderTest, TheLinkedImageMapsBindsAndExportsItsFactory)
{
    if (!std::filesystem::exists(LIB_DIR / "Verdane.dll"))
        GTEST_SKIP() << "the engine image has not been built";
    TestDevice device;
    std::filesystem::create_directories(device.Host("Lib"));
    std::filesystem::copy_file(LIB_DIR / "Verdane.dll", device.Host("Lib/Verdane.dll"));
    orv::TrackedAllocator allocator;
    orv::FileSystemService files;
    ImageLoader loader(&allocator, &files);
    ASSERT_EQ(1, loader.Load("\\Lib\\Verdane.dll"));
    int marker = 0;
    for (uint16_t ordinal : { 10, 11, 12 })
        EXPECT_EQ(1, loader.BindImport("verlink.DLL", ImageOrdinal(ordinal), &marker));
    EXPECT_EQ(0, loader.BindImport("Verlink.dll", ImageOrdinal(13), &marker));
    ASSERT_EQ(1, loader.Protect());
    EXPECT_TRUE(loader.IsRunnable());
    // What lld-link made of the engine: code, read-only data with the import table, relocations.
    EXPECT_EQ("r--", ProtectionAt(loader.GetImage()));
    EXPECT_EQ("r-x", ProtectionAt(loader.GetImage() + 0x1000));
    EXPECT_TRUE(WritableAndExecutable().empty());
    EXPECT_NE(nullptr, loader.GetExport(ImageOrdinal(20)));
    EXPECT_EQ(nullptr, loader.GetExport(ImageOrdinal(21)));
    loader.Unload();
    EXPECT_EQ(0, allocator.LiveCount());
}

}  // namespace
