// The scan page in the running program: a scan starts as the page opens, runs over the whole
// device and ends with its findings listed; stopping, starting while running and the menu states.
#include <chrono>
#include <regex>
#include <thread>

#include "ScanPageDriver.h"

namespace scantest {
namespace {

using wce::automation::GetMessageBoxHistory;
using wce::automation::MessageBoxRecord;

TEST_F(ScanPageTest, ReportOnlyRunListsEveryTestFileAndAsksAtTheEndWithBothCounts)
{
    MakeDevice(3);
    wce::automation::QueueMessageBoxAnswer(IDNO);
    Open(CMD_SCAN_3);
    ASSERT_TRUE(WaitForIdle());

    EXPECT_EQ(ResString(IDS_MSG_DONE_INFECTED), Text(IDC_SCAN_CURRENT));
    const std::u16string results = Text(IDC_SCAN_RESULTS);
    EXPECT_EQ(0u, results.find(ResString(IDS_MSG_START) + u"\r\n"));
    EXPECT_EQ(results.size(), results.rfind(ResString(IDS_MSG_DONE_INFECTED) + u"\r\n") +
                                  ResString(IDS_MSG_DONE_INFECTED).size() + 2);
    for (const std::string& file : testFiles) {
        EXPECT_EQ(1u, Occurrences(results, FindingLine(file, IDS_LABEL_LEFT))) << file;
        EXPECT_EQ(TestFileText() + "\r\n", device->Read(file));
    }
    EXPECT_EQ(3u, Occurrences(results, u"Eicar-Test-Signature"));
    EXPECT_EQ(std::to_string(device->CountFiles()), Narrow(Text(IDC_SCAN_SCANNED)));
    EXPECT_EQ(u"3", Text(IDC_SCAN_INFECTED));
    EXPECT_EQ(100, Progress());
    EXPECT_TRUE(std::regex_match(Narrow(Text(IDC_SCAN_ELAPSED)), std::regex("[0-9]+:[0-5][0-9]")));

    std::vector<MessageBoxRecord> boxes = GetMessageBoxHistory();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(Format(IDS_FMT_ASK_TREAT_ALL, 3, 3), boxes[0].text);
    EXPECT_EQ(ResString(IDS_QUESTION_CAPTION), boxes[0].caption);
    EXPECT_EQ(dialog, boxes[0].owner);
    ExpectRunControls(false);
}

TEST_F(ScanPageTest, ReportOnlyAnsweredYesTreatsEveryListedFile)
{
    MakeDevice(3);
    wce::automation::QueueMessageBoxAnswer(IDYES);
    Open();
    ASSERT_TRUE(WaitForIdle());

    const std::u16string results = Text(IDC_SCAN_RESULTS);
    for (const std::string& file : testFiles) {
        EXPECT_EQ(1u, Occurrences(results, FindingLine(file, IDS_LABEL_LEFT))) << file;
        EXPECT_EQ(1u, Occurrences(results, FindingLine(file, IDS_LABEL_DELETED))) << file;
        EXPECT_FALSE(device->Exists(file)) << file;
    }
    EXPECT_EQ(u"3", Text(IDC_SCAN_INFECTED));
    EXPECT_EQ(ResString(IDS_MSG_DONE_INFECTED), Text(IDC_SCAN_CURRENT));
    EXPECT_EQ(3u, device->Backups().size());
}

TEST_F(ScanPageTest, EveryScanCommandOpensThePageWithARunUnderWay)
{
    MakeDevice(3);
    program = std::make_unique<RunningProgram>();
    main = program->MainWindow();
    ASSERT_NE(nullptr, main);
    for (UINT command : { CMD_SHOW_SCAN, CMD_SCAN_1, CMD_SCAN_2, CMD_SCAN_3, CMD_SCAN_4, CMD_SCAN_5 }) {
        wce::automation::QueueMessageBoxAnswer(IDNO);
        dialog = RunningProgram::OpenPage(main, command);
        ASSERT_NE(nullptr, dialog) << command;
        ASSERT_TRUE(WaitForIdle()) << command;
        EXPECT_EQ(0u, Text(IDC_SCAN_RESULTS).find(ResString(IDS_MSG_START))) << command;
        EXPECT_EQ(ResString(IDS_MSG_DONE_INFECTED), Text(IDC_SCAN_CURRENT)) << command;
        ASSERT_TRUE(RunningProgram::ClosePage(main, dialog));
    }
    dialog = nullptr;
}

// A question held open keeps the run going for as long as the test needs.
TEST_F(ScanPageTest, StopDuringARunEndsItStoppedAndStartWhileRunningDoesNothing)
{
    MakeDevice(2);
    wce::automation::SetMessageBoxesWait(true);
    Open();
    MessageBoxRecord box;
    ASSERT_TRUE(wce::automation::WaitForMessageBox(box, 20000));
    EXPECT_TRUE(Running());
    ExpectRunControls(true);

    SendMessageW(dialog, WM_COMMAND, CMD_SCAN_START, 0);
    SendMessageW(dialog, WM_COMMAND, CMD_SCAN_START_AGAIN, 0);
    SendMessageW(dialog, WM_COMMAND, CMD_SCAN_STOP, 0);
    EXPECT_TRUE(Running());
    ASSERT_TRUE(wce::automation::AnswerMessageBox(IDNO));
    ASSERT_TRUE(WaitForIdle());

    EXPECT_EQ(ResString(IDS_MSG_STOPPED), Text(IDC_SCAN_CURRENT));
    EXPECT_EQ(100, Progress());
    EXPECT_EQ(u"1", Text(IDC_SCAN_INFECTED));
    const std::u16string results = Text(IDC_SCAN_RESULTS);
    EXPECT_EQ(1u, Occurrences(results, ResString(IDS_MSG_START)));
    EXPECT_EQ(1u, Occurrences(results, ResString(IDS_MSG_STOPPED)));
    EXPECT_EQ(1u, GetMessageBoxHistory().size());
    ExpectRunControls(false);

    // Idle again, Start begins a new run from empty counters and results.
    wce::automation::SetMessageBoxesWait(false);
    for (int i = 0; i < 3; ++i)
        wce::automation::QueueMessageBoxAnswer(IDNO);
    PostMessageW(dialog, WM_COMMAND, CMD_SCAN_START, 0);
    ASSERT_TRUE(WaitUntil([&] { return Occurrences(Text(IDC_SCAN_RESULTS), ResString(IDS_MSG_DONE_INFECTED)) == 1; },
                          30000));
    EXPECT_EQ(1u, Occurrences(Text(IDC_SCAN_RESULTS), ResString(IDS_MSG_START)));
    EXPECT_EQ(u"3", Text(IDC_SCAN_INFECTED));
}

// The page goes while its worker waits for an answer: the close does not wait for the user, and
// the page's destruction waits for the worker. A page chosen meanwhile opens only after that, so
// two runs never share the engine; the program still ends cleanly.
TEST_F(ScanPageTest, ClosingWithAQuestionOpenWaitsForTheWorkerBeforeThePageGoes)
{
    MakeDevice(2);
    wce::automation::SetMessageBoxesWait(true);
    Open();
    MessageBoxRecord box;
    ASSERT_TRUE(wce::automation::WaitForMessageBox(box, 20000));
    EXPECT_TRUE(RunningProgram::ClosePage(main, dialog));
    EXPECT_FALSE(IsWindow(dialog));
    PostMessageW(main, WM_COMMAND, CMD_SHOW_SCAN, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(LRESULT(main), SendMessageW(main, APPMSG_QUERY_ACTIVE, 0, 0));

    ASSERT_TRUE(wce::automation::AnswerMessageBox(IDYES));
    dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        dialog = reinterpret_cast<HWND>(SendMessageW(main, APPMSG_QUERY_ACTIVE, 0, 0));
        return dialog != main;
    }, 20000));
    while (wce::automation::WaitForMessageBox(box, 2000))
        wce::automation::AnswerMessageBox(IDNO);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(u"2", Text(IDC_SCAN_INFECTED));   // the file asked about first was treated
    ASSERT_TRUE(RunningProgram::ClosePage(main, dialog));
    PostMessageW(main, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_EQ(0, program->Join());
    program.reset();
    int left = 0;
    for (const std::string& file : testFiles)
        left += device->Exists(file) ? 1 : 0;
    EXPECT_EQ(2, left);
}

}  // namespace
}  // namespace scantest
