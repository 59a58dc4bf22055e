// orv-dbimport's reading of a container over arbitrary bytes: once as a whole container (header,
// MD5, archive), and once as the archive behind a header whose MD5 fits, so that the mutations reach
// the unpacking, the .info check and the description of the kept files with the engine's parsers.
#include "ContainerReader.h"
#include "ImportReport.h"
#include "core/Md5.h"

namespace {

void ReadAndDescribe(const std::string& bytes)
{
    orv::Container container;
    std::string error;
    if (orv::ReadContainerBytes("fuzz.cvd", bytes, container, error))
        orv::DescribeContainer(container);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (4u << 20))
        return 0;
    std::string input(reinterpret_cast<const char*>(data), size);
    ReadAndDescribe(input);
    std::string archive = input.size() > orv::CONTAINER_HEADER_SIZE ? input.substr(orv::CONTAINER_HEADER_SIZE) : input;
    orv::Md5 md5;
    md5.Start();
    md5.Update(reinterpret_cast<const uint8_t*>(archive.data()), uint32_t(archive.size()));
    uint8_t digest[16];
    md5.Finish(digest);
    std::string header = "ClamAV-VDB:08 Dec 2026 20-19 +0000:1:1:216:";
    for (uint8_t byte : digest) {
        header += "0123456789abcdef"[byte >> 4];
        header += "0123456789abcdef"[byte & 15];
    }
    header += ":X:fuzz:1796761184";
    header.resize(orv::CONTAINER_HEADER_SIZE, ' ');
    ReadAndDescribe(header + archive);
    return 0;
}
