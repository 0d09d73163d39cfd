// The outcome of an engine operation.
//
// A failed Status carries a fixed message, the text a user sees ("Can't read
// file"), and an optional detail naming what it concerns: the path of the
// file, or the place in an archive. Programs show them as "message: detail".

#ifndef VARNOK_ARCHIVE_STATUS_H_
#define VARNOK_ARCHIVE_STATUS_H_

#include <string>
#include <utility>

namespace varnok {

class Status {
 public:
  // A successful outcome.
  Status() = default;

  static Status Ok() { return Status(); }
  static Status Error(std::string message, std::string detail = {}) {
    return Status(std::move(message), std::move(detail));
  }

  bool ok() const { return !failed_; }
  const std::string& message() const { return message_; }
  const std::string& detail() const { return detail_; }

  // "message" or "message: detail"; empty for success.
  std::string ToString() const {
    return detail_.empty() ? message_ : message_ + ": " + detail_;
  }

 private:
  Status(std::string message, std::string detail)
      : failed_(true), message_(std::move(message)), detail_(std::move(detail)) {}

  bool failed_ = false;
  std::string message_;
  std::string detail_;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_STATUS_H_
