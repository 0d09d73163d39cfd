// Wildcard patterns for paths whose separator is '/': the stored names of an
// archive, and the paths of files relative to the folder being packed.
//
//   *       any run of characters within one component (never a '/')
//   ?       any one character but '/'
//   [abc]   one of the characters listed; [a-z] a range; [!a] or [^a] any
//           character but those listed
//   **      as a whole component: any number of components, none included
//   \c      the character c itself
//
// As in .gitignore files, a pattern with no '/' (but perhaps a last one)
// matches at any depth: "*.png" matches "a.png" and "textures/a.png". A
// pattern with a '/' inside is anchored at the start: "textures/*.png"
// matches "textures/a.png" but not "mod/textures/a.png"; a leading '/'
// anchors a pattern and is otherwise ignored. A pattern that ends in '/'
// matches folders only.
//
// A path matches when the pattern matches the path itself or one of the
// folders on its way, so that a pattern that matches a folder takes
// everything beneath it: "build/" and "build" both match "build/a/b.txt".
// Characters are bytes, compared exactly.

#ifndef VARNOK_BASE_PATH_PATTERN_H_
#define VARNOK_BASE_PATH_PATTERN_H_

#include <string>
#include <string_view>
#include <vector>

namespace varnok {

class PathPattern {
 public:
  explicit PathPattern(std::string_view pattern);

  // True when the pattern matches path (a file's path: "a/b/c.png") or one
  // of the folders on its way ("a", "a/b").
  bool Matches(std::string_view path) const;

  // False when the pattern can match no path: one of its components is
  // empty, "." or "..", which the path of a file beneath a folder never
  // holds ("./build", "/", "a//b").
  bool CanMatch() const;

  // The pattern as it was given.
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  // The pattern's components; an unanchored pattern starts with "**".
  std::vector<std::string> components_;
  bool foldersOnly_ = false;
};

}  // namespace varnok

#endif  // VARNOK_BASE_PATH_PATTERN_H_
