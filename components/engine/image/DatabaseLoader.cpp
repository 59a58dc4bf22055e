// Loading the library folder's databases. The engine contract gives the engine no directory
// listing, so the folder carries an index: the "file=" lines of orv.info (written by the build) and
// of orv-import.info (written by orv-dbimport), in that order. Without index lines in orv.info the
// orv.* files of every kind are loaded. The ignore lists are loaded before everything else, so that
// they apply whatever their place in the index. What became of every file is written to
// orv-load.txt.
#include "EngineObject.h"

#include "core/LoadReport.h"

namespace orv {

namespace {

const char REPORT_TEMP_FILE[] = "orv-load.tmp";
constexpr uint32_t MAX_LOADED_FILES = 2 * MAX_INDEX_FILES;

struct LoadPlan {
    Vec<LoadedFile> files;
    FileStats totals;
    uint32_t indexed[2];  // files named by orv.info and by orv-import.info
    uint32_t refused[2];  // names they give that are not followed
};

// Reads one info file's version, date and index into info and index.
void ReadInfo(EngineObject& engine, const char* folder, const char* name, EngineInfo& info, DatabaseIndex& index)
{
    uint32_t size = 0;
    char* text = ReadLibraryFile(engine, folder, name, size);
    if (text)
        ParseInfoFile(text, size, info, &index);
    engine.allocator.Free(text);
}

bool Plan(LoadPlan& plan, const char* name)
{
    LoadedFile* file = plan.files.Count() < MAX_LOADED_FILES ? plan.files.Grow(1) : nullptr;
    if (!file)
        return false;
    uint32_t length = 0;
    for (; name[length] && length + 1 < sizeof file->name; ++length)
        file->name[length] = name[length];
    file->name[length] = 0;
    file->kind = KindOfFile({ file->name, length });
    file->outcome = file->kind == DATABASE_NONE ? LOAD_NOT_A_KIND : LOAD_DONE;
    return true;
}

// The files to load: the build's index (or the orv.* defaults), then the imported ones. The
// import's date, when it has one, is the date of the newest databases.
void MakePlan(EngineObject& engine, const char* folder, LoadPlan& plan, DatabaseIndex& index)
{
    index = DatabaseIndex();
    ReadInfo(engine, folder, INFO_FILE, engine.info, index);
    plan.indexed[0] = index.count;
    plan.refused[0] = index.refused;
    if (index.count == 0)
        for (uint32_t kind = 0; kind < DATABASE_KIND_COUNT; ++kind) {
            char name[16] = "orv";
            const char* extension = KindExtension(DatabaseKind(kind));
            for (uint32_t i = 0; extension[i]; ++i)
                name[3 + i] = extension[i];
            Plan(plan, name);
        }
    for (uint32_t i = 0; i < index.count; ++i)
        Plan(plan, index.names[i]);
    EngineInfo imported;
    index = DatabaseIndex();
    ReadInfo(engine, folder, IMPORT_INFO_FILE, imported, index);
    plan.indexed[1] = index.count;
    plan.refused[1] = index.refused;
    if (imported.year) {
        engine.info.year = imported.year;
        engine.info.month = imported.month;
        engine.info.day = imported.day;
    }
    for (uint32_t i = 0; i < index.count; ++i)
        Plan(plan, index.names[i]);
}

void LoadFile(EngineObject& engine, const char* folder, LoadedFile& file, FileStats& totals)
{
    uint32_t size = 0;
    char* text = ReadLibraryFile(engine, folder, file.name, size);
    if (!text) {
        // The default names that are absent are not worth a line of the report.
        file.outcome = LOAD_MISSING;
        return;
    }
    engine.database.Load(file.kind, text, size, file.stats);
    totals.Add(file.stats);
    engine.allocator.Free(text);
}

bool WriteText(HostFile* file, const ReportText& text)
{
    return !text.Failed() && (text.Size() == 0 || file->table->Write(file, text.Data(), text.Size()) == int32_t(text.Size()));
}

// Removes the file at path, if there is one, through the host file's removal at release.
void RemoveLibraryFile(EngineObject& engine, const char* path, const char* newExtension)
{
    FileSystemService* files = engine.host.files;
    HostFile* file = files->table->Exists(files, path) ? files->table->OpenFile(files, path, 1) : nullptr;
    if (!file)
        return;
    if (newExtension)
        file->table->SetNewExtension(file, newExtension);
    file->table->MarkForRemoval(file);
    ReleaseFile(file);
}

// The report is written whole under a temporary name and then put in place of the old one, so that
// a reader never finds half a report. The host's files rename only onto a free name: the old report
// goes first, and an interruption between the two steps leaves the complete temporary file.
void WriteReport(EngineObject& engine, const char* folder, const ReportText& text)
{
    char temp[MAX_PATH_BYTES];
    char report[MAX_PATH_BYTES];
    if (!JoinPath(temp, folder, REPORT_TEMP_FILE) || !JoinPath(report, folder, REPORT_FILE))
        return;
    FileSystemService* files = engine.host.files;
    HostFile* file = files->table->CreateNewFile(files, temp);
    if (!file)
        return;  // a read-only library folder: the report is only for the user's information
    bool written = WriteText(file, text);
    if (!written)
        file->table->MarkForRemoval(file);
    ReleaseFile(file);
    if (!written)
        return;
    RemoveLibraryFile(engine, report, nullptr);
    RemoveLibraryFile(engine, temp, ".txt");
}

void ReportHeader(EngineObject& engine, ReportText& out, const LoadPlan& plan)
{
    EngineDate now {};
    engine.host.system->table->QueryLocalTime(engine.host.system, &now);
    out.Text("Signature databases loaded ").Padded(now.year, 4).Text("-").Padded(now.month, 2).Text("-");
    out.Padded(now.day, 2).Text(" ").Padded(now.hour, 2).Text(":").Padded(now.minute, 2).Text(":");
    out.Padded(now.second, 2).Text(", engine level ").Number(FUNCTIONALITY_LEVEL).Text("\r\n");
    if (plan.indexed[0])
        out.Text(INFO_FILE).Text(" lists ").Number(plan.indexed[0]).Text(" files\r\n");
    else
        out.Text(INFO_FILE).Text(" lists no files: the orv.* files of every kind are read\r\n");
    if (plan.indexed[1])
        out.Text(IMPORT_INFO_FILE).Text(" lists ").Number(plan.indexed[1]).Text(" imported files\r\n");
    const char* const files[2] = { INFO_FILE, IMPORT_INFO_FILE };
    for (uint32_t i = 0; i < 2; ++i)
        if (plan.refused[i])
            out.Text(files[i]).Text(": ").Number(plan.refused[i]).Text(plan.refused[i] == 1 ? " name" : " names")
                .Text(" not followed (outside the library folder, not a plain name, or past the 64th)\r\n");
}

void Report(EngineObject& engine, const char* folder, const LoadPlan& plan)
{
    ReportText out;
    out.Init(&engine.allocator);
    ReportHeader(engine, out, plan);
    uint32_t loaded = 0;
    for (uint32_t i = 0; i < plan.files.Count(); ++i) {
        const LoadedFile& file = plan.files[i];
        bool defaultName = plan.indexed[0] == 0 && i < DATABASE_KIND_COUNT;
        if (file.outcome == LOAD_MISSING && defaultName)
            continue;
        loaded += file.outcome == LOAD_DONE ? 1 : 0;
        ReportFile(out, file);
    }
    ReportTotals(out, plan.totals, loaded);
    WriteReport(engine, folder, out);
    out.Release();
}

} // namespace

void LoadDatabases(EngineObject& engine, const char* folder)
{
    LoadPlan plan;
    plan.files.Init(&engine.allocator);
    DatabaseIndex* index = static_cast<DatabaseIndex*>(engine.allocator.Alloc(sizeof(DatabaseIndex)));
    if (index) {
        MakePlan(engine, folder, plan, *index);
        engine.allocator.Free(index);
    }
    for (uint32_t pass = 0; pass < 2; ++pass)
        for (uint32_t i = 0; i < plan.files.Count(); ++i) {
            LoadedFile& file = plan.files[i];
            bool ignoreList = file.kind == DATABASE_IGNORE;
            if (file.outcome == LOAD_DONE && ignoreList == (pass == 0))
                LoadFile(engine, folder, file, plan.totals);
        }
    Report(engine, folder, plan);
    plan.files.Release();
}

} // namespace orv
