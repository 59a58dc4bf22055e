// Installing the demo device: the layout, the profile options, a second install and --reset.
#include <gtest/gtest.h>

#include "DemoDevice.h"
#include "core/TestFile.h"

namespace {

namespace fs = std::filesystem;
using demotest::BUILD_DIR;
using demotest::ReadHost;
using demotest::WriteHost;
using DemoDeviceTest = demotest::DemoDevice;

TEST_F(DemoDeviceTest, InstallLaysOutProgramDocumentsAndProfile)
{
    demotest::ToolResult result = Install();
    ASSERT_TRUE(result.finished && result.status == 0) << result.output;
    for (const char* name : { "OrvMobile", "libOrvMobileEngCE.so", "libwcecore.so", "libwceui.so", "libwcegdi.so",
                              "libwcedisplay.so", "OrvResEN.DLL", "OrvResCN.DLL", "OrvResTW.DLL", "Lib/Verdane.dll",
                              "Lib/orv.hdb", "Lib/orv.ndb", "Lib/orv.info" })
        EXPECT_TRUE(fs::is_regular_file(program / name)) << name;
    // The help files where each family looks: the Pocket PC family in \Windows\, the others in
    // the program's Help\ folder.
    for (const char* name : { "OrvMobileEN.htm", "OrvMobileCN.htm", "OrvMobileTW.htm" }) {
        EXPECT_TRUE(fs::is_regular_file(program / "Help" / name)) << name;
        EXPECT_TRUE(fs::is_regular_file(device / "Windows" / name)) << name;
    }
    EXPECT_EQ(ReadHost(BUILD_DIR / "bin" / "OrvMobile"), ReadHost(program / "OrvMobile"));
    EXPECT_NE(std::string::npos, Profile().find("\nPlatform=PocketPC\n"));
    EXPECT_NE(std::string::npos, Profile().find("\nCodePage=1252\n"));
    EXPECT_TRUE(fs::is_directory(device / "Storage Card"));

    int testFiles = 0;
    int ordinaryFiles = 0;
    for (const auto& entry : fs::recursive_directory_iterator(device)) {
        std::string top = entry.path().lexically_relative(device).begin()->string();
        if (!entry.is_regular_file() || (top != "My Documents" && top != "Storage Card"))
            continue;
        std::string bytes = ReadHost(entry.path());
        bool infected = orv::IsTestFile(reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()));
        (infected ? testFiles : ordinaryFiles) += 1;
    }
    EXPECT_GE(testFiles, 3);
    EXPECT_GE(ordinaryFiles, 3);
}

TEST_F(DemoDeviceTest, OptionsChooseFamilyCodePageAndScreen)
{
    struct Row {
        std::vector<std::string> options;
        std::vector<std::string> lines;
    } rows[] = {
        { { "--smartphone", "--codepage", "936" }, { "Platform=SmartPhone", "CodePage=936" } },
        { { "--codepage", "950" }, { "Platform=PocketPC", "CodePage=950" } },
        { { "--platform", "Palm PC2", "--screen", "320x240" }, { "Platform=Palm PC2", "Screen=320x240" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lines[0]);
        demotest::ToolResult result = Install(row.options);
        ASSERT_TRUE(result.finished && result.status == 0) << result.output;
        for (const std::string& line : row.lines)
            EXPECT_NE(std::string::npos, Profile().find("\n" + line + "\n")) << Profile();
    }
    std::string before = Profile();
    EXPECT_EQ(2, Install({ "--codepage", "chinese" }).status);
    EXPECT_EQ(2, Install({ "--screen", "big" }).status);
    EXPECT_EQ(before, Profile());
}

TEST_F(DemoDeviceTest, ReinstallKeepsUserFilesAndResetDropsThem)
{
    ASSERT_EQ(0, Install().status);
    WriteHost(program / "OrvMobile.ini", "[Option]\r\n");
    WriteHost(program / "OrvMobile.Log", "log");
    fs::create_directories(program / "Orv-Back.Vir");
    WriteHost(program / "Orv-Back.Vir" / "kept.vir", "backup");
    WriteHost(program / "OrvResEN.DLL", "damaged");
    fs::remove(device / "My Documents" / "Downloads" / "testfile.com");

    ASSERT_EQ(0, Install().status);
    EXPECT_EQ("[Option]\r\n", ReadHost(program / "OrvMobile.ini"));
    EXPECT_EQ("log", ReadHost(program / "OrvMobile.Log"));
    EXPECT_EQ("backup", ReadHost(program / "Orv-Back.Vir" / "kept.vir"));
    EXPECT_EQ(ReadHost(BUILD_DIR / "res" / "OrvResEN.DLL"), ReadHost(program / "OrvResEN.DLL"));
    EXPECT_TRUE(fs::exists(device / "My Documents" / "Downloads" / "testfile.com"));

    ASSERT_EQ(0, Install({ "--reset" }).status);
    EXPECT_FALSE(fs::exists(program / "OrvMobile.ini"));
    EXPECT_FALSE(fs::exists(program / "Orv-Back.Vir"));
    EXPECT_TRUE(fs::exists(program / "OrvMobile"));
}

TEST_F(DemoDeviceTest, RefusesAFolderItDidNotMake)
{
    fs::create_directories(device);
    WriteHost(device / "mine.txt", "mine");
    demotest::ToolResult result = Install({ "--reset" });
    EXPECT_TRUE(result.finished);
    EXPECT_NE(0, result.status);
    EXPECT_EQ("mine", ReadHost(device / "mine.txt"));
    EXPECT_FALSE(fs::exists(device / "Program Files"));
}

}  // namespace
