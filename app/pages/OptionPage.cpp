// OptionPage: two check boxes and four combo boxes over the page's copies of the settings records.
#include "OptionPage.h"

#include <ResourceIds.h>
#include <TextHelpers.h>

#include "PageFactories.h"
#include "ServiceLibrary.h"

#include <new>

namespace {

constexpr int LABEL_CHARS = 128;
constexpr uint32_t FLAG_BIT_0 = 0x1;
constexpr uint32_t FLAG_BIT_1 = 0x2;

const OptionChoice FILE_TYPE_CHOICES[] = {
    { IDS_FILETYPE_ALL, nullptr, 0 },
    { IDS_FILETYPE_PROGRAMS, nullptr, 1 },
    {},
};

// The list has an order of its own; each row keeps the value the settings file stores for it.
const OptionChoice VIRUS_ACTION_CHOICES[] = {
    { IDS_ACTION_REPORT, nullptr, 3 },
    { IDS_ACTION_RENAME, nullptr, 1 },
    { IDS_ACTION_ASK, nullptr, 2 },
    { IDS_ACTION_DELETE, nullptr, 0 },
    {},
};

const OptionChoice LOG_SIZE_CHOICES[] = {
    { 0, u"1 KB", 1 }, { 0, u"4 KB", 4 }, { 0, u"8 KB", 8 },
    { 0, u"16 KB", 16 }, { 0, u"32 KB", 32 }, { 0, u"64 KB", 64 },
    {},
};

const OptionChoice BACKUP_CHOICES[] = {
    { 0, u"1%", 1 }, { 0, u"2%", 2 }, { 0, u"3%", 3 }, { 0, u"4%", 4 }, { 0, u"5%", 5 },
    { 0, u"6%", 6 }, { 0, u"7%", 7 }, { 0, u"8%", 8 }, { 0, u"9%", 9 }, { 0, u"10%", 10 },
    {},
};

bool IsEndRow(const OptionChoice& row)
{
    return row.labelId == 0 && row.text == nullptr;
}

// Rows a table offers into an item array: up to its end row, never more than the array holds.
size_t RowCount(const OptionChoice* table, size_t capacity)
{
    size_t count = 0;
    while (count < capacity && count < OPTION_CHOICE_ROWS_MAX && !IsEndRow(table[count]))
        ++count;
    return count;
}

// A missing string gives an empty label.
void LoadLabel(const OptionChoice& row, WCHAR (&label)[LABEL_CHARS])
{
    label[0] = 0;
    if (row.labelId != 0)
        LoadResString(label, row.labelId, LABEL_CHARS);
    else
        lstrcpynW(label, row.text, LABEL_CHARS);
}

void SetFlagBit(uint32_t& flag, uint32_t bit, bool set)
{
    flag = set ? (flag | bit) : (flag & ~bit);
}

} // namespace

OptionPage::OptionPage()
{
    SetDefaults();
}

OptionPage::~OptionPage()
{
    if (serviceContext)
        serviceContext->Release();
}

void OptionPage::Destroy(unsigned flags) noexcept
{
    this->~OptionPage();
    if (flags & 1)
        ::operator delete(this);
}

int OptionPage::OnInitDialog(HWND dialogWindow, WPARAM first, LPARAM second) noexcept
{
    SetDefaults();
    if (serviceContext) {
        serviceContext->GetSettings(SETTINGS_OPTIONS, &options);
        serviceContext->GetSettings(SETTINGS_UTIL, &util);
    }
    FillChoices(FILE_TYPE_CHOICES, IDC_OPTION_FILETYPE, fileTypeItems);
    FillChoices(VIRUS_ACTION_CHOICES, IDC_OPTION_ACTION, virusActionItems);
    FillChoices(LOG_SIZE_CHOICES, IDC_OPTION_LOGSIZE, logSizeItems);
    FillChoices(BACKUP_CHOICES, IDC_OPTION_BACKUP, backupItems);
    ShowOptions();
    InstallComboKeys(GetControl(this, IDC_OPTION_FILETYPE));
    InstallComboKeys(GetControl(this, IDC_OPTION_ACTION));
    return DialogPage::OnInitDialog(dialogWindow, first, second);
}

int OptionPage::OnCommand(int id, WPARAM first, LPARAM second) noexcept
{
    if (id != CMD_OPTION_DEFAULTS)
        return DialogPage::OnCommand(id, first, second);
    // The controls change; nothing is saved until the page is confirmed.
    SetDefaults();
    ShowOptions();
    return 1;
}

int OptionPage::OnClose(int id) noexcept
{
    if (id == IDOK) {
        ReadControls();
        SaveOptions();
    }
    return DialogPage::OnClose(id);
}

int OptionPage::GetPageKind() noexcept
{
    return PAGE_KIND_OPTION;
}

int OptionPage::Create(ServiceContext* context, void*) noexcept
{
    serviceContext = context;
    if (serviceContext)
        serviceContext->AddRef();
    return 0;
}

void OptionPage::SetDefaults()
{
    InitSettingsRecords(&options, &util, true);
}

// A label that an earlier item already begins with is not added again; its rows share that item.
void OptionPage::FillChoices(const OptionChoice* table, int comboId, std::span<int32_t> items)
{
    ComboBox combo(GetControl(this, comboId));
    const size_t rows = RowCount(table, items.size());
    WCHAR label[LABEL_CHARS];
    for (size_t row = 0; row < rows; ++row) {
        LoadLabel(table[row], label);
        combo.AddUnique(label);
    }
    for (size_t row = 0; row < rows; ++row) {
        LoadLabel(table[row], label);
        items[row] = combo.FindString(label);
    }
}

void OptionPage::ShowOptions()
{
    CheckBoxes boxes(dialog);
    boxes.SetCheck(IDC_OPTION_FLAG0, (options.flag & FLAG_BIT_0) ? 1 : 0, 0);
    boxes.SetCheck(IDC_OPTION_FLAG1, (options.flag & FLAG_BIT_1) ? 1 : 0, 0);
    SelectChoice(FILE_TYPE_CHOICES, IDC_OPTION_FILETYPE, fileTypeItems, options.fileType);
    SelectChoice(VIRUS_ACTION_CHOICES, IDC_OPTION_ACTION, virusActionItems, options.virusAction);
    SelectChoice(LOG_SIZE_CHOICES, IDC_OPTION_LOGSIZE, logSizeItems, int32_t(util.logMaxKB));
    SelectChoice(BACKUP_CHOICES, IDC_OPTION_BACKUP, backupItems, int32_t(util.backupCount));
}

// A value that no row carries leaves the combo box's selection as it is.
bool OptionPage::SelectChoice(const OptionChoice* table, int comboId, std::span<const int32_t> items,
                              int32_t value)
{
    const size_t rows = RowCount(table, items.size());
    for (size_t row = 0; row < rows; ++row) {
        if (table[row].value == value) {
            ComboBox(GetControl(this, comboId)).SetCurSel(items[row]);
            return true;
        }
    }
    return false;
}

int32_t OptionPage::ChoiceValue(const OptionChoice* table, int comboId, std::span<const int32_t> items,
                                int32_t unmatched)
{
    const int selected = ComboBox(GetControl(this, comboId)).GetCurSel();
    const size_t rows = RowCount(table, items.size());
    for (size_t row = 0; row < rows && selected >= 0; ++row) {
        if (items[row] == selected)
            return table[row].value;
    }
    return unmatched;
}

// Only bits 0 and 1 of the flag word belong to the check boxes. A combo box that shows no row (a
// stored value outside its table) keeps the stored value, so confirming does not change it.
void OptionPage::ReadControls()
{
    CheckBoxes boxes(dialog);
    SetFlagBit(options.flag, FLAG_BIT_0, boxes.IsChecked(IDC_OPTION_FLAG0, 0));
    SetFlagBit(options.flag, FLAG_BIT_1, boxes.IsChecked(IDC_OPTION_FLAG1, 0));
    options.fileType = ChoiceValue(FILE_TYPE_CHOICES, IDC_OPTION_FILETYPE, fileTypeItems, options.fileType);
    options.virusAction =
        ChoiceValue(VIRUS_ACTION_CHOICES, IDC_OPTION_ACTION, virusActionItems, options.virusAction);
    util.backupCount =
        uint32_t(ChoiceValue(BACKUP_CHOICES, IDC_OPTION_BACKUP, backupItems, int32_t(util.backupCount)));
    util.logMaxKB = uint32_t(ChoiceValue(LOG_SIZE_CHOICES, IDC_OPTION_LOGSIZE, logSizeItems, int32_t(util.logMaxKB)));
}

// The engine takes the records from the context at the start of the next scan. Without a store the
// file keeps its old values and the new ones last until the program ends; saving reports nothing.
void OptionPage::SaveOptions()
{
    if (!serviceContext)
        return;
    serviceContext->PutSettings(SETTINGS_OPTIONS, &options);
    serviceContext->PutSettings(SETTINGS_UTIL, &util);
    CreateSettingsStoreFn createStore = GetServiceFactories().createSettingsStore;
    store = createStore ? createStore(serviceContext) : nullptr;
    if (store) {
        store->Save();
        store->Free();
    }
    store = nullptr;
}

AppPage* CreateOptionPage(ServiceContext* serviceContext)
{
    auto* page = new (std::nothrow) OptionPage();
    if (page && page->Create(serviceContext, nullptr) != 0) {
        page->Destroy(1);
        return nullptr;
    }
    return page;
}
