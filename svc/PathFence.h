// The fence around the backup folder: names a folder walk may put into a path, and whether a path
// stays inside a folder once its "." and ".." are resolved.
#pragma once

#include <windows.h>

// Whether name is one usable path component: not empty, not "." or "..", without '\' or '/'.
bool IsSingleComponent(const WCHAR* name) noexcept;

// path with separators collapsed and "." and ".." resolved (never above the root), as "\a\b";
// false when it does not fit in MAX_PATH characters.
bool NormalizeDevicePath(const WCHAR* path, WCHAR* out) noexcept;

// Whether path, resolved, lies inside folder, resolved (the folder itself does not count). Names
// compare without regard to case, as the device's file system does.
bool IsInsideFolder(const WCHAR* path, const WCHAR* folder) noexcept;
