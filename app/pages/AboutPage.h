// AboutPage: the engine's version, its database date and the program's build date.
#pragma once

#include "DialogPage.h"

class AboutPage final : public AppPage {
public:
    AboutPage() = default;

    void Destroy(unsigned flags) noexcept override;
    int OnInitDialog(HWND dialogWindow, WPARAM first, LPARAM second) noexcept override;
    int GetPageKind() noexcept override;
    int Create(ServiceContext* context, void* extra) noexcept override;

    ServiceContext* serviceContext = nullptr;

private:
    ~AboutPage();
};
