// AboutPage: three static texts, set once when the page opens.
#include "AboutPage.h"

#include <OrvMobileEngCE.h>
#include <ResourceIds.h>

#include "PageFactories.h"

#include <new>

namespace {

constexpr int ID_ENGINE_VERSION = 1022;
constexpr int ID_DATABASE_DATE = 1023;
constexpr int ID_BUILD_DATE = 1024;

void SetNumbers(HWND dialog, int id, unsigned first, unsigned second, unsigned third)
{
    WCHAR text[64] = {};
    wsprintfW(text, u"%d.%d.%d", int(first), int(second), int(third));
    TextWindow(GetDlgItem(dialog, id)).SetText(text);
}

} // namespace

AboutPage::~AboutPage()
{
    if (serviceContext)
        serviceContext->Release();
}

void AboutPage::Destroy(unsigned flags) noexcept
{
    this->~AboutPage();
    if (flags & 1)
        ::operator delete(this);
}

int AboutPage::OnInitDialog(HWND dialogWindow, WPARAM first, LPARAM second) noexcept
{
    EngineDate date = {};
    // Without an engine the context keeps zeros: the page then shows 0.0.0 twice.
    const uint32_t version = serviceContext ? uint32_t(serviceContext->GetEngineInfo(&date)) : 0;
    SetNumbers(dialogWindow, ID_ENGINE_VERSION, version >> 24, (version >> 16) & 0xFF, version & 0xFFFF);
    SetNumbers(dialogWindow, ID_DATABASE_DATE, date.year, date.month, date.day);
    TextWindow(GetDlgItem(dialogWindow, ID_BUILD_DATE)).SetText(u"2006.09.15");
    return DialogPage::OnInitDialog(dialogWindow, first, second);
}

int AboutPage::GetPageKind() noexcept
{
    return PAGE_KIND_ABOUT;
}

int AboutPage::Create(ServiceContext* context, void*) noexcept
{
    serviceContext = context;
    if (serviceContext)
        serviceContext->AddRef();
    return 0;
}

AppPage* CreateAboutPage(ServiceContext* serviceContext)
{
    auto* page = new (std::nothrow) AboutPage();
    if (page && page->Create(serviceContext, nullptr) != 0) {
        page->Destroy(1);
        return nullptr;
    }
    return page;
}
