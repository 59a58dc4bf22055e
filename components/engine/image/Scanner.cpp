// The scanner: options and callbacks from the bridge, and ScanFile, which examines one file under the
// host's guard and treats a finding as the action says.
#include "EngineObject.h"
#include "FaultProbe.h"

namespace orv {
namespace {

ScannerObject& Self(EngineScanner* self) { return *reinterpret_cast<ScannerObject*>(self); }

// One file's examination. The guard may cut it short anywhere, so everything that must be undone
// afterwards (the open file, a half-written backup) is recorded here, outside the guarded call.
struct Examination {
    ScannerObject* scanner;
    const char* path;
    HostFile* file;
    int32_t result;
    uint64_t chunkBase;      // file offset of the bytes in the chunk buffer
    uint32_t chunkLength;
    uint64_t cacheBase;      // file offset of the bytes in the verification cache
    uint32_t cacheLength;
    bool moved;              // a verification read moved the file position
    bool unreadable;         // a read or seek failed: the file was not examined whole
    int32_t treatment;       // ENGINE_ACTION_DELETE or _RENAME once decided and backed up
    bool finished;           // the guarded examination ran to its end
};

// Serves pattern verification: from the chunk when the bytes are there, else through the cache,
// which is filled by seeking; the main loop seeks back before its next read.
const uint8_t* SourceBytes(void* context, uint64_t position, uint32_t count)
{
    Examination& exam = *static_cast<Examination*>(context);
    EngineObject& engine = *exam.scanner->owner;
    if (position >= exam.chunkBase && position - exam.chunkBase <= exam.chunkLength
        && exam.chunkLength - (position - exam.chunkBase) >= count)
        return engine.chunk + (position - exam.chunkBase);
    if (position >= exam.cacheBase && position - exam.cacheBase <= exam.cacheLength
        && exam.cacheLength - (position - exam.cacheBase) >= count)
        return engine.verifyCache + (position - exam.cacheBase);
    // Windows start at multiples of half the cache, so a check walking backwards byte by byte
    // refills the cache once per half, like one walking forwards.
    if (count > VERIFY_CACHE / 2)
        return nullptr;
    uint64_t base = position - position % (VERIFY_CACHE / 2);
    exam.moved = true;
    exam.cacheLength = 0;
    // A check that cannot read its bytes cannot rule the signature out: the file was not examined.
    if (!SeekTo(exam.file, base)) {
        exam.unreadable = true;
        return nullptr;
    }
    uint32_t got = ReadFully(exam.file, engine.verifyCache, VERIFY_CACHE);
    if (got == UINT32_MAX) {
        exam.unreadable = true;
        return nullptr;
    }
    exam.cacheBase = base;
    exam.cacheLength = got;
    uint32_t inside = uint32_t(position - base);
    return got >= inside && got - inside >= count ? engine.verifyCache + inside : nullptr;
}

// Reads the file once, chunk by chunk, until the end or until a body signature decides it.
const char* Detect(Examination& exam, uint64_t size)
{
    EngineObject& engine = *exam.scanner->owner;
    engine.matcher.Begin(engine.database, size, ByteSource { SourceBytes, &exam, size });
    uint64_t position = 0;
    while (position < size) {
        if (exam.moved && !SeekTo(exam.file, position)) {
            exam.unreadable = true;
            break;
        }
        exam.moved = false;
        // Asking for no more than the size taken at the start spares the read that would only
        // report the end of the file.
        uint32_t want = size - position < SCAN_CHUNK ? uint32_t(size - position) : SCAN_CHUNK;
        uint32_t got = ReadFully(exam.file, engine.chunk, want);
        if (got == UINT32_MAX)
            exam.unreadable = true;
        if (got == 0 || got == UINT32_MAX)
            break;
        exam.chunkBase = position;
        exam.chunkLength = got;
        if (engine.matcher.Feed(engine.chunk, got))
            break;
        position += got;
    }
    exam.chunkLength = 0;
    const char* name = engine.matcher.Finish();
    // Memory ran out while the file was checked: finding nothing then does not make it clean.
    if (name == nullptr && engine.matcher.Failed())
        exam.unreadable = true;
    return name;
}

int32_t Treat(Examination& exam, uint64_t size, const char* name)
{
    ScannerObject& scanner = *exam.scanner;
    int32_t action = scanner.action;
    if (action == ENGINE_ACTION_ASK) {
        action = ENGINE_ACTION_LEAVE;
        if (scanner.callbacks)
            scanner.callbacks->table->AskAction(scanner.callbacks, exam.path, name, &action);
    }
    if (action != ENGINE_ACTION_DELETE && action != ENGINE_ACTION_RENAME)
        return RESULT_FOUND_LEFT;
    bool backedUp = false;
    if (scanner.keepBackup) {
        // Without a whole backup the file stays: deleting an infected file the user asked us to
        // keep a copy of, and then having no copy, loses data for good.
        if (!WriteBackup(*scanner.owner, exam.file, size, exam.path, name))
            return RESULT_FOUND_LEFT;
        backedUp = true;
    }
    // The file is marked only once the examination has finished (see ExamineAndTreat): a fault
    // before that must not leave a file marked for removal behind.
    exam.treatment = action;
    int32_t result = action == ENGINE_ACTION_DELETE ? ENGINE_RESULT_DELETED : ENGINE_RESULT_RENAMED;
    return backedUp ? result + 2 : result;
}

// Marks the file, releases it (the host removes or renames it then) and looks whether it is gone.
// A treatment that did not happen is reported as a finding left in place, and the backup made for
// it is removed again, so that rescans of a file that cannot be treated do not pile backups up.
int32_t ApplyTreatment(Examination& exam)
{
    EngineObject& engine = *exam.scanner->owner;
    if (exam.treatment == ENGINE_ACTION_RENAME)
        exam.file->table->SetNewExtension(exam.file, ".vir");
    exam.file->table->MarkForRemoval(exam.file);
    ReleaseFile(exam.file);
    FileSystemService* files = engine.host.files;
    if (files->table->Exists(files, exam.path)) {
        DiscardPendingBackup(engine);
        return RESULT_FOUND_LEFT;
    }
    KeepPendingBackup(engine);
    return exam.result;
}

void ENGINE_CALL Examine(void* argument)
{
    Examination& exam = *static_cast<Examination*>(argument);
    EngineObject& engine = *exam.scanner->owner;
    ProbeFault(exam.path, "fault-probe");
    exam.file = engine.host.files->table->OpenFile(engine.host.files, exam.path, 1);
    int64_t size = exam.file ? exam.file->table->GetSize(exam.file) : -1;
    if (size < 0) {
        exam.unreadable = true;
        exam.finished = true;
        return;
    }
    const char* name = Detect(exam, uint64_t(size));
    if (name) {
        exam.scanner->virusName = name;
        exam.result = Treat(exam, uint64_t(size), name);
    }
    exam.finished = true;
}

int32_t ENGINE_CALL Reserved(EngineScanner*) { return 0; }

void ENGINE_CALL Release(EngineScanner* self) { Self(self).callbacks = nullptr; }

void ENGINE_CALL SetOption(EngineScanner* self, int32_t keepBackup) { Self(self).keepBackup = keepBackup ? 1 : 0; }

void ENGINE_CALL SetAction(EngineScanner* self, int32_t, int32_t action) { Self(self).action = action; }

// The bridge calls Reset just before SetAction; the backup option outlives it.
void ENGINE_CALL Reset(EngineScanner* self)
{
    Self(self).action = ENGINE_ACTION_LEAVE;
    Self(self).virusName = nullptr;
}

void ENGINE_CALL SetCallbacks(EngineScanner* self, ScanCallbacks* callbacks) { Self(self).callbacks = callbacks; }

int32_t ENGINE_CALL ScanFile(EngineScanner* self, const char* path) { return ExamineAndTreat(Self(self), path); }

const char* ENGINE_CALL GetVirusName(EngineScanner* self)
{
    const char* name = Self(self).virusName;
    return name ? name : "";
}

} // namespace

const EngineScannerTable SCANNER_TABLE = {
    Reserved, Reserved, Release, SetOption, Reserved, SetAction, Reset,
    SetCallbacks, ScanFile, Reserved, Reserved, Reserved, Reserved, GetVirusName,
};

int32_t ExamineAndTreat(ScannerObject& scanner, const char* path)
{
    scanner.virusName = nullptr;
    EngineObject& engine = *scanner.owner;
    if (engine.faulted)
        return ENGINE_RESULT_NOT_SCANNED;
    if (!path || !engine.ready)
        return ENGINE_RESULT_CLEAN;
    if (scanner.callbacks && !scanner.callbacks->table->AcceptFile(scanner.callbacks, path))
        return ENGINE_RESULT_CLEAN;
    ProbeFault(path, "fault-outside");
    Examination exam {};
    exam.scanner = &scanner;
    exam.path = path;
    SystemService* system = engine.host.system;
    system->table->RunGuarded(system, Examine, &exam);
    // RunGuarded returns 0 whether or not the examination finished: a fault is seen by the flag.
    // After one this engine's state may be damaged; it answers nothing more until it is started
    // anew.
    if (!exam.finished)
        engine.faulted = true;
    // The file is released outside the guard; a removal or renaming the treatment asked for happens now.
    if (exam.finished && exam.treatment != ENGINE_ACTION_LEAVE)
        exam.result = ApplyTreatment(exam);
    ReleaseFile(exam.file);
    DiscardPendingBackup(engine);
    if (!exam.finished || (exam.unreadable && exam.result == ENGINE_RESULT_CLEAN))
        exam.result = ENGINE_RESULT_NOT_SCANNED;
    if (exam.result == ENGINE_RESULT_CLEAN || exam.result == ENGINE_RESULT_NOT_SCANNED)
        scanner.virusName = nullptr;
    return exam.result;
}

} // namespace orv
