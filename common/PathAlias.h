// The 8-bit form of a device path that the engine is given and that backup headers keep: the path
// in the system code page when it converts exactly, else '?' followed by the path's UTF-8 bytes.
// Device paths never hold '?', so the second form cannot be taken for another file's name.
#pragma once

#include <windows.h>

constexpr char PATH_ALIAS_MARK = '?';

// path -> out (outBytes, terminator included); false, out empty, when neither form fits.
bool PathToEngineText(const WCHAR* path, char* out, int outBytes = MAX_PATH) noexcept;

// The device path an 8-bit form stands for -> out (outChars, terminator included); false, out
// empty, when the text is null, not valid in its form, or too long.
bool EngineTextToPath(const char* text, WCHAR* out, int outChars = MAX_PATH) noexcept;

// Whether text converts to the system code page and back without a change.
bool IsExactAnsi(const WCHAR* text) noexcept;
