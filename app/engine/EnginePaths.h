// Conversions between the engine's 8-bit paths and the platform's UTF-16 paths, all in buffers of
// MAX_PATH. A path that does not fit is refused rather than cut: a cut path names another file,
// and the engine may delete or rename what it names.
#pragma once

#include <windows.h>

// text in the system code page -> out; false (out empty) when it does not fit or is null.
bool PathToWide(const char* text, WCHAR* out, int outChars = MAX_PATH) noexcept;

// text -> out in the system code page; false (out empty) when it does not fit or is null.
bool PathToAnsi(const WCHAR* text, char* out, int outBytes = MAX_PATH) noexcept;

// ASCII-only case folding, as the engine's module and extension names are ASCII.
bool EqualsIgnoreCaseA(const char* left, const char* right) noexcept;
