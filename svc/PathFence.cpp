// PathFence: component checks and resolved-path containment.
#include "PathFence.h"

#include <string>

namespace {

using Chars = std::char_traits<WCHAR>;

bool IsSeparator(WCHAR c) { return c == u'\\' || c == u'/'; }

}  // namespace

bool IsSingleComponent(const WCHAR* name) noexcept
{
    if (name == nullptr || name[0] == 0)
        return false;
    if (name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0)))
        return false;
    for (const WCHAR* p = name; *p; ++p) {
        if (IsSeparator(*p))
            return false;
    }
    return true;
}

bool NormalizeDevicePath(const WCHAR* path, WCHAR* out) noexcept
{
    size_t used = 0;
    out[used] = 0;
    if (path == nullptr)
        return false;
    for (size_t i = 0; path[i] != 0;) {
        while (IsSeparator(path[i]))
            ++i;
        size_t begin = i;
        while (path[i] != 0 && !IsSeparator(path[i]))
            ++i;
        size_t length = i - begin;
        if (length == 0 || (length == 1 && path[begin] == u'.'))
            continue;
        if (length == 2 && path[begin] == u'.' && path[begin + 1] == u'.') {
            while (used > 0 && out[used - 1] != u'\\')
                --used;
            if (used > 0)
                --used;   // the separator before the component that went
            out[used] = 0;
            continue;
        }
        if (used + 1 + length >= MAX_PATH)
            return false;
        out[used++] = u'\\';
        Chars::copy(out + used, path + begin, length);
        used += length;
        out[used] = 0;
    }
    if (used == 0) {
        out[used++] = u'\\';
        out[used] = 0;
    }
    return true;
}

bool IsInsideFolder(const WCHAR* path, const WCHAR* folder) noexcept
{
    WCHAR resolvedPath[MAX_PATH];
    WCHAR resolvedFolder[MAX_PATH];
    if (!NormalizeDevicePath(path, resolvedPath) || !NormalizeDevicePath(folder, resolvedFolder))
        return false;
    size_t length = Chars::length(resolvedFolder);
    if (length == 1)
        length = 0;   // the root: every other path is inside it
    if (Chars::length(resolvedPath) <= length + 1 || resolvedPath[length] != u'\\')
        return false;
    resolvedPath[length] = 0;
    resolvedFolder[length] = 0;
    return lstrcmpiW(resolvedPath, resolvedFolder) == 0;
}
