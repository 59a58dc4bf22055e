// LogPage: the view is filled when it gains the focus and after each of the two commands.
#include "LogPage.h"

#include <OrvMobileEngCE.h>
#include <ResourceIds.h>

#include "LogText.h"
#include "PageFactories.h"

#include <new>

namespace {

constexpr LayoutEntry LOG_LAYOUT[] = {
    { IDC_LOG_TEXT, 1 },
    { 0, 0 },
};

constexpr int32_t TRIM_CLEAR = 0;
constexpr int32_t TRIM_KEEP_CURRENT_RUN = -1;

} // namespace

LogPage::~LogPage()
{
    if (logWriter)
        logWriter->Release();
}

void LogPage::Destroy(unsigned flags) noexcept
{
    this->~LogPage();
    if (flags & 1)
        ::operator delete(this);
}

int LogPage::OnCommand(int id, WPARAM first, LPARAM second) noexcept
{
    switch (id) {
    case IDC_LOG_TEXT:
        // Coming back to the view shows what was logged meanwhile.
        if (HIWORD(first) == EN_SETFOCUS)
            RefreshLog();
        return 1;
    case CMD_LOG_CLEAR:
    case CMD_LOG_KEEP_RUN:
        // Neither command asks first.
        if (logWriter)
            logWriter->Trim(id == CMD_LOG_CLEAR ? TRIM_CLEAR : TRIM_KEEP_CURRENT_RUN);
        RefreshLog();
        return 1;
    default:
        return DialogPage::OnCommand(id, first, second);
    }
}

int LogPage::GetPageKind() noexcept
{
    return PAGE_KIND_LOG;
}

const LayoutEntry* LogPage::GetLayout() noexcept
{
    return LOG_LAYOUT;
}

int LogPage::Create(ServiceContext*, void* extra) noexcept
{
    logWriter = static_cast<LogWriter*>(extra);
    if (logWriter)
        logWriter->AddRef();
    return 0;
}

// Without a log, or when it reads as nothing, the view keeps what it shows.
void LogPage::RefreshLog()
{
    WCHAR* text = ReadLogText(logWriter);
    if (!text)
        return;
    ShowLogText(text);
    delete[] text;
}

void LogPage::ShowLogText(const WCHAR* text)
{
    EditBox(GetControl(this, IDC_LOG_TEXT)).SetText(text);
}

AppPage* CreateLogPage(ServiceContext* serviceContext, LogWriter* logWriter)
{
    auto* page = new (std::nothrow) LogPage();
    if (page && page->Create(serviceContext, logWriter) != 0) {
        page->Destroy(1);
        return nullptr;
    }
    return page;
}
