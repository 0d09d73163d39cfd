#include "platform/temporary_name.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace varnok {
namespace {

constexpr size_t kMaxKeptName = 200;
constexpr size_t kMarkerLength = sizeof kTemporaryMarker - 1;

bool IsSuffixChar(char c) {
  return c != '\0' && std::strchr(kSuffixChars, c) != nullptr;
}

}  // namespace

std::string TemporaryNameStart(const std::string& targetName) {
  size_t kept = std::min(targetName.size(), kMaxKeptName);
  while (kept > 0 && kept < targetName.size() &&
         (static_cast<unsigned char>(targetName[kept]) & 0xC0) == 0x80) {
    --kept;
  }
  return "." + targetName.substr(0, kept) + kTemporaryMarker;
}

std::string NewTemporaryName(const std::string& targetName) {
  std::random_device device;
  std::uniform_int_distribution<size_t> pick(0, sizeof kSuffixChars - 2);
  std::string name = TemporaryNameStart(targetName);
  for (size_t i = 0; i < kSuffixLength; ++i) name += kSuffixChars[pick(device)];
  return name;
}

bool LooksLikeTemporaryName(const std::string& name) {
  const size_t tail = kMarkerLength + kSuffixLength;
  return name.size() > tail + 1 && name.front() == '.' &&
         name.compare(name.size() - tail, kMarkerLength, kTemporaryMarker) ==
             0 &&
         std::all_of(name.end() - kSuffixLength, name.end(), IsSuffixChar);
}

bool IsTemporaryNameOf(const std::string& name,
                       const std::string& targetName) {
  const std::string start = TemporaryNameStart(targetName);
  return name.size() == start.size() + kSuffixLength &&
         name.compare(0, start.size(), start) == 0 &&
         std::all_of(name.end() - kSuffixLength, name.end(), IsSuffixChar);
}

}  // namespace varnok
