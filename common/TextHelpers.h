// Text conversion, string joining, extension lookup and settings-record defaults shared by both
// deliverables.
#pragma once

#include <windows.h>

struct OptionSettings;
struct UtilSettings;

// Capacity, terminator included, of the conversion buffers below (characters, or bytes for ANSI).
constexpr int TEXT_BUFFER_CHARS = MAX_PATH;

// first followed by second (null counts as empty); null when first is null or memory is short.
// The caller frees the result with delete[].
WCHAR* ConcatDup(const WCHAR* first, const WCHAR* second) noexcept;

// New buffers of TEXT_BUFFER_CHARS holding text converted from / to the system code page, or null
// when memory is short. Text too long for the buffer is cut and still terminated. The caller frees
// the result with delete[].
WCHAR* AnsiToWideDup(const char* text) noexcept;
char* WideToAnsiDup(const WCHAR* text) noexcept;

// Converts text into out, which holds TEXT_BUFFER_CHARS characters; cut and terminated like above.
WCHAR* AnsiToWide(WCHAR* out, const char* text) noexcept;

// The extension's '.' inside path, or null when the last '.' is in a folder name or missing.
const char* FindExtensionA(const char* path) noexcept;
const WCHAR* FindExtensionW(const WCHAR* path) noexcept;

// Sets each record that is not null to its defaults (useDefaults) or to its size and zeros.
void InitSettingsRecords(OptionSettings* options, UtilSettings* util, bool useDefaults) noexcept;
