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
    // The run goes on until the question is answered, but Stop cannot be pressed again.
    EXPECT_TRUE(Running());
    EXPECT_FALSE(Enabled(IDC_SCAN_STOP));
    EXPECT_FALSE(StopKeyEnabled());
    EXPECT_FALSE(Enabled(IDC_SCAN_START));
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

// The page goes, or the program exits, while its worker waits for an answer: the question closes
// with No by itself and the file it asked about is left alone; the run ends stopped and the page
// goes at once. With the page gone, the next page opens as usual and the program ends cleanly.
TEST_F(ScanPageTest, ClosingOrExitingWithAQuestionOpenAnswersItNoAndLeavesTheFile)
{
    for (bool exitProgram : { false, true }) {
        SCOPED_TRACE(exitProgram ? "exit" : "Done");
        MakeDevice(2);
        wce::automation::SetMessageBoxesWait(true);
        Open();
        MessageBoxRecord box;
        ASSERT_TRUE(wce::automation::WaitForMessageBox(box, 20000));
        if (exitProgram) {
            PostMessageW(main, WM_COMMAND, CMD_EXIT, 0);
            EXPECT_EQ(0, program->Join());
        } else {
            EXPECT_TRUE(RunningProgram::ClosePage(main, dialog));
            EXPECT_FALSE(IsWindow(dialog));
            dialog = RunningProgram::OpenPage(main, CMD_SHOW_OPTIONS);
            EXPECT_NE(nullptr, dialog);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            PostMessageW(main, WM_COMMAND, CMD_EXIT, 0);
            EXPECT_EQ(0, program->Join());
        }
        program.reset();
        std::vector<MessageBoxRecord> boxes = GetMessageBoxHistory();
        ASSERT_EQ(1u, boxes.size());   // the run asked nothing more after its stop
        EXPECT_EQ(IDNO, boxes[0].answer);
        int left = 0;
        for (const std::string& file : testFiles)
            left += device->Exists(file) ? 1 : 0;
        EXPECT_EQ(3, left);
        EXPECT_TRUE(device->Backups().empty());
        wce::automation::ResetMessageBoxes();
        dialog = nullptr;
        device.reset();   // the next device takes the device root over only once this one is gone
    }
}

// Page commands that reach the main window while a page is open (a script, a second start) open
// nothing: the open page stays the active one, with its background brush, and closes as usual.
TEST_F(ScanPageTest, APageCommandWhileAPageIsOpenOpensNoSecondPage)
{
    MakeDevice(3);
    wce::automation::QueueMessageBoxAnswer(IDNO);
    Open(CMD_SHOW_LOG);
    for (UINT command : { CMD_SHOW_SCAN, CMD_SHOW_BACKUP, CMD_SHOW_ABOUT })
        SendMessageW(main, WM_COMMAND, command, 0);
    EXPECT_EQ(LRESULT(dialog), SendMessageW(main, APPMSG_QUERY_ACTIVE, 0, 0));
    HBRUSH brush = nullptr;
    OnDialogThread([&] { brush = g_app.pageBrush; });
    EXPECT_NE(nullptr, brush);
    EXPECT_TRUE(RunningProgram::ClosePage(main, dialog));
    dialog = nullptr;
    EXPECT_TRUE(GetMessageBoxHistory().empty());   // no scan was started behind the log page
}

}  // namespace
}  // namespace scantest
