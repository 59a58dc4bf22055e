// SettingsStore: moves the five options between OrvMobile.ini and the context's records.
#pragma once

#include "IniFile.h"
#include "include/OrvMobileEngCE.h"

class SettingsStoreImpl final : public SettingsStore {
public:
    SettingsStoreImpl() noexcept;

    int32_t Free() noexcept override;
    int32_t Load() noexcept override;
    int32_t Save() noexcept override;
    int32_t Init(ServiceContext* context) noexcept override;
    void Destroy(uint32_t flags) noexcept override;

private:
    void ReadKeys() noexcept;
    bool RepairValues() noexcept;
    void WriteKeys() noexcept;

    IniFile* iniFile = nullptr;          // null when it could not be made: reads and writes are skipped
    ServiceContext* context = nullptr;   // one reference held
    WCHAR settingsPath[MAX_PATH] = {};   // the file iniFile reads, written in one save
    OptionSettings options {};
    UtilSettings util {};
};
