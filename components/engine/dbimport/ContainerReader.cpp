// Unpacking containers with libarchive, checking every kept file against the container's .info.
#include "ContainerReader.h"

#include <archive.h>
#include <archive_entry.h>
#include <fstream>
#include <iterator>
#include <map>

#include "core/Md5.h"
#include "core/Sha256.h"
#include "core/SignatureDatabase.h"

namespace orv {
namespace {

std::string Extension(const std::string& name)
{
    size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    for (char& c : extension)
        c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension;
}

std::string HexOf(const uint8_t* bytes, size_t size)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

std::string Md5Of(const uint8_t* data, size_t size)
{
    Md5 md5;
    md5.Start();
    for (size_t at = 0; at < size; at += 1u << 30)
        md5.Update(data + at, uint32_t(std::min<size_t>(size - at, 1u << 30)));
    uint8_t digest[16];
    md5.Finish(digest);
    return HexOf(digest, 16);
}

std::string Sha256Of(const std::string& bytes)
{
    Sha256 sha;
    sha.Start(Sha256HardwareAvailable());
    sha.Update(reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()));
    uint8_t digest[32];
    sha.Finish(digest);
    return HexOf(digest, 32);
}

// A plain name of a few safe characters: an entry must not reach outside the folder it goes to.
bool IsSafeEntryName(const std::string& name)
{
    if (name.empty() || name.size() > MAX_ENTRY_NAME || name == "." || name == "..")
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-'
              || c == '_'))
            return false;
    return true;
}

// Reads the entry's bytes, at most MAX_CONTAINER_FILE of them; false on a damaged archive.
bool ReadEntry(archive* reader, int64_t declared, std::string& bytes, bool& tooLarge)
{
    tooLarge = declared > int64_t(MAX_CONTAINER_FILE);
    char buffer[65536];
    for (;;) {
        la_ssize_t got = archive_read_data(reader, buffer, sizeof buffer);
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (bytes.size() + size_t(got) > MAX_CONTAINER_FILE)
            tooLarge = true;
        if (!tooLarge)
            bytes.append(buffer, size_t(got));
    }
}

void TakeEntry(Container& container, const std::string& name, std::string&& bytes, bool tooLarge)
{
    std::string extension = Extension(name);
    if (tooLarge)
        container.skipped.push_back({ name, "larger than the engine loads (256 MiB)" });
    else if (extension == "info" && container.info.name.empty())
        container.info = { name, std::move(bytes) };
    else if (IsSignatureFileName(name))
        container.kept.push_back({ name, std::move(bytes) });
    else
        container.skipped.push_back({ name, "not a kind the engine reads" });
}

bool Unpack(const uint8_t* data, size_t size, Container& container, std::string& error)
{
    archive* reader = archive_read_new();
    archive_read_support_filter_gzip(reader);
    archive_read_support_format_tar(reader);
    bool ok = archive_read_open_memory(reader, data, size) == ARCHIVE_OK;
    size_t entries = 0;
    archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while (ok && (status = archive_read_next_header(reader, &entry)) == ARCHIVE_OK) {
        const char* path = archive_entry_pathname(entry);
        std::string name = path ? path : "";
        if (name.compare(0, 2, "./") == 0)
            name = name.substr(2);
        if (++entries > MAX_CONTAINER_ENTRIES) {
            error = "more than 4096 entries";
            ok = false;
        } else if (archive_entry_filetype(entry) != AE_IFREG || !IsSafeEntryName(name)) {
            container.skipped.push_back({ name, "not a plain file name" });
        } else {
            std::string bytes;
            bool tooLarge = false;
            ok = ReadEntry(reader, archive_entry_size(entry), bytes, tooLarge);
            if (ok)
                TakeEntry(container, name, std::move(bytes), tooLarge);
        }
    }
    if (ok && status != ARCHIVE_EOF)
        ok = false;
    if (!ok && error.empty())
        error = std::string("damaged archive: ") + (archive_error_string(reader) ? archive_error_string(reader) : "cut short");
    archive_read_free(reader);
    return ok;
}

// The container's .info lists its files as "name:size:sha256" (or an MD5) after a header line; every
// kept file must be listed and match, or the container was altered after it was built.
bool CheckAgainstInfo(const Container& container, std::string& error)
{
    if (container.info.name.empty())
        return true;
    std::map<std::string, std::pair<std::string, std::string>> listed;
    size_t start = 0;
    const std::string& text = container.info.bytes;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t first = line.find(':'), second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second != std::string::npos && line.compare(0, 11, "ClamAV-VDB:") != 0)
            listed[line.substr(0, first)] = { line.substr(first + 1, second - first - 1), line.substr(second + 1) };
    }
    for (const ContainerFile& file : container.kept) {
        auto found = listed.find(file.name);
        if (found == listed.end()) {
            error = file.name + " is not listed in " + container.info.name;
            return false;
        }
        const std::string& digest = found->second.second;
        std::string actual = digest.size() == 32
            ? Md5Of(reinterpret_cast<const uint8_t*>(file.bytes.data()), file.bytes.size()) : Sha256Of(file.bytes);
        std::string lower = digest;
        for (char& c : lower)
            c = char(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        if (found->second.first != std::to_string(file.bytes.size()) || lower != actual) {
            error = file.name + " does not match its size and digest in " + container.info.name;
            return false;
        }
    }
    return true;
}

} // namespace

bool IsSignatureFileName(const std::string& name)
{
    return KindOfFile({ name.data(), uint32_t(name.size()) }) != DATABASE_NONE;
}

bool ReadContainerBytes(const std::string& name, const std::string& bytes, Container& container, std::string& error)
{
    container.path = name;
    container.kind = Extension(name);
    const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (!ParseContainerHeader(data, bytes.size(), container.header, error))
        return false;
    std::string md5 = Md5Of(data + CONTAINER_HEADER_SIZE, bytes.size() - CONTAINER_HEADER_SIZE);
    if (md5 != HexOf(container.header.md5, 16)) {
        error = "the MD5 of the archive does not match the header (damaged or cut short)";
        return false;
    }
    return Unpack(data + CONTAINER_HEADER_SIZE, bytes.size() - CONTAINER_HEADER_SIZE, container, error)
        && CheckAgainstInfo(container, error);
}

bool ReadContainer(const std::string& path, Container& container, std::string& error)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        error = "cannot be opened";
        return false;
    }
    std::streamoff size = in.tellg();
    if (size < 0 || uint64_t(size) > MAX_CONTAINER_SIZE) {
        error = "larger than 2 GiB";
        return false;
    }
    std::string bytes(size_t(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), size)) {
        error = "cannot be read";
        return false;
    }
    return ReadContainerBytes(path, bytes, container, error);
}

} // namespace orv
