// Installing imported databases into the engine's library folder so that a failed or killed import
// leaves the databases in use as they were. Each import writes a new set folder (db.N) holding the
// new files and links of the files it keeps from the set in use; then it replaces orv-import.info,
// which names the set's files, in one rename; only then are older set folders removed.
#pragma once

#include <string>
#include <vector>

#include "ContainerReader.h"

namespace orv {

struct ImportedDatabase {
    std::string name;  // the stem its files share ("daily" of daily.ndb)
    uint32_t version = 0;
    std::string date;  // YYYY-MM-DD
};

struct InstalledSet {
    std::string folder;                      // the set folder's name in the library folder
    std::vector<std::string> files;          // the index entries, "db.N\name"
    std::vector<ImportedDatabase> databases;
    std::string date;                        // the newest database's date
};

// Reads the index orv-import.info of a library folder (missing: an empty set).
InstalledSet ReadInstalledSet(const std::string& lib);

// Installs the containers' files, replacing the files of the same databases and keeping the
// others; false, with the reason in error, when nothing was changed.
bool InstallContainers(const std::string& lib, const std::vector<Container>& containers, InstalledSet& installed,
                       std::string& error);

// The database a file belongs to: its name up to the first dot.
std::string DatabaseOf(const std::string& fileName);

} // namespace orv
