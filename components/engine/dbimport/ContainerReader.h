// Reading a signature database container: the header, the MD5 of the archive behind it, and the
// archive itself (a tar, gzip-compressed in .cvd and .cud files, plain in .cld files) through
// libarchive. The files the engine reads are kept in memory; the others are listed as skipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ContainerHeader.h"

namespace orv {

// Limits on what one container may hold: the engine loads no database file larger than 256 MiB.
constexpr uint64_t MAX_CONTAINER_FILE = 256ull << 20;
constexpr uint64_t MAX_CONTAINER_SIZE = 2ull << 30;
constexpr size_t MAX_CONTAINER_ENTRIES = 4096;
constexpr size_t MAX_ENTRY_NAME = 64;

struct ContainerFile {
    std::string name;
    std::string bytes;
};

struct SkippedFile {
    std::string name;
    std::string reason;
};

struct Container {
    std::string path;
    std::string kind;      // "cvd", "cld" or "cud", from the file name
    ContainerHeader header;
    std::vector<ContainerFile> kept;      // signature files the engine reads, in archive order
    ContainerFile info;                   // the container's own .info, if it has one
    std::vector<SkippedFile> skipped;
};

// Reads and checks the container at path; false, with the reason in error, when it cannot be used.
bool ReadContainer(const std::string& path, Container& container, std::string& error);
// The same over bytes already in memory (name gives the kind).
bool ReadContainerBytes(const std::string& name, const std::string& bytes, Container& container, std::string& error);

// Whether the engine reads files of this name's kind (.ndb .hdb .hsb .ldb .fp .sfp .ign2).
bool IsSignatureFileName(const std::string& name);

} // namespace orv
