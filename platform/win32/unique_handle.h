// Owns one open Windows handle and closes it when it goes out of scope.

#ifndef VARNOK_PLATFORM_WIN32_UNIQUE_HANDLE_H_
#define VARNOK_PLATFORM_WIN32_UNIQUE_HANDLE_H_

#include <windows.h>

namespace varnok {

class UniqueHandle {
 public:
  // Takes handle, which may be INVALID_HANDLE_VALUE (no handle).
  explicit UniqueHandle(HANDLE handle = INVALID_HANDLE_VALUE)
      : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

  // Gives up ownership: the caller closes the handle returned.
  HANDLE release() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }

  // Closes the handle held, if any, and takes handle instead.
  void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (valid()) ::CloseHandle(handle_);
    handle_ = handle;
  }

  // Closes the handle now, for a close whose result counts.
  bool Close() {
    const HANDLE handle = release();
    return handle == INVALID_HANDLE_VALUE || ::CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

}  // namespace varnok

#endif  // VARNOK_PLATFORM_WIN32_UNIQUE_HANDLE_H_
