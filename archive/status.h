// The outcome of an engine operation.
//
// A failed Status carries a fixed message, the text a user sees ("Can't read
// file"), an optional detail naming what it concerns (the path of the file,
// or the place in an archive) and an optional reason, the system's own word
// on the failure ("No space left on device"). Programs show them as
// "message: detail: reason".

#ifndef VARNOK_ARCHIVE_STATUS_H_
#define VARNOK_ARCHIVE_STATUS_H_

#include <initializer_list>
#include <string>
#include <utility>

namespace varnok {

class Status {
 public:
  // A successful outcome.
  Status() = default;

  static Status Ok() { return Status(); }
  static Status Error(std::string message, std::string detail = {},
                      std::string reason = {}) {
    return Status(std::move(message), std::move(detail), std::move(reason));
  }

  bool ok() const { return !failed_; }
  const std::string& message() const { return message_; }
  const std::string& detail() const { return detail_; }
  const std::string& reason() const { return reason_; }

  // "message", followed by ": detail" and ": reason" where they are given;
  // empty for success.
  std::string ToString() const {
    std::string text = message_;
    for (const std::string* part : {&detail_, &reason_}) {
      if (!part->empty()) text += ": " + *part;
    }
    return text;
  }

 private:
  Status(std::string message, std::string detail, std::string reason)
      : failed_(true),
        message_(std::move(message)),
        detail_(std::move(detail)),
        reason_(std::move(reason)) {}

  bool failed_ = false;
  std::string message_;
  std::string detail_;
  std::string reason_;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_STATUS_H_
