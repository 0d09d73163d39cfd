// The outcome of an operation.
//
// A failed Status carries a code that callers branch on, and three texts
// that are used one way everywhere:
//   message  the fixed text a user sees, one of base/messages.h
//            ("Can't read file");
//   detail   what the failure concerns: a path, or a place in an archive
//            ("maps/a.map", "game.kzf");
//   reason   the system's or the checker's explanation
//            ("No space left on device", "entry 3 (a.map): data offset 12").
// Programs show them as "message: detail: reason", leaving out empty parts.

#ifndef VARNOK_BASE_STATUS_H_
#define VARNOK_BASE_STATUS_H_

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "base/messages.h"

namespace varnok {

enum class StatusCode : uint8_t {
  kOk,
  kCancelled,       // the user or the caller stopped the run
  kBadRequest,      // refused before anything was touched
  kIoError,         // a file or folder could not be opened, read or written
  kDamagedArchive,  // an archive breaks the format's rules
  kOutOfMemory,     // memory ran out
};

class Status {
 public:
  // A successful outcome.
  Status() = default;

  static Status Ok() { return Status(); }
  static Status Cancelled() {
    return Status(StatusCode::kCancelled, messages::kCancelled, {}, {});
  }
  static Status BadRequest(std::string message, std::string detail = {},
                           std::string reason = {}) {
    return Status(StatusCode::kBadRequest, std::move(message),
                  std::move(detail), std::move(reason));
  }
  static Status IoError(std::string message, std::string detail = {},
                        std::string reason = {}) {
    return Status(StatusCode::kIoError, std::move(message), std::move(detail),
                  std::move(reason));
  }
  static Status Damaged(std::string message, std::string detail = {},
                        std::string reason = {}) {
    return Status(StatusCode::kDamagedArchive, std::move(message),
                  std::move(detail), std::move(reason));
  }
  static Status OutOfMemory() {
    return Status(StatusCode::kOutOfMemory, messages::kOutOfMemory, {}, {});
  }

  bool ok() const { return code_ == StatusCode::kOk; }
  bool cancelled() const { return code_ == StatusCode::kCancelled; }
  StatusCode code() const { return code_; }
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
  Status(StatusCode code, std::string message, std::string detail,
         std::string reason)
      : code_(code),
        message_(std::move(message)),
        detail_(std::move(detail)),
        reason_(std::move(reason)) {}

  StatusCode code_ = StatusCode::kOk;
  std::string message_;
  std::string detail_;
  std::string reason_;
};

}  // namespace varnok

#endif  // VARNOK_BASE_STATUS_H_
