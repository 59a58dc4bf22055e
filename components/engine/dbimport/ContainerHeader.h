// The 512-byte ASCII header of a signature database container (.cvd, .cld, .cud):
// "ClamAV-VDB:build time:version:signatures:level:MD5:digital signature:builder:build seconds",
// padded with spaces.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

constexpr size_t CONTAINER_HEADER_SIZE = 512;

struct ContainerHeader {
    std::string timeText;       // "08 Dec 2026 20-19 +0000"
    uint32_t version = 0;
    uint32_t signatures = 0;
    uint32_t level = 0;         // the functionality level the container asks for
    uint8_t md5[16] = {};       // of everything after the header
    std::string digitalSignature;
    std::string builder;
    int64_t buildSeconds = -1;  // since 1970 (UTC); -1 when the header does not give them
};

// False, with the reason in error, unless data starts with a whole, well-formed header.
bool ParseContainerHeader(const uint8_t* data, size_t size, ContainerHeader& header, std::string& error);

// The build date as year, month, day (UTC): from the build seconds, else from the time text.
bool ContainerDate(const ContainerHeader& header, uint32_t& year, uint32_t& month, uint32_t& day);

} // namespace orv
