// The engine object the factory hands out, with its one scanner: the databases, the info file's
// version and date, the backup folder and what one scan needs (options, callbacks, buffers).
#pragma once

#include "HostServices.h"
#include "core/InfoFile.h"
#include "core/FileMatcher.h"

namespace orv {


// Files are read in chunks of this size into one buffer that lives as long as the engine.
constexpr uint32_t SCAN_CHUNK = 1u << 20;
// Verification reads outside the current chunk go through this cache.
constexpr uint32_t VERIFY_CACHE = 1u << 16;
// A database file larger than this is not loaded (its signatures would not fit a handheld anyway).
constexpr uint32_t MAX_DATABASE_FILE = 256u << 20;
constexpr uint32_t MAX_PATH_BYTES = 260;

// Result of ScanFile for a finding that was left where it is.
constexpr int32_t RESULT_FOUND_LEFT = 1;

struct EngineObject;

struct ScannerObject {
    EngineScanner iface;
    EngineObject* owner;
    ScanCallbacks* callbacks;   // from SetCallbacks; borrowed
    int32_t action;             // ENGINE_ACTION_*
    int32_t keepBackup;         // SetOption; on until told otherwise
    const char* virusName;      // of the last finding; null after a clean file
};

struct EngineObject {
    Engine iface;
    ScannerObject scanner;
    HostServices host;
    CoreAllocator allocator;
    SignatureDatabase database;
    FileMatcher matcher;
    EngineInfo info;
    bool ready;
    bool faulted;               // an examination was cut short by a fault: nothing is trusted since
    uint8_t* chunk;             // SCAN_CHUNK bytes
    uint8_t* verifyCache;       // VERIFY_CACHE bytes
    HostFile* pendingBackup;    // a backup being written; removed if its writing is cut short
    char backupFolder[MAX_PATH_BYTES];
};

// Makes a new engine over the host's services; null without memory.
Engine* CreateEngineObject(const HostServices& host);

// folder + name into out; false when it does not fit.
bool JoinPath(char* out, const char* folder, const char* name);
// Reads a whole small file of the library folder into a new block; null when it is missing,
// unreadable or too large.
char* ReadLibraryFile(EngineObject& engine, const char* folder, const char* name, uint32_t& size);
// Loads the databases the library folder's index names, with the info files' version and date, and
// writes the load report.
void LoadDatabases(EngineObject& engine, const char* folder);

// The scanner's table, defined beside ScanFile.
extern const EngineScannerTable SCANNER_TABLE;
int32_t ExamineAndTreat(ScannerObject& scanner, const char* path);
// Writes the backup of file (already open for reading); true only when the whole file was written.
// A backup that fails half-way is removed. A whole one stays open in pendingBackup until the
// treatment is known: KeepPendingBackup keeps it, DiscardPendingBackup removes it (also one left
// there by a fault).
bool WriteBackup(EngineObject& engine, HostFile* file, uint64_t size, const char* path, const char* name);
void KeepPendingBackup(EngineObject& engine);
void DiscardPendingBackup(EngineObject& engine);

} // namespace orv
