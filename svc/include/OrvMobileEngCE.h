// Public interface of the service library: six factories (by ordinal) and the tables of the objects
// they make. Every object's first word points to its table; slots are called by position, so their
// order here is the contract and must never change.
#pragma once

#include <windows.h>

class DiskFile;

#ifndef ORV_ENGINE_DATE_DEFINED
#define ORV_ENGINE_DATE_DEFINED
// The platform's 16-byte date-and-time record.
struct EngineDate {
    uint16_t year;
    uint16_t month;
    uint16_t dayOfWeek;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t millisecond;
};
#endif
static_assert(sizeof(EngineDate) == 16);

struct OptionSettings {
    uint16_t size;          // always 16
    uint16_t zero;          // always 0
    uint32_t flag;          // bit set; bits 0 and 1 edited by the option page, bit 8 keeps backups
    int32_t fileType;       // 0 all files, 1 program and document types only
    int32_t virusAction;    // 0..3
};
static_assert(sizeof(OptionSettings) == 16);

struct UtilSettings {
    uint32_t size;          // always 12
    uint32_t logMaxKB;
    uint32_t backupCount;
};
static_assert(sizeof(UtilSettings) == 12);

constexpr int32_t SETTINGS_OPTIONS = 1;
constexpr int32_t SETTINGS_UTIL = 2;

struct BackupRecord {
    WCHAR backupPath[MAX_PATH];
    char sourcePath[MAX_PATH];
    char virusName[64];
    uint32_t dataSize;
    uint32_t tag;           // the receiver's own
};
static_assert(sizeof(BackupRecord) == 852);

// Second interface of the ServiceContext.
class FileOps {
public:
    virtual int32_t Reserved0() noexcept = 0;
    virtual int32_t Reserved1() noexcept = 0;
    virtual int32_t Reserved2() noexcept = 0;
    virtual int32_t DeleteFile(const WCHAR* path) noexcept = 0;
    virtual int32_t Reserved4() noexcept = 0;
    virtual int32_t Reserved5() noexcept = 0;
    virtual int32_t Reserved6() noexcept = 0;
    virtual int32_t Reserved7() noexcept = 0;

protected:
    ~FileOps() = default;
};

class ServiceContext {
public:
    virtual int32_t Reserved0() noexcept = 0;
    virtual int32_t Reserved1() noexcept = 0;
    virtual int32_t Reserved2() noexcept = 0;
    virtual int32_t Reserved3() noexcept = 0;
    virtual WCHAR* GetBackupFolder(WCHAR* out, int32_t which) noexcept = 0;
    virtual int32_t AddRef() noexcept = 0;
    virtual int32_t Release() noexcept = 0;
    virtual int32_t Free() noexcept = 0;
    virtual int32_t SetEngineInfo(int32_t version, const EngineDate* date) noexcept = 0;
    virtual int32_t GetEngineInfo(EngineDate* out) noexcept = 0;
    virtual int32_t SetAppFolder(const WCHAR* folder) noexcept = 0;
    virtual int32_t SetLibFolder(const WCHAR* folder) noexcept = 0;
    virtual int32_t GetLibFolder(WCHAR* out) noexcept = 0;
    virtual WCHAR* MakeAppPath(WCHAR* out, const WCHAR* name) noexcept = 0;
    virtual DiskFile* OpenFile(const WCHAR* path, int32_t mode) noexcept = 0;
    virtual int32_t PutSettings(int32_t which, const void* record) noexcept = 0;
    virtual int32_t GetSettings(int32_t which, void* out) noexcept = 0;
    virtual void Destroy(uint32_t flags) noexcept = 0;

protected:
    ~ServiceContext() = default;
};

// The FileOps interface pointer is the word right after the context's own table pointer.
inline FileOps* GetFileOps(ServiceContext* context)
{
    return reinterpret_cast<FileOps*>(reinterpret_cast<void**>(context) + 1);
}

// Special text for LogWriter::Write: write the run separator.
inline const WCHAR* const LOG_RUN_SEPARATOR = reinterpret_cast<const WCHAR*>(intptr_t(-2));

class LogWriter {
public:
    virtual int32_t AddRef() noexcept = 0;
    virtual int32_t Release() noexcept = 0;
    virtual int32_t Free() noexcept = 0;
    virtual int32_t Write(const WCHAR* text, const WCHAR* detail) noexcept = 0;
    virtual int32_t Trim(int32_t keep) noexcept = 0;
    virtual int32_t Read(WCHAR* buffer, uint32_t bytes) noexcept = 0;
    virtual int32_t Init(ServiceContext* context, const WCHAR* path) noexcept = 0;
    virtual void Destroy(uint32_t flags) noexcept = 0;

protected:
    ~LogWriter() = default;
};

// The listener of BackupStore::Execute(0): only slot 1 is called.
class BackupSink {
public:
    virtual int32_t Reserved0() noexcept = 0;
    virtual int32_t OnBackup(int32_t kind, const BackupRecord* record) noexcept = 0;

protected:
    ~BackupSink() = default;
};

// Execute operations.
constexpr int32_t BACKUP_LIST = 0;
constexpr int32_t BACKUP_PURGE = 1;
constexpr int32_t BACKUP_RESTORE = 2;

class BackupStore {
public:
    virtual int32_t AddRef() noexcept = 0;
    virtual int32_t Release() noexcept = 0;
    virtual int32_t Free() noexcept = 0;
    virtual int32_t SetSink(BackupSink* sink, int32_t enable) noexcept = 0;
    virtual int32_t Reserved4() noexcept = 0;
    virtual int32_t Execute(int32_t op, BackupRecord* record) noexcept = 0;
    virtual int32_t Reserved6() noexcept = 0;
    virtual int32_t Init(ServiceContext* context) noexcept = 0;
    virtual void Destroy(uint32_t flags) noexcept = 0;

protected:
    ~BackupStore() = default;
};

class SettingsStore {
public:
    virtual int32_t Free() noexcept = 0;
    virtual int32_t Load() noexcept = 0;
    virtual int32_t Save() noexcept = 0;
    virtual int32_t Init(ServiceContext* context) noexcept = 0;
    virtual void Destroy(uint32_t flags) noexcept = 0;

protected:
    ~SettingsStore() = default;
};

class NullService {
public:
    virtual int32_t AddRef() noexcept = 0;
    virtual int32_t Release() noexcept = 0;
    virtual int32_t Free() noexcept = 0;
    virtual int32_t Reserved3() noexcept = 0;
    virtual int32_t Reserved4() noexcept = 0;
    virtual int32_t Reserved5() noexcept = 0;
    virtual int32_t Reserved6() noexcept = 0;
    virtual int32_t Init() noexcept = 0;             // slot 7: the factory's initialising call
    virtual int32_t Reserved8() noexcept = 0;
    virtual int32_t Reserved9() noexcept = 0;
    virtual int32_t Reserved10() noexcept = 0;
    virtual int32_t Reserved11() noexcept = 0;
    virtual int32_t Reserved12() noexcept = 0;
    virtual void Destroy(uint32_t flags) noexcept = 0;

protected:
    ~NullService() = default;
};

class NullObject {
public:
    virtual int32_t Reserved0() noexcept = 0;
    virtual int32_t Reserved1() noexcept = 0;
    virtual NullObject* Self() noexcept = 0;
    virtual int32_t Reserved3() noexcept = 0;
    virtual int32_t Reserved4() noexcept = 0;
    virtual void Destroy(uint32_t flags) noexcept = 0;
    virtual int32_t Init() noexcept = 0;             // slot 6: the factory's initialising call

protected:
    ~NullObject() = default;
};

// The exports, ordinals 1 to 6. The program binds them by ordinal; on this platform an ordinal
// is resolved through SERVICE_FACTORY_NAMES.
extern "C" {
typedef ServiceContext* (*CreateServiceContextFn)();
typedef LogWriter* (*CreateLogWriterFn)(ServiceContext* context, const WCHAR* logPath);
typedef BackupStore* (*CreateBackupStoreFn)(ServiceContext* context);
typedef SettingsStore* (*CreateSettingsStoreFn)(ServiceContext* context);
typedef NullService* (*CreateNullServiceFn)(ServiceContext* context);
typedef NullObject* (*CreateNullObjectFn)(int32_t value);
}

constexpr int ORDINAL_CREATE_SERVICE_CONTEXT = 1;
constexpr int ORDINAL_CREATE_LOG_WRITER = 2;
constexpr int ORDINAL_CREATE_BACKUP_STORE = 3;
constexpr int ORDINAL_CREATE_SETTINGS_STORE = 4;
constexpr int ORDINAL_CREATE_NULL_SERVICE = 5;
constexpr int ORDINAL_CREATE_NULL_OBJECT = 6;

inline constexpr const char* SERVICE_FACTORY_NAMES[7] = {
    nullptr,
    "CreateServiceContext",
    "CreateLogWriter",
    "CreateBackupStore",
    "CreateSettingsStore",
    "CreateNullService",
    "CreateNullObject",
};

#ifdef ORV_SERVICE_LIBRARY_BUILD
#define ORV_SERVICE_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define ORV_SERVICE_EXPORT extern "C"
#endif

ORV_SERVICE_EXPORT ServiceContext* CreateServiceContext();
ORV_SERVICE_EXPORT LogWriter* CreateLogWriter(ServiceContext* context, const WCHAR* logPath);
ORV_SERVICE_EXPORT BackupStore* CreateBackupStore(ServiceContext* context);
ORV_SERVICE_EXPORT SettingsStore* CreateSettingsStore(ServiceContext* context);
ORV_SERVICE_EXPORT NullService* CreateNullService(ServiceContext* context);
ORV_SERVICE_EXPORT NullObject* CreateNullObject(int32_t value);
