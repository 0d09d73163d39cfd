// Owns one open file descriptor and closes it when it goes out of scope.

#ifndef VARNOK_PLATFORM_POSIX_UNIQUE_FD_H_
#define VARNOK_PLATFORM_POSIX_UNIQUE_FD_H_

#include <unistd.h>

namespace varnok {

class UniqueFd {
 public:
  // Takes fd, which may be negative (no descriptor).
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    reset(other.release());
    return *this;
  }

  int get() const { return fd_; }

  // Gives up ownership: the caller closes the descriptor returned.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

  // Closes the descriptor held, if any, and takes fd instead.
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

  // Closes the descriptor now, for a close whose result counts: false when
  // the system reports an error (a write that never reached the disk).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace varnok

#endif  // VARNOK_PLATFORM_POSIX_UNIQUE_FD_H_
