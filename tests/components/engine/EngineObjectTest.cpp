// The engine object driven through its tables as the host drives it, over fake host services and
// real files in a temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "FakeHost.h"
#include "core/BackupHeader.h"
#include "core/Md5.h"
#include "core/TestFile.h"
#include "image/EngineObject.h"

namespace {

namespace fs = std::filesystem;

std::string TestString()
{
    char text[orv::TEST_STRING_LENGTH + 1];
    orv::RevealTestString(text);
    return text;
}

class EngineObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/orv-engine-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root = pattern;
        backup = root + "/backup/";
        fs::create_directory(backup);
    }
    void TearDown() override
    {
        if (engine)
            engine->table->Shutdown(engine);
        EXPECT_EQ(0, host.liveBlocks);  // Shutdown gives back every block
        EXPECT_EQ(0, host.openFiles);
        fs::remove_all(root);
    }
    // A library folder holding a copy of the shipped databases (the engine writes its load report
    // there, and the source tree is not to be written).
    std::string ShippedLibrary()
    {
        std::string lib = root + "/shipped/";
        fs::create_directories(lib);
        for (const auto& entry : fs::directory_iterator(ORV_ENGINE_DB_DIR))
            fs::copy_file(entry.path(), lib + entry.path().filename().string());
        return lib;
    }
    // Loads the engine over libFolder (the shipped databases unless given).
    EngineScanner* Load(std::string libFolder = "")
    {
        if (libFolder.empty())
            libFolder = ShippedLibrary();
        engine = orv::CreateEngineObject(host.Services());
        EXPECT_NE(nullptr, engine);
        EXPECT_EQ(1, engine->table->Init(engine, libFolder.c_str(), backup.c_str(), ENGINE_PRODUCT_NAME));
        scanner = engine->table->GetScanner(engine);
        EXPECT_NE(nullptr, scanner);
        scanner->table->SetCallbacks(scanner, callbacks.Interface());
        return scanner;
    }
    void SetAction(int32_t action, bool keepBackup)
    {
        scanner->table->SetOption(scanner, keepBackup ? 1 : 0);
        scanner->table->Reset(scanner);
        scanner->table->SetAction(scanner, 0, action);
    }
    std::string Put(const std::string& name, const std::string& bytes)
    {
        std::string path = root + "/" + name;
        WriteFileBytes(path, bytes);
        return path;
    }
    int32_t Scan(const std::string& path) { return scanner->table->ScanFile(scanner, path.c_str()); }
    std::string VirusName() { return scanner->table->GetVirusName(scanner); }
    std::vector<std::string> Backups()
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(backup))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    FakeHost host;
    FakeCallbacks callbacks;
    Engine* engine = nullptr;
    EngineScanner* scanner = nullptr;
    std::string root;
    std::string backup;
};

TEST_F(EngineObjectTest, InitReadsVersionAndDateFromTheInfoFile)
{
    Load();
    int32_t major = -1, minor = -1, unused = -1, build = -1, year = -1, month = -1, day = -1;
    engine->table->GetVersion(engine, &major, &minor, &unused, &build);
    engine->table->GetDatabaseDate(engine, &year, &month, &day);
    EXPECT_EQ(1, major);
    EXPECT_EQ(0, minor);
    EXPECT_EQ(1, build);
    EXPECT_EQ(2026, year);
    EXPECT_EQ(12, month);
    EXPECT_EQ(1, day);
}

TEST_F(EngineObjectTest, ShippedSignaturesFindTheDemoFiles)
{
    Load();
    struct Row {
        const char* file;
        std::string bytes;
        const char* name;
    } rows[] = {
        { "clean.txt", "nothing to see here\n", "" },
        { "test.com", TestString() + "\r\n", orv::TEST_FILE_VIRUS_NAME },
        { "body.bin", "xx ORV-DEMO-BODY-SIGNATURE xx", "Orv.Test.Body-1" },
        { "wild.bin", "ORV-WILD1234--Z--...MARK", "Orv.Test.Wildcard-1" },
        { "head.bin", "ORVHEAD:rest", "Orv.Test.Header-1" },
        { "nohead.bin", " ORVHEAD:rest", "" },
        { "tail.bin", "payload ORVTAIL!", "Orv.Test.Trailer-1" },
        { "md5.txt", "ORV demo hash sample\n", "Orv.Test.Md5-1" },
        { "sha.txt", "ORV demo sha256 sample\n", "Orv.Test.Sha256-1" },
        { "logic.txt", "ORV-LOGIC-TWO then ORV-LOGIC-ONE", "Orv.Test.Logical-1" },
        { "many.txt", "ORV-LOGIC-MANY ORV-LOGIC-MANY ORV-LOGIC-MANY", "Orv.Test.Logical-1" },
        { "two.txt", "ORV-LOGIC-MANY ORV-LOGIC-MANY ORV-LOGIC-ONE", "" },
    };
    SetAction(ENGINE_ACTION_LEAVE, true);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        std::string path = Put(row.file, row.bytes);
        EXPECT_EQ(*row.name ? orv::RESULT_FOUND_LEFT : 0, Scan(path));
        if (*row.name) {
            EXPECT_EQ(row.name, VirusName());
        }
        EXPECT_EQ(row.bytes, ReadFileBytes(path));  // action 0 leaves the file alone
    }
    EXPECT_TRUE(Backups().empty());
}

TEST_F(EngineObjectTest, DeleteKeepsABackupTheStoreCanRestore)
{
    Load();
    host.now = { 2026, 3, 1, 4, 5, 6, 7, 0 };
    SetAction(ENGINE_ACTION_DELETE, true);
    std::string content = "xx ORV-DEMO-BODY-SIGNATURE \x00\xff\x7f" + std::string(3000, 'z');
    std::string first = Put("a.exe", content);
    std::string second = Put("b.exe", content);
    EXPECT_EQ(ENGINE_RESULT_DELETED_BACKUP, Scan(first));
    EXPECT_EQ(ENGINE_RESULT_DELETED_BACKUP, Scan(second));
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    ASSERT_EQ((std::vector<std::string> { "20260304-050607-000.bak", "20260304-050607-001.bak" }), Backups());

    std::string saved = ReadFileBytes(backup + "20260304-050607-000.bak");
    ASSERT_GE(saved.size(), orv::BACKUP_HEADER_SIZE);
    auto u32 = [&](size_t at) { return uint32_t(uint8_t(saved[at]) | uint8_t(saved[at + 1]) << 8
                                                | uint8_t(saved[at + 2]) << 16 | uint32_t(uint8_t(saved[at + 3])) << 24); };
    EXPECT_EQ(0, memcmp(saved.data(), orv::BACKUP_MAGIC, 16));
    EXPECT_EQ(first, std::string(saved.c_str() + u32(20)));
    EXPECT_EQ("Orv.Test.Body-1", std::string(saved.c_str() + u32(24)));
    EXPECT_EQ(content.size(), u32(40));
    std::string restored = saved.substr(u32(16));
    for (char& c : restored)
        c = char(~c);
    EXPECT_EQ(content, restored);
}

TEST_F(EngineObjectTest, RenameWithoutBackupGivesTheVirExtension)
{
    Load();
    SetAction(ENGINE_ACTION_RENAME, false);
    std::string path = Put("infected.exe", "ORVHEAD: payload");
    EXPECT_EQ(ENGINE_RESULT_RENAMED, Scan(path));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ("ORVHEAD: payload", ReadFileBytes(root + "/infected.vir"));
    EXPECT_TRUE(Backups().empty());
}

TEST_F(EngineObjectTest, AskActionGetsPathAndNameAndItsAnswerIsApplied)
{
    Load();
    SetAction(ENGINE_ACTION_ASK, true);
    std::string path = Put("ask.doc", "ORVHEAD:");
    callbacks.answer = ENGINE_ACTION_LEAVE;
    EXPECT_EQ(orv::RESULT_FOUND_LEFT, Scan(path));
    ASSERT_EQ(1u, callbacks.asked.size());
    EXPECT_EQ(path + "|Orv.Test.Header-1", callbacks.asked[0]);
    callbacks.answer = ENGINE_ACTION_RENAME;
    EXPECT_EQ(ENGINE_RESULT_RENAMED_BACKUP, Scan(path));
    EXPECT_TRUE(fs::exists(root + "/ask.vir"));
    EXPECT_EQ(1u, Backups().size());
}

TEST_F(EngineObjectTest, RefusedFileIsNeverOpened)
{
    Load();
    callbacks.accept = false;
    std::string path = Put("test.txt", TestString());
    EXPECT_EQ(0, Scan(path));
    EXPECT_EQ((std::vector<std::string> { path }), callbacks.offered);
    EXPECT_TRUE(host.opened.empty() || host.opened.back() != path);
}

TEST_F(EngineObjectTest, FailedBackupLeavesTheFileAndNoPartialBackup)
{
    Load();
    SetAction(ENGINE_ACTION_DELETE, true);
    std::string content = "ORVHEAD:" + std::string(5000, 'q');
    std::string path = Put("keep.exe", content);
    host.failWritesAfter = 2000;  // the header fits, the content does not
    EXPECT_EQ(orv::RESULT_FOUND_LEFT, Scan(path));
    EXPECT_EQ(content, ReadFileBytes(path));
    EXPECT_TRUE(Backups().empty());

    fs::remove_all(backup);  // no folder to write into
    host.failWritesAfter = UINT32_MAX;
    EXPECT_EQ(orv::RESULT_FOUND_LEFT, Scan(path));
    EXPECT_EQ(content, ReadFileBytes(path));
}

TEST_F(EngineObjectTest, LargeFilesAreMatchedAcrossChunksAndHashedWhole)
{
    // The second signature's fragment ("LONGERTAILPART") lies in the second chunk and its head
    // ("HEAD") in the first, so checking it reads back before the chunk in hand.
    std::string big(3 * orv::SCAN_CHUNK + 77, '.');
    big.replace(100, 4, "HEAD");
    big.replace(orv::SCAN_CHUNK + 10, 14, "LONGERTAILPART");
    orv::Md5 md5;
    md5.Start();
    md5.Update(reinterpret_cast<const uint8_t*>(big.data()), uint32_t(big.size()));
    uint8_t digest[16];
    md5.Finish(digest);
    char hex[33];
    for (int i = 0; i < 16; ++i)
        snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    std::string lib = root + "/lib/";
    fs::create_directory(lib);
    WriteFileBytes(lib + "orv.hdb", std::string(hex) + ":" + std::to_string(big.size()) + ":Big.Md5\n");
    WriteFileBytes(lib + "orv.ndb", "Split:0:*:48454144*4c4f4e4745525441494c50415254\n"
                                    "Bad line\n");
    Load(lib);
    SetAction(ENGINE_ACTION_LEAVE, true);
    EXPECT_EQ(orv::RESULT_FOUND_LEFT, Scan(Put("split.bin", big)));
    EXPECT_EQ("Split", VirusName());
    big[100] = 'h';  // the body signature no longer matches; the hash does not either
    EXPECT_EQ(0, Scan(Put("changed.bin", big)));
    big[100] = 'H';
    big.replace(orv::SCAN_CHUNK + 10, 1, "l");
    WriteFileBytes(lib + "orv.ndb", "");
    EXPECT_EQ(0, Scan(Put("other.bin", big)));
}

// The index names the files to load, of any name and in subfolders; the import's index adds its
// own files and its date. Names that could lead out of the folder are not followed, and a file the
// index does not name is not loaded.
TEST_F(EngineObjectTest, IndexNamesTheFilesToLoadAndTheImportAddsItsOwn)
{
    std::string lib = root + "/lib/";
    fs::create_directories(lib + "set.2");
    WriteFileBytes(lib + "orv.info", "version=2.1.7\ndate=2026-01-02\nfile=local.ndb\nfile=..\\outside.ndb\n");
    WriteFileBytes(lib + "orv-import.info", "date=2026-12-24\nfile=set.2\\daily.ndb\nfile=set.2\\daily.ign2\n");
    WriteFileBytes(lib + "local.ndb", "Local.Body:0:*:4c4f43414c21\n");
    WriteFileBytes(lib + "orv.ndb", "Unlisted.Body:0:*:554e4c4953544544\n");
    WriteFileBytes(root + "/outside.ndb", "Outside.Body:0:*:4f555453494445\n");
    WriteFileBytes(lib + "set.2/daily.ndb", "Daily.Body:0:*:4441494c5921\nDaily.Ignored:0:*:49474e4f524544\n");
    WriteFileBytes(lib + "set.2/daily.ign2", "Daily.Ignored\n");  // listed last, applied to every file
    Load(lib);
    int32_t major = 0, minor = 0, unused = 0, build = 0, year = 0, month = 0, day = 0;
    engine->table->GetVersion(engine, &major, &minor, &unused, &build);
    engine->table->GetDatabaseDate(engine, &year, &month, &day);
    EXPECT_EQ((std::vector<int32_t> { 2, 1, 7, 2026, 12, 24 }), (std::vector<int32_t> { major, minor, build, year, month, day }));
    struct Row {
        const char* content;
        const char* name;
    } rows[] = { { "a LOCAL! file", "Local.Body" }, { "a DAILY! file", "Daily.Body" }, { "UNLISTED", "" },
                 { "OUTSIDE", "" }, { "IGNORED", "" } };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.content);
        EXPECT_EQ(*row.name ? orv::RESULT_FOUND_LEFT : 0, Scan(Put("f.bin", row.content)));
        EXPECT_EQ(row.name, VirusName());
    }
}

TEST_F(EngineObjectTest, WithoutAnIndexEveryKindOfOrvFileIsLoaded)
{
    std::string lib = root + "/lib/";
    fs::create_directories(lib);
    std::string allowed = "allowed ABCDEFGH";
    orv::Md5 md5;
    md5.Start();
    md5.Update(reinterpret_cast<const uint8_t*>(allowed.data()), uint32_t(allowed.size()));
    uint8_t digest[16];
    md5.Finish(digest);
    char hex[33];
    for (int i = 0; i < 16; ++i)
        snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    WriteFileBytes(lib + "orv.info", "version=1.0.0\n");
    WriteFileBytes(lib + "orv.ndb", "Body.One:0:*:4142434445464748\nBody.Two:0:*:5859\n");
    WriteFileBytes(lib + "orv.ldb", "Logical.One;Target:0;0&1;3132;3334\n");
    WriteFileBytes(lib + "orv.fp", std::string(hex) + ":" + std::to_string(allowed.size()) + ":Allowed\n");
    WriteFileBytes(lib + "orv.ign2", "Body.Two\n");
    Load(lib);
    EXPECT_EQ(orv::RESULT_FOUND_LEFT, Scan(Put("a.bin", "ABCDEFGH")));
    EXPECT_EQ(0, Scan(Put("b.bin", allowed)));
    EXPECT_EQ(0, Scan(Put("c.bin", "XY")));
    EXPECT_EQ(orv::RESULT_FOUND_LEFT, Scan(Put("d.bin", "12.34")));
    EXPECT_EQ("Logical.One", VirusName());
}

// The report names every file with what it kept and, per reason, the lines it refused; the default
// names that are absent are left out. It replaces the report of the last load, whole.
TEST_F(EngineObjectTest, LoadReportSaysWhatBecameOfEveryFileAndLine)
{
    std::string lib = root + "/lib/";
    fs::create_directories(lib);
    WriteFileBytes(lib + "orv.info", "file=orv.ndb\nfile=gone.hdb\nfile=notes.txt\nfile=..\\up.ndb\n");
    WriteFileBytes(lib + "orv.ndb", "# local signatures\nGood:0:*:41424344\nPe.Only:1:*:41424344\nNewer:0:*:41424344:250\n"
                                    "Alt:0:*:41(42|43)44\nPe.Too:1:*:45464748\n");
    WriteFileBytes(lib + "orv-load.txt", "the report of an older load, longer than the new one will be" + std::string(2000, '.'));
    host.now = { 2026, 12, 3, 9, 8, 7, 6, 0 };
    Load(lib);
    std::string report = ReadFileBytes(lib + "orv-load.txt");
    for (const char* text : { "Signature databases loaded 2026-12-09 08:07:06", "orv.info lists 3 files",
                              "orv.ndb: 1 body signature; 1 for other engine levels; 3 lines refused",
                              "  2 refused, target type other than 0 (any file): lines 3, 6\r\n",
                              "  1 refused, alternatives, anchored bytes or boundaries in the pattern: line 5\r\n",
                              "gone.hdb: not found", "notes.txt: not a kind of database", "orv.info: 1 name not followed",
                              "total over 1 file: 1 body signature" }) {
        EXPECT_NE(std::string::npos, report.find(text)) << text << "\n" << report;
    }
    EXPECT_EQ(std::string::npos, report.find("older load"));
    EXPECT_FALSE(fs::exists(lib + "orv-load.tmp"));
}

TEST_F(EngineObjectTest, MissingDatabasesStillFindTheTestFile)
{
    Load(root + "/nowhere/");
    int32_t major = -1, minor = -1, unused = -1, build = -1;
    engine->table->GetVersion(engine, &major, &minor, &unused, &build);
    EXPECT_EQ(0, major);
    EXPECT_EQ(orv::RESULT_FOUND_LEFT, Scan(Put("t.com", TestString())));
    EXPECT_EQ(ENGINE_RESULT_NOT_SCANNED, Scan(root + "/missing.file"));
    EXPECT_EQ(2, host.guardedCalls);  // each examination runs under the host's guard
}

// The host could not remove or rename the file: the engine says so, and the backup it made for
// the attempt goes again, so rescans do not pile backups up.
TEST_F(EngineObjectTest, ATreatmentThatDidNotHappenIsReportedAsLeftAndItsBackupIsRemoved)
{
    Load();
    host.refuseRemoval = true;
    for (int32_t action : { ENGINE_ACTION_DELETE, ENGINE_ACTION_RENAME }) {
        SCOPED_TRACE(action);
        SetAction(action, true);
        std::string path = Put("kept.com", TestString());
        EXPECT_EQ(orv::RESULT_FOUND_LEFT, Scan(path));
        EXPECT_EQ(orv::RESULT_FOUND_LEFT, Scan(path));
        EXPECT_EQ(TestString(), ReadFileBytes(path));
        EXPECT_TRUE(Backups().empty());
    }
    host.refuseRemoval = false;
    SetAction(ENGINE_ACTION_DELETE, true);
    EXPECT_EQ(ENGINE_RESULT_DELETED_BACKUP, Scan(Put("gone.com", TestString())));
    EXPECT_EQ(1u, Backups().size());
}

// RunGuarded returns 0 either way; the engine sees from its own record that the examination did
// not finish, acts on nothing, and trusts itself no more.
TEST_F(EngineObjectTest, AnExaminationCutShortIsNotScannedAndNothingIsTreated)
{
    Load();
    SetAction(ENGINE_ACTION_DELETE, true);
    std::string path = Put("t.com", TestString());
    host.cutGuardedCalls = true;
    EXPECT_EQ(ENGINE_RESULT_NOT_SCANNED, Scan(path));
    host.cutGuardedCalls = false;
    EXPECT_EQ(ENGINE_RESULT_NOT_SCANNED, Scan(path));
    EXPECT_EQ("", VirusName());
    EXPECT_EQ(TestString(), ReadFileBytes(path));
    EXPECT_TRUE(Backups().empty());
}

} // namespace
