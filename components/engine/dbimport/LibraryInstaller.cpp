// The atomic installation of a database set: temporary names, fsync of every file and folder, and
// one rename as the moment the new set takes over.
#include "LibraryInstaller.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/InfoFile.h"

namespace orv {
namespace {

constexpr char SET_PREFIX[] = "db.";
constexpr char LOCK_FILE[] = "orv-import.lock";

std::string ErrnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

bool WriteAllTo(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += size_t(wrote);
    }
    return true;
}

// Writes a new file and flushes it to the disk before it counts as written.
bool WriteDurably(const std::string& path, const std::string& bytes, std::string& error)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = ErrnoText(path);
        return false;
    }
    bool ok = WriteAllTo(fd, bytes) && ::fsync(fd) == 0;
    if (!ok)
        error = ErrnoText(path);
    return ::close(fd) == 0 && ok;
}

bool SyncFolder(const std::string& path, std::string& error)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool ok = fd >= 0 && ::fsync(fd) == 0;
    if (!ok)
        error = ErrnoText(path);
    if (fd >= 0)
        ::close(fd);
    return ok;
}

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListFolder(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(path.c_str())) {
        while (dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.push_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The number of a set folder's name "db.N", or 0 for other names.
uint64_t SetNumber(const std::string& name)
{
    if (name.compare(0, 3, SET_PREFIX) != 0 || name.size() == 3 || name.size() > 12)
        return 0;
    uint64_t value = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        value = value * 10 + uint64_t(name[i] - '0');
    }
    return value;
}

void RemoveSetFolder(const std::string& path)
{
    for (const std::string& name : ListFolder(path))
        ::unlink((path + "/" + name).c_str());
    ::rmdir(path.c_str());
}

// A file the new set keeps from the set in use: a hard link, or a copy where links are not possible.
bool CarryFile(const std::string& from, const std::string& to, std::string& error)
{
    if (::link(from.c_str(), to.c_str()) == 0)
        return true;
    return WriteDurably(to, ReadWhole(from), error);
}

std::string FormatDate(uint32_t year, uint32_t month, uint32_t day)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", year, month, day);
    return text;
}

std::string IndexText(const InstalledSet& set)
{
    std::string text = "# Written by orv-dbimport: the imported signature files, loaded after those of orv.info.\n";
    if (!set.date.empty())
        text += "date=" + set.date + "\n";
    for (const ImportedDatabase& database : set.databases)
        text += "database=" + database.name + ":" + std::to_string(database.version) + ":" + database.date + "\n";
    for (const std::string& file : set.files)
        text += "file=" + file + "\n";
    return text;
}

// The new set: the databases and files of the old one that the containers do not replace, then the
// containers' own.
bool PlanSet(const InstalledSet& old, const std::vector<Container>& containers, InstalledSet& set, std::string& error)
{
    std::set<std::string> replaced, names;
    for (const Container& container : containers)
        for (const ContainerFile& file : container.kept) {
            replaced.insert(DatabaseOf(file.name));
            if (!names.insert(file.name).second) {
                error = "two containers both hold " + file.name;
                return false;
            }
        }
    for (const ImportedDatabase& database : old.databases)
        if (!replaced.count(database.name))
            set.databases.push_back(database);
    for (const Container& container : containers) {
        uint32_t year = 0, month = 0, day = 0;
        std::string date = ContainerDate(container.header, year, month, day) ? FormatDate(year, month, day) : "";
        std::set<std::string> stems;
        for (const ContainerFile& file : container.kept)
            stems.insert(DatabaseOf(file.name));
        for (const std::string& stem : stems)
            set.databases.push_back({ stem, container.header.version, date });
    }
    for (const ImportedDatabase& database : set.databases)
        set.date = std::max(set.date, database.date);
    return true;
}

} // namespace

std::string DatabaseOf(const std::string& fileName)
{
    size_t slash = fileName.find_last_of("\\/");
    std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    return name.substr(0, name.find('.'));
}

InstalledSet ReadInstalledSet(const std::string& lib)
{
    InstalledSet set;
    std::string text = ReadWhole(lib + "/" + IMPORT_INFO_FILE);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.compare(0, 5, "file=") == 0) {
            set.files.push_back(line.substr(5));
            size_t slash = line.find('\\');
            if (slash != std::string::npos)
                set.folder = line.substr(5, slash - 5);
        } else if (line.compare(0, 5, "date=") == 0) {
            set.date = line.substr(5);
        } else if (line.compare(0, 9, "database=") == 0) {
            std::string fields = line.substr(9);
            size_t first = fields.find(':'), second = fields.rfind(':');
            if (first != std::string::npos && second > first)
                set.databases.push_back({ fields.substr(0, first), uint32_t(std::strtoul(fields.substr(first + 1, second - first - 1).c_str(), nullptr, 10)),
                                          fields.substr(second + 1) });
        }
    }
    return set;
}

namespace {

// Holds the import lock of a library folder while it lives.
class ImportLock {
public:
    explicit ImportLock(const std::string& lib)
        : fd(::open((lib + "/" + LOCK_FILE).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    {
        held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (!held)
            error = fd < 0 ? ErrnoText(lib) : "another import into this folder is running";
    }
    ~ImportLock()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool held = false;
    std::string error;

private:
    int fd;
};

std::set<std::string> ReplacedDatabases(const std::vector<Container>& containers)
{
    std::set<std::string> replaced;
    for (const Container& container : containers)
        for (const ContainerFile& file : container.kept)
            replaced.insert(DatabaseOf(file.name));
    return replaced;
}

// The files of the set in use that no container replaces (their .info files among them) are linked
// into the new set folder; those the old index named are named again.
bool CarryOldFiles(const std::string& lib, const InstalledSet& old, const std::set<std::string>& replaced,
                   InstalledSet& set, std::string& error)
{
    if (old.folder.empty())
        return true;
    for (const std::string& entry : ListFolder(lib + "/" + old.folder)) {
        if (replaced.count(DatabaseOf(entry)))
            continue;
        if (!CarryFile(lib + "/" + old.folder + "/" + entry, lib + "/" + set.folder + "/" + entry, error))
            return false;
        std::string indexed = old.folder + "\\" + entry;
        if (std::find(old.files.begin(), old.files.end(), indexed) != old.files.end())
            set.files.push_back(set.folder + "\\" + entry);
    }
    return true;
}

bool WriteNewFiles(const std::string& lib, const std::vector<Container>& containers, InstalledSet& set,
                   std::string& error)
{
    std::string folder = lib + "/" + set.folder;
    std::set<std::string> replaced = ReplacedDatabases(containers);
    for (const Container& container : containers) {
        for (const ContainerFile& file : container.kept) {
            if (!WriteDurably(folder + "/" + file.name, file.bytes, error))
                return false;
            set.files.push_back(set.folder + "\\" + file.name);
        }
        // The container's own .info stays beside its files, for the user; the engine does not read it.
        // (A container without files the engine reads replaces nothing, its .info included.)
        const ContainerFile& info = container.info;
        if (!info.name.empty() && replaced.count(DatabaseOf(info.name)) && !WriteDurably(folder + "/" + info.name, info.bytes, error))
            return false;
    }
    if (set.files.size() <= MAX_INDEX_FILES)
        return SyncFolder(folder, error);
    error = "more than " + std::to_string(MAX_INDEX_FILES) + " signature files in one set";
    return false;
}

// The moment the new set takes over: the index is written whole under a temporary name and renamed
// over the old one.
bool CommitIndex(const std::string& lib, const InstalledSet& set, std::string& error)
{
    std::string index = lib + "/" + IMPORT_INFO_FILE;
    std::string temp = index + ".tmp";
    ::unlink(temp.c_str());
    if (!WriteDurably(temp, IndexText(set), error))
        return false;
    if (::rename(temp.c_str(), index.c_str()) != 0) {
        error = ErrnoText(index);
        return false;
    }
    return SyncFolder(lib, error);
}

// Set folders the index does not name are old sets, or the remains of an import that failed or was
// killed.
void RemoveOtherSets(const std::string& lib, const std::string& keep)
{
    for (const std::string& name : ListFolder(lib))
        if (SetNumber(name) && name != keep)
            RemoveSetFolder(lib + "/" + name);
}

} // namespace

bool InstallContainers(const std::string& lib, const std::vector<Container>& containers, InstalledSet& set,
                       std::string& error)
{
    ImportLock lock(lib);
    if (!lock.held) {
        error = lock.error;
        return false;
    }
    InstalledSet old = ReadInstalledSet(lib);
    set = InstalledSet();
    uint64_t highest = 0;
    for (const std::string& name : ListFolder(lib))
        highest = std::max(highest, SetNumber(name));
    set.folder = SET_PREFIX + std::to_string(highest + 1);
    std::set<std::string> replaced = ReplacedDatabases(containers);
    bool ok = PlanSet(old, containers, set, error);
    if (ok && ::mkdir((lib + "/" + set.folder).c_str(), 0755) != 0) {
        error = ErrnoText(lib + "/" + set.folder);
        ok = false;
    }
    ok = ok && CarryOldFiles(lib, old, replaced, set, error) && WriteNewFiles(lib, containers, set, error)
        && CommitIndex(lib, set, error);
    RemoveOtherSets(lib, ok ? set.folder : old.folder);
    return ok;
}

} // namespace orv
