// The standard anti-virus test file: the 68-character test string at the start of a file of at most
// 128 bytes, followed by nothing but white space.
#pragma once

#include <stdint.h>

namespace orv {

constexpr uint32_t TEST_STRING_LENGTH = 68;
constexpr uint32_t TEST_FILE_MAX_SIZE = 128;
extern const char TEST_FILE_VIRUS_NAME[];

// data holds the whole file.
bool IsTestFile(const uint8_t* data, uint32_t size);
// Writes the test string and a terminating zero, for the tests and the demo set-up (host builds only).
void RevealTestString(char out[TEST_STRING_LENGTH + 1]);

} // namespace orv
