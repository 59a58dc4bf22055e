// SettingsStore: loads, repairs and saves the options kept in OrvMobile.ini.
#include "SettingsStoreImpl.h"

#include "common/TextHelpers.h"

namespace {

constexpr WCHAR SETTINGS_FILE_NAME[] = u"OrvMobile.ini";
constexpr WCHAR SECTION_OPTION[] = u"Option";
constexpr WCHAR SECTION_UTIL[] = u"Util";
constexpr WCHAR KEY_FLAG[] = u"Flag";
constexpr WCHAR KEY_FILE_TYPE[] = u"FileType";
constexpr WCHAR KEY_VIRUS_ACTION[] = u"VirOp";
constexpr WCHAR KEY_LOG_MAX[] = u"LogMax";
constexpr WCHAR KEY_BACKUP[] = u"Backup";

constexpr uint32_t DEFAULT_FLAG = 259;
constexpr int32_t DEFAULT_FILE_TYPE = 0;
constexpr int32_t DEFAULT_VIRUS_ACTION = 0;
constexpr uint32_t DEFAULT_LOG_MAX_KB = 8;
constexpr uint32_t DEFAULT_BACKUP_COUNT = 2;

constexpr int32_t FILE_TYPE_LIMIT = 2;      // values below it are kept, negative ones too
constexpr int32_t VIRUS_ACTION_LIMIT = 4;
constexpr uint32_t LOG_MAX_KB_MAX = 1024;   // the unsigned ranges also catch negative values
constexpr uint32_t BACKUP_COUNT_MAX = 10;

}  // namespace

SettingsStoreImpl::SettingsStoreImpl() noexcept
{
    InitSettingsRecords(&options, &util, true);
}

int32_t SettingsStoreImpl::Free() noexcept
{
    Destroy(1);
    return 0;
}

int32_t SettingsStoreImpl::Init(ServiceContext* newContext) noexcept
{
    context = newContext;
    if (context == nullptr)
        return 0;
    context->AddRef();
    WCHAR path[MAX_PATH];
    context->MakeAppPath(path, SETTINGS_FILE_NAME);
    // Without a settings file object the options stay at their defaults and saves are lost.
    if (path[0] != 0) {
        iniFile = CreateIniFile(path);
        lstrcpynW(settingsPath, path, MAX_PATH);
    }
    return 0;
}

int32_t SettingsStoreImpl::Load() noexcept
{
    bool repaired = false;
    if (iniFile) {
        ReadKeys();
        repaired = RepairValues();
    }
    if (context) {
        context->PutSettings(SETTINGS_OPTIONS, &options);
        context->PutSettings(SETTINGS_UTIL, &util);
    }
    // A repaired value is written back at once, so the file holds what the program uses.
    if (repaired)
        Save();
    return 0;
}

int32_t SettingsStoreImpl::Save() noexcept
{
    if (context) {
        context->GetSettings(SETTINGS_OPTIONS, &options);
        context->GetSettings(SETTINGS_UTIL, &util);
    }
    if (iniFile)
        WriteKeys();
    return 0;
}

void SettingsStoreImpl::ReadKeys() noexcept
{
    options.flag = uint32_t(iniFile->GetInt(SECTION_OPTION, KEY_FLAG, int32_t(DEFAULT_FLAG)));
    options.fileType = iniFile->GetInt(SECTION_OPTION, KEY_FILE_TYPE, DEFAULT_FILE_TYPE);
    options.virusAction = iniFile->GetInt(SECTION_OPTION, KEY_VIRUS_ACTION, DEFAULT_VIRUS_ACTION);
    util.logMaxKB = uint32_t(iniFile->GetInt(SECTION_UTIL, KEY_LOG_MAX, int32_t(DEFAULT_LOG_MAX_KB)));
    util.backupCount = uint32_t(iniFile->GetInt(SECTION_UTIL, KEY_BACKUP, int32_t(DEFAULT_BACKUP_COUNT)));
}

// Out-of-range values take their defaults; the flag word is taken as it is.
bool SettingsStoreImpl::RepairValues() noexcept
{
    bool repaired = false;
    if (options.fileType >= FILE_TYPE_LIMIT) {
        options.fileType = DEFAULT_FILE_TYPE;
        repaired = true;
    }
    if (options.virusAction >= VIRUS_ACTION_LIMIT) {
        options.virusAction = DEFAULT_VIRUS_ACTION;
        repaired = true;
    }
    if (util.logMaxKB < 1 || util.logMaxKB > LOG_MAX_KB_MAX) {
        util.logMaxKB = DEFAULT_LOG_MAX_KB;
        repaired = true;
    }
    if (util.backupCount < 1 || util.backupCount > BACKUP_COUNT_MAX) {
        util.backupCount = DEFAULT_BACKUP_COUNT;
        repaired = true;
    }
    return repaired;
}

// The five keys go into the file in one save, so a kill never leaves some old and some new; the
// order is the file's key order for a new file.
void SettingsStoreImpl::WriteKeys() noexcept
{
    const IniIntSetting settings[] = {
        { SECTION_OPTION, KEY_FLAG, int32_t(options.flag) },
        { SECTION_OPTION, KEY_FILE_TYPE, options.fileType },
        { SECTION_OPTION, KEY_VIRUS_ACTION, options.virusAction },
        { SECTION_UTIL, KEY_LOG_MAX, int32_t(util.logMaxKB) },
        { SECTION_UTIL, KEY_BACKUP, int32_t(util.backupCount) },
    };
    WriteIniInts(settings, sizeof settings / sizeof settings[0], settingsPath);
}

void SettingsStoreImpl::Destroy(uint32_t flags) noexcept
{
    if (iniFile)
        iniFile->Free();
    iniFile = nullptr;
    if (context)
        context->Release();
    context = nullptr;
    if (flags & 1)
        delete this;
}
