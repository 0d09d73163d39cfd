// Counts as Varnok shows them to a person, the same in every line it prints
// and in the dialog: sizes such as "812 B", "4.5 KiB", "120.0 MiB", and
// counted nouns such as "1 entry", "3 entries".

#ifndef VARNOK_BASE_SIZES_H_
#define VARNOK_BASE_SIZES_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace varnok {

// bytes in the largest unit (B, KiB, MiB, GiB, TiB, PiB, EiB: powers of
// 1024) that keeps a whole number of 1 or more once rounded, with one
// decimal from KiB up. At most 10 characters wide.
std::string FormatSize(uint64_t bytes);

// "1 entry" or "n entries": a count and its noun.
std::string Count(size_t n, const char* one, const char* many);

}  // namespace varnok

#endif  // VARNOK_BASE_SIZES_H_
