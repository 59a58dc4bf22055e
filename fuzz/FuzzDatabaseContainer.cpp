// orv-dbimport's reading of a container over arbitrary bytes: header, MD5, archive, .info check and
// the description of the kept files with the engine's parsers.
#include "ContainerReader.h"
#include "ImportReport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (4u << 20))
        return 0;
    orv::Container container;
    std::string error;
    if (orv::ReadContainerBytes("fuzz.cvd", std::string(reinterpret_cast<const char*>(data), size), container, error))
        orv::DescribeContainer(container);
    return 0;
}
