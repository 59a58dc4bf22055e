// The log page in the running program: the runs with an empty line between them, clearing, keeping
// the current run, reloading when the view gets the focus back; and reading the text bounded by
// what the page asked for, whatever the log answers.
#include <gtest/gtest.h>

#include <ResourceIds.h>

#include "AppState.h"
#include "LogText.h"
#include "MainFrame.h"
#include "OptionLogPageDriver.h"

#include <OrvMobileEngCE.h>

#include <cstring>

namespace {

using optlogtest::PageProgram;
using shelltest::TextOf;

const optlogtest::Environment FIXED_TIME = { { "WCE_FAKE_TIME", "2026-12-07T10:20:30" } };

// Two runs of an earlier week, as the log writer leaves them.
const std::u16string EARLIER_RUNS =
    u"\r\n====\r\n2026.11.30 8:7 OrvMobile started\r\n2026.11.30 8:9 OrvMobile closed\r\n"
    u"\r\n====\r\n2026.12.1 9:0 Scan \\a.exe\r\n2026.12.1 9:5 OrvMobile closed\r\n";

std::string Utf16Bytes(const std::u16string& text)
{
    std::string bytes;
    for (char16_t unit : text) {
        bytes.push_back(char(unit & 0xFF));
        bytes.push_back(char(unit >> 8));
    }
    return bytes;
}

class LogPageTest : public ::testing::Test {
protected:
    void Start(const optlogtest::Environment& environment, bool earlierRuns)
    {
        program = std::make_unique<PageProgram>(environment);
        if (earlierRuns)
            program->WriteFile(program->HostPath("OrvMobile.Log"), Utf16Bytes(EARLIER_RUNS));
        ASSERT_NE(nullptr, program->Start());
        started = u"2026.12.7 10:20 " + shelltest::ResString(IDS_LOG_START) + u"\r\n";
        dialog = program->Open(CMD_SHOW_LOG);
        ASSERT_NE(nullptr, dialog);
    }
    std::u16string View() const { return TextOf(dialog, IDC_LOG_TEXT); }
    std::string LogBytes() const { return program->ReadFile("OrvMobile.Log"); }

    std::unique_ptr<PageProgram> program;
    HWND dialog = nullptr;
    std::u16string started;   // the entry this start of the program wrote
};

TEST_F(LogPageTest, ShowsEveryRunWithAnEmptyLineBetweenRunsAsSoonAsItOpens)
{
    Start(FIXED_TIME, true);
    EXPECT_EQ(u"2026.11.30 8:7 OrvMobile started\r\n2026.11.30 8:9 OrvMobile closed\r\n\r\n"
              u"2026.12.1 9:0 Scan \\a.exe\r\n2026.12.1 9:5 OrvMobile closed\r\n\r\n" + started,
              View());
    EXPECT_TRUE(optlogtest::SaveShot(dialog, "log-ppc"));
}

TEST_F(LogPageTest, ClearLeavesAnEmptyViewAndOnlyARunSeparatorInTheFile)
{
    Start(FIXED_TIME, true);
    // The Pocket PC bar's left key is Clear.
    optlogtest::PressLeftSoftKey(dialog);
    EXPECT_EQ(u"", View());
    EXPECT_EQ(Utf16Bytes(u"\r\n====\r\n"), LogBytes());
}

TEST_F(LogPageTest, KeepingTheCurrentRunDropsTheEarlierRuns)
{
    Start(FIXED_TIME, true);
    optlogtest::ChooseFromMenu(dialog, CMD_LOG_KEEP_RUN);
    EXPECT_EQ(started, View());
    EXPECT_EQ(Utf16Bytes(u"\r\n====\r\n" + started), LogBytes());
}

TEST_F(LogPageTest, EntriesWrittenMeanwhileAppearWhenTheViewGetsTheFocusBack)
{
    Start(FIXED_TIME, false);
    EXPECT_EQ(started, View());
    HWND view = GetDlgItem(dialog, IDC_LOG_TEXT);
    wce::automation::RunOnWindowThread(dialog, [&] {
        g_app.frame->logWriter->Write(u"Scan", u"\\b.exe");
        SetFocus(nullptr);
    });
    EXPECT_EQ(started, View());
    wce::automation::RunOnWindowThread(dialog, [&] { SetFocus(view); });
    EXPECT_EQ(started + u"2026.12.7 10:20 Scan \\b.exe\r\n", View());
}

TEST_F(LogPageTest, SmartphoneShowsTheLogInItsOwnTemplate)
{
    optlogtest::Environment environment = FIXED_TIME;
    environment.emplace_back("WCE_PLATFORM", "SmartPhone");
    Start(environment, true);
    uint32_t menuBarId = 0;
    wce::automation::RunOnWindowThread(dialog, [&] { menuBarId = optlogtest::PageOf(dialog)->menuBarId; });
    EXPECT_EQ(uint32_t(IDR_LOG_SP), menuBarId);
    // The view fills the page down to its bottom edge.
    RECT client = {}, view = {};
    wce::automation::RunOnWindowThread(dialog, [&] {
        GetClientRect(dialog, &client);
        HWND edit = GetDlgItem(dialog, IDC_LOG_TEXT);
        GetWindowRect(edit, &view);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&view), 2);
    });
    EXPECT_LE(client.bottom - view.bottom, 3) << client.bottom << " " << view.bottom;
    EXPECT_LE(client.right - view.right, 3) << client.right << " " << view.right;
    EXPECT_NE(std::u16string::npos, View().find(started));
    EXPECT_TRUE(optlogtest::SaveShot(dialog, "log-sp"));
    optlogtest::ChooseFromMenu(dialog, CMD_LOG_CLEAR);
    EXPECT_EQ(u"", View());
}

// A log that answers with any sizes: the first Read gives `needed`, the second fills the buffer
// with 'x' up to what it was given and claims `claimed`.
class ScriptedLog final : public LogWriter {
public:
    ScriptedLog(int32_t neededBytes, int32_t claimedBytes) : needed(neededBytes), claimed(claimedBytes) {}
    int32_t AddRef() noexcept override { return 2; }
    int32_t Release() noexcept override { return 1; }
    int32_t Free() noexcept override { return 0; }
    int32_t Write(const WCHAR*, const WCHAR*) noexcept override { return 0; }
    int32_t Trim(int32_t) noexcept override { return 0; }
    int32_t Read(WCHAR* buffer, uint32_t bytes) noexcept override
    {
        if (!buffer)
            return needed;
        given = bytes;
        std::memset(buffer, 'x', bytes);
        return claimed;
    }
    int32_t Init(ServiceContext*, const WCHAR*) noexcept override { return 0; }
    void Destroy(uint32_t) noexcept override {}

    int32_t needed, claimed;
    uint32_t given = 0;
};

TEST(LogText, TheTextEndsWithinWhatThePageAskedForWhateverTheLogClaims)
{
    struct Case {
        int32_t needed, claimed;
        bool expectText;
        size_t expectedLength;
    };
    const Case cases[] = {
        { 10, 6, true, 3 },        // an ordinary reading
        { 10, 5, true, 2 },        // an odd count ends after the last whole character
        { 10, 0, true, 0 },        // a log that reads as nothing shows an empty view
        { 10, 4000, true, 5 },     // more than it was given: held to the buffer
        { 10, -7, true, 0 },       // less than nothing
        { 0, 6, false, 0 },        // nothing to ask for: the view keeps its text
        { -2, 6, false, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.needed) + " " + std::to_string(c.claimed));
        ScriptedLog log(c.needed, c.claimed);
        WCHAR* text = ReadLogText(&log);
        ASSERT_EQ(c.expectText, text != nullptr);
        if (text) {
            EXPECT_EQ(uint32_t(c.needed), log.given);
            EXPECT_EQ(c.expectedLength, std::char_traits<char16_t>::length(text));
        }
        delete[] text;
    }
    EXPECT_EQ(nullptr, ReadLogText(nullptr));
}

} // namespace
