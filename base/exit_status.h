// The exit status of Varnok's programs.

#ifndef VARNOK_BASE_EXIT_STATUS_H_
#define VARNOK_BASE_EXIT_STATUS_H_

namespace varnok {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

}  // namespace varnok

#endif  // VARNOK_BASE_EXIT_STATUS_H_
