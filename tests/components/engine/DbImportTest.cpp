// orv-dbimport's reading of containers and its installing of database sets, on containers built
// here: good ones, damaged ones, ones with files the engine does not read, and imports killed at
// random moments.
#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "ContainerReader.h"
#include "CoreTestSupport.h"
#include "FakeHost.h"
#include "LibraryInstaller.h"
#include "core/InfoFile.h"
#include "core/Md5.h"
#include "core/Sha256.h"

namespace {

namespace fs = std::filesystem;
using FileList = std::vector<std::pair<std::string, std::string>>;

std::string Digest(const std::string& bytes, bool sha256)
{
    uint8_t digest[32];
    if (sha256) {
        orv::Sha256 hash;
        hash.Start(false);
        hash.Update(reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()));
        hash.Finish(digest);
    } else {
        orv::Md5 hash;
        hash.Start();
        hash.Update(reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()));
        hash.Finish(digest);
    }
    return Hex(std::string(reinterpret_cast<char*>(digest), sha256 ? 32 : 16));
}

std::string Tar(const FileList& files, bool gzip)
{
    std::string buffer(1 << 20, '\0');
    size_t used = 0;
    archive* writer = archive_write_new();
    archive_write_set_format_ustar(writer);
    if (gzip)
        archive_write_add_filter_gzip(writer);
    EXPECT_EQ(ARCHIVE_OK, archive_write_open_memory(writer, buffer.data(), buffer.size(), &used));
    for (const auto& [name, bytes] : files) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.c_str());
        archive_entry_set_size(entry, la_int64_t(bytes.size()));
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_write_header(writer, entry);
        archive_write_data(writer, bytes.data(), bytes.size());
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    buffer.resize(used);
    return buffer;
}

// A container as the signature tools build it: the header, then the archive; the .info lists each
// file with its size and SHA-256.
std::string MakeContainer(const std::string& database, FileList files, uint32_t version, int64_t seconds,
                          bool gzip = true)
{
    std::string info = "ClamAV-VDB:08 Dec 2026 20-19 +0000:" + std::to_string(version) + ":2:216:X:X:tester:0\n";
    for (const auto& [name, bytes] : files)
        if (orv::IsSignatureFileName(name))
            info += name + ":" + std::to_string(bytes.size()) + ":" + Digest(bytes, true) + "\n";
    files.insert(files.begin(), { database + ".info", info });
    std::string archive = Tar(files, gzip);
    std::string header = "ClamAV-VDB:08 Dec 2026 20-19 +0000:" + std::to_string(version) + ":2:216:" + Digest(archive, false)
        + ":X:tester:" + std::to_string(seconds);
    header.resize(orv::CONTAINER_HEADER_SIZE, ' ');
    return header + archive;
}

class DbImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/orv-dbimport-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        lib = pattern;
    }
    void TearDown() override { fs::remove_all(lib); }

    orv::Container Read(const std::string& name, const std::string& bytes)
    {
        orv::Container container;
        std::string error;
        EXPECT_TRUE(orv::ReadContainerBytes(name, bytes, container, error)) << error;
        return container;
    }
    bool Install(const std::vector<orv::Container>& containers, orv::InstalledSet& set)
    {
        std::string error;
        bool ok = orv::InstallContainers(lib, containers, set, error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }
    // The index as the engine reads it, and the bytes of each file it names.
    std::map<std::string, std::string> Installed(orv::EngineInfo& info)
    {
        std::string text = ReadFileBytes(lib + "/" + orv::IMPORT_INFO_FILE);
        orv::DatabaseIndex index;
        orv::ParseInfoFile(text.data(), uint32_t(text.size()), info, &index);
        std::map<std::string, std::string> files;
        for (uint32_t i = 0; i < index.count; ++i) {
            std::string name = index.names[i];
            std::replace(name.begin(), name.end(), '\\', '/');
            files[name.substr(name.find('/') + 1)] = ReadFileBytes(lib + "/" + name);
        }
        return files;
    }
    std::vector<std::string> SetFolders()
    {
        std::vector<std::string> folders;
        for (const auto& entry : fs::directory_iterator(lib))
            if (entry.is_directory())
                folders.push_back(entry.path().filename().string());
        return folders;
    }

    std::string lib;
};

const std::string DAILY_NDB = "Daily.Body:0:*:4441494c59\nDaily.Alt:0:*:41(42|43)44\n";
const std::string DAILY_HDB = "900150983cd24fb0d6963f7d28e17f72:3:Daily.Abc\n";
constexpr int64_t DEC_08_2026 = 1796761184;

TEST_F(DbImportTest, GoodContainerKeepsTheEnginesFilesAndIsInstalledWithItsDate)
{
    for (bool gzip : { true, false }) {
        SCOPED_TRACE(gzip ? "cvd" : "cld");
        std::string bytes = MakeContainer("daily", { { "COPYING", "licence" }, { "daily.ndb", DAILY_NDB },
                                                     { "daily.hdb", DAILY_HDB }, { "daily.cdb", "container sigs" } },
                                          27480, DEC_08_2026, gzip);
        orv::Container container = Read(gzip ? "daily.cvd" : "daily.cld", bytes);
        EXPECT_EQ(27480u, container.header.version);
        EXPECT_EQ("tester", container.header.builder);
        ASSERT_EQ(2u, container.kept.size());
        EXPECT_EQ("daily.ndb", container.kept[0].name);
        EXPECT_EQ("daily.info", container.info.name);
        ASSERT_EQ(2u, container.skipped.size());  // COPYING and the kind the engine does not read
        EXPECT_EQ("daily.cdb", container.skipped[1].name);
        orv::InstalledSet set;
        ASSERT_TRUE(Install({ container }, set));
        orv::EngineInfo info;
        std::map<std::string, std::string> files = Installed(info);
        EXPECT_EQ((std::map<std::string, std::string> { { "daily.ndb", DAILY_NDB }, { "daily.hdb", DAILY_HDB } }), files);
        EXPECT_EQ((std::vector<uint32_t> { 2026, 12, 8 }), (std::vector<uint32_t> { info.year, info.month, info.day }));
        EXPECT_EQ(1u, SetFolders().size());
    }
}

// A container that is damaged, cut short or altered is refused whole, before anything is written.
TEST_F(DbImportTest, DamagedContainersAreRefused)
{
    std::string good = MakeContainer("daily", { { "daily.ndb", DAILY_NDB } }, 1, DEC_08_2026);
    std::string flipped = good;
    flipped[flipped.size() - 30] ^= 0x40;
    std::string altered = good.substr(0, orv::CONTAINER_HEADER_SIZE);
    {
        // The archive rebuilt with a changed file and the header's MD5 made to fit: the .info catches it.
        std::string archive = Tar({ { "daily.info", "ClamAV-VDB:x\ndaily.ndb:" + std::to_string(DAILY_NDB.size()) + ":"
                                                        + Digest(DAILY_NDB, true) + "\n" },
                                    { "daily.ndb", "Daily.Other:0:*:4f54484552\n" } },
                                  true);
        altered = "ClamAV-VDB:08 Dec 2026 20-19 +0000:1:2:216:" + Digest(archive, false) + ":X:tester:0";
        altered.resize(orv::CONTAINER_HEADER_SIZE, ' ');
        altered += archive;
    }
    std::string badHeader = good;
    badHeader.replace(0, 10, "ClamAV-XXX");
    struct Row {
        const char* what;
        std::string bytes;
        const char* error;
    } rows[] = {
        { "a flipped byte", flipped, "MD5" },
        { "cut short", good.substr(0, good.size() - 40), "MD5" },
        { "only a header", good.substr(0, 600), "MD5" },
        { "shorter than the header", good.substr(0, 100), "512-byte" },
        { "no header", badHeader, "header" },
        { "a file altered", altered, "does not match" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        orv::Container container;
        std::string error;
        EXPECT_FALSE(orv::ReadContainerBytes("daily.cvd", row.bytes, container, error));
        EXPECT_NE(std::string::npos, error.find(row.error)) << error;
    }
    // An archive whose own end is missing although its MD5 fits is refused by the unpacking.
    std::string archive = Tar({ { "daily.ndb", std::string(5000, 'x') } }, false).substr(0, 2000);
    std::string header = "ClamAV-VDB:t:1:1:216:" + Digest(archive, false) + ":X:tester:0";
    header.resize(orv::CONTAINER_HEADER_SIZE, ' ');
    orv::Container container;
    std::string error;
    EXPECT_FALSE(orv::ReadContainerBytes("daily.cld", header + archive, container, error));
    EXPECT_NE(std::string::npos, error.find("damaged archive")) << error;
}

// Importing a database again replaces its files and keeps those of the others; the date is the
// newest one's, and only the set in use stays on disk.
TEST_F(DbImportTest, ImportReplacesItsDatabaseAndKeepsTheOthers)
{
    orv::InstalledSet set;
    const std::string mainNdb = "Main.Body:0:*:4d41494e\n";
    ASSERT_TRUE(Install({ Read("main.cvd", MakeContainer("main", { { "main.ndb", mainNdb } }, 62, DEC_08_2026 - 86400 * 30)) }, set));
    ASSERT_TRUE(Install({ Read("daily.cvd", MakeContainer("daily", { { "daily.ndb", DAILY_NDB }, { "daily.hdb", DAILY_HDB } }, 27480,
                                                          DEC_08_2026)) }, set));
    const std::string newer = "Daily.Newer:0:*:4e45574552\n";
    ASSERT_TRUE(Install({ Read("daily.cvd", MakeContainer("daily", { { "daily.ndb", newer } }, 27481, DEC_08_2026 - 86400)) }, set));
    orv::EngineInfo info;
    EXPECT_EQ((std::map<std::string, std::string> { { "main.ndb", mainNdb }, { "daily.ndb", newer } }), Installed(info));
    EXPECT_EQ(7u, info.day);
    EXPECT_EQ((std::vector<std::string> { set.folder }), SetFolders());
    EXPECT_TRUE(fs::exists(lib + "/" + set.folder + "/main.info"));
    EXPECT_FALSE(fs::exists(lib + "/" + set.folder + "/daily.hdb"));
}

// An import killed at any moment leaves the old set or the new one in use, whole; the next import
// clears what the killed one left behind.
TEST_F(DbImportTest, KilledImportLeavesTheOldOrTheNewSet)
{
    std::vector<std::string> contents;
    std::vector<orv::Container> containers;
    for (int n = 0; n < 2; ++n) {
        contents.push_back("Set" + std::to_string(n) + ".Body:0:*:" + Hex("SET-" + std::to_string(n)) + "\n");
        containers.push_back(Read("daily.cvd", MakeContainer("daily", { { "daily.ndb", contents[n] }, { "daily.ldb", "L;Target:0;0;414243\n" },
                                                                         { "daily.fp", std::string(3000, '#') + "\n" } },
                                                             uint32_t(n + 1), DEC_08_2026 + n * 86400)));
    }
    orv::InstalledSet set;
    ASSERT_TRUE(Install({ containers[0] }, set));
    std::mt19937 random(3);
    for (int attempt = 0; attempt < 30; ++attempt) {
        SCOPED_TRACE(attempt);
        int ready[2];
        ASSERT_EQ(0, pipe(ready));
        pid_t child = fork();
        if (child == 0) {
            close(ready[0]);
            for (uint32_t round = 0;; ++round) {
                orv::InstalledSet ignored;
                std::string error;
                orv::InstallContainers(lib, { containers[round % 2] }, ignored, error);
                if (round == 0 && write(ready[1], "r", 1) != 1)
                    _exit(1);
            }
        }
        close(ready[1]);
        char byte = 0;
        ASSERT_EQ(1, read(ready[0], &byte, 1));
        close(ready[0]);
        // A random moment within the next imports.
        std::atomic<uint32_t> spin { 0 };
        for (uint32_t until = random() % 2000000; spin.load(std::memory_order_relaxed) < until;)
            spin.fetch_add(1, std::memory_order_relaxed);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        orv::EngineInfo info;
        std::map<std::string, std::string> files = Installed(info);
        ASSERT_EQ(3u, files.size());
        int n = info.day == 8 ? 0 : 1;
        EXPECT_EQ(contents[n], files["daily.ndb"]);
        EXPECT_EQ(std::string(3000, '#') + "\n", files["daily.fp"]);
    }
    ASSERT_TRUE(Install({ containers[0] }, set));
    EXPECT_EQ((std::vector<std::string> { set.folder }), SetFolders());
    EXPECT_FALSE(fs::exists(lib + "/orv-import.info.tmp"));
}

} // namespace
