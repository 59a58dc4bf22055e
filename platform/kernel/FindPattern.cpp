// Wildcard matching for directory searches.
#include "FindPattern.h"

#include "wce/WinString.h"

namespace wce {
namespace {

bool SameLetter(char16_t a, char16_t b)
{
    return a == b || towupper(a) == towupper(b);
}

bool OnlyQuestionMarksAndStars(std::u16string_view rest)
{
    for (char16_t c : rest) {
        if (c != u'?' && c != u'*')
            return false;
    }
    return true;
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
        if (p < pattern.size() && pattern[p] != u'*' && (pattern[p] == u'?' || SameLetter(pattern[p], name[n]))) {
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
    // What is left may match nothing: stars, and the question marks that end the pattern.
    return OnlyQuestionMarksAndStars(pattern.substr(p));
}

bool HasDot(std::u16string_view text)
{
    return text.find(u'.') != std::u16string_view::npos;
}

}  // namespace

bool MatchFindPattern(std::u16string_view pattern, std::u16string_view name)
{
    size_t end = pattern.size();
    bool trailingDot = false;
    while (end > 0 && (pattern[end - 1] == u' ' || pattern[end - 1] == u'.')) {
        trailingDot = trailingDot || pattern[end - 1] == u'.';
        --end;
    }
    std::u16string_view core = pattern.substr(0, end);
    if (core.empty())
        return false;
    if (trailingDot && !HasDot(core))
        return !HasDot(name) && Glob(core, name);
    if (core == u"*" || core == u"*.*")
        return true;
    if (Glob(core, name))
        return true;
    size_t size = core.size();
    return size >= 2 && core.substr(size - 2) == u".*" && Glob(core.substr(0, size - 2), name);
}

}  // namespace wce
