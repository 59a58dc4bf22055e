// Offsets and flags of the PE/COFF headers the image loader reads; included by its sources only.
#pragma once

#include <cstdint>
#include <unistd.h>

constexpr uint32_t DOS_LFANEW = 0x3C;
constexpr uint32_t NT_MACHINE = 0x04;
constexpr uint32_t NT_SECTION_COUNT = 0x06;
constexpr uint32_t NT_OPTIONAL_SIZE = 0x14;
constexpr uint32_t NT_OPTIONAL_HEADER = 0x18;
constexpr uint32_t NT_MAGIC = 0x18;
constexpr uint32_t NT_ENTRY_POINT = 0x28;
constexpr uint32_t NT_SIZE_OF_IMAGE = 0x50;
constexpr uint32_t SECTION_HEADER_SIZE = 40;
constexpr uint32_t SECTION_VIRTUAL_SIZE = 0x08;
constexpr uint32_t SECTION_VIRTUAL_ADDRESS = 0x0C;
constexpr uint32_t SECTION_RAW_SIZE = 0x10;
constexpr uint32_t SECTION_RAW_POINTER = 0x14;
constexpr uint32_t SECTION_CHARACTERISTICS = 0x24;
constexpr uint16_t MAGIC_PE32_PLUS = 0x20B;

constexpr uint32_t SCN_MEM_EXECUTE = 0x20000000;
constexpr uint32_t SCN_MEM_READ = 0x40000000;
constexpr uint32_t SCN_MEM_WRITE = 0x80000000;

#if defined(__x86_64__)
constexpr uint16_t HOST_MACHINE = 0x8664;
#elif defined(__aarch64__)
constexpr uint16_t HOST_MACHINE = 0xAA64;
#else
constexpr uint16_t HOST_MACHINE = 0;   // no image is ever entered
#endif

inline uint32_t ImagePageSize()
{
    long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? uint32_t(size) : 4096u;
}
