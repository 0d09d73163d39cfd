#include "base/escape.h"
#include "base/path_components.h"
#include "platform/extract_folder.h"
#include "platform/file_system.h"

namespace varnok {
namespace {

Status Unsafe(std::string_view name, std::string reason) {
  return Status::BadRequest(messages::kUnsafeName,
                            EscapeName(FromArchiveEncoding(name)),
                            std::move(reason));
}

}  // namespace

std::vector<std::string_view> NameComponents(std::string_view name) {
  std::vector<std::string_view> parts;
  for (std::string_view part : SplitComponents(name)) {
    if (!part.empty() && part != ".") parts.push_back(part);
  }
  return parts;
}

Status CheckExtractName(std::string_view name) {
  if (name.empty()) return Unsafe(name, "empty name");
  if (name.find('\0') != std::string_view::npos) {
    return Unsafe(name, "contains a zero byte");
  }
  if (name.front() == '/') return Unsafe(name, "absolute path");
  for (std::string_view part : NameComponents(name)) {
    if (part == "..") return Unsafe(name, "contains a \"..\" component");
    std::string reason;
    if (!IsPortableComponent(part, &reason)) return Unsafe(name, reason);
  }
  const std::string_view last = name.substr(name.rfind('/') + 1);
  if (last.empty() || last == ".") return Unsafe(name, "names no file");
  return Status::Ok();
}

}  // namespace varnok
