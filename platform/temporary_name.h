// The names of files being written before they take their final names:
// ".NAME." followed by kSuffixLength random letters and digits, beside the
// file NAME they will become.

#ifndef VARNOK_PLATFORM_TEMPORARY_NAME_H_
#define VARNOK_PLATFORM_TEMPORARY_NAME_H_

#include <cstddef>
#include <string>

namespace varnok {

inline constexpr size_t kSuffixLength = 6;
inline constexpr char kSuffixChars[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// kSuffixLength letters and digits drawn at random.
std::string RandomSuffix();

// ".NAME.", the start of a temporary name for the file NAME: at most 200
// bytes of NAME, cut between UTF-8 characters, so that a whole name stays
// within the file systems' limit of 255.
std::string TemporaryNameStart(const std::string& targetName);

// True when name is start followed by a suffix of kSuffixChars.
bool IsTemporaryName(const std::string& name, const std::string& start);

}  // namespace varnok

#endif  // VARNOK_PLATFORM_TEMPORARY_NAME_H_
