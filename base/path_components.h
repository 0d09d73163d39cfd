// Paths cut into their components.

#ifndef VARNOK_BASE_PATH_COMPONENTS_H_
#define VARNOK_BASE_PATH_COMPONENTS_H_

#include <string_view>
#include <vector>

namespace varnok {

// True for '/', the separator of stored names and patterns.
inline bool IsSlash(char c) { return c == '/'; }

// The components of path between its separators, empty ones included, in
// order: "a//b/" is "a", "", "b", ""; "" is one empty component. A byte is a
// separator when isSeparator says so.
std::vector<std::string_view> SplitComponents(
    std::string_view path, bool (*isSeparator)(char) = IsSlash);

}  // namespace varnok

#endif  // VARNOK_BASE_PATH_COMPONENTS_H_
