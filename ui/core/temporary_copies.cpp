#include "ui/core/temporary_copies.h"

#include "base/messages.h"
#include "platform/file_system.h"

namespace varnok {

CTemporaryCopies::~CTemporaryCopies() {
  std::string reason;
  // What can't be removed stays in the temporary folder, for the system's
  // own clean-up: there is no one left to tell.
  if (root_) RemoveTree(*root_, &reason);
}

Status CTemporaryCopies::NewRunFolder(std::string* folder) {
  if (!root_) {
    std::string reason;
    root_ = MakePrivateFolder("varnok-", &reason);
    if (!root_) {
      return Status::IoError(messages::kCantCreateFolder, "varnok-", reason);
    }
  }
  *folder = JoinPath(*root_, std::to_string(++runs_));
  return Status::Ok();
}

}  // namespace varnok
