// Matching file names against the wildcard patterns of FindFirstFileW.
#pragma once

#include <string_view>

namespace wce {

// The device's rules: '*' matches any run of characters and '?' one character, except that '?'s
// ending the pattern match zero or one character each; letters match in either case. "*.*"
// matches every name, and a pattern ending in ".*" also matches what it matches without them
// ("abc.*" finds "abc", "*.bak.*" finds "a.bak").
// Trailing spaces and dots of a pattern are ignored, except that a trailing dot after a part
// without one asks for names without an extension ("*." and "abc.").
bool MatchFindPattern(std::u16string_view pattern, std::u16string_view name);

}  // namespace wce
