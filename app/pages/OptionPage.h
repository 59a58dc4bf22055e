// OptionPage: the five persistent options, edited on copies of the service context's records and
// written to the settings file when the page is confirmed.
#pragma once

#include <OrvMobileEngCE.h>

#include "DialogPage.h"

#include <cstdint>
#include <span>

// One row of a choice table: a label and the value stored for it. The label is string `labelId`
// of the resource library, or `text` as it stands when `labelId` is 0. A table ends with a row
// that has neither.
struct OptionChoice {
    UINT labelId;
    const WCHAR* text;
    int32_t value;
};

constexpr int OPTION_CHOICE_ROWS_MAX = 10;

class OptionPage final : public AppPage {
public:
    OptionPage();

    void Destroy(unsigned flags) noexcept override;
    int OnInitDialog(HWND dialogWindow, WPARAM first, LPARAM second) noexcept override;
    int OnCommand(int id, WPARAM first, LPARAM second) noexcept override;
    int OnClose(int id) noexcept override;
    int GetPageKind() noexcept override;
    int Create(ServiceContext* context, void* extra) noexcept override;

    void SetDefaults();
    void FillChoices(const OptionChoice* table, int comboId, std::span<int32_t> items);
    void ShowOptions();
    bool SelectChoice(const OptionChoice* table, int comboId, std::span<const int32_t> items, int32_t value);
    // The value of the selected row; `unmatched` when no row is selected.
    int32_t ChoiceValue(const OptionChoice* table, int comboId, std::span<const int32_t> items,
                        int32_t unmatched);
    void ReadControls();
    void SaveOptions();

    ServiceContext* serviceContext = nullptr;   // one reference held
    SettingsStore* store = nullptr;             // only while SaveOptions runs
    OptionSettings options = {};
    UtilSettings util = {};
    int32_t fileTypeItems[2] = {};
    int32_t virusActionItems[4] = {};
    int32_t logSizeItems[OPTION_CHOICE_ROWS_MAX] = {};
    int32_t backupItems[OPTION_CHOICE_ROWS_MAX] = {};

private:
    ~OptionPage();
};
