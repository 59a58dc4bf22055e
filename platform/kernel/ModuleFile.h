// Device-path helpers for modules and the read of a library file from the host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wce/WinTypes.h"

namespace wce {

// "\" separators throughout and a leading "\" (the device has no current folder).
std::u16string NormalizeDevicePath(const WCHAR* path);
std::u16string BaseNameOf(const std::u16string& path);
std::u16string FolderOf(const std::u16string& path);    // with its trailing '\'
std::u16string WithDllExtension(const WCHAR* name);      // ".dll" added when the name has none
bool HasFolder(const WCHAR* name);

enum class ModuleFileStatus { Read, NotFound, Unreadable };

// The whole file at a device path (matched without case in its folder), up to MAX_IMAGE_SIZE.
ModuleFileStatus ReadModuleFile(const std::u16string& devicePath, std::vector<uint8_t>& bytes);

}  // namespace wce
