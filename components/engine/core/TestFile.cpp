// The test file check. The string is kept masked, so that this engine, or any other scanner, does not
// take its own image for the test file; it is compared by masking the file's bytes.
#include "TestFile.h"

namespace orv {
namespace {

constexpr uint8_t MASKED_TEST_STRING[TEST_STRING_LENGTH] = {
    0x02, 0x42, 0xDB, 0x90, 0x9E, 0xCE, 0x48, 0x64, 0x12, 0x04, 0x48, 0xC5,
    0xE6, 0x89, 0xA8, 0x38, 0x1E, 0x6F, 0x34, 0xDF, 0xB7, 0x8C, 0x9B, 0xB6,
    0x3B, 0x18, 0x31, 0x4D, 0xC3, 0xEA, 0x83, 0x9C, 0xA8, 0x3A, 0x67, 0x05,
    0x2F, 0xC5, 0xEC, 0x84, 0xB0, 0xBB, 0x31, 0x78, 0x18, 0x27, 0xD9, 0xFB,
    0x83, 0xB5, 0x51, 0x72, 0x13, 0x0F, 0x3D, 0xC6, 0xE6, 0xE2, 0xAA, 0x40,
    0x6A, 0x06, 0x41, 0x59, 0xD2, 0x9C, 0x9C, 0xDB,
};

inline uint8_t MaskAt(uint32_t i) { return uint8_t(0x5A + 29 * i); }

// White space the test file may carry after the string: tab, line feed, carriage return, space and
// the old end-of-file mark Ctrl-Z.
bool IsTrailingSpace(uint8_t c) { return c == 0x09 || c == 0x0A || c == 0x0D || c == 0x20 || c == 0x1A; }

} // namespace

const char TEST_FILE_VIRUS_NAME[] = "Eicar-Test-Signature";

bool IsTestFile(const uint8_t* data, uint32_t size)
{
    if (size < TEST_STRING_LENGTH || size > TEST_FILE_MAX_SIZE)
        return false;
    for (uint32_t i = 0; i < TEST_STRING_LENGTH; ++i)
        if (uint8_t(data[i] ^ MaskAt(i)) != MASKED_TEST_STRING[i])
            return false;
    for (uint32_t i = TEST_STRING_LENGTH; i < size; ++i)
        if (!IsTrailingSpace(data[i]))
            return false;
    return true;
}

// Not in the image: the optimiser would unmask the string there at compile time.
#if !defined(ORV_FREESTANDING)
void RevealTestString(char out[TEST_STRING_LENGTH + 1])
{
    for (uint32_t i = 0; i < TEST_STRING_LENGTH; ++i)
        out[i] = char(MASKED_TEST_STRING[i] ^ MaskAt(i));
    out[TEST_STRING_LENGTH] = 0;
}
#endif

} // namespace orv
