// Matching file names against the wildcard patterns of FindFirstFileW.
#pragma once

#include <string_view>

namespace wce {

// '*' matches any run of characters, '?' one character; ASCII letters match either case. "*.*"
// matches every name, and a pattern ending in ".*" also matches the name without an extension.
bool MatchFindPattern(std::u16string_view pattern, std::u16string_view name);

}  // namespace wce
