// The contract between the program and the scan-engine image: the tables each side calls by
// position, the records they exchange, the import module and the ordinals. Shared, unchanged, by
// the host (g++, System V x86-64) and the freestanding engine image (clang, PE32+ for Windows x64),
// so every function type carries the image's calling convention.
#pragma once

#include <stdint.h>

#if defined(__x86_64__) && !defined(_WIN32)
#define ENGINE_CALL __attribute__((ms_abi))
#else
#define ENGINE_CALL
#endif

#define ENGINE_IMAGE_NAME "Verdane.dll"
#define ENGINE_IMPORT_MODULE "Verlink.dll"
#define ENGINE_ORDINAL_FILE_SYSTEM 10
#define ENGINE_ORDINAL_ALLOCATOR 11
#define ENGINE_ORDINAL_SYSTEM 12
#define ENGINE_ORDINAL_FACTORY 20
#define ENGINE_PRODUCT_NAME "OrvMobile"
#define ENGINE_CALLBACKS_VERSION 0x01000001

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

// File times and attributes exchanged by HostFile GetInfo/SetInfo: 28 bytes, little-endian.
struct EngineFileTime {
    uint32_t low;
    uint32_t high;
};
struct FileInfo {
    uint32_t attributes;            // all ones when they can't be read
    EngineFileTime creationTime;    // offset 4
    EngineFileTime lastWriteTime;   // offset 12
    EngineFileTime lastAccessTime;  // offset 20
};
static_assert(sizeof(FileInfo) == 28, "FileInfo is a 28-byte record");
static_assert(sizeof(EngineDate) == 16, "EngineDate is the platform's 16-byte record");

// Virus actions the scanner is told through SetAction.
#define ENGINE_ACTION_LEAVE 0
#define ENGINE_ACTION_ASK 1
#define ENGINE_ACTION_DELETE 2
#define ENGINE_ACTION_RENAME 3

// Low byte of a ScanFile result.
#define ENGINE_RESULT_CLEAN 0
#define ENGINE_RESULT_DELETED 16
#define ENGINE_RESULT_DELETED_BACKUP 18
#define ENGINE_RESULT_RENAMED 32
#define ENGINE_RESULT_RENAMED_BACKUP 34
// The file could not be examined whole (it could not be read, or the examination faulted): the
// host reports it as not scanned, neither clean nor infected.
#define ENGINE_RESULT_NOT_SCANNED 64

struct TrackedAllocator;
struct FileSystemService;
struct HostFile;
struct SystemService;
struct Engine;
struct EngineScanner;
struct ScanCallbacks;

// Tables: field N is position N + 1 (positions count from 1).

struct TrackedAllocatorTable {
    TrackedAllocator* (ENGINE_CALL* Self1)(TrackedAllocator* self);
    TrackedAllocator* (ENGINE_CALL* Self2)(TrackedAllocator* self);
    void* (ENGINE_CALL* Alloc)(TrackedAllocator* self, uint32_t size);
    void* (ENGINE_CALL* Realloc)(TrackedAllocator* self, void* block, uint32_t size);
    void (ENGINE_CALL* Free)(TrackedAllocator* self, void* block);
    int32_t (ENGINE_CALL* Unused6)(TrackedAllocator* self);
    void* (ENGINE_CALL* AllocBlock)(TrackedAllocator* self, uint32_t size);
    void (ENGINE_CALL* FreeBlock)(TrackedAllocator* self, void* block);
    void (ENGINE_CALL* Destroy)(TrackedAllocator* self, uint32_t flags);
};
struct TrackedAllocator {
    const TrackedAllocatorTable* table;
};

struct FileSystemServiceTable {
    FileSystemService* (ENGINE_CALL* Self1)(FileSystemService* self);
    FileSystemService* (ENGINE_CALL* Self2)(FileSystemService* self);
    HostFile* (ENGINE_CALL* OpenFile)(FileSystemService* self, const char* path, int32_t readOnly);
    HostFile* (ENGINE_CALL* CreateNewFile)(FileSystemService* self, const char* path);
    HostFile* (ENGINE_CALL* CreateTempFile)(FileSystemService* self);
    int32_t (ENGINE_CALL* Exists)(FileSystemService* self, const char* path);
    int32_t (ENGINE_CALL* Unused7)(FileSystemService* self);
    int32_t (ENGINE_CALL* GetPathSeparator)(FileSystemService* self);
    int32_t (ENGINE_CALL* Unused9)(FileSystemService* self);
    int32_t (ENGINE_CALL* Unused10)(FileSystemService* self);
    int32_t (ENGINE_CALL* Unused11)(FileSystemService* self);
    int32_t (ENGINE_CALL* Unused12)(FileSystemService* self);
    void (ENGINE_CALL* Destroy)(FileSystemService* self, uint32_t flags);
};
struct FileSystemService {
    const FileSystemServiceTable* table;
};

struct HostFileTable {
    HostFile* (ENGINE_CALL* Self1)(HostFile* self);
    HostFile* (ENGINE_CALL* Self2)(HostFile* self);
    int32_t (ENGINE_CALL* AddRef)(HostFile* self);
    int32_t (ENGINE_CALL* Release)(HostFile* self);
    uint32_t (ENGINE_CALL* Read)(HostFile* self, void* buffer, uint32_t count);
    int32_t (ENGINE_CALL* Write)(HostFile* self, const void* buffer, uint32_t count);
    int64_t (ENGINE_CALL* Seek)(HostFile* self, uint32_t low, int32_t high, uint32_t origin);
    int64_t (ENGINE_CALL* Tell)(HostFile* self);
    int32_t (ENGINE_CALL* SetSize)(HostFile* self, int32_t size);
    int64_t (ENGINE_CALL* GetSize)(HostFile* self);
    const char* (ENGINE_CALL* GetName)(HostFile* self);
    int32_t (ENGINE_CALL* MakeWritable)(HostFile* self);
    int32_t (ENGINE_CALL* MarkForRemoval)(HostFile* self);
    int32_t (ENGINE_CALL* SetNewExtension)(HostFile* self, const char* extension);
    int32_t (ENGINE_CALL* GetInfo)(HostFile* self, FileInfo* info, int32_t* size);
    int32_t (ENGINE_CALL* SetInfo)(HostFile* self, const FileInfo* info, int32_t size);
    int32_t (ENGINE_CALL* Unused17)(HostFile* self);
    void (ENGINE_CALL* Destroy)(HostFile* self, uint32_t flags);
};
struct HostFile {
    const HostFileTable* table;
};

typedef void (ENGINE_CALL* GuardedFunction)(void* argument);

struct SystemServiceTable {
    SystemService* (ENGINE_CALL* Self1)(SystemService* self);
    SystemService* (ENGINE_CALL* Self2)(SystemService* self);
    int32_t (ENGINE_CALL* QueryLocalTime)(SystemService* self, EngineDate* date);
    int32_t (ENGINE_CALL* Unused4)(SystemService* self);
    int32_t (ENGINE_CALL* RunGuarded)(SystemService* self, GuardedFunction function, void* argument);
    SystemService* (ENGINE_CALL* Self6)(SystemService* self);
    int32_t (ENGINE_CALL* Unused7)(SystemService* self);
    SystemService* (ENGINE_CALL* Self8)(SystemService* self);
    SystemService* (ENGINE_CALL* Self9)(SystemService* self);
    int32_t (ENGINE_CALL* Unused10)(SystemService* self);
    int32_t (ENGINE_CALL* Unused11)(SystemService* self);
};
struct SystemService {
    const SystemServiceTable* table;
};

// Called by the scanner during ScanFile, on the thread that called ScanFile.
struct ScanCallbacksTable {
    ScanCallbacks* (ENGINE_CALL* GetSelf1)(ScanCallbacks* self);
    ScanCallbacks* (ENGINE_CALL* GetSelf2)(ScanCallbacks* self);
    int32_t (ENGINE_CALL* GetInterfaceVersion)(ScanCallbacks* self);
    int32_t (ENGINE_CALL* Unused4)(ScanCallbacks* self);
    int32_t (ENGINE_CALL* AskAction)(ScanCallbacks* self, const char* first, const char* second, int32_t* action);
    int32_t (ENGINE_CALL* AcceptFile)(ScanCallbacks* self, const char* path);
    int32_t (ENGINE_CALL* Unused7)(ScanCallbacks* self);
    int32_t (ENGINE_CALL* Unused8)(ScanCallbacks* self);
    int32_t (ENGINE_CALL* Unused9)(ScanCallbacks* self);
    int32_t (ENGINE_CALL* Unused10)(ScanCallbacks* self);
    int32_t (ENGINE_CALL* HasScanFlags)(ScanCallbacks* self);
    int32_t (ENGINE_CALL* Unused12)(ScanCallbacks* self);
    int32_t (ENGINE_CALL* Unused13)(ScanCallbacks* self);
    int32_t (ENGINE_CALL* Unused14)(ScanCallbacks* self);
};
struct ScanCallbacks {
    const ScanCallbacksTable* table;
};

struct EngineTable {
    int32_t (ENGINE_CALL* Reserved1)(Engine* self);
    int32_t (ENGINE_CALL* Reserved2)(Engine* self);
    int32_t (ENGINE_CALL* Init)(Engine* self, const char* libFolder, const char* backupFolder, const char* product);
    void (ENGINE_CALL* Shutdown)(Engine* self);
    int32_t (ENGINE_CALL* GetVersion)(Engine* self, int32_t* major, int32_t* minor, int32_t* unused, int32_t* build);
    int32_t (ENGINE_CALL* GetDatabaseDate)(Engine* self, int32_t* year, int32_t* month, int32_t* day);
    EngineScanner* (ENGINE_CALL* GetScanner)(Engine* self);
};
struct Engine {
    const EngineTable* table;
};

struct EngineScannerTable {
    int32_t (ENGINE_CALL* Reserved1)(EngineScanner* self);
    int32_t (ENGINE_CALL* Reserved2)(EngineScanner* self);
    void (ENGINE_CALL* Release)(EngineScanner* self);
    void (ENGINE_CALL* SetOption)(EngineScanner* self, int32_t keepBackup);
    int32_t (ENGINE_CALL* Reserved5)(EngineScanner* self);
    void (ENGINE_CALL* SetAction)(EngineScanner* self, int32_t zero, int32_t action);
    void (ENGINE_CALL* Reset)(EngineScanner* self);
    void (ENGINE_CALL* SetCallbacks)(EngineScanner* self, ScanCallbacks* callbacks);
    int32_t (ENGINE_CALL* ScanFile)(EngineScanner* self, const char* path);
    int32_t (ENGINE_CALL* Reserved10)(EngineScanner* self);
    int32_t (ENGINE_CALL* Reserved11)(EngineScanner* self);
    int32_t (ENGINE_CALL* Reserved12)(EngineScanner* self);
    int32_t (ENGINE_CALL* Reserved13)(EngineScanner* self);
    const char* (ENGINE_CALL* GetVirusName)(EngineScanner* self);
};
struct EngineScanner {
    const EngineScannerTable* table;
};

// The image's import callbacks (bound to ENGINE_IMPORT_MODULE ordinals 10, 11, 12), its entry
// point and its factory (export ordinal 20).
typedef FileSystemService* (ENGINE_CALL* FileSystemCallbackFn)(void);
typedef TrackedAllocator* (ENGINE_CALL* AllocatorCallbackFn)(void);
typedef SystemService* (ENGINE_CALL* SystemCallbackFn)(void);
typedef int32_t (ENGINE_CALL* EngineEntryFn)(void* module, uint32_t reason, void* reserved);
typedef int32_t (ENGINE_CALL* EngineFactoryFn)(Engine** out);
