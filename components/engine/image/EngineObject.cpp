// The engine's own operations: Init loads the databases, the rest reports and tears down.
#include "EngineObject.h"
#include "FaultProbe.h"

namespace orv {

bool JoinPath(char* out, const char* folder, const char* name)
{
    uint32_t length = 0;
    for (; folder[length]; ++length) {
        if (length + 1 >= MAX_PATH_BYTES)
            return false;
        out[length] = folder[length];
    }
    if (length && out[length - 1] != '\\' && out[length - 1] != '/')
        out[length++] = '\\';
    for (uint32_t i = 0; name[i]; ++i) {
        if (length + 1 >= MAX_PATH_BYTES)
            return false;
        out[length++] = name[i];
    }
    out[length] = 0;
    return true;
}

char* ReadLibraryFile(EngineObject& engine, const char* folder, const char* name, uint32_t& size)
{
    char path[MAX_PATH_BYTES];
    if (!JoinPath(path, folder, name))
        return nullptr;
    HostFile* file = engine.host.files->table->OpenFile(engine.host.files, path, 1);
    if (!file)
        return nullptr;
    int64_t length = file->table->GetSize(file);
    char* text = nullptr;
    if (length > 0 && length <= int64_t(MAX_DATABASE_FILE))
        text = static_cast<char*>(engine.allocator.Alloc(uint32_t(length)));
    if (text && ReadFully(file, reinterpret_cast<uint8_t*>(text), uint32_t(length)) != uint32_t(length)) {
        engine.allocator.Free(text);
        text = nullptr;
    }
    size = uint32_t(length);
    ReleaseFile(file);
    return text;
}

namespace {

EngineObject& Self(Engine* self) { return *reinterpret_cast<EngineObject*>(self); }

void ReleaseDatabases(EngineObject& engine)
{
    engine.database.Release();
    engine.matcher.Release();
    engine.allocator.Free(engine.chunk);
    engine.allocator.Free(engine.verifyCache);
    engine.chunk = nullptr;
    engine.verifyCache = nullptr;
    engine.ready = false;
}

int32_t ENGINE_CALL Reserved(Engine*) { return 0; }

// A missing or damaged database file is not a failure: its lines are refused and counted in the load
// report, the built-in test file check still works, and the about page shows whatever version the
// info file gives.
int32_t ENGINE_CALL Init(Engine* self, const char* libFolder, const char* backupFolder, const char*)
{
    EngineObject& engine = Self(self);
    ReleaseDatabases(engine);
    engine.database.Init(&engine.allocator);
    engine.info = EngineInfo();
    if (!libFolder || !backupFolder)
        return 0;
#ifdef ORV_ENGINE_FAULT_PROBE
    char marker[MAX_PATH_BYTES];
    if (JoinPath(marker, libFolder, "fault-init.probe") && engine.host.files->table->Exists(engine.host.files, marker))
        ProbeFault(marker, "fault-init");
#endif
    if (!JoinPath(engine.backupFolder, backupFolder, ""))
        engine.backupFolder[0] = 0;  // no backups can be kept, so nothing will be treated
    engine.matcher.Init(&engine.allocator);
    LoadDatabases(engine, libFolder);
    engine.chunk = static_cast<uint8_t*>(engine.allocator.Alloc(SCAN_CHUNK));
    engine.verifyCache = static_cast<uint8_t*>(engine.allocator.Alloc(VERIFY_CACHE));
    if (!engine.chunk || !engine.verifyCache || !engine.database.Finish() || !engine.matcher.Prepare(engine.database)) {
        ReleaseDatabases(engine);
        return 0;
    }
    engine.ready = true;
    return 1;
}

void ENGINE_CALL Shutdown(Engine* self)
{
    EngineObject& engine = Self(self);
    ReleaseDatabases(engine);
    CoreAllocator allocator = engine.allocator;
    allocator.Free(&engine);
}

int32_t ENGINE_CALL GetVersion(Engine* self, int32_t* major, int32_t* minor, int32_t* unused, int32_t* build)
{
    const EngineInfo& info = Self(self).info;
    if (major)
        *major = int32_t(info.major);
    if (minor)
        *minor = int32_t(info.minor);
    if (unused)
        *unused = 0;
    if (build)
        *build = int32_t(info.build);
    return 1;
}

int32_t ENGINE_CALL GetDatabaseDate(Engine* self, int32_t* year, int32_t* month, int32_t* day)
{
    const EngineInfo& info = Self(self).info;
    if (year)
        *year = int32_t(info.year);
    if (month)
        *month = int32_t(info.month);
    if (day)
        *day = int32_t(info.day);
    return 1;
}

EngineScanner* ENGINE_CALL GetScanner(Engine* self)
{
    EngineObject& engine = Self(self);
    return engine.ready ? &engine.scanner.iface : nullptr;
}

const EngineTable ENGINE_TABLE = { Reserved, Reserved, Init, Shutdown, GetVersion, GetDatabaseDate, GetScanner };

} // namespace

Engine* CreateEngineObject(const HostServices& host)
{
    if (!host.allocator || !host.files || !host.system)
        return nullptr;
    CoreAllocator allocator = MakeCoreAllocator(host.allocator);
    void* block = allocator.Alloc(sizeof(EngineObject));
    if (!block)
        return nullptr;
    EngineObject* engine = new (block) EngineObject();
    engine->iface.table = &ENGINE_TABLE;
    engine->scanner.iface.table = &SCANNER_TABLE;
    engine->scanner.owner = engine;
    engine->scanner.keepBackup = 1;
    engine->host = host;
    engine->allocator = allocator;
    engine->database.Init(&engine->allocator);
    return &engine->iface;
}

} // namespace orv
