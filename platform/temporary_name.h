// The names of files being written before they take their final names, one
// scheme for the archive and for extracted files, on every system:
// ".NAME.kzf-tmp-" followed by kSuffixLength random letters and digits,
// beside the file NAME they will become. The marker and the random letters
// make a name that no one gives a file of their own by accident, so a file
// of such a name is taken for one that a writer left behind.

#ifndef VARNOK_PLATFORM_TEMPORARY_NAME_H_
#define VARNOK_PLATFORM_TEMPORARY_NAME_H_

#include <cstddef>
#include <string>

namespace varnok {

inline constexpr char kTemporaryMarker[] = ".kzf-tmp-";
inline constexpr size_t kSuffixLength = 10;
inline constexpr char kSuffixChars[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// ".NAME.kzf-tmp-", the start of a temporary name for the file NAME: at most
// 200 bytes of NAME, cut between UTF-8 characters, so that a whole name
// stays within the file systems' limit of 255.
std::string TemporaryNameStart(const std::string& targetName);

// A fresh temporary name for the file NAME: its start and a suffix of
// kSuffixLength letters and digits drawn at random.
std::string NewTemporaryName(const std::string& targetName);

// True when name is a temporary name of any file: a cheap test of the
// name's form, for the many names that are none.
bool LooksLikeTemporaryName(const std::string& name);

// True when name is a temporary name of the file targetName.
bool IsTemporaryNameOf(const std::string& name, const std::string& targetName);

}  // namespace varnok

#endif  // VARNOK_PLATFORM_TEMPORARY_NAME_H_
