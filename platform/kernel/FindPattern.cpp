// Wildcard matching for directory searches.
#include "FindPattern.h"

namespace wce {
namespace {

char16_t Fold(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

// Greedy match with one remembered star: linear in practice and never recursive, whatever the
// number of stars in the pattern.
bool Glob(std::u16string_view pattern, std::u16string_view name)
{
    size_t p = 0;
    size_t n = 0;
    size_t starAt = std::u16string_view::npos;
    size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || Fold(pattern[p]) == Fold(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt != std::u16string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

}  // namespace

bool MatchFindPattern(std::u16string_view pattern, std::u16string_view name)
{
    if (pattern == u"*.*" || pattern == u"*")
        return true;
    if (Glob(pattern, name))
        return true;
    size_t size = pattern.size();
    return size >= 2 && pattern.substr(size - 2) == u".*" && name.find(u'.') == std::u16string_view::npos &&
           Glob(pattern.substr(0, size - 2), name);
}

}  // namespace wce
