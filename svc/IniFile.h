// IniFile: reader and writer of one INI settings file; every call loads, works and saves whole.
#pragma once

#include <windows.h>

class IniFile {
public:
    virtual void Free() noexcept = 0;
    virtual int32_t GetInt(const WCHAR* section, const WCHAR* key, int32_t defaultValue) noexcept = 0;
    virtual int32_t SetInt(const WCHAR* section, const WCHAR* key, int32_t value) noexcept = 0;
    virtual int32_t GetString(const WCHAR* section, const WCHAR* key, WCHAR* out,
                              const WCHAR* defaultValue) noexcept = 0;   // out holds 512 characters
    virtual int32_t SetString(const WCHAR* section, const WCHAR* key, const WCHAR* value) noexcept = 0;

protected:
    ~IniFile() = default;
};

// A new IniFile for path (the file is not touched), or null when memory is short.
IniFile* CreateIniFile(const WCHAR* path) noexcept;

int32_t ReadIniString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultValue, WCHAR* out,
                      int32_t outChars, const WCHAR* path) noexcept;
int32_t WriteIniString(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* path) noexcept;
int32_t ReadIniInt(const WCHAR* section, const WCHAR* key, int32_t defaultValue, const WCHAR* path) noexcept;
int32_t WriteIniInt(const WCHAR* section, const WCHAR* key, int32_t value, const WCHAR* path) noexcept;

// One integer setting of a batch.
struct IniIntSetting {
    const WCHAR* section;
    const WCHAR* key;
    int32_t value;
};

// Writes the settings, in order, into one load and one save of the file, so that they become
// visible together; the file ends up as WriteIniInt of each in turn would leave it.
void WriteIniInts(const IniIntSetting* settings, size_t count, const WCHAR* path) noexcept;
