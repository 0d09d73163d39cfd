// Byte counts as kzf shows them to a person, the same in every line it
// prints: "812 B", "4.5 KiB", "120.0 MiB", "2.0 GiB".

#ifndef VARNOK_CLI_SIZES_H_
#define VARNOK_CLI_SIZES_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace varnok {

// bytes in the largest unit (B, KiB, MiB, GiB) that keeps a whole number of
// 1 or more, with one decimal from KiB up.
std::string FormatSize(uint64_t bytes);

// "1 entry" or "n entries": a count and its noun.
std::string Count(size_t n, const char* one, const char* many);

}  // namespace varnok

#endif  // VARNOK_CLI_SIZES_H_
