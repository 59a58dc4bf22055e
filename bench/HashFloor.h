// The floor for a scan in which every file needs both digests: reading the same files and taking
// their MD5 and SHA-256 with the machine's own implementation (OpenSSL's when the benchmark is built
// with it), nothing else.
#pragma once

#include <filesystem>
#include <string>

struct HashFloorSample {
    double seconds = 0;
    double cpuSeconds = 0;
    uint64_t files = 0;
    uint64_t bytes = 0;
};

// Which implementation the floor uses, for the report.
const char* HashFloorImplementation();
HashFloorSample MeasureHashFloor(const std::filesystem::path& corpus);
