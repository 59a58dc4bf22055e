// Reading and writing memory whose address the engine gave us. A damaged engine may pass any
// pointer; a host callback that followed it would fault in host code, which is not contained, so
// such memory is reached through the kernel, which reports a bad address instead of faulting.
#pragma once

#include <cstddef>

// Copies the zero-terminated text at text into out (capacity bytes, terminator included). True
// when the whole text fitted; false when it was cut, could not be read or text is null. out is
// always terminated.
bool CopyEngineText(const char* text, char* out, size_t capacity) noexcept;

// bytes bytes from the engine's source into out, or from source into the engine's target; false
// when the engine's memory cannot be reached whole.
bool ReadEngineMemory(void* out, const void* source, size_t bytes) noexcept;
bool WriteEngineMemory(void* target, const void* source, size_t bytes) noexcept;
