// The virus actions as the scan page carries them out: treatment during the run with and without
// backups, a question per finding, long paths, and the page as it looks after a run.
#include <filesystem>

#include "ScanPageDriver.h"

namespace scantest {
namespace {

using wce::automation::GetMessageBoxHistory;
using wce::automation::MessageBoxRecord;

struct TreatCase {
    int virusAction;
    unsigned flag;
};

class ScanTreatTest : public ScanPageTest, public ::testing::WithParamInterface<TreatCase> {};

// 0 deletes, 1 renames to ".vir"; bit 8 of the flag keeps a backup of each treated file.
TEST_P(ScanTreatTest, TreatsDuringTheRunWithoutAsking)
{
    const TreatCase treat = GetParam();
    MakeDevice(treat.virusAction, treat.flag);
    Open();
    ASSERT_TRUE(WaitForIdle());

    const UINT label = treat.virusAction == 0 ? IDS_LABEL_DELETED : IDS_LABEL_RENAMED;
    const std::u16string results = Text(IDC_SCAN_RESULTS);
    for (const std::string& file : testFiles) {
        EXPECT_EQ(1u, Occurrences(results, FindingLine(file, label))) << file;
        EXPECT_FALSE(device->Exists(file)) << file;
        const std::string renamed = std::filesystem::path(file).replace_extension(".vir").string();
        EXPECT_EQ(treat.virusAction == 1, device->Exists(renamed)) << renamed;
    }
    EXPECT_EQ(u"3", Text(IDC_SCAN_INFECTED));
    EXPECT_EQ(ResString(IDS_MSG_DONE_INFECTED), Text(IDC_SCAN_CURRENT));
    EXPECT_TRUE(GetMessageBoxHistory().empty());
    EXPECT_EQ((treat.flag & 0x100) ? 3u : 0u, device->Backups().size());
}

INSTANTIATE_TEST_SUITE_P(Actions, ScanTreatTest,
                         ::testing::Values(TreatCase { 0, 0x103 }, TreatCase { 0, 0x003 }, TreatCase { 1, 0x103 },
                                           TreatCase { 1, 0x003 }));

// Which test file a question names; empty when none.
std::string FileAskedAbout(const MessageBoxRecord& box, const std::vector<std::string>& files)
{
    for (const std::string& file : files) {
        if (box.text == Format(IDS_FMT_ASK_TREAT, DevicePath(file).c_str(), u"Eicar-Test-Signature"))
            return file;
    }
    return std::string();
}

TEST_F(ScanPageTest, AskActionAsksForEveryFindingAndFollowsEachAnswer)
{
    MakeDevice(2);
    for (int answer : { IDYES, IDNO, IDYES })
        wce::automation::QueueMessageBoxAnswer(answer);
    Open();
    ASSERT_TRUE(WaitForIdle());

    std::vector<MessageBoxRecord> boxes = GetMessageBoxHistory();
    ASSERT_EQ(3u, boxes.size());   // one per finding, none at the end
    const std::u16string results = Text(IDC_SCAN_RESULTS);
    for (const MessageBoxRecord& box : boxes) {
        const std::string file = FileAskedAbout(box, testFiles);
        ASSERT_FALSE(file.empty()) << Narrow(box.text);
        EXPECT_EQ(ResString(IDS_QUESTION_CAPTION), box.caption);
        EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), box.style);
        EXPECT_EQ(box.answer == IDNO, device->Exists(file)) << file;
        EXPECT_EQ(1u, Occurrences(results, FindingLine(file, box.answer == IDYES ? IDS_LABEL_DELETED : IDS_LABEL_LEFT)));
    }
    EXPECT_EQ(u"3", Text(IDC_SCAN_INFECTED));
}

// A file whose device path fits only just is asked about and listed whole; one in a folder whose
// path does not fit the 260-character buffers is left out of the count and the scan alike.
TEST_F(ScanPageTest, LongPathsAreListedWholeOrLeftOutOfTheRun)
{
    MakeDevice(2);
    const std::string folder = "My Documents/" + std::string(100, 'a') + "/" + std::string(100, 'b') + "/";
    const std::string nearLimit = folder + std::string(30, 'c') + ".com";
    const std::string tooLong = folder + std::string(60, 'd') + "/x.com";
    device->Write(nearLimit, TestFileText());
    device->Write(tooLong, TestFileText());
    for (int i = 0; i < 5; ++i)
        wce::automation::QueueMessageBoxAnswer(IDNO);
    Open();
    ASSERT_TRUE(WaitForIdle());

    EXPECT_EQ(4u, GetMessageBoxHistory().size());
    int askedNearLimit = 0;
    for (const MessageBoxRecord& box : GetMessageBoxHistory())
        askedNearLimit += FileAskedAbout(box, { nearLimit }).empty() ? 0 : 1;
    EXPECT_EQ(1, askedNearLimit);
    EXPECT_EQ(1u, Occurrences(Text(IDC_SCAN_RESULTS), FindingLine(nearLimit, IDS_LABEL_LEFT)));
    EXPECT_TRUE(device->Exists(tooLong));
    EXPECT_EQ(u"4", Text(IDC_SCAN_INFECTED));
    EXPECT_EQ(std::to_string(device->CountFiles()), Narrow(Text(IDC_SCAN_SCANNED)));
}

class ScanScreenshotTest : public ScanPageTest, public ::testing::WithParamInterface<const char*> {};

// Saved beside the test program's folder for a person to look at.
TEST_P(ScanScreenshotTest, AfterAFinishedRun)
{
    const std::string family = GetParam();
    std::vector<std::pair<std::string, std::string>> environment;
    if (family == "sp")
        environment.push_back({ "WCE_PLATFORM", "SmartPhone" });
    MakeDevice(3, 0x103, environment);
    wce::automation::QueueMessageBoxAnswer(IDNO);
    Open();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_TRUE(shelltest::SaveScreen(dialog, "scan-" + family));
}

INSTANTIATE_TEST_SUITE_P(Families, ScanScreenshotTest, ::testing::Values("ppc", "sp"));

}  // namespace
}  // namespace scantest
