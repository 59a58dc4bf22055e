// ScanPage: construction with its texts, the run operations, the menu states and the prompt
// handler; the factory the main window calls.
#include "ScanPage.h"

#include <OrvMobileEngCE.h>
#include <ResourceIds.h>

#include "PageFactories.h"

#include <new>

namespace {

constexpr int MENU_ENABLED = 0;
constexpr int MENU_GRAYED = 2;

} // namespace

ScanPage::ScanPage(ScanBridge* bridge) noexcept
    : worker(this, &texts, bridge)
{
    LoadTexts();
}

// The worker's thread uses the texts and this page as its view: it must have returned before any
// of them goes, whatever StopAndWait left running at the close.
ScanPage::~ScanPage()
{
    worker.WaitForExit();
}

// A text the resource library lacks stays empty.
void ScanPage::LoadTexts() noexcept
{
    LoadResString(texts.fmtCurrentItem, IDS_FMT_CURRENT_ITEM, 128);
    LoadResString(texts.fmtFinding, IDS_FMT_FINDING, 128);
    LoadResString(texts.msgStart, IDS_MSG_START, 32);
    LoadResString(texts.msgDoneClean, IDS_MSG_DONE_CLEAN, 128);
    LoadResString(texts.msgDoneInfected, IDS_MSG_DONE_INFECTED, 128);
    LoadResString(texts.msgStopped, IDS_MSG_STOPPED, 128);
    LoadResString(texts.actionLabels[0], IDS_LABEL_DELETED, 32);
    LoadResString(texts.actionLabels[1], IDS_LABEL_RENAMED, 32);
    LoadResString(texts.actionLabels[2], IDS_LABEL_SPARE, 32);
    LoadResString(texts.actionLabels[3], IDS_LABEL_LEFT, 32);
    LoadResString(fmtAskTreat, IDS_FMT_ASK_TREAT, 256);
    LoadResString(texts.fmtAskTreatAll, IDS_FMT_ASK_TREAT_ALL, 256);
    LoadResString(texts.fmtNotScanned, IDS_FMT_NOT_SCANNED, 128);
    LoadResString(texts.fmtDoneNotScanned, IDS_FMT_DONE_NOT_SCANNED, 128);
}

void ScanPage::Destroy(unsigned flags) noexcept
{
    this->~ScanPage();
    if (flags & 1)
        ::operator delete(this);
}

// The menu bar is made after the run has started: it takes the run's state once it is there.
int ScanPage::OnInitDialog(HWND dialogWindow, WPARAM first, LPARAM second) noexcept
{
    viewWindow.store(dialogWindow);
    const int result = ScanPageBase::OnInitDialog(dialogWindow, first, second);
    viewMenuBar.store(menuBar);
    ShowRunState(IsRunning());
    return result;
}

// From here on a worker that is still going (a question left open) shows nothing more; the
// page's destruction waits for it.
int ScanPage::OnClose(int id) noexcept
{
    const int result = ScanPageBase::OnClose(id);
    viewMenuBar.store(nullptr);
    viewWindow.store(nullptr);
    return result;
}

void ScanPage::OnInitMenuPopup(HMENU menu, int) noexcept
{
    const bool running = IsRunning();
    SetItemState(CMD_SCAN_STOP, running ? MENU_ENABLED : MENU_GRAYED, menu);
    for (int id : { CMD_SCAN_START, CMD_SCAN_START_AGAIN, CMD_SCAN_START_ALL })
        SetItemState(id, running ? MENU_GRAYED : MENU_ENABLED, menu);
}

int ScanPage::StopAndWait() noexcept
{
    worker.StopAndWait();
    return 1;
}

void ScanPage::StartScan() noexcept { worker.StartScan(); }
// The stop is shown at once; the run may take a moment longer to end.
void ScanPage::RequestStop() noexcept
{
    worker.RequestStop();
    ShowRunState(IsRunning());
}
void ScanPage::UpdateElapsed() noexcept { worker.UpdateElapsed(); }
bool ScanPage::IsRunning() noexcept { return worker.IsRunning(); }

int ScanPage::OnScanTimer(int timerId) noexcept
{
    worker.OnScanTimer(uint32_t(timerId));
    return 1;
}

void ScanPage::SetLogWriter(LogWriter* log) noexcept
{
    worker.SetLogWriter(log);
}

// Nothing deletes the page through the prompt handler: the bridge never calls this slot, and the
// page belongs to the main window, which deletes it once its dialog has ended.
int32_t ScanPage::Reserved0() noexcept { return 0; }
int32_t ScanPage::AddRef() noexcept { return 1; }
int32_t ScanPage::Release() noexcept { return 0; }

// The answer is never taken for the rest of the run: the bridge asks again for every finding.
// A file and a virus name of up to 259 characters each fit the text whole with the format.
int32_t ScanPage::Ask(const WCHAR* file, const WCHAR* virusName, int32_t*) noexcept
{
    WCHAR text[WSPRINTF_MAX + 1];
    wsprintfW(text, fmtAskTreat, file ? file : u"", virusName ? virusName : u"");
    return AskQuestion(text) == IDYES ? PROMPT_TREAT : PROMPT_LEAVE;
}

AppPage* CreateScanPage(ServiceContext* serviceContext, ScanBridge* scanBridge, LogWriter* logWriter)
{
    auto* page = new (std::nothrow) ScanPage(scanBridge);
    if (!page)
        return nullptr;
    if (page->Create(serviceContext, nullptr) != 0) {
        page->Destroy(1);
        return nullptr;
    }
    page->SetLogWriter(logWriter);
    return page;
}
