// Conversions between the engine's 8-bit paths and the platform's UTF-16 paths, all in buffers of
// MAX_PATH. A path that does not fit, or that the code page cannot carry exactly, is never handed
// over as another file's name: it is refused, or given in the alias form of PathAlias.h, which the
// host's file service maps back to the same UTF-16 path.
#pragma once

#include <windows.h>

// text in the system code page, or an alias -> out; false (out empty) when it is not valid, does
// not fit or is null.
bool PathToWide(const char* text, WCHAR* out, int outChars = MAX_PATH) noexcept;

// text -> out in the system code page when that is exact, else as an alias; false (out empty)
// when it does not fit or is null.
bool PathToAnsi(const WCHAR* text, char* out, int outBytes = MAX_PATH) noexcept;

// ASCII-only case folding, as the engine's module and extension names are ASCII.
bool EqualsIgnoreCaseA(const char* left, const char* right) noexcept;
