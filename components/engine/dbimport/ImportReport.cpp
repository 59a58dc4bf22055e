// Describing containers with the engine's own parsers, so that the counts are the engine's.
#include "ImportReport.h"

#include <cstdlib>

#include "core/LoadReport.h"

namespace orv {
namespace {

CoreAllocator HeapAllocator()
{
    return { [](void*, uint32_t size) { return std::malloc(size ? size : 1); },
             [](void*, void* block, uint32_t size) { return std::realloc(block, size ? size : 1); },
             [](void*, void* block) { std::free(block); }, nullptr };
}

// The files' lines as the engine counts them; the ignore lists first, as the engine loads them.
std::string DescribeFiles(const Container& container)
{
    CoreAllocator allocator = HeapAllocator();
    SignatureDatabase database;
    database.Init(&allocator);
    ReportText out;
    out.Init(&allocator);
    for (int pass = 0; pass < 2; ++pass)
        for (const ContainerFile& file : container.kept) {
            LoadedFile loaded {};
            std::snprintf(loaded.name, sizeof loaded.name, "%s", file.name.c_str());
            loaded.kind = KindOfFile({ file.name.data(), uint32_t(file.name.size()) });
            if ((loaded.kind == DATABASE_IGNORE) != (pass == 0))
                continue;
            database.Load(loaded.kind, file.bytes.data(), uint32_t(file.bytes.size()), loaded.stats);
            ReportFile(out, loaded);
        }
    std::string text(out.Data() ? out.Data() : "", out.Size());
    out.Release();
    database.Release();
    // The report's lines, indented under the container's.
    std::string indented;
    bool lineStart = true;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (lineStart)
            indented += "  ";
        indented += c;
        lineStart = c == '\n';
    }
    return indented;
}

} // namespace

std::string DescribeContainer(const Container& container)
{
    const ContainerHeader& header = container.header;
    std::string text = container.path + ": version " + std::to_string(header.version) + " of " + header.timeText
        + ", " + std::to_string(header.signatures) + " signatures, level " + std::to_string(header.level) + ", built by "
        + header.builder + "\n";
    text += "  MD5 of the archive: matches the header\n";
    if (container.info.name.empty())
        text += "  no .info inside: the files are checked by the MD5 alone\n";
    else
        text += "  every file matches its size and digest in " + container.info.name + "\n";
    if (container.kind == "cud" || header.digitalSignature == "X")
        text += "  digital signature: none (an unsigned container)\n";
    else
        text += "  digital signature: not checked (the publisher's key material is not available here)\n";
    if (header.level > FUNCTIONALITY_LEVEL)
        text += "  built for engine level " + std::to_string(header.level) + ", above the engine's "
            + std::to_string(FUNCTIONALITY_LEVEL) + ": lines for newer levels are skipped\n";
    text += DescribeFiles(container);
    for (const SkippedFile& skipped : container.skipped)
        text += "  " + skipped.name + ": skipped, " + skipped.reason + "\n";
    return text;
}

} // namespace orv
