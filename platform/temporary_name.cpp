#include "platform/temporary_name.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace varnok {
namespace {

constexpr size_t kMaxKeptName = 200;

}  // namespace

std::string RandomSuffix() {
  std::random_device device;
  std::uniform_int_distribution<size_t> pick(0, sizeof kSuffixChars - 2);
  std::string suffix(kSuffixLength, ' ');
  for (char& c : suffix) c = kSuffixChars[pick(device)];
  return suffix;
}

std::string TemporaryNameStart(const std::string& targetName) {
  size_t kept = std::min(targetName.size(), kMaxKeptName);
  while (kept > 0 && kept < targetName.size() &&
         (static_cast<unsigned char>(targetName[kept]) & 0xC0) == 0x80) {
    --kept;
  }
  return "." + targetName.substr(0, kept) + ".";
}

bool IsTemporaryName(const std::string& name, const std::string& start) {
  return name.size() == start.size() + kSuffixLength &&
         name.compare(0, start.size(), start) == 0 &&
         std::all_of(name.end() - kSuffixLength, name.end(), [](char c) {
           return c != '\0' && std::strchr(kSuffixChars, c) != nullptr;
         });
}

}  // namespace varnok
