// The scan worker's walk, for the benchmarks: FindFirstFileW/FindNextFileW from a folder, files
// handed to visit as met, folders entered as met.
#pragma once

#include <string>

#include <wce/WinBase.h>

template <typename Visit>
void WalkDeviceFiles(const std::u16string& folder, Visit&& visit)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + u"*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::u16string name(data.cFileName);
        if (name == u"." || name == u"..")
            continue;
        std::u16string path = folder + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            WalkDeviceFiles(path + u"\\", visit);
        else
            visit(path, data);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}
