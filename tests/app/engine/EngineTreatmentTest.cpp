// The real engine image with a name the code page cannot carry, and the probe build's faults, seen
// through the bridge and the backup store.
#include "EngineImageFixture.h"

namespace {

// On a code-page 1252 device "\w\<U+4E2D>.exe" has no 8-bit name: it is found, treated, backed up
// and restored under its own name, and "\w\?.exe" (what the code page would make of it) is not
// touched.
TEST_F(EngineImageTest, ANameTheCodePageCannotCarryIsTreatedAndRestoredAsItself)
{
    const std::string host = "w/\xE4\xB8\xAD.exe";
    device.Write(host, TestFileText());
    device.Write("w/_.exe", TestFileText());
    Begin(0);
    EXPECT_EQ(SCAN_DELETED, ScanWide(u"\\w\\\u4E2D.exe"));
    EXPECT_EQ(u"Eicar-Test-Signature", Name());
    EXPECT_FALSE(device.Exists(host));
    EXPECT_TRUE(device.Exists("w/_.exe"));
    std::vector<BackupRecord> backups = ListBackups();
    ASSERT_EQ(1u, backups.size());
    EXPECT_STREQ("?\\w\\\xE4\xB8\xAD.exe", backups[0].sourcePath);
    BackupStore* store = CreateBackupStore(context);
    EXPECT_EQ(0, store->Execute(BACKUP_RESTORE, &backups[0]));
    store->Release();
    EXPECT_EQ(TestFileText(), device.Read(host));
}

class ProbeImageTest : public EngineImageTest {
protected:
    std::filesystem::path ImageFolder() const override { return ORV_ENGINE_PROBE_DIR; }
};

// A fault of the engine's code, inside its own guarded call or outside it, makes that file not
// scanned; the engine is started anew and the next file is scanned as ever.
TEST_F(ProbeImageTest, AFaultingExaminationIsNotScannedAndTheNextFileIsScanned)
{
    device.Write("p/fault-probe.exe", TestFileText());
    device.Write("p/fault-outside.exe", TestFileText());
    device.Write("p/after.exe", TestFileText());
    Begin(0);
    for (const char* faulting : { "p/fault-probe.exe", "p/fault-outside.exe" }) {
        SCOPED_TRACE(faulting);
        EXPECT_EQ(SCAN_NOT_SCANNED, Scan(faulting));
        EXPECT_EQ(TestFileText(), device.Read(faulting));   // nothing was treated
        EXPECT_TRUE(ListBackups().empty());
    }
    EXPECT_EQ(SCAN_DELETED, Scan("p/after.exe"));
    EXPECT_EQ(u"Eicar-Test-Signature", Name());
    bridge->EndScan();
}

TEST_F(ProbeImageTest, AFaultInInitLeavesTheProgramWithoutAnEngine)
{
    device.Write("Lib/fault-init.probe", "");
    ScanBridge* other = CreateScanBridge(context);
    EXPECT_EQ(0, other->LoadEngine(u"\\Lib\\", u"\\Orv-Back.Vir\\"));
    EXPECT_STREQ("Init", GetEngineStartFault(other));
    other->Release();
}

}  // namespace
