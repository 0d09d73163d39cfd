#include "base/path_pattern.h"

#include <string_view>

#include "base/path_components.h"

namespace varnok {
namespace {

constexpr char kAnyDepth[] = "**";

// Whether the pattern's element at *at (a character, '?', a bracket class
// or an escaped character) matches c; *at moves past the element.
bool MatchOne(std::string_view pattern, size_t* at, char c) {
  const char p = pattern[*at];
  if (p == '?') {
    ++*at;
    return true;
  }
  if (p == '\\' && *at + 1 < pattern.size()) {
    *at += 2;
    return pattern[*at - 1] == c;
  }
  if (p == '[') {
    size_t i = *at + 1;
    const bool negated =
        i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
    if (negated) ++i;
    bool found = false;
    // A ']' right after the opening one is a member, not the end.
    for (bool first = true; i < pattern.size() && (first || pattern[i] != ']');
         first = false) {
      const auto low = static_cast<unsigned char>(pattern[i]);
      auto high = low;
      if (i + 2 < pattern.size() && pattern[i + 1] == '-' &&
          pattern[i + 2] != ']') {
        high = static_cast<unsigned char>(pattern[i + 2]);
        i += 3;
      } else {
        ++i;
      }
      const auto byte = static_cast<unsigned char>(c);
      if (byte >= low && byte <= high) found = true;
    }
    if (i < pattern.size()) {  // at the closing ']'
      *at = i + 1;
      return found != negated;
    }
    // No closing ']': the '[' stands for itself.
  }
  ++*at;
  return p == c;
}

// Whether one component of a pattern matches one component of a path.
// Backtracks to the last '*' only, which is enough: a later '*' can take
// whatever an earlier one would have.
bool MatchComponent(std::string_view pattern, std::string_view text) {
  size_t p = 0, t = 0;
  size_t starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starT = t;
      continue;
    }
    size_t next = p;
    if (p < pattern.size() && MatchOne(pattern, &next, text[t])) {
      p = next;
      ++t;
      continue;
    }
    if (starP == std::string_view::npos) return false;
    p = starP;
    t = ++starT;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

PathPattern::PathPattern(std::string_view pattern) : text_(pattern) {
  if (!pattern.empty() && pattern.back() == '/') {
    foldersOnly_ = true;
    pattern.remove_suffix(1);
  }
  const bool anchored = pattern.find('/') != std::string_view::npos;
  if (!pattern.empty() && pattern.front() == '/') pattern.remove_prefix(1);
  if (!anchored) components_.emplace_back(kAnyDepth);
  for (std::string_view part : SplitComponents(pattern)) {
    // Runs of "**" mean no more than one.
    if (part == kAnyDepth && !components_.empty() &&
        components_.back() == kAnyDepth) {
      continue;
    }
    components_.emplace_back(part);
  }
}

bool PathPattern::CanMatch() const {
  for (const std::string& component : components_) {
    if (component.empty() || component == "." || component == "..") {
      return false;
    }
  }
  return true;
}

bool PathPattern::Matches(std::string_view path) const {
  const std::vector<std::string_view> parts = SplitComponents(path);
  const size_t count = parts.size();
  // reached[j]: the components matched so far can end just before part j.
  std::vector<char> reached(count + 1, 0);
  reached[0] = 1;
  for (const std::string& component : components_) {
    std::vector<char> next(count + 1, 0);
    for (size_t j = 0; j <= count; ++j) {
      if (!reached[j]) continue;
      if (component == kAnyDepth) {
        for (size_t k = j; k <= count; ++k) next[k] = 1;
        break;
      }
      if (j < count && MatchComponent(component, parts[j])) next[j + 1] = 1;
    }
    reached.swap(next);
  }
  // The folders on the way end before parts 1 to count - 1; the path itself
  // ends after the last.
  for (size_t j = 1; j < count; ++j) {
    if (reached[j]) return true;
  }
  return !foldersOnly_ && reached[count];
}

}  // namespace varnok
